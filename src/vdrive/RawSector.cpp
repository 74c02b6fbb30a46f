#include "vdrive/RawSector.h"

#include <cstring>

namespace tarnwick::vdrive {

const std::uint8_t kSyncPattern[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

std::uint8_t ToBcd(unsigned value) { return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10)); }

namespace {

constexpr std::uint8_t kSubmodeForm2 = 0x20;

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
      if (!HeaderMatches(sector, lba, 1)) return false;
      at = 16;
      break;
    case SectorLayout::Mode2Raw:
      if (!HeaderMatches(sector, lba, 2) || !Form1Subheader(sector + 16)) return false;
      at = 24;
      break;
    case SectorLayout::Mode2Xa:
      if (!Form1Subheader(sector)) return false;
      at = 8;
      break;
  }
  std::memcpy(user, sector + at, kBlockSize);
  return true;
}

}  // namespace tarnwick::vdrive
