// Whole CD sectors kept in image files: the user data of a sector in any layout,
// checked against the address the sector was asked for.
#pragma once

#include <cstdint>

#include "vdrive/DiscModel.h"

namespace tarnwick::vdrive {

inline constexpr std::uint32_t kRawSectorSize = 2352;
inline constexpr std::uint32_t kXaSectorSize = 2336;
inline constexpr std::uint32_t kSubchannelSize = 96;

// Bytes a sector of `layout` needs at least (its size without subchannel data).
std::uint32_t LayoutSectorSize(SectorLayout layout);

// Copies the 2048 bytes of user data of `sector` (laid out as `layout`) to `user`.
// A whole sector must carry the sync pattern, its own address `lba` and the right
// mode; a mode 2 sector must be form 1; the error detection code must match the data
// unless it and the parity after it are all zero. False when it does not: the drive
// reports an unreadable sector rather than data from the wrong place or damaged data.
bool ExtractUserData(SectorLayout layout, std::uint32_t lba, const std::uint8_t* sector, std::uint8_t* user);

// The 12-byte sync pattern and the BCD header address of a block.
extern const std::uint8_t kSyncPattern[12];
std::uint8_t ToBcd(unsigned value);

}  // namespace tarnwick::vdrive
