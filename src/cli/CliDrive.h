// The drive the command-line tool works on: virtual drives from --image, the
// transport started, one drive selected, and the component's messages routed.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "browse/MountImages.h"
#include "iso/QuarnBurner.h"

namespace tarnwick::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// Everything asked for was written, some of it with zeros for unreadable data.
inline constexpr int kExitDamaged = 3;

// A failure that ends the command with a message on standard error.
struct CliError {
  int status;
  std::string message;
};

struct GlobalOptions {
  std::vector<std::string> images;
  std::string map;  // the rescue map of the first image, instead of the one beside it
  std::string drive;  // a letter, optionally followed by ":"
  bool debug = false;
  // Which generation of a UDF session with virtual allocation tables (1 the oldest);
  // none: the newest.
  std::optional<int> generation;
  bool deleted = false;  // also import the entries marked deleted
  std::string names = "auto";  // auto, joliet, rockridge or iso
};

class CliDrive {
 public:
  // Adds the images and starts the transport; throws CliError.
  CliDrive(const GlobalOptions& options, std::ostream& err);
  ~CliDrive();
  CliDrive(const CliDrive&) = delete;
  CliDrive& operator=(const CliDrive&) = delete;

  TQuarnBurner& Burner() { return burner_; }
  const std::vector<std::string>& Lines() const { return burner_.DeviceList; }
  // The letter of a device-list line ("1:0:0,E: ..." gives 'E'), 0 when it has none.
  static char LineLetter(const std::string& line);
  // Selects the drive the options name; throws CliError.
  void Select();
  char SelectedLetter() const { return selectedLetter_; }

  // Imports a session (0: the last one). Throws CliError when the disc has no such
  // session or the import fails. Returns the session number imported.
  std::uint8_t Import(std::optional<int> session);

  // Prints what the last import could not read or left out, one line per kind of
  // problem, on standard error; a command that otherwise succeeded then fails.
  // Returns the exit status.
  int ReportImportProblems(int status);

  // The last import error message the component sent, if any.
  const std::string& LastImportMessage() const { return lastImportMessage_; }

 private:
  GlobalOptions options_;
  std::ostream& err_;
  // READ(10) commands the selected drive received so far, when it is a virtual
  // drive (real drives keep no count); -1 otherwise.
  std::int64_t ReadCommands() const;

  TQuarnBurner burner_;
  std::vector<TMountedImage> images_;
  char selectedLetter_ = 0;
  std::string lastImportMessage_;
};

// "drive error text" for messages: LastErrorText or a fallback.
std::string DriveErrorText(const TSCSIDevice& drive);

}  // namespace tarnwick::cli
