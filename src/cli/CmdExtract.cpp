#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "browse/Extraction.h"
#include "browse/ProgressPace.h"
#include "browse/RecordedLink.h"
#include "cli/Commands.h"
#include "cli/Interruption.h"
#include "cli/Messages.h"
#include "cli/TreePath.h"
#include "iso/DistinctDestinations.h"
#include "iso/EntryData.h"
#include "iso/TerminalText.h"
#include "platform/LocalPath.h"

namespace tarnwick::cli {

namespace {

namespace fs = std::filesystem;

// Creates a directory for a disc directory; an existing directory is reused, but
// never one reached through a symbolic link. Returns what went wrong, or nothing.
std::string MakeTargetDirectory(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(platform::LocalPath(path), ec);
  if (fs::is_symlink(status)) return path + " is a symbolic link; not extracting into it";
  if (fs::is_directory(status)) return {};
  if (fs::exists(status)) return "cannot create directory " + path + ": a file of that name exists";
  if (!fs::create_directory(platform::LocalPath(path), ec)) {
    return "cannot create directory " + path + ": " +
           (ec ? ec.message() : std::string("something else of that name exists"));
  }
  return {};
}

class Extractor {
 public:
  Extractor(CliDrive& drive, const ExtractOptions& options, std::ostream& out, std::ostream& err)
      : drive_(drive), options_(options), out_(out), err_(err), policy_(options.recovery.Started()), report_(err) {}

  void File(const TFEntry& entry, const std::string& directory, const std::string& shownPath) {
    if (InterruptionScope::Interrupted() || timeUp_) return;
    const std::string destination = Claim(entry, directory, shownPath);
    if (!MayWrite(destination)) return;
    TProgressPace pace;
    // An interrupt stops the file at its next read, which removes what was written.
    const TExtractProgress progress = [&](std::uint64_t done, std::uint64_t total) {
      if (options_.progress && pace.Due(done, total)) {
        const unsigned percent = total ? static_cast<unsigned>(done * 100 / total) : 100;
        err_ << "\r" << TerminalText(shownPath) << ": " << done << " of " << total << " bytes (" << percent << "%)"
             << std::flush;
      }
      return !InterruptionScope::Interrupted();
    };
    TFileDamage damage;
    const bool ok = drive_.Burner().ExtractFile(&entry, destination, progress, policy_, &damage);
    if (options_.progress) err_ << '\n';
    if (!ok) {
      const bool skipped = damage.status == TFileStatus::Skipped;
      PrintMessage(err_, (skipped ? "skipped " + shownPath + ": " : std::string()) + drive_.Burner().LastExtractError());
      report_.Add(shownPath, static_cast<std::uint64_t>(std::max<std::int64_t>(entry.Size, 0)), damage);
      failed_ = true;
      return;
    }
    report_.Add(shownPath, static_cast<std::uint64_t>(std::max<std::int64_t>(entry.Size, 0)), damage);
    if (damage.timeUp) {
      PrintMessage(err_, "time limit reached; the files after " + shownPath + " were not extracted");
      timeUp_ = true;
    }
    KeepMode(entry, destination);
    out_ << TerminalText(destination) << '\n';
  }

  // A symbolic link is created only when asked for (see CreateRecordedLink).
  void Link(const TFEntry& entry, const std::string& directory, const std::string& shownPath) {
    const std::string& target = entry.Posix->LinkTarget;
    if (!options_.symlinks) {
      PrintMessage(err_, "skipped symbolic link " + shownPath + " -> " + target + " (use --symlinks)");
      skipped_ = true;
      return;
    }
    // Where no link can be made at all, the rest are not tried: one message says so
    // for all of them at the end.
    if (refusedLinks_ > 0) {
      ++refusedLinks_;
      return;
    }
    const std::string destination = target.empty() ? std::string() : Claim(entry, directory, shownPath);
    const TLinkOutcome made = CreateRecordedLink(entry, destination, shownPath);
    if (made.result == TLinkResult::Refused) {
      linksRefused_ = made.reason;
      ++refusedLinks_;
      failed_ = true;
      return;
    }
    if (made.result != TLinkResult::Created) {
      PrintMessage(err_, made.message);
      failed_ = true;
      return;
    }
    out_ << TerminalText(destination + " -> " + target) << '\n';
  }

  // Any entry: a link, a file or (with everything in it) a directory.
  void Entry(const TFEntry& entry, const std::string& directory, const std::string& shownPath) {
    if (entry.IsSymlink()) {
      Link(entry, directory, shownPath);
    } else if (!entry.IsDirectory()) {
      File(entry, directory, shownPath);
    } else if (entry.Dir != nullptr) {
      SubDirectory(entry, directory, shownPath);
    }
  }

  void Directory(const TDEntry& dir, const std::string& directory, const std::string& shownPath) {
    for (const TFEntry* entry = dir.Files; entry && !InterruptionScope::Interrupted(); entry = entry->Next)
      Entry(*entry, directory, ChildPath(shownPath, entry->LongName));
  }

  // A disc directory's own local directory inside `directory`, with everything in it.
  void SubDirectory(const TFEntry& entry, const std::string& directory, const std::string& shownPath) {
    const std::string sub = Claim(entry, directory, shownPath);
    if (!MakeDirectory(sub)) return;
    Directory(*entry.Dir, sub, shownPath);
    // After the contents, whose creation changed the directory's time.
    SetDirectoryDate(sub, entry);
    KeepMode(entry, sub);  // last, so that a read-only directory could still be filled
  }

  // Whether the file may be written at a destination that may exist: a file there is
  // kept with --no-clobber, else replaced, saying so unless --overwrite was given.
  bool MayWrite(const std::string& destination) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(platform::LocalPath(destination), ec);
    if (!fs::exists(status) || fs::is_directory(status)) return true;
    if (!fs::is_regular_file(status) && !fs::is_symlink(status)) {
      // A FIFO, socket or device is never opened or replaced: nothing is said to be.
      PrintMessage(err_, "Cannot create file " + destination + ": it exists and is not a regular file");
      failed_ = true;
      return false;
    }
    if (options_.existing == ExistingFiles::Keep) {
      PrintMessage(err_, destination + " exists; kept (--no-clobber)");
      return false;
    }
    if (options_.existing == ExistingFiles::ReplaceSayingSo)
      PrintMessage(err_, "replacing " + destination + " (--no-clobber keeps it, --overwrite replaces quietly)");
    return true;
  }

  // With --keep-modes, the read, write and execute bits the disc records; never
  // set-user-ID, set-group-ID or the sticky bit, which a disc must not be able to hand
  // out (a directory recorded 1777 would become a world-writable shared directory).
  void KeepMode(const TFEntry& entry, const std::string& path) {
    if (!options_.keepModes || !entry.Posix || !entry.Posix->Mode) return;
    std::error_code ec;
    fs::permissions(platform::LocalPath(path), static_cast<fs::perms>(*entry.Posix->Mode & 0777), fs::perm_options::replace, ec);
    if (ec) {
      PrintMessage(err_, "cannot set the mode of " + path + ": " + ec.message());
      failed_ = true;
    }
  }

  // The local path of an entry: its own name unless an earlier entry of this command
  // holds that path; the renaming is told.
  std::string Claim(const TFEntry& entry, const std::string& directory, const std::string& shownPath) {
    const TDestination destination = destinations_.Claim(directory, entry.LongName, entry.IsDirectory(), shownPath);
    if (destination.Renamed()) {
      PrintMessage(err_, shownPath + " extracted as " + destination.path + ": " + destination.wanted + " holds " +
                             (destination.takenBy.empty() ? std::string("another entry") : destination.takenBy));
    }
    return destination.path;
  }

  // The one message for the symbolic links that could not be made in `directory`.
  void ReportRefusedLinks(const std::string& directory) const {
    if (refusedLinks_ == 0) return;
    PrintMessage(err_, RefusedLinksText(directory, linksRefused_, refusedLinks_));
  }

  bool Failed() const { return failed_ || timeUp_ || report_.AnyLost(); }
  bool Skipped() const { return skipped_; }
  const TDamageReport& Report() const { return report_; }

  // Creates the directory for a disc directory, reporting why it could not.
  bool MakeDirectory(const std::string& path) {
    const std::string problem = MakeTargetDirectory(path);
    if (problem.empty()) return true;
    PrintMessage(err_, problem);
    failed_ = true;
    return false;
  }

 private:
  CliDrive& drive_;
  const ExtractOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  TDistinctDestinations destinations_;
  TReadPolicy policy_;
  TDamageReport report_;
  bool failed_ = false;
  bool skipped_ = false;
  bool timeUp_ = false;
  std::size_t refusedLinks_ = 0;
  std::string linksRefused_;  // why the first link could not be made
};

}  // namespace

int CmdExtract(CliDrive& drive, const ExtractOptions& options, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!fs::is_directory(platform::LocalPath(options.to), ec)) {
    if (fs::exists(platform::LocalPath(options.to), ec)) throw CliError{kExitFailure, "--to names a file, not a directory: " + options.to};
    throw CliError{kExitFailure, "target directory does not exist: " + options.to};
  }
  const std::uint8_t session = drive.Import(options.session);
  Extractor extractor(drive, options, out, err);
  const InterruptionScope interruption;
  // The disc is checked against the imported tree once for the whole command.
  TExtractBatch batch(drive.Burner());
  for (const std::string& path : options.paths) {
    if (InterruptionScope::Interrupted()) break;
    std::optional<TreeItem> item = ResolvePath(drive.Burner(), path);
    if (!item) {
      PrintMessage(err, NotFoundText(drive.Burner(), session, path, "file or directory"));
      return kExitFailure;
    }
    if (item->entry && !item->entry->IsDirectory()) {
      extractor.Entry(*item->entry, options.to, item->path);
      continue;
    }
    if (!options.recursive) {
      const std::string name = item->entry ? item->entry->LongName : std::string("/");
      PrintMessage(err, "You can not extract directory, " + name + " is a directory (use -R)");
      return kExitFailure;
    }
    if (item->entry == nullptr) {  // the root: its entries go straight into the target
      extractor.Directory(*item->dir, options.to, item->path);
    } else {
      extractor.SubDirectory(*item->entry, options.to, item->path);
    }
  }
  extractor.ReportRefusedLinks(options.to);
  const TDamageReport& report = extractor.Report();
  if (!options.recovery.reportPath.empty() && !report.Write(options.recovery.reportPath)) return kExitFailure;
  if (InterruptionScope::Interrupted()) {
    PrintMessage(err, "interrupted; the file being written when it came was not kept");
    return kExitFailure;
  }
  if (report.AnyDamaged()) PrintMessage(err, report.Totals("extracted"));
  if (extractor.Failed() || extractor.Skipped()) return kExitFailure;
  return report.AnyDamaged() ? kExitDamaged : kExitOk;
}

int CmdCat(CliDrive& drive, const CatOptions& options, std::FILE* out, std::ostream& err) {
  const std::uint8_t session = drive.Import(options.session);
  std::optional<TreeItem> item = ResolvePath(drive.Burner(), options.path);
  if (!item) throw CliError{kExitFailure, NotFoundText(drive.Burner(), session, options.path, "file")};
  if (!item->entry || item->entry->IsDirectory()) throw CliError{kExitFailure, options.path + " is a directory"};
  if (item->entry->IsSymlink())
    throw CliError{kExitFailure, options.path + " is a symbolic link to " + item->entry->Posix->LinkTarget};
  // Each transfer unit goes out in one write of its own: through the stream's buffer
  // a unit that is no multiple of the buffer size costs two writes and a copy.
  std::setvbuf(out, nullptr, _IONBF, 0);
  if (options.recovery.policy.onError != TOnError::Fail) return CatRecovering(drive, *item, options, out, err);
  bool writeFailed = false;
  std::uint32_t failedLba = 0;
  const TReadResult result = ReadEntryData(
      drive.Burner(), *item->entry, TQuarnBurner::TransferSectors,
      [&](const std::uint8_t* data, std::size_t length) {
        if (std::fwrite(data, 1, length, out) != length) {
          writeFailed = true;
          return false;
        }
        return true;
      },
      &failedLba);
  if (std::fflush(out) != 0) writeFailed = true;
  if (result == TReadResult::BeyondDisc) {
    PrintMessage(err, "cannot read " + item->path + ": sector " + std::to_string(failedLba) + " lies beyond the disc");
    return kExitFailure;
  }
  if (result == TReadResult::ReadFailed) {
    PrintMessage(err, "cannot read " + item->path + " at sector " + std::to_string(failedLba) + ": " +
                          DriveErrorText(drive.Burner()));
    return kExitFailure;
  }
  if (writeFailed) {
    PrintMessage(err, std::string("cannot write to standard output: ") + std::strerror(errno));
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace tarnwick::cli
