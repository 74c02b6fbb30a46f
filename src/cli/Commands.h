// The commands of tarnwick-cli. Each writes data to `out`, messages to `err`, and
// returns the exit status (or throws CliError).
#pragma once

#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "browse/SessionListing.h"
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
  bool disc = false;  // every data track at its disc address, not one session from byte 0
  std::string to;
  std::string map;
  RecoveryOptions recovery;
};

struct CheckOptions {
  std::optional<int> session;
  bool all = false;  // every block of the session too, not only the files' data
  RecoveryOptions recovery;
};

// A device-list line taken apart: address, letter (0: none) and inquiry identity;
// `supported` is false for a drive the list marks "(not supported)".
struct TDeviceLine {
  unsigned adapter = 0, target = 0, lun = 0;
  char letter = 0;
  std::string vendor, product, revision;
  bool supported = true;
};
std::optional<TDeviceLine> ParseDeviceLine(const std::string& line);

int CmdDrives(CliDrive& drive, std::ostream& out);
int CmdDrivesJson(CliDrive& drive, std::ostream& out);
// `show`, as text or (json) as one JSON document.
int CmdShow(CliDrive& drive, bool json, std::ostream& out, std::ostream& err);
// Writes the JSON document of a listing; returns the tracks whose start the drive did
// not tell.
std::vector<std::uint8_t> WriteShowJson(CliDrive& drive, const TSessionListing& listing, std::ostream& out);
int CmdList(CliDrive& drive, const ListOptions& options, std::ostream& out);
int CmdExtract(CliDrive& drive, const ExtractOptions& options, std::ostream& out, std::ostream& err);
int CmdCat(CliDrive& drive, const CatOptions& options, std::FILE* out, std::ostream& err);
// cat under a policy that hands on zeros for unreadable sectors.
int CatRecovering(CliDrive& drive, const TreeItem& item, const CatOptions& options, std::FILE* out, std::ostream& err);
int CmdImage(CliDrive& drive, const ImageOptions& options, std::ostream& out, std::ostream& err);
int CmdCheck(CliDrive& drive, const CheckOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tarnwick::cli
