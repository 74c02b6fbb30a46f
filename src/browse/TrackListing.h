// The tracks of the sessions a listing found: number, session, mode, first block and
// length, for the machine-readable form of the session listing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "browse/SessionListing.h"

namespace tarnwick {

class TSCSIDevice;

struct TTrackRow {
  std::uint8_t number = 0;
  std::uint8_t session = 0;
  // "audio", "mode1", "mode2" or "data" (a data track of unknown mode); empty when the
  // drive did not describe the track.
  std::string mode;
  std::uint32_t start = 0;
  // Blocks; none when neither the drive nor the next track's start tells.
  std::optional<std::uint32_t> length;
};

struct TSessionTracks {
  std::uint8_t session = 0;
  std::uint8_t firstTrack = 0;
  std::uint8_t lastTrack = 0;
};

struct TTrackListing {
  std::vector<TSessionTracks> sessions;  // one per session line of the listing
  std::vector<TTrackRow> tracks;
  // Tracks whose first block the drive did not tell.
  std::vector<std::uint8_t> unlisted;
};

// Asks the drive for every track of the sessions `listing` holds lines for. A session
// runs from its first track to the track before the next session's first track; the
// last session to the last track of the table of contents.
TTrackListing ListTracks(TSCSIDevice& drive, const TSessionListing& listing);

}  // namespace tarnwick
