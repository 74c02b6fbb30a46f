// The disc summary record and the medium-name tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarnwick {

struct TDisc {
  bool Ready = false;
  std::uint32_t Capacity = 0;
  std::uint32_t Used = 0;
  std::uint32_t BlockSize = 0;
  std::uint8_t FirstSession = 0;
  std::uint8_t LastSession = 0;
  std::uint8_t SessionState = 0;
  std::uint8_t DiscStatus = 0;
  std::uint16_t Profile = 0;
  std::string MediumName;
  bool Erasable = false;
};

// Medium index (GetMediumType) to the text the window shows.
extern const std::array<const char*, 14> MediumNames;

// Profile number to name and erasability (GetDiscInfo); "???????" when unknown.
struct TProfileEntry {
  std::uint16_t Profile;
  const char* Name;
  bool Erasable;
};
const TProfileEntry* FindProfile(std::uint16_t profile);
// Profile number to medium index (GetMediumType); 0 when unknown.
std::uint8_t ProfileToMediumIndex(std::uint16_t profile);

}  // namespace tarnwick
