// The directory walk shared by the supplementary (Joliet) and primary readers.
//
// Records are stepped over by their own length byte, so system-use data after a name
// (extension fields that many mastering tools write) is never taken for a record.
// Every record that names an entry becomes an entry of its own, whatever other
// records of the directory are called; a record that cannot be read as an entry is
// left out and reported.
//
// The work of a walk is bounded by the session, not by what the records claim: a
// directory's sectors are read only below the end of the session, and each sector is
// read as directory data at most once per walk (in runs of several sectors per
// command, see TSectorRuns, never past what the walk keeps). A directory whose extent
// was already read (a loop back to a directory that contains it, or two directories
// sharing one extent) is reported and not read again, and so is nesting deeper than
// MaxDepth.
// Everything left out goes to the import's problem list.
#include <algorithm>
#include <cstring>
#include <utility>

#include "drive/SectorRuns.h"
#include "iso/Dates.h"
#include "iso/Format.h"
#include "iso/IsoFormat.h"
#include "iso/Names.h"
#include "iso/PosixTree.h"
#include "iso/QuarnBurner.h"
#include "iso/WalkState.h"

namespace tarnwick {
namespace {

// Longest name, in bytes, above which the name-length message is sent.
constexpr std::size_t kJolietNameLimit = 215;
constexpr std::size_t kIsoNameLimit = 240;
// Records start no later than this in a sector (a shorter rest holds none).
constexpr std::size_t kLastRecordStart = 2015;

std::string ChildPath(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

}  // namespace

// The records of a file kept in several extents, gathered until its last record.
struct TQuarnBurner::PendingFile {
  bool active = false;
  EntryInfo info;
  std::vector<TExtent> extents;
};

void TQuarnBurner::ReadJolietDir(std::uint32_t extent, std::uint32_t length, TDEntry* parent) {
  WalkRoot(TTreeKind::Joliet, extent, length, parent);
}

void TQuarnBurner::ReadIsoDir(std::uint32_t extent, std::uint32_t length, TDEntry* parent) {
  WalkRoot(TTreeKind::Iso, extent, length, parent);
}

bool TQuarnBurner::WalkRoot(TTreeKind kind, std::uint32_t extent, std::uint32_t length, TDEntry* parent,
                            std::unique_ptr<TPosixTree> posix) {
  if (!parent) return false;
  WalkState state;
  state.kind = kind;
  state.joliet = kind == TTreeKind::Joliet;
  state.posix = std::move(posix);
  state.ancestors.push_back(extent);
  return WalkDirectory(extent, length, parent, state);
}

bool TQuarnBurner::WalkDirectory(std::uint32_t extent, std::uint32_t length, TDEntry* parent, WalkState& state) {
  const std::string path = DisplayPath(parent);
  const std::uint64_t first = extent;
  std::uint64_t end = first + SectorsFor(length);
  if (end > sessionEnd_) {
    problems_.Add({TProblemKind::OutsideSession, path, extent,
                   "the directory's " + std::to_string(SectorsFor(length)) +
                       (SectorsFor(length) == 1 ? " sector reaches" : " sectors reach") + " past the session's last sector " +
                       std::to_string(sessionEnd_ - 1),
                   1, parent});
    end = std::max(first, sessionEnd_);
  }
  // A sound disc never lets two directories share a sector; where this one runs into
  // sectors already read, it ends there.
  const std::uint64_t overlap = state.FirstWalked(first, end);
  if (overlap < end) {
    problems_.Add({TProblemKind::SharedDirectory, path, static_cast<std::uint32_t>(overlap),
                   "the directory runs into sectors already read for another directory", 1, parent});
    end = overlap;
  }
  if (end > first) state.walked.emplace(first, end);

  const std::size_t nameLimit = state.joliet ? kJolietNameLimit : kIsoNameLimit;
  TSectorRuns sectors(*this, first, end);
  std::string nameField;  // name of the last record read, quoted by the name-length message
  PendingFile pending;
  bool firstRead = false;
  auto drop = [&](std::uint64_t lba, const std::string& why) {
    problems_.Add({TProblemKind::DroppedEntry, path, static_cast<std::uint32_t>(lba), why, 1, parent});
  };

  for (std::uint64_t lba = first; lba < end; ++lba) {
    const std::uint8_t* sector = sectors.Sector(lba);
    if (sector == nullptr) {
      problems_.Add({TProblemKind::UnreadableSector, path, static_cast<std::uint32_t>(lba), LastErrorText, 1, parent});
      break;
    }
    firstRead = true;

    std::size_t offset = 0;
    while (offset < kLastRecordStart) {
      const std::uint8_t* record = sector + offset;
      const std::size_t recordLength = record[0];
      if (recordLength == 0) break;
      if (offset + recordLength > iso::kSectorSize) {
        drop(lba, "a record runs past the end of its sector");
        break;
      }
      offset += recordLength;
      if (recordLength <= sizeof(iso::DirectoryRecord)) {
        drop(lba, "a record too short to hold a name");
        continue;
      }

      const std::size_t nameLength = record[offsetof(iso::DirectoryRecord, NameLength)];
      if (nameLength >= nameLimit)
        DebugMessage("ERROR IMPORTING SESSION, FILE NAME LENGTH EXCEEDS 120 CHARS\n\r" + nameField, 4);
      if (sizeof(iso::DirectoryRecord) + nameLength > recordLength) {
        drop(lba, "a record whose name runs past the record");
        continue;
      }
      const std::uint8_t* name = record + sizeof(iso::DirectoryRecord);
      if (state.posix && nameLength == 1 && name[0] == 0) ApplyOwnRecord(record, recordLength, parent, *state.posix);
      if (nameLength == 1 && name[0] <= 1) continue;  // the directory itself and its parent

      std::optional<iso::PosixEntry> posix;
      if (state.posix) {
        std::vector<std::string> problems;
        posix = state.posix->Read(record, recordLength, problems);
        if (!problems.empty())
          ReportPosixProblems(problems, ChildPath(path, StripVersion(std::string(reinterpret_cast<const char*>(name), nameLength))));
        // A relocated directory is listed where its child link points, not here.
        if (posix->Relocated) continue;
        if (!posix->Present) posix.reset();
      }
      if (posix && posix->Name) {
        nameField = *posix->Name;
      } else if (state.joliet) {
        nameField = JolietName(name, nameLength);
      } else {
        const std::string raw(reinterpret_cast<const char*>(name), nameLength);
        // The enhanced tree's names carry no version: a ";" is part of the name.
        nameField = state.kind == TTreeKind::Enhanced ? raw.substr(0, raw.find('\0')) : StripVersion(raw);
      }
      // A name that is only a version: nothing to show or extract, and a directory
      // of that name would have its parent's path and stand for the parent.
      if (nameField.empty()) {
        drop(lba, "a record whose name is empty");
        continue;
      }
      AddRecord(record, nameField, parent, state, pending, posix ? &*posix : nullptr);
    }
  }
  FlushPending(parent, pending, false);
  return firstRead;
}

void TQuarnBurner::AddRecord(const std::uint8_t* record, const std::string& name, TDEntry* parent,
                             WalkState& state, PendingFile& pending, const iso::PosixEntry* posix) {
  iso::DirectoryRecord r;
  std::memcpy(&r, record, sizeof r);
  EntryInfo info;
  info.Size = r.Size();
  info.Attributes = ((r.Flags & iso::kFlagHidden) ? faHidden : 0) | ((r.Flags & iso::kFlagDirectory) ? faDirectory : 0);
  info.LongName = name;
  MakeShortName(info);
  // Recorded as local time; a value that is no date leaves the entry without one.
  info.DateTime = EncodeDateTime(1900 + r.Date[0], r.Date[1], r.Date[2], r.Date[3], r.Date[4], r.Date[5]);
  info.TimeStamp = PackDosDateTime(info.DateTime);
  if (posix) ApplyPosix(*posix, state.kind == TTreeKind::Enhanced || posix->Name, info);
  else info.ExactName = state.kind == TTreeKind::Enhanced;

  std::uint32_t extent = r.ExtentLba(), length = r.Size();
  bool directory = (r.Flags & iso::kFlagDirectory) != 0;
  // A directory moved elsewhere to keep the primary tree shallow: its record here
  // is a file pointing (child link) at the directory's real extent.
  if (posix && posix->ChildLocation && !directory) {
    if (RelocatedExtent(*posix->ChildLocation, *state.posix, extent, length)) {
      directory = true;
      info.Attributes |= faDirectory;
      info.Size = 0;
    } else {
      // Kept as the record gives it, a file, so that nothing goes missing unseen.
      ReportPosixProblems({Format("child link to sector %u leads to no directory", *posix->ChildLocation)},
                          ChildPath(DisplayPath(parent), name));
    }
  }

  if (directory) {
    FlushPending(parent, pending, false);
    // Directories are found by their "\"-joined path, so a "\" inside a name (which
    // no tree allows) would make this directory another one's; it becomes "_".
    std::replace(info.LongName.begin(), info.LongName.end(), '\\', '_');
    if (TDEntry* dir = ImportDir(parent, info)) {
      if (state.posix && parent->Last && parent->Last->Dir == dir) state.posix->entryOf[dir] = parent->Last;
      EnterDirectory(dir, extent, length, state);
    } else {
      // A directory needs a directory record and an entry record: either limit cuts it
      // off, with everything inside it, which is counted without being kept.
      const bool directoryLimit = DirCount() >= MaxDirs();
      TUnshown inside;
      inside.directories = 1;
      CountUnshown(extent, length, state, inside);
      CountLimit(parent, info.LongName, directoryLimit, inside);
    }
    return;
  }

  if (info.Posix && info.Posix->Symlink) {
    // A link has no data of its own: its target is all it holds.
    FlushPending(parent, pending, false);
    info.Size = 0;
    if (ImportFile(parent, info, {}) == TImportResult::Limit) CountLimit(parent, info.LongName, false, {});
    return;
  }
  const TExtent part{r.ExtentLba(), r.Size()};
  if (pending.active && pending.info.LongName == name) {
    pending.extents.push_back(part);
    pending.info.Size += part.Bytes;
    if (!(r.Flags & iso::kFlagMultiExtent)) FlushPending(parent, pending, true);
    return;
  }
  // A group whose last record never came is added with the extents it has.
  FlushPending(parent, pending, false);
  if (r.Flags & iso::kFlagMultiExtent) {
    pending.active = true;
    pending.info = info;
    pending.extents = {part};
    return;
  }
  if (ImportFile(parent, info, {part}) == TImportResult::Limit) CountLimit(parent, info.LongName, false, {});
}

void TQuarnBurner::FlushPending(TDEntry* parent, PendingFile& pending, bool complete) {
  if (!pending.active) return;
  if (!complete) {
    problems_.Add({TProblemKind::IncompleteFile, ChildPath(DisplayPath(parent), pending.info.LongName),
                   pending.extents.back().Lba, "the file's last part is missing; only the parts recorded are kept"});
  }
  if (ImportFile(parent, pending.info, std::move(pending.extents)) == TImportResult::Limit)
    CountLimit(parent, pending.info.LongName, false, {});
  pending.active = false;
  pending.extents.clear();
}

void TQuarnBurner::CountLimit(TDEntry* parent, const std::string& name, bool directories, const TUnshown& cut) {
  const std::string path = ChildPath(DisplayPath(parent), name);
  const TProblemKind kind = directories ? TProblemKind::DirectoryLimit : TProblemKind::FileLimit;
  const std::string why = directories ? "at most " + std::to_string(MaxDirs()) + " directories"
                                      : "at most " + std::to_string(MaxFiles()) + " entries";
  problems_.Count(kind, {kind, path, std::nullopt, why, cut.entries, parent, cut.directories, cut.incomplete});
}

void TQuarnBurner::EnterDirectory(TDEntry* dir, std::uint32_t extent, std::uint32_t length, WalkState& state) {
  const std::string path = DisplayPath(dir);
  if (std::find(state.ancestors.begin(), state.ancestors.end(), extent) != state.ancestors.end()) {
    DebugMessage(">>> ERROR IMPORTING SESSION, DIRECTORY LOOP AT " + dir->Path, 4);
    problems_.Add({TProblemKind::Loop, path, extent, "the directory refers to one that contains it", 1, dir});
    return;
  }
  if (state.ancestors.size() >= MaxDepth) {
    DebugMessage(">>> ERROR IMPORTING SESSION, DIRECTORIES NESTED TOO DEEP AT " + dir->Path, 4);
    problems_.Add({TProblemKind::TooDeep, path, extent,
                   "directories nested more than " + std::to_string(MaxDepth) + " deep are not read", 1, dir});
    return;
  }
  if (state.Walked(extent)) {
    problems_.Add({TProblemKind::SharedDirectory, path, extent, "its extent was already read for another directory", 1, dir});
    return;
  }
  state.ancestors.push_back(extent);
  WalkDirectory(extent, length, dir, state);
  state.ancestors.pop_back();
}

}  // namespace tarnwick
