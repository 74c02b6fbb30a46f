// Counting what a limit of the tree leaves out. A directory that the tree has no room
// for is not skipped unseen: its records are read as the walk reads them and counted,
// with everything in the directories inside it, so that the window can say how much
// it does not show. Nothing is kept but the counts, and the work stays bounded by the
// session: the sectors read count against the walk's own record of sectors read, so
// each is read at most once, never past the session's end, and no deeper than the
// walk itself goes.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "drive/SectorRuns.h"
#include "iso/IsoFormat.h"
#include "iso/PosixTree.h"
#include "iso/QuarnBurner.h"
#include "iso/WalkState.h"

namespace tarnwick {

namespace {

// Records start no later than this in a sector (a shorter rest holds none).
constexpr std::size_t kLastRecordStart = 2015;

}  // namespace

void TQuarnBurner::CountUnshown(std::uint32_t extent, std::uint32_t length, WalkState& state, TUnshown& unshown) {
  // A directory that contains itself, or one read already, holds nothing more to
  // count; one nested deeper than the walk goes holds an unknown number.
  if (std::find(state.ancestors.begin(), state.ancestors.end(), extent) != state.ancestors.end() ||
      state.Walked(extent))
    return;
  if (state.ancestors.size() >= MaxDepth) {
    unshown.incomplete = true;
    return;
  }
  const std::uint64_t first = extent;
  const std::uint64_t claimed = first + SectorsFor(length);
  std::uint64_t end = std::min(claimed, std::max(first, sessionEnd_));
  if (end < claimed) unshown.incomplete = true;
  end = state.FirstWalked(first, end);
  if (end > first) state.walked.emplace(first, end);

  state.ancestors.push_back(extent);
  TSectorRuns sectors(*this, first, end);
  for (std::uint64_t lba = first; lba < end; ++lba) {
    const std::uint8_t* sector = sectors.Sector(lba);
    if (sector == nullptr) {
      unshown.incomplete = true;
      break;
    }
    std::size_t offset = 0;
    while (offset < kLastRecordStart) {
      const std::uint8_t* record = sector + offset;
      const std::size_t recordLength = record[0];
      if (recordLength == 0 || offset + recordLength > iso::kSectorSize) break;
      offset += recordLength;
      if (recordLength <= sizeof(iso::DirectoryRecord)) continue;
      iso::DirectoryRecord r;
      std::memcpy(&r, record, sizeof r);
      const std::uint8_t* name = record + sizeof r;
      if (sizeof r + r.NameLength > recordLength) continue;
      if (r.NameLength == 1 && name[0] <= 1) continue;  // the directory itself and its parent

      bool directory = (r.Flags & iso::kFlagDirectory) != 0;
      std::uint32_t childExtent = r.ExtentLba(), childLength = r.Size();
      if (state.posix) {
        std::vector<std::string> ignored;  // the entries are not shown: nothing to say about them
        const iso::PosixEntry posix = state.posix->Read(record, recordLength, ignored);
        // A relocated directory counts where its child link points, not here.
        if (posix.Present && posix.Relocated) continue;
        if (posix.Present && posix.ChildLocation && !directory &&
            RelocatedExtent(*posix.ChildLocation, *state.posix, childExtent, childLength))
          directory = true;
      }
      // A file kept in several extents is one entry: its last record counts.
      if (!directory && (r.Flags & iso::kFlagMultiExtent)) continue;
      ++unshown.entries;
      if (!directory) continue;
      ++unshown.directories;
      CountUnshown(childExtent, childLength, state, unshown);
    }
  }
  state.ancestors.pop_back();
}

}  // namespace tarnwick
