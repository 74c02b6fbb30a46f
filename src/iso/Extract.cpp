#include <algorithm>
#include <vector>

#include "iso/Dates.h"
#include "iso/Format.h"
#include "iso/IsoFormat.h"
#include "iso/QuarnBurner.h"
#include "platform/Platform.h"

namespace tarnwick {
namespace {

constexpr std::size_t kTransferBuffer = 65536;

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

  std::vector<TExtent> extents = entry->Extents;
  if (extents.empty() && entry->Size > 0)
    extents.push_back({entry->Extent, static_cast<std::uint64_t>(entry->Size)});
  std::uint64_t total = 0;
  for (const TExtent& e : extents) total += e.Bytes;

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

  std::vector<std::uint8_t> buffer(kTransferBuffer);
  const std::uint64_t unit = std::uint64_t{TransferSectors} * iso::kSectorSize;
  std::uint64_t done = 0;
  for (const TExtent& extent : extents) {
    std::uint64_t next = extent.Lba;
    std::uint64_t left = extent.Bytes;
    while (left > 0) {
      const std::uint64_t chunk = std::min(left, unit);
      const auto count = static_cast<std::uint16_t>(SectorsFor(chunk));
      if (next + count - 1 > UINT32_MAX)
        return fail(Format("Cannot read file %s: sector %llu lies beyond the disc", entry->LongName.c_str(),
                           static_cast<unsigned long long>(next)));
      if (!ReadSectors(static_cast<std::uint32_t>(next), count, count * static_cast<std::uint32_t>(iso::kSectorSize),
                       buffer.data()))
        return fail(Format("Cannot read file %s at sector %llu: %s", entry->LongName.c_str(),
                           static_cast<unsigned long long>(next), LastErrorText.c_str()));
      std::uint32_t written = 0;
      if (!os.WriteFile(file.Get(), buffer.data(), static_cast<std::uint32_t>(chunk), &written) || written != chunk)
        return fail(Format("Cannot write file %s: %s", destination.c_str(), os.LastErrorMessage().c_str()));
      next += count;
      left -= chunk;
      done += chunk;
      if (progress && !progress(done, total))
        return fail(Format("Extraction of %s stopped", entry->LongName.c_str()));
    }
  }

  platform::LocalDateTime when;
  if (entry->HasDate() && DecodeDateTime(entry->DateTime, when)) os.SetFileTime(file.Get(), when);
  if (!file.Close()) return fail(Format("Cannot write file %s: %s", destination.c_str(), os.LastErrorMessage().c_str()));
  return true;
}

}  // namespace tarnwick
