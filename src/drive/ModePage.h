// Helpers for mode pages and speeds shared by the capability and write-parameter code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick {

// Capability bits (TSCSIDevice::Capabilities).
inline constexpr std::uint32_t kCapCdRRead = 0x00001;
inline constexpr std::uint32_t kCapCdRwRead = 0x00002;
inline constexpr std::uint32_t kCapMethod2Read = 0x00004;
inline constexpr std::uint32_t kCapDvdRomRead = 0x00008;
inline constexpr std::uint32_t kCapDvdRRead = 0x00010 | 0x00020;
inline constexpr std::uint32_t kCapDvdRamRead = 0x00040;
inline constexpr std::uint32_t kCapDvdPlusRwRead = 0x00080 | 0x00100;
inline constexpr std::uint32_t kCapCdRWrite = 0x00200;
inline constexpr std::uint32_t kCapCdRwWrite = 0x00400;
inline constexpr std::uint32_t kCapTestWrite = 0x00800;
inline constexpr std::uint32_t kCapDvdRWrite = 0x01000 | 0x02000;
inline constexpr std::uint32_t kCapDvdRamWrite = 0x04000;
inline constexpr std::uint32_t kCapDvdPlusRwWrite = 0x08000 | 0x10000;
inline constexpr std::uint32_t kCapUnderrunProtection = 0x40000;

// Where a page starts in a MODE SENSE answer: byte 16 when it holds the page code,
// else byte 8, else byte 7; otherwise `defaultOffset`. `answer` holds at least 17 bytes.
std::size_t FindModePage(const std::uint8_t* answer, std::uint8_t pageCode, std::size_t defaultOffset);

// A speed in kB/s as a multiple of 176.46 kB/s, rounded to the nearest whole number
// (ties to even).
std::uint16_t SpeedMultiple(std::uint16_t kilobytesPerSecond);

// The SET CD SPEED field for a multiple: 177 kB/s per unit (low 16 bits), or FFFFh
// (as fast as the drive can) for 0.
std::uint16_t SpeedField(std::uint32_t multiple);

}  // namespace tarnwick
