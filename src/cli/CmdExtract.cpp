#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/Commands.h"
#include "cli/TreePath.h"
#include "iso/EntryData.h"
#include "iso/LocalName.h"

namespace tarnwick::cli {

namespace {

namespace fs = std::filesystem;

// Creates a directory for a disc directory; an existing directory is reused, but
// never one reached through a symbolic link. Returns what went wrong, or nothing.
std::string MakeTargetDirectory(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (fs::is_symlink(status)) return path + " is a symbolic link; not extracting into it";
  if (fs::is_directory(status)) return {};
  if (fs::exists(status)) return "cannot create directory " + path + ": a file of that name exists";
  if (!fs::create_directory(path, ec)) {
    return "cannot create directory " + path + ": " +
           (ec ? ec.message() : std::string("something else of that name exists"));
  }
  return {};
}

class Extractor {
 public:
  Extractor(CliDrive& drive, const ExtractOptions& options, std::ostream& out, std::ostream& err)
      : drive_(drive), options_(options), out_(out), err_(err) {}

  void File(const TFEntry& entry, const std::string& directory, const std::string& shownPath) {
    const std::string destination = LocalDestination(directory, entry.LongName);
    TExtractProgress progress;
    if (options_.progress) {
      progress = [&](std::uint64_t done, std::uint64_t total) {
        const unsigned percent = total ? static_cast<unsigned>(done * 100 / total) : 100;
        err_ << "\r" << shownPath << ": " << done << " of " << total << " bytes (" << percent << "%)" << std::flush;
        return true;
      };
    }
    const bool ok = drive_.Burner().ExtractFile(&entry, destination, progress);
    if (options_.progress) err_ << '\n';
    if (!ok) {
      err_ << "tarnwick-cli: " << drive_.Burner().LastExtractError() << '\n';
      failed_ = true;
      return;
    }
    out_ << destination << '\n';
  }

  void Directory(const TDEntry& dir, const std::string& directory, const std::string& shownPath) {
    for (const TFEntry* entry = dir.Files; entry; entry = entry->Next) {
      const std::string child = ChildPath(shownPath, entry->LongName);
      if (!entry->IsDirectory()) {
        File(*entry, directory, child);
        continue;
      }
      if (entry->Dir != nullptr) SubDirectory(*entry, directory, child);
    }
  }

  // A disc directory's own local directory inside `directory`, with everything in it.
  void SubDirectory(const TFEntry& entry, const std::string& directory, const std::string& shownPath) {
    const std::string sub = LocalDestination(directory, entry.LongName);
    if (MakeDirectory(sub)) Directory(*entry.Dir, sub, shownPath);
  }

  bool Failed() const { return failed_; }

  // Creates the directory for a disc directory, reporting why it could not.
  bool MakeDirectory(const std::string& path) {
    const std::string problem = MakeTargetDirectory(path);
    if (problem.empty()) return true;
    err_ << "tarnwick-cli: " << problem << '\n';
    failed_ = true;
    return false;
  }

 private:
  CliDrive& drive_;
  const ExtractOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  bool failed_ = false;
};

}  // namespace

int CmdExtract(CliDrive& drive, const ExtractOptions& options, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!fs::is_directory(options.to, ec)) throw CliError{kExitFailure, "target directory does not exist: " + options.to};
  const std::uint8_t session = drive.Import(options.session);
  Extractor extractor(drive, options, out, err);
  for (const std::string& path : options.paths) {
    std::optional<TreeItem> item = ResolvePath(drive.Burner(), path);
    if (!item) {
      err << "tarnwick-cli: no such file or directory in session " << int{session} << ": " << path << '\n';
      return kExitFailure;
    }
    if (item->entry && !item->entry->IsDirectory()) {
      extractor.File(*item->entry, options.to, item->path);
      continue;
    }
    if (!options.recursive) {
      const std::string name = item->entry ? item->entry->LongName : std::string("/");
      err << "tarnwick-cli: You can not extract directory, " << name << " is a directory (use -R)\n";
      return kExitFailure;
    }
    if (item->entry == nullptr) {  // the root: its entries go straight into the target
      extractor.Directory(*item->dir, options.to, item->path);
    } else {
      extractor.SubDirectory(*item->entry, options.to, item->path);
    }
  }
  return extractor.Failed() ? kExitFailure : kExitOk;
}

int CmdCat(CliDrive& drive, const CatOptions& options, std::FILE* out, std::ostream& err) {
  const std::uint8_t session = drive.Import(options.session);
  std::optional<TreeItem> item = ResolvePath(drive.Burner(), options.path);
  if (!item) throw CliError{kExitFailure, "no such file in session " + std::to_string(session) + ": " + options.path};
  if (!item->entry || item->entry->IsDirectory()) throw CliError{kExitFailure, options.path + " is a directory"};
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
    err << "tarnwick-cli: cannot read " << item->path << ": sector " << failedLba << " lies beyond the disc\n";
    return kExitFailure;
  }
  if (result == TReadResult::ReadFailed) {
    err << "tarnwick-cli: cannot read " << item->path << " at sector " << failedLba << ": "
        << DriveErrorText(drive.Burner()) << '\n';
    return kExitFailure;
  }
  if (writeFailed) {
    err << "tarnwick-cli: cannot write to standard output: " << std::strerror(errno) << '\n';
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace tarnwick::cli
