#include "vdrive/RawSector.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/ByteOrder.h"

namespace tarnwick::vdrive {

const std::uint8_t kSyncPattern[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

std::uint8_t ToBcd(unsigned value) { return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10)); }

namespace {

constexpr std::uint8_t kSubmodeForm2 = 0x20;

// The error detection code of CD-ROM sectors: a 32-bit CRC, polynomial
// (x^16 + x^15 + x^2 + 1)(x^16 + x^2 + x + 1), computed least significant bit first
// from 0 and stored little-endian after the bytes it covers.
std::uint32_t SectorEdc(const std::uint8_t* data, std::size_t length) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t r = i;
      for (int bit = 0; bit < 8; ++bit) r = (r >> 1) ^ ((r & 1) ? 0xD8018001u : 0u);
      t[i] = r;
    }
    return t;
  }();
  std::uint32_t edc = 0;
  for (std::size_t i = 0; i < length; ++i) edc = (edc >> 8) ^ table[(edc ^ data[i]) & 0xFF];
  return edc;
}

constexpr std::size_t kEdcBytes = 4;
constexpr std::size_t kEccBytes = 276;  // P and Q parity after the code

// Whether the `length` bytes at `covered` match the code stored right after them. A
// sector whose code and parity are all zero was kept by a program that never filled
// them in: it is taken as it is.
bool EdcMatches(const std::uint8_t* covered, std::size_t length, const std::uint8_t* ecc) {
  const std::uint8_t* stored = covered + length;
  const auto zero = [](std::uint8_t b) { return b == 0; };
  if (std::all_of(stored, stored + kEdcBytes, zero) && std::all_of(ecc, ecc + kEccBytes, zero)) return true;
  return SectorEdc(covered, length) == GetLE32(stored);
}

bool HeaderMatches(const std::uint8_t* sector, std::uint32_t lba, std::uint8_t mode) {
  if (std::memcmp(sector, kSyncPattern, sizeof kSyncPattern) != 0) return false;
  const Msf msf = LbaToMsf(lba);
  if (msf.m > 99) return false;  // no CD address reaches this far
  return sector[12] == ToBcd(msf.m) && sector[13] == ToBcd(msf.s) && sector[14] == ToBcd(msf.f) &&
         sector[15] == mode;
}

// The subheader of a mode 2 sector: two equal copies of file, channel, submode and
// coding bytes; user data of form 1 only.
bool Form1Subheader(const std::uint8_t* subheader) {
  return std::memcmp(subheader, subheader + 4, 4) == 0 && (subheader[2] & kSubmodeForm2) == 0;
}

}  // namespace

std::uint32_t LayoutSectorSize(SectorLayout layout) {
  switch (layout) {
    case SectorLayout::User:
      return kBlockSize;
    case SectorLayout::Mode2Xa:
      return kXaSectorSize;
    case SectorLayout::Mode1Raw:
    case SectorLayout::Mode2Raw:
      return kRawSectorSize;
  }
  return kRawSectorSize;
}

bool ExtractUserData(SectorLayout layout, std::uint32_t lba, const std::uint8_t* sector, std::uint8_t* user) {
  std::size_t at = 0;
  switch (layout) {
    case SectorLayout::User:
      break;
    case SectorLayout::Mode1Raw:
      // Code over sync, header and user data; 8 zero bytes, then the parity.
      if (!HeaderMatches(sector, lba, 1) || !EdcMatches(sector, 2064, sector + 2076)) return false;
      at = 16;
      break;
    case SectorLayout::Mode2Raw:
      // Form 1: code over subheader and user data, then the parity.
      if (!HeaderMatches(sector, lba, 2) || !Form1Subheader(sector + 16) || !EdcMatches(sector + 16, 2056, sector + 2076))
        return false;
      at = 24;
      break;
    case SectorLayout::Mode2Xa:
      if (!Form1Subheader(sector) || !EdcMatches(sector, 2056, sector + 2060)) return false;
      at = 8;
      break;
  }
  std::memcpy(user, sector + at, kBlockSize);
  return true;
}

}  // namespace tarnwick::vdrive
