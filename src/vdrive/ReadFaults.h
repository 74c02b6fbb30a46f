// The read faults of a virtual drive played against one READ(10): which blocks fail
// now, counting each block's reads for the marginal and random kinds.
#pragma once

#include <cstdint>
#include <optional>

#include "vdrive/Sense.h"

namespace tarnwick::vdrive {

struct DriveState;

// The sense a READ(10) of `count` blocks from `lba` fails with, or none. Every block of
// the command that a marginal or random fault covers counts one read.
std::optional<Sense> ReadFaultFor(DriveState& state, std::uint32_t lba, std::uint32_t count);

}  // namespace tarnwick::vdrive
