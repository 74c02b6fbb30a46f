// The commands of tarnwick-cli. Each writes data to `out`, messages to `err`, and
// returns the exit status (or throws CliError).
#pragma once

#include <cstdio>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliDrive.h"
#include "cli/DamageReport.h"

namespace tarnwick::cli {

struct TreeItem;

struct ListOptions {
  std::optional<int> session;
  bool recursive = false;
  bool json = false;
  bool longFormat = false;  // ls -l: type, size, date and time
  std::string path = "/";
};

// What extract does with a destination file that exists: replace it and say so on
// standard error (as cp replaces), replace it quietly (--overwrite), or keep it
// (--no-clobber).
enum class ExistingFiles { ReplaceSayingSo, Replace, Keep };

struct ExtractOptions {
  std::optional<int> session;
  bool recursive = false;
  std::string to;
  std::vector<std::string> paths;
  bool progress = false;  // show progress on err
  ExistingFiles existing = ExistingFiles::ReplaceSayingSo;
  bool symlinks = false;  // create symbolic links instead of skipping them
  bool keepModes = false; // apply the recorded permission bits
  RecoveryOptions recovery;
};

struct CatOptions {
  std::optional<int> session;
  std::string path;
  RecoveryOptions recovery;
};

struct ImageOptions {
  std::optional<int> session;
  std::string to;
  std::string map;
  RecoveryOptions recovery;
};

struct CheckOptions {
  std::optional<int> session;
  bool all = false;  // every block of the session too, not only the files' data
  RecoveryOptions recovery;
};

int CmdDrives(CliDrive& drive, std::ostream& out);
int CmdShow(CliDrive& drive, std::ostream& out, std::ostream& err);
int CmdList(CliDrive& drive, const ListOptions& options, std::ostream& out);
int CmdExtract(CliDrive& drive, const ExtractOptions& options, std::ostream& out, std::ostream& err);
int CmdCat(CliDrive& drive, const CatOptions& options, std::FILE* out, std::ostream& err);
// cat under a policy that hands on zeros for unreadable sectors.
int CatRecovering(CliDrive& drive, const TreeItem& item, const CatOptions& options, std::FILE* out, std::ostream& err);
int CmdImage(CliDrive& drive, const ImageOptions& options, std::ostream& out, std::ostream& err);
int CmdCheck(CliDrive& drive, const CheckOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tarnwick::cli
