// The data tracks of a disc and the blocks each holds, for reading a disc whole:
// audio tracks, the gaps between sessions and whatever follows a track's data are no
// part of any.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drive/SectorRescue.h"

namespace tarnwick {

struct TDataTrack {
  std::uint8_t number = 0;
  std::uint8_t session = 0;
  TSectorSpan blocks;
  // The first of the track's blocks that may be no data: a track whose volume
  // descriptor gives where its data ends has none (blocks.end()); one without runs to
  // what follows it, and its last kTrailingBlocks blocks may be the run-out after the
  // data and the next track's pre-gap, which a drive refuses as not on the disc.
  std::uint64_t trailingFrom = 0;
};

// Run-out (2 blocks), link and run-in (5) and a pre-gap of two seconds (150).
inline constexpr std::uint32_t kTrailingBlocks = 157;

struct TDataTracks {
  std::vector<TDataTrack> tracks;  // in disc order
  std::string error;               // why the disc's tracks could not be told
};

// Each data track from its start to the first of: the next track's start, its
// session's lead-out, the end READ TRACK INFORMATION gives and the end of the ISO 9660
// volume it begins with.
TDataTracks DiscDataTracks(TSCSIDevice& drive);

}  // namespace tarnwick
