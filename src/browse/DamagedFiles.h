// Files with unreadable data, for the windows: the question what to do with one, the
// list shown afterwards, and a check of a whole session that writes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "iso/QuarnBurner.h"
#include "iso/RecoveringRead.h"

namespace tarnwick {

// The user's answer when a file holds data that cannot be read.
enum class TUnreadableAnswer { KeepFilled, Skip, Stop };

struct TDamagedFile {
  std::string path;  // the entry's path below the selection, or from the root
  std::uint64_t size = 0;
  TFileDamage damage;
};

// One line a file: "docs/a.bin (409700 bytes): bytes 34816-36863 (sectors 12050)",
// at most ten, then "... and N more".
std::string DamagedFilesText(const std::vector<TDamagedFile>& files);

struct TCheckProgress {
  std::string name;
  std::uint64_t filesDone = 0, filesTotal = 0;
  std::uint64_t badSectors = 0;
};

struct TCheckOutcome {
  std::uint64_t files = 0;
  std::vector<TDamagedFile> damaged;
  std::vector<std::string> errors;  // files that could not be read at all, and why
  bool cancelled = false;
};

// Reads every file of the imported tree under the fill policy and writes nothing.
// `progress` is called before each file and may stop the check.
TCheckOutcome CheckSession(TQuarnBurner& burner, const std::function<bool(const TCheckProgress&)>& progress);

// The check's progress text: the file being read and "3 unreadable sectors" so far.
std::string CheckProgressText(const TCheckProgress& step);

// "Checked 12 files: 1 damaged, 3 bad sectors" and the damaged files, one a line.
std::string CheckSummary(const TCheckOutcome& outcome);

}  // namespace tarnwick
