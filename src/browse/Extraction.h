// Extracting a selection of entries (files, and directories with everything in them)
// into a local directory: the walk, the question when a destination exists, the
// progress of the file and of the whole, and the directories' dates set after their
// contents. Free of any GUI toolkit; the window asks its questions through callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "browse/DamagedFiles.h"
#include "iso/DistinctDestinations.h"
#include "iso/QuarnBurner.h"

namespace tarnwick {

// The message when memory runs out during an extraction: it ends there, and the file
// being written goes with it.
inline constexpr const char* kExtractionOutOfMemoryText =
    "Out of memory: the extraction stopped; the file being written was removed and the rest was not extracted.";

// What to do with a destination file that already exists.
enum class TExistingFiles { Ask, Replace, Keep };
// The user's answer when asked about one existing file.
enum class TOverwriteAnswer { Replace, Skip, ReplaceAll, Cancel };
// The user's answer about the symbolic links of a selection, asked once for all, and
// the buttons that give it.
enum class TLinksAnswer { Create, Skip };
inline constexpr const char* kCreateLinksText = "Create links";
inline constexpr const char* kSkipLinksText = "Skip links";

struct TExtractionStep {
  std::string name;  // the entry's path below the selection, "docs/a.txt"
  std::uint64_t fileDone = 0, fileTotal = 0;
  std::uint64_t allDone = 0, allTotal = 0;
  std::uint64_t badSectors = 0;  // unreadable sectors met so far
};

struct TExtractionOutcome {
  std::vector<std::string> written;   // local paths of the files written, in order
  std::vector<std::string> kept;      // existing files left as they were
  std::vector<std::string> replaced;  // existing files overwritten
  std::vector<std::string> errors;    // one message per file or directory that failed
  std::vector<TDamagedFile> damaged;  // files kept with zeros for unreadable data
  std::vector<std::string> links;         // local paths of the symbolic links made
  std::vector<std::string> skippedLinks;  // links left out as the user chose, by path below the selection
  std::size_t linksNotMade = 0;  // links the system refused to make, told in one of the errors
  bool cancelled = false;
};

// The bytes of data of the files under the entries (directories walked whole).
std::uint64_t SelectionBytes(const std::vector<const TFEntry*>& entries);

// The directory entry that stands for a directory in its parent's list; nullptr for
// the root (or a directory not found there).
const TFEntry* EntryOfDirectory(const TDEntry* dir);

// Gives a local directory the entry's date; false when the entry has none or the date
// cannot be set.
bool SetDirectoryDate(const std::string& path, const TFEntry& entry);

// One line on what an extraction did: "Wrote /to/a.txt", or "Wrote 3 files to /to",
// then "; made 2 symbolic links", "; skipped 1 symbolic link", "; kept 1 file that
// existed", "; 2 failed" as they apply; "Extraction cancelled; wrote no files to /to"
// when the user stopped it.
std::string ExtractionSummary(const TExtractionOutcome& outcome, const std::string& directory);

// The error messages one to a line, at most ten, then "... and N more".
std::string ErrorsText(const std::vector<std::string>& errors);

// The links question: "The selection holds 2 symbolic links, the first docs/a -> b. ..."
// (the first link by its path below the selection); empty when it holds none.
std::string LinksQuestionText(const std::vector<const TFEntry*>& entries);

class TExtraction {
 public:
  TExtraction(TQuarnBurner& burner, TExistingFiles existing) : burner_(burner), existing_(existing) {}

  // Asked (with Ask) for each destination that exists; without it, Ask keeps the file.
  std::function<TOverwriteAnswer(const std::string& path)> onExisting;
  // After every read of every file and once per file at its end; false cancels.
  std::function<bool(const TExtractionStep& step)> onProgress;
  // Asked when a file holds data that cannot be read (`error` says where); without
  // it, the file fails as any other.
  std::function<TUnreadableAnswer(const std::string& name, const std::string& error)> onUnreadable;
  // Asked once, before anything is written, when the selection holds symbolic links:
  // LinksQuestionText says what. Without it, the links are skipped.
  std::function<TLinksAnswer(const std::string& question)> onLinks;

  // Extracts the entries into `directory`: a file under its own name, a directory as
  // a sub-directory holding its contents. Two entries whose local names would be the
  // same get "name~2.ext", "name~3.ext", ... (a directory "name~2") instead of
  // overwriting or merging with each other. Running out of memory ends the run: the
  // file being written is removed and kExtractionOutOfMemoryText comes first among
  // the errors, so that the window shows it however many others there are.
  TExtractionOutcome Run(const std::vector<const TFEntry*>& entries, const std::string& directory);

 private:
  bool Entry(const TFEntry& entry, const std::string& directory, const std::string& shown);
  bool File(const TFEntry& entry, const std::string& directory, const std::string& shown);
  bool Directory(const TFEntry& entry, const std::string& directory, const std::string& shown);
  void Link(const TFEntry& entry, const std::string& directory, const std::string& shown);
  // A file that failed: records why, or when its data could not be read asks what to
  // do; true when a copy with zeros for the unreadable data was written, and with
  // outcome_.cancelled set when the user chose to stop (DamagedFiles.cpp).
  bool FileFailed(const TFEntry& entry, const std::string& destination, const std::string& shown,
                  const TExtractProgress& progress);
  std::string UniqueDestination(const TFEntry& entry, const std::string& directory, const std::string& shown);

  TQuarnBurner& burner_;
  TExistingFiles existing_;
  TExtractionOutcome outcome_;
  TExtractionStep step_;
  TDistinctDestinations destinations_;  // destinations this run has given out
  bool createLinks_ = false;
  // Once the system refuses to make links at all, the rest are not tried: one error
  // at the end counts them.
  std::string linksRefused_;
  std::size_t refusedLinks_ = 0;
};

}  // namespace tarnwick
