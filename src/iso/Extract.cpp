#include <filesystem>
#include <system_error>

#include "iso/Dates.h"
#include "iso/EntryData.h"
#include "iso/Format.h"
#include "iso/QuarnBurner.h"
#include "iso/RecoveringRead.h"
#include "platform/LocalPath.h"
#include "platform/Platform.h"

namespace tarnwick {
namespace {

// The new contents of a destination, written to a temporary file beside it. The
// destination is touched only by Commit, which puts the finished file in its place in
// one step; a temporary file that was never committed is removed, so a failed or
// stopped extraction leaves whatever stood at the destination as it was.
class ReplacementFile {
 public:
  explicit ReplacementFile(const std::string& directory)
      : handle_(platform::Current().CreateTempFile(directory, path_)) {}
  ~ReplacementFile() {
    Close();
    if (!path_.empty()) platform::Current().RemoveFile(path_);
  }
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  bool IsOpen() const { return handle_ != platform::kInvalidHandle; }
  platform::Handle Get() const { return handle_; }
  bool Close() {
    if (!IsOpen()) return true;
    const bool ok = platform::Current().CloseHandle(handle_);
    handle_ = platform::kInvalidHandle;
    return ok;
  }
  // Closes the file and renames it over the destination.
  bool Commit(const std::string& destination) {
    if (!Close() || !platform::Current().MoveFileReplacing(path_, destination)) return false;
    path_.clear();
    return true;
  }

 private:
  std::string path_;
  platform::Handle handle_;
};

// What stands at the destination now, judged without following a link there. A file or
// a link may be replaced; a directory or a device may not.
enum class Occupant { Nothing, File, Other };

Occupant OccupantOf(const std::string& destination) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(platform::LocalPath(destination), ec);
  if (ec || !fs::exists(status)) return Occupant::Nothing;
  if (fs::is_regular_file(status) || fs::is_symlink(status)) return Occupant::File;
  return Occupant::Other;
}

std::string DirectoryOf(const std::string& destination) {
  const std::string directory = platform::Utf8Text(platform::LocalPath(destination).parent_path());
  return directory.empty() ? std::string(".") : directory;
}

// Reads the entry under a policy for unreadable sectors into the file: in order through
// `sink`, and what a return to a skipped area brings back at its place in the file.
TReadResult RecoverWith(TSCSIDevice& drive, const TFEntry& entry, const TReadPolicy& policy, platform::Handle file,
                        const TDataSink& sink, TFileDamage& lost, std::uint32_t& failedLba, std::string& writeError) {
  const TPatchSink patch = [&](std::uint64_t offset, const std::uint8_t* data, std::size_t length) {
    if (platform::Current().WriteFileAt(file, offset, data, static_cast<std::uint32_t>(length))) return true;
    writeError = platform::Current().LastErrorMessage();
    return false;
  };
  switch (RecoverEntryData(drive, entry, policy, sink, patch, lost, &failedLba)) {
    case TRecoverResult::Complete:
    case TRecoverResult::TimeUp:
      return TReadResult::Complete;
    case TRecoverResult::Stopped:
      return TReadResult::Stopped;
    case TRecoverResult::MediumChanged:
    case TRecoverResult::NotOnDisc:
    case TRecoverResult::Skipped:
      return TReadResult::ReadFailed;
  }
  return TReadResult::ReadFailed;
}

}  // namespace

bool TQuarnBurner::ExtractFile(const TFEntry* entry, const std::string& destination,
                               const TExtractProgress& progress) {
  return ExtractFile(entry, destination, progress, TReadPolicy{}, nullptr);
}

bool TQuarnBurner::ExtractFile(const TFEntry* entry, const std::string& destination,
                               const TExtractProgress& progress, const TReadPolicy& policy, TFileDamage* damage) {
  TFileDamage unused;
  TFileDamage& lost = damage ? *damage : unused;
  lost = {};
  lost.status = TFileStatus::Unreadable;
  lastExtractError_.clear();
  lastUnreadable_.reset();
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
  if (!DiscCheckPasses()) {
    lastExtractError_ = Format("Cannot extract file %s: the disc in the drive has changed since its session was "
                               "loaded; load the session again",
                               entry->LongName.c_str());
    return false;
  }

  platform::Platform& os = platform::Current();
  const Occupant occupant = OccupantOf(destination);
  if (occupant == Occupant::Other) {
    lastExtractError_ = Format("Cannot create file %s: a directory or device of that name exists", destination.c_str());
    return false;
  }
  ReplacementFile file(DirectoryOf(destination));
  if (!file.IsOpen()) {
    lastExtractError_ = Format("Cannot create file %s: %s", destination.c_str(), os.LastErrorMessage().c_str());
    return false;
  }
  // Every failure from here on leaves the destination untouched: the temporary file
  // goes away with `file`.
  auto fail = [&](std::string message) {
    lastExtractError_ = std::move(message);
    return false;
  };

  std::uint64_t done = 0;
  std::string writeError;
  bool stopped = false;
  std::uint32_t failedLba = 0;
  const std::uint32_t eventsBefore = MediumEvents();
  const TDataSink sink = [&](const std::uint8_t* data, std::size_t length) {
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
  };
  const TReadResult result = policy.onError == TOnError::Fail
                                 ? ReadEntryData(*this, *entry, TransferSectors, sink, &failedLba)
                                 : RecoverWith(*this, *entry, policy, file.Get(), sink, lost, failedLba, writeError);
  switch (result) {
    case TReadResult::Complete:
      break;
    case TReadResult::BeyondDisc:
      return fail(Format("Cannot read file %s: sector %lu lies beyond the disc", entry->LongName.c_str(),
                         static_cast<unsigned long>(failedLba)));
    case TReadResult::ReadFailed:
      if (MediumEvents() == eventsBefore) lastUnreadable_ = failedLba;
      return fail(Format("Cannot read file %s at sector %lu: %s", entry->LongName.c_str(),
                         static_cast<unsigned long>(failedLba),
                         (lost.status == TFileStatus::Skipped ? lost.firstError : LastErrorText).c_str()));
    case TReadResult::Stopped:
      if (stopped) return fail(Format("Extraction of %s stopped", entry->LongName.c_str()));
      return fail(Format("Cannot write file %s: %s", destination.c_str(), writeError.c_str()));
  }

  platform::LocalDateTime when;
  if (EntryLocalTime(*entry, when) && !os.SetFileTime(file.Get(), when))
    return fail(Format("Cannot set the date of file %s: %s", destination.c_str(), os.LastErrorMessage().c_str()));
  // A file that replaces another must be on the disk before the old one's name is
  // taken from it, or a crash could leave neither.
  if (occupant == Occupant::File && !os.FlushFileBuffers(file.Get()))
    return fail(Format("Cannot write file %s: %s", destination.c_str(), os.LastErrorMessage().c_str()));
  if (!file.Close())
    return fail(Format("Cannot write file %s: %s", destination.c_str(), os.LastErrorMessage().c_str()));
  if (!file.Commit(destination))
    return fail(Format("Cannot create file %s: %s", destination.c_str(), os.LastErrorMessage().c_str()));
  if (lost.status == TFileStatus::Unreadable) lost.status = TFileStatus::Ok;
  return true;
}

}  // namespace tarnwick
