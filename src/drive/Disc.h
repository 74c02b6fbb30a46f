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

// The kind of medium a profile stands for.
enum class TMediumFamily : std::uint8_t { Other, Cd, Dvd, Bd, HdDvd };

// Profile number to name and erasability (GetDiscInfo); "???????" when unknown.
// `LayersAsked`: the profile names a medium made with one layer or more alike (a
// pressed DVD, a Blu-ray disc), whose layer count only READ DISC STRUCTURE tells.
struct TProfileEntry {
  std::uint16_t Profile;
  const char* Name;
  bool Erasable;
  TMediumFamily Family = TMediumFamily::Other;
  bool LayersAsked = false;
};
const TProfileEntry* FindProfile(std::uint16_t profile);
// True for a profile of the table (not the "???????" entry).
bool IsKnownProfile(std::uint16_t profile);
// Profile number to medium index (GetMediumType); 0 when unknown.
std::uint8_t ProfileToMediumIndex(std::uint16_t profile);

// The name the window and the command line show for a medium: the medium index's
// text where the index names the medium, the profile's name for media the index
// table does not list, and " DL", " TL" or " QL" after the profile's name when a
// medium whose profile does not tell its layers has two, three or four. `layers` 0:
// not known.
std::string MediumName(std::uint8_t index, std::uint16_t profile, std::uint8_t layers);

}  // namespace tarnwick
