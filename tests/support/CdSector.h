// Whole 2352-byte CD sectors as a drive writes them: sync pattern, header with the
// block's address, user data and, for mode 1, the error detection code and the two
// layers of Reed-Solomon product code over header and data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick::test {

// Fills `sector` (2352 bytes) as the mode 1 sector of block `lba` holding `user` (2048 bytes).
void MakeMode1Sector(std::uint32_t lba, const std::uint8_t* user, std::uint8_t* sector);
// The error detection code of the first `length` bytes (stored little-endian after them).
std::uint32_t SectorEdc(const std::uint8_t* data, std::size_t length);

}  // namespace tarnwick::test
