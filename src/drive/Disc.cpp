// The medium tables and the process-wide answer buffers of the drive commands.
#include "drive/Disc.h"

#include <algorithm>

#include "drive/AnswerBuffers.h"

namespace tarnwick {

const std::array<const char*, 14> MediumNames = {
    "UNKNOWN", "CD-ROM", "CD-R",   "CD-RW", "DVD-ROM",  "DVD-R",  "DVD-RAM",
    "DVD-RW",  "DVD-RW", "DVD+RW", "DVD+R", "DDCD-ROM", "DDCD-R", "DDCD-RW",
};

namespace {

// Sorted by profile number.
constexpr TProfileEntry kProfiles[] = {
    {1, "Non-removable disk", false},
    {2, "Removable disk", false},
    {3, "MO Eraseable", true},
    {4, "MO Write Once", false},
    {5, "AS-MO", false},
    {8, "CD-ROM", false},
    {9, "CD-R", false},
    {10, "CD-RW", true},
    {16, "DVD-ROM", false},
    {17, "DVD-R", false},
    {18, "DVD-RAM", false},
    {19, "DVD-RW Restricted Overwrite", true},
    {20, "DVD-RW Sequential Recording", true},
    {26, "DVD+RW", true},
    {27, "DVD+R", false},
    {32, "DDCD-ROM", false},
    {33, "DDCD-R", false},
    {34, "DDCD-RW", true},
};

constexpr TProfileEntry kUnknownProfile = {0, "???????", false};

struct TIndexEntry {
  std::uint16_t Profile;
  std::uint8_t Index;
};

// Both DVD-RW profiles give index 7; index 8 is never produced.
constexpr TIndexEntry kMediumIndexes[] = {
    {8, 1},  {9, 2},  {10, 3}, {16, 4}, {17, 5}, {18, 6},  {19, 7},
    {20, 7}, {26, 9}, {27, 10}, {32, 11}, {33, 12}, {34, 13},
};

}  // namespace

// Never null: an unknown profile gives the "???????" entry (not erasable).
const TProfileEntry* FindProfile(std::uint16_t profile) {
  const auto* it = std::find_if(std::begin(kProfiles), std::end(kProfiles),
                                [profile](const TProfileEntry& e) { return e.Profile == profile; });
  return it != std::end(kProfiles) ? it : &kUnknownProfile;
}

std::uint8_t ProfileToMediumIndex(std::uint16_t profile) {
  for (const auto& e : kMediumIndexes) {
    if (e.Profile == profile) return e.Index;
  }
  return 0;
}

TAnswerBuffers& AnswerBuffers() {
  static TAnswerBuffers buffers{};
  return buffers;
}

}  // namespace tarnwick
