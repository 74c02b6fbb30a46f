#include "iso/Dates.h"
#include "iso/EntryData.h"
#include "iso/Format.h"
#include "iso/QuarnBurner.h"
#include "platform/Platform.h"

namespace tarnwick {
namespace {

// A local file open for writing; closed when it goes out of scope.
class LocalFile {
 public:
  explicit LocalFile(const std::string& path) : handle_(platform::Current().CreateFileForWrite(path)) {}
  ~LocalFile() { Close(); }
  LocalFile(const LocalFile&) = delete;
  LocalFile& operator=(const LocalFile&) = delete;

  bool IsOpen() const { return handle_ != platform::INVALID_HANDLE_VALUE; }
  platform::Handle Get() const { return handle_; }
  bool Close() {
    if (!IsOpen()) return true;
    const bool ok = platform::Current().CloseHandle(handle_);
    handle_ = platform::INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  platform::Handle handle_;
};

}  // namespace

bool TQuarnBurner::ExtractFile(const TFEntry* entry, const std::string& destination,
                               const TExtractProgress& progress) {
  lastExtractError_.clear();
  if (!entry) {
    lastExtractError_ = "No file to extract";
    return false;
  }
  if (entry->IsDirectory()) {
    lastExtractError_ = entry->LongName + " is a directory";
    return false;
  }
  DebugMessage(">>> " + Format("EXTRACTING FILE %s TO %s", entry->LongName.c_str(), destination.c_str()), 1);

  std::uint64_t total = 0;
  for (const TExtent& run : EntryDataRuns(*entry)) total += run.Bytes;
  // The tree may be older than the disc now in the drive; its addresses would then
  // read another disc's data into the file.
  if (!SameDiscAsImported()) {
    lastExtractError_ = Format("Cannot extract file %s: the disc in the drive has changed since its session was "
                               "loaded; load the session again",
                               entry->LongName.c_str());
    return false;
  }

  platform::Platform& os = platform::Current();
  LocalFile file(destination);
  if (!file.IsOpen()) {
    lastExtractError_ = Format("Cannot create file %s", destination.c_str());
    return false;
  }
  // Every failure from here on removes what was written, so no partial or
  // unverified data is left under the entry's name.
  auto fail = [&](std::string message) {
    lastExtractError_ = std::move(message);
    file.Close();
    os.DeleteFile(destination);
    return false;
  };

  std::uint64_t done = 0;
  std::string writeError;
  bool stopped = false;
  std::uint32_t failedLba = 0;
  const TReadResult result = ReadEntryData(
      *this, *entry, TransferSectors,
      [&](const std::uint8_t* data, std::size_t length) {
        std::uint32_t written = 0;
        if (!os.WriteFile(file.Get(), data, static_cast<std::uint32_t>(length), &written) || written != length) {
          writeError = os.LastErrorMessage();
          return false;
        }
        done += length;
        if (progress && !progress(done, total)) {
          stopped = true;
          return false;
        }
        return true;
      },
      &failedLba);
  switch (result) {
    case TReadResult::Complete:
      break;
    case TReadResult::BeyondDisc:
      return fail(Format("Cannot read file %s: sector %lu lies beyond the disc", entry->LongName.c_str(),
                         static_cast<unsigned long>(failedLba)));
    case TReadResult::ReadFailed:
      return fail(Format("Cannot read file %s at sector %lu: %s", entry->LongName.c_str(),
                         static_cast<unsigned long>(failedLba), LastErrorText.c_str()));
    case TReadResult::Stopped:
      if (stopped) return fail(Format("Extraction of %s stopped", entry->LongName.c_str()));
      return fail(Format("Cannot write file %s: %s", destination.c_str(), writeError.c_str()));
  }

  platform::LocalDateTime when;
  if (entry->HasDate() && DecodeDateTime(entry->DateTime, when)) os.SetFileTime(file.Get(), when);
  if (!file.Close()) return fail(Format("Cannot write file %s: %s", destination.c_str(), os.LastErrorMessage().c_str()));
  return true;
}

}  // namespace tarnwick
