// The blocks a session's file system occupies, for reading a session whole.
#pragma once

#include <cstdint>
#include <optional>

#include "drive/SectorRescue.h"

namespace tarnwick {

// From the session's first track to the end its volume descriptor gives (a size
// counted from the disc's first block, as later sessions record it), cut at the next
// track or the lead-out: so the gap before the next session, the run-out blocks after
// the data and tracks of other kinds are never part of it. None when the session's
// start or its volume descriptor cannot be read.
std::optional<TSectorSpan> SessionBlocks(TSCSIDevice& drive, std::uint8_t session);

// The block after the last one of the ISO 9660 volume whose first block is `first`,
// from its primary volume descriptor (a size counted from the disc's first block, or
// from `first` when it is smaller); none when no volume descriptor reads there.
std::optional<std::uint64_t> VolumeEnd(TSCSIDevice& drive, std::uint32_t first);

}  // namespace tarnwick
