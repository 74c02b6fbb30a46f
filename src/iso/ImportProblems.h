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

struct TDEntry;

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
  std::size_t count = 1;                // entries this problem stands for (see TImportProblems::Count)
  // The directory of the tree whose listing the problem leaves incomplete (a sector of
  // it could not be read, a limit cut its entries off, ...); none when the problem
  // concerns no directory of the tree.
  const TDEntry* dir = nullptr;
  // Limits only: how many of `count` are directories, and whether a directory that is
  // not shown could not be read whole, so that more may lie beyond `count`.
  std::size_t directories = 0;
  bool countIncomplete = false;
};

class TImportProblems {
 public:
  // The places a limit names: the first cuts in a few directories are problems of
  // their own.
  static constexpr std::size_t kNamedCuts = 3;

  void Add(TImportProblem problem) { problems_.push_back(std::move(problem)); }
  // One more cut of a limit: `cut` names the entry left out, its count holds it and
  // whatever lies inside it. A cut in another directory than the last one named
  // becomes a problem of its own, up to kNamedCuts of a kind, so that the places named
  // show how far the cut reaches (a file deep down, then its parent's later
  // directories, then the root's); every other cut adds its counts to the last of
  // them, so a limit costs a few problems however many entries it cuts off. Every
  // directory whose listing a cut leaves incomplete is kept (see CutDirectories).
  void Count(TProblemKind kind, TImportProblem cut) {
    if (cut.dir && (cutDirs_.empty() || cutDirs_.back() != cut.dir)) cutDirs_.push_back(cut.dir);
    TImportProblem* last = nullptr;
    std::size_t kept = 0;
    for (TImportProblem& p : problems_) {
      if (p.kind != kind) continue;
      last = &p;
      ++kept;
    }
    if (last && (kept >= kNamedCuts || last->dir == cut.dir)) {
      last->count += cut.count;
      last->directories += cut.directories;
      last->countIncomplete = last->countIncomplete || cut.countIncomplete;
      return;
    }
    cut.kind = kind;
    problems_.push_back(std::move(cut));
  }
  // The directories whose listings a limit cut short, in the order met (one may come
  // more than once).
  const std::vector<const TDEntry*>& CutDirectories() const { return cutDirs_; }
  void Clear() {
    problems_.clear();
    cutDirs_.clear();
  }
  // Keeps the first `count` problems and the first `cuts` cut directories.
  void Truncate(std::size_t count, std::size_t cuts) {
    if (count < problems_.size()) problems_.resize(count);
    if (cuts < cutDirs_.size()) cutDirs_.resize(cuts);
  }
  bool empty() const { return problems_.empty(); }
  std::size_t size() const { return problems_.size(); }
  const std::vector<TImportProblem>& All() const { return problems_; }

 private:
  std::vector<TImportProblem> problems_;
  std::vector<const TDEntry*> cutDirs_;
};

}  // namespace tarnwick
