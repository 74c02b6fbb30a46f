// What an import could not read or chose to leave out, kept beside the tree so that
// the caller can say so: the command line prints it and fails, the window shows a
// summary. Any reader of the disc's directories appends to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

enum class TProblemKind : std::uint8_t {
  UnreadableSector,  // a directory sector could not be read; the rest of that directory is missing
  OutsideSession,    // a directory's extent reaches past the session; the part beyond it is not read
  Loop,              // a directory refers to one of the directories that contain it
  SharedDirectory,   // a directory's extent was already read for another directory
  TooDeep,           // directories nested deeper than the import follows
  DirectoryLimit,    // the tree's directory limit was reached
  FileLimit,         // the tree's entry limit was reached
  DroppedEntry,      // a record that cannot be read as an entry
  IncompleteFile,    // a file recorded in several extents whose last part is missing
  Fallback,          // the tree the import meant to read could not be read; another was read instead
  DamagedAttributes, // a record's POSIX entries do not hold together; what could be read is used
  BadDescriptor,     // a descriptor fails its tag checks (identifier, checksum, CRC, location)
};

struct TImportProblem {
  TProblemKind kind = TProblemKind::DroppedEntry;
  std::string path;                     // the directory or entry concerned, "/"-separated
  std::optional<std::uint32_t> sector;  // the sector concerned, when there is one
  std::string why;                      // further detail (the drive's error text, the reason)
  std::size_t count = 1;                // entries this problem stands for (limits count every entry left out)
};

class TImportProblems {
 public:
  void Add(TImportProblem problem) { problems_.push_back(std::move(problem)); }
  // Counts one more entry against the first problem of this kind, or adds `first`
  // when there is none yet: a limit is one problem however many entries it cuts off.
  void Count(TProblemKind kind, TImportProblem first) {
    for (TImportProblem& p : problems_) {
      if (p.kind == kind) {
        ++p.count;
        return;
      }
    }
    first.kind = kind;
    problems_.push_back(std::move(first));
  }
  void Clear() { problems_.clear(); }
  void Truncate(std::size_t count) {
    if (count < problems_.size()) problems_.resize(count);
  }
  bool empty() const { return problems_.empty(); }
  std::size_t size() const { return problems_.size(); }
  const std::vector<TImportProblem>& All() const { return problems_; }

 private:
  std::vector<TImportProblem> problems_;
};

}  // namespace tarnwick
