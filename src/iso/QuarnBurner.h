// TQuarnBurner: the drive, plus the in-memory directory tree of one imported
// session, the import of a session's ISO 9660 or Joliet hierarchy into it, and the
// extraction of one file.
//
// The tree's records are owned by two pools (directories, entries) that a reset frees
// in one go. Finding a directory by path, finding an entry by name and appending to a
// list go through indexes kept beside the pools, so that a tree at the limits builds
// in linear time while giving the same answers as walking the lists in order. The
// index of a directory's names is built at the first look-up in that directory, so an
// import, which never looks names up, pays nothing for it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "drive/SCSIDevice.h"
#include "iso/ImportProblems.h"
#include "iso/RecordPool.h"
#include "iso/Records.h"

namespace tarnwick {

class TQuarnBurner;
struct TPosixTree;
struct TReadPolicy;
struct TFileDamage;
namespace iso {
struct PosixEntry;
}

// Which names an import shows. Auto: the POSIX names recorded in the primary tree
// when the session has them and they are all UTF-8, else a Joliet tree when the
// session has one, else those POSIX names as they are, else the enhanced tree, else
// the primary tree's own names; the UDF tree instead when the session has no ISO 9660
// volume or its UDF tree holds more entries than the tree so chosen.
enum class TNamePreference { Auto, Joliet, RockRidge, Iso, Udf };
// The tree an import read.
enum class TTreeKind { None, Joliet, RockRidge, Enhanced, Iso, Udf };
const char* TreeKindName(TTreeKind kind);

// Called for every entry AddFile is about to write. The handler may change the long
// name, the short name and the date, and may set Skip to leave the entry out.
using TAddFileEvent =
    std::function<void(TQuarnBurner* Sender, const std::string& FullPath, std::string& LongFileName,
                       std::string& ShortFileName, double& DateTime, std::uint32_t Attr, std::int64_t FileSize,
                       bool& Skip)>;

// Extraction progress: bytes written so far of the total, after every read. Return
// false to stop the extraction (what was written is then removed).
using TExtractProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

class TQuarnBurner : public TSCSIDevice {
 public:
  static constexpr std::uint32_t DefaultMaxFiles = 65535;
  static constexpr std::uint32_t DefaultMaxDirs = 8191;
  // Limits that no disc reaches: the tree of any disc is imported whole.
  static constexpr std::uint32_t Unlimited = UINT32_MAX;
  // Sectors per read when extracting (63488 bytes).
  static constexpr std::uint16_t TransferSectors = 31;
  // Deepest directory nesting an import follows.
  static constexpr unsigned MaxDepth = 100;

  TQuarnBurner();
  ~TQuarnBurner() override;

  // ---- Directory model (Tree.cpp) ----
  // Releases every record, sets the limits and creates the root. A directory limit
  // below 1 is taken as 1, so the root always exists.
  bool ResetTree(std::uint32_t MaxFiles, std::uint32_t MaxDirs);
  TDEntry* NewDirRecord();
  TFEntry* NewFileRecord();
  // The directory with that full path ("" and "\" give the root), or none. Case and
  // one trailing "\" do not matter.
  TDEntry* FindDir(const std::string& path) const;
  // Full upper-case path of a directory; empty for the root.
  std::string DirPath(const TDEntry* dir) const;
  // Fills the info's short name from its long name.
  static void MakeShortName(EntryInfo& info);
  // The named sub-directory of the parent, added (with its entry at the end of the
  // parent's list) when not yet there; none when a limit is reached.
  TDEntry* AddDir(TDEntry* parent, const EntryInfo& info);
  // The first entry of the parent whose long name equals the name in ASCII case.
  TFEntry* FindFile(const TDEntry* parent, const std::string& name) const;
  // Adds (or, with ReplaceFile, rewrites) a file entry. An extent of 0 means the
  // data is not on the disc. True when an entry was written.
  bool AddFile(TDEntry* parent, const EntryInfo& info, std::uint8_t tag, std::uint32_t extent,
               const std::string& sourcePath);
  // The same for data in one or more runs of sectors, in file order.
  bool AddFile(TDEntry* parent, const EntryInfo& info, std::uint8_t tag, const std::vector<TExtent>& extents,
               const std::string& sourcePath);
  static std::uint64_t SectorsFor(std::uint64_t bytes);
  // The directory's path as the user sees it: its long names joined by "/", "/" for
  // the root.
  std::string DisplayPath(const TDEntry* dir) const;

  // What an import adds. Unlike AddDir and AddFile these never merge a record into an
  // entry of the same name and never leave out a long name: every record of a
  // directory becomes its own entry. ImportDir gives none when a limit is reached;
  // ImportFile tells whether the entry was added, left out by the OnAddFile handler,
  // or cut off by the entry limit.
  enum class TImportResult { Added, SkippedByHandler, Limit };
  TDEntry* ImportDir(TDEntry* parent, const EntryInfo& info);
  TImportResult ImportFile(TDEntry* parent, const EntryInfo& info, std::vector<TExtent> extents);

  TDEntry* Root() const { return dirs_.empty() ? nullptr : dirs_[0]; }
  std::uint32_t DirCount() const { return static_cast<std::uint32_t>(dirs_.size()); }
  std::uint32_t FileCount() const { return static_cast<std::uint32_t>(files_.size()); }
  std::uint32_t MaxDirs() const { return maxDirs_; }
  std::uint32_t MaxFiles() const { return maxFiles_; }

  TAddFileEvent OnAddFile;
  bool ReplaceFile = false;

  // ---- Session import (Import.cpp, DirReader.cpp) ----
  // Imports session `session` (255 or a number above the last session: the last
  // one) under `target` (none: the root). True when a volume descriptor was found
  // and its tree walked.
  bool ImportSession(std::uint8_t session, TDEntry* target = nullptr);
  // Walk one directory extent of the supplementary or primary hierarchy, adding
  // its entries under `parent` and recursing into sub-directories.
  void ReadJolietDir(std::uint32_t extent, std::uint32_t length, TDEntry* parent);
  void ReadIsoDir(std::uint32_t extent, std::uint32_t length, TDEntry* parent);

  std::array<std::uint8_t, 2048> VolumeDescriptor = {};

  // What the imports since the last reset could not read or left out, in the order
  // met. Cleared by ResetTree.
  const TImportProblems& ImportProblems() const { return problems_; }
  TImportProblems& ImportProblems() { return problems_; }

  // Which names the next import shows, and which tree the last one read.
  TNamePreference Names = TNamePreference::Auto;
  // The next import also adds the entries a UDF disc marks deleted whose file entry is
  // intact (see faDeleted).
  bool ImportDeleted = false;
  TTreeKind ImportedTree() const { return importedTree_; }
  // Which generation of a UDF disc with virtual allocation tables the next import
  // reads (1 the oldest; 0 the newest), and how many the last import's session has
  // (1 for any other session).
  std::uint32_t Generation = 0;
  std::uint32_t ImportedGenerations() const { return importedGenerations_; }

  // ---- Extraction (Extract.cpp) ----
  // Copies a file entry's data to `destination` (a full local path, see
  // LocalDestination) and gives it the entry's date. The data goes to a new temporary
  // file beside the destination, which takes the destination's place (replacing a file
  // or link there, never writing through it) only once every byte was read and written
  // and the date set. On a failed read or write, or when `progress` asks to stop, the
  // temporary file is removed, whatever stood at the destination is left as it was,
  // and the answer is false, with the reason in LastExtractError().
  bool ExtractFile(const TFEntry* entry, const std::string& destination, const TExtractProgress& progress = {});
  // The same under a read policy for unreadable sectors (RecoveringRead.h): with Fill
  // the file is written whole, zeros for what could not be read, and the answer is
  // true; `damage` tells the file's status and what it lacks.
  bool ExtractFile(const TFEntry* entry, const std::string& destination, const TExtractProgress& progress,
                   const TReadPolicy& policy, TFileDamage* damage);
  const std::string& LastExtractError() const { return lastExtractError_; }
  // After a failed extraction: the sector whose data could not be read, when that was
  // the cause (not a changed medium, a write or anything else).
  std::optional<std::uint32_t> LastUnreadableSector() const { return lastUnreadable_; }
  // True when no session was imported since the last reset, or when the volume
  // descriptor the last import started from still reads the same: the disc in the
  // drive is the one the tree describes.
  bool SameDiscAsImported();
  // Extractions between these two calls form a batch: the disc is checked against the
  // imported tree (SameDiscAsImported) before the first of them, and again only after
  // the drive reported a unit attention or a not-ready condition. Outside a batch each
  // extraction checks. See TExtractBatch.
  void BeginExtractBatch();
  void EndExtractBatch();

 private:
  struct WalkState;
  struct PendingFile;
  struct PreparedFile;

  void Append(TDEntry* parent, TFEntry* entry);
  void ReindexName(const TDEntry* parent, const std::string& key);
  TDEntry* NewSubDir(TDEntry* parent, const EntryInfo& info);
  PreparedFile PrepareFile(const EntryInfo& info, const std::string& sourcePath, bool longNameSkips);
  void WriteFile(TFEntry* target, const PreparedFile& file, const EntryInfo& info, std::uint8_t tag,
                 std::vector<TExtent> extents, const std::string& sourcePath);
  bool WalkRoot(TTreeKind kind, std::uint32_t extent, std::uint32_t length, TDEntry* parent,
                std::unique_ptr<TPosixTree> posix = nullptr);
  bool WalkDirectory(std::uint32_t extent, std::uint32_t length, TDEntry* parent, WalkState& state);
  void AddRecord(const std::uint8_t* record, const std::string& name, TDEntry* parent, WalkState& state,
                 PendingFile& pending, const iso::PosixEntry* posix = nullptr);
  void FlushPending(TDEntry* parent, PendingFile& pending, bool complete);
  void EnterDirectory(TDEntry* dir, std::uint32_t extent, std::uint32_t length, WalkState& state);
  // What a limit keeps from the tree: one entry, and for a directory everything
  // inside it (CountUnshown).
  struct TUnshown {
    std::size_t entries = 1;
    std::size_t directories = 0;
    bool incomplete = false;  // a directory inside could not be read whole
  };
  void CountLimit(TDEntry* parent, const std::string& name, bool directories, const TUnshown& cut);
  // Adds to `unshown` the entries of a directory that is not added to the tree, and of
  // every directory inside it, reading their records as the walk does (each sector at
  // most once, never past the session) and keeping none of them (UnshownCount.cpp).
  void CountUnshown(std::uint32_t extent, std::uint32_t length, WalkState& state, TUnshown& unshown);
  bool FindDescriptor(std::uint32_t firstSector, TTreeKind kind, TDEntry* target);
  // The ISO 9660 tree that Auto names choose (see TNamePreference), walked.
  bool FindAutoTree(std::uint32_t firstSector, TDEntry* target);
  // Whether the session has a descriptor FindDescriptor would take for a Joliet tree.
  bool HasJolietDescriptor(std::uint32_t firstSector);
  // POSIX entries of the primary tree (PosixRecords.cpp).
  std::unique_ptr<TPosixTree> FindPosixEntries(std::uint32_t rootExtent, std::uint32_t volumeEnd);
  void ReportPosixProblems(const std::vector<std::string>& problems, const std::string& where);
  // A directory's own record completes the entry that stands for it in its parent.
  void ApplyOwnRecord(const std::uint8_t* record, std::size_t recordLength, TDEntry* dir, TPosixTree& posix);
  // The extent and length of the directory a child link points at.
  bool RelocatedExtent(std::uint32_t location, TPosixTree& posix, std::uint32_t& extent, std::uint32_t& length);
  void RememberDescriptor(std::uint32_t lba);
  // The session's UDF tree under `target`, read when `isoFound` is false or when it
  // holds more entries than the tree the ISO 9660 import added since `mark`.
  struct TreeMark {
    std::size_t dirs = 0, files = 0, problems = 0, cuts = 0;
    TFEntry* last = nullptr;
  };
  TreeMark MarkTree(const TDEntry* target) const;
  // Removes every record added since the mark (all of them under `target`).
  void RollBackTree(const TreeMark& mark, TDEntry* target);
  // Whether every entry added since the mark has a well-formed UTF-8 name.
  bool AddedNamesAreUtf8(const TreeMark& mark) const;
  bool ImportUdfTree(std::uint8_t session, std::uint32_t firstSector, TDEntry* target, bool isoFound,
                     const TreeMark& mark);

  TRecordPool<TDEntry> dirs_;
  TRecordPool<TFEntry> files_;
  // The POSIX attributes of an entry, shared with the entry added before it when the
  // two record the same (SharedPosix).
  std::shared_ptr<const TPosixInfo> SharedPosix(const EntryInfo& info);
  std::shared_ptr<const TPosixInfo> lastPosix_;
  std::uint32_t maxFiles_ = 0;
  std::uint32_t maxDirs_ = 0;
  // Upper-case path -> first directory (in table order) with that path; the root
  // is not in it.
  std::unordered_map<std::string, TDEntry*> dirIndex_;
  // Per directory: upper-case long name -> first entry of its list with that name.
  // Only directories looked up since the reset have one (see IndexedNames).
  mutable std::unordered_map<const TDEntry*, std::unordered_map<std::string, TFEntry*>> nameIndex_;
  // The name index of a directory, built from its list when missing.
  std::unordered_map<std::string, TFEntry*>& IndexedNames(const TDEntry* parent) const;
  // Adds the first entry of a name to the parent's index, when the parent has one.
  void IndexName(const TDEntry* parent, std::string key, TFEntry* entry);

  TImportProblems problems_;
  // The first sector past the session being imported: directory data is never read
  // from there on.
  std::uint64_t sessionEnd_ = std::uint64_t{UINT32_MAX} + 1;

  // Checks the disc before an extraction, once per batch (see BeginExtractBatch).
  bool DiscCheckPasses();

  TTreeKind importedTree_ = TTreeKind::None;
  std::uint32_t importedGenerations_ = 1;
  std::string lastExtractError_;
  std::optional<std::uint32_t> lastUnreadable_;
  bool inBatch_ = false;
  bool batchChecked_ = false;
  std::uint32_t batchMediumEvents_ = 0;
  // The volume descriptor the last import walked, and where it lies.
  std::uint32_t importedDescriptorLba_ = 0;
  std::vector<std::uint8_t> importedDescriptor_;
};

// One extraction batch for the lifetime of the object.
class TExtractBatch {
 public:
  explicit TExtractBatch(TQuarnBurner& burner) : burner_(burner) { burner_.BeginExtractBatch(); }
  ~TExtractBatch() { burner_.EndExtractBatch(); }
  TExtractBatch(const TExtractBatch&) = delete;
  TExtractBatch& operator=(const TExtractBatch&) = delete;

 private:
  TQuarnBurner& burner_;
};

}  // namespace tarnwick
