// The directory walk shared by the supplementary (Joliet) and primary readers.
//
// Records are stepped over by their own length byte, so system-use data after a name
// (extension fields that many mastering tools write) is never taken for a record.
// A record that does not fit its sector or whose name does not fit its record is
// skipped. The walk refuses to enter a directory that is one of its own ancestors,
// to nest deeper than MaxDepth, or to walk the same extent into the same directory
// twice, so a hostile disc cannot make it recurse without end.
#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "iso/Dates.h"
#include "iso/IsoFormat.h"
#include "iso/Names.h"
#include "iso/QuarnBurner.h"

namespace tarnwick {
namespace {

// Longest name, in bytes, that each tree's work area holds.
constexpr std::size_t kJolietNameLimit = 215;
constexpr std::size_t kIsoNameLimit = 240;
// Records start no later than this in a sector (a shorter rest holds none).
constexpr std::size_t kLastRecordStart = 2015;

}  // namespace

struct TQuarnBurner::WalkState {
  WalkState(bool isJoliet, std::uint32_t rootExtent, const TDEntry* parent, std::uint32_t maxDirs)
      : joliet(isJoliet), ancestors{rootExtent}, walked{{parent, rootExtent}}, maxWalks(2 * maxDirs + 16) {}
  // A sound disc walks each directory once; maxWalks, twice that, bounds a hostile one.
  bool joliet = false;
  std::vector<std::uint32_t> ancestors;  // extents of the directories being walked
  std::set<std::pair<const TDEntry*, std::uint32_t>> walked;
  std::uint32_t walks = 0;
  std::uint32_t maxWalks = 0;
};

// The records of a file kept in several extents, gathered until its last record.
struct TQuarnBurner::PendingFile {
  bool active = false;
  EntryInfo info;
  std::vector<TExtent> extents;
};

void TQuarnBurner::ReadJolietDir(std::uint32_t extent, std::uint32_t length, TDEntry* parent) {
  if (!parent) return;
  WalkState state(true, extent, parent, maxDirs_);
  WalkDirectory(extent, length, parent, state);
}

void TQuarnBurner::ReadIsoDir(std::uint32_t extent, std::uint32_t length, TDEntry* parent) {
  if (!parent) return;
  WalkState state(false, extent, parent, maxDirs_);
  WalkDirectory(extent, length, parent, state);
}

void TQuarnBurner::WalkDirectory(std::uint32_t extent, std::uint32_t length, TDEntry* parent, WalkState& state) {
  ++state.walks;
  const std::uint64_t sectors = SectorsFor(length);
  const std::size_t nameLimit = state.joliet ? kJolietNameLimit : kIsoNameLimit;
  std::vector<std::uint8_t> sector(iso::kSectorSize);
  std::string nameField;  // name of the last record read, quoted by the name-length message
  PendingFile pending;

  for (std::uint64_t s = 0; s < sectors; ++s) {
    const std::uint64_t lba = std::uint64_t{extent} + s;
    if (lba > UINT32_MAX) break;
    std::fill(sector.begin(), sector.end(), 0);
    if (!ReadSectors(static_cast<std::uint32_t>(lba), 1, iso::kSectorSize, sector.data())) break;

    std::size_t offset = 0;
    while (offset < kLastRecordStart) {
      const std::uint8_t* record = sector.data() + offset;
      const std::size_t recordLength = record[0];
      if (recordLength == 0 || offset + recordLength > iso::kSectorSize) break;
      offset += recordLength;
      if (recordLength <= sizeof(iso::DirectoryRecord)) continue;  // no room for a name

      const std::size_t nameLength = record[offsetof(iso::DirectoryRecord, NameLength)];
      if (nameLength >= nameLimit) {
        DebugMessage("ERROR IMPORTING SESSION, FILE NAME LENGTH EXCEEDS 120 CHARS\n\r" + nameField, 4);
        continue;
      }
      if (sizeof(iso::DirectoryRecord) + nameLength > recordLength) continue;  // name overruns its record
      const std::uint8_t* name = record + sizeof(iso::DirectoryRecord);
      if (nameLength == 1 && name[0] <= 1) continue;  // the directory itself and its parent

      nameField = state.joliet ? JolietName(name, nameLength)
                               : StripVersion(std::string(reinterpret_cast<const char*>(name), nameLength));
      // A name that is only a version: nothing to show or extract, and a directory
      // of that name would have its parent's path and stand for the parent.
      if (nameField.empty()) continue;
      AddRecord(record, nameField, parent, state, pending);
    }
  }
  FlushPending(parent, pending);
}

void TQuarnBurner::AddRecord(const std::uint8_t* record, const std::string& name, TDEntry* parent,
                             WalkState& state, PendingFile& pending) {
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

  if (r.Flags & iso::kFlagDirectory) {
    FlushPending(parent, pending);
    // Directories are found by their "\"-joined path, so a "\" inside a name (which
    // neither tree allows) would make this directory another one's; it becomes "_".
    std::replace(info.LongName.begin(), info.LongName.end(), '\\', '_');
    if (TDEntry* dir = AddDir(parent, info)) EnterDirectory(dir, r.ExtentLba(), r.Size(), state);
    return;
  }

  const TExtent part{r.ExtentLba(), r.Size()};
  if (pending.active && pending.info.LongName == name) {
    pending.extents.push_back(part);
    pending.info.Size += part.Bytes;
    if (!(r.Flags & iso::kFlagMultiExtent)) FlushPending(parent, pending);
    return;
  }
  // A group whose last record never came is added with the extents it has.
  FlushPending(parent, pending);
  if (r.Flags & iso::kFlagMultiExtent) {
    pending.active = true;
    pending.info = info;
    pending.extents = {part};
    return;
  }
  AddFile(parent, info, 0, std::vector<TExtent>{part}, "");
}

void TQuarnBurner::FlushPending(TDEntry* parent, PendingFile& pending) {
  if (!pending.active) return;
  AddFile(parent, pending.info, 0, pending.extents, "");
  pending.active = false;
  pending.extents.clear();
}

void TQuarnBurner::EnterDirectory(TDEntry* dir, std::uint32_t extent, std::uint32_t length, WalkState& state) {
  if (std::find(state.ancestors.begin(), state.ancestors.end(), extent) != state.ancestors.end()) {
    DebugMessage(">>> ERROR IMPORTING SESSION, DIRECTORY LOOP AT " + dir->Path, 4);
    return;
  }
  if (state.ancestors.size() >= MaxDepth) {
    DebugMessage(">>> ERROR IMPORTING SESSION, DIRECTORIES NESTED TOO DEEP AT " + dir->Path, 4);
    return;
  }
  if (!state.walked.insert({dir, extent}).second) return;  // already read into this directory
  if (state.walks >= state.maxWalks) {
    DebugMessage(">>> ERROR IMPORTING SESSION, TOO MANY DIRECTORIES AT " + dir->Path, 4);
    return;
  }
  state.ancestors.push_back(extent);
  WalkDirectory(extent, length, dir, state);
  state.ancestors.pop_back();
}

}  // namespace tarnwick
