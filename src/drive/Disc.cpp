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

// Sorted by profile number. The media up to DDCD-RW carry the names they always had;
// the later ones (dual-layer DVDs, Blu-ray, HD DVD) are named as MMC names them.
constexpr auto kCd = TMediumFamily::Cd;
constexpr auto kDvd = TMediumFamily::Dvd;
constexpr auto kBd = TMediumFamily::Bd;
constexpr auto kHdDvd = TMediumFamily::HdDvd;
constexpr TProfileEntry kProfiles[] = {
    {0x01, "Non-removable disk", false},
    {0x02, "Removable disk", false},
    {0x03, "MO Eraseable", true},
    {0x04, "MO Write Once", false},
    {0x05, "AS-MO", false},
    {0x08, "CD-ROM", false, kCd},
    {0x09, "CD-R", false, kCd},
    {0x0A, "CD-RW", true, kCd},
    {0x10, "DVD-ROM", false, kDvd, true},
    {0x11, "DVD-R", false, kDvd},
    {0x12, "DVD-RAM", false, kDvd},
    {0x13, "DVD-RW Restricted Overwrite", true, kDvd},
    {0x14, "DVD-RW Sequential Recording", true, kDvd},
    {0x15, "DVD-R DL Sequential", false, kDvd},
    {0x16, "DVD-R DL Layer Jump", false, kDvd},
    {0x17, "DVD-RW DL", true, kDvd},
    {0x18, "DVD-Download", false, kDvd},
    {0x1A, "DVD+RW", true, kDvd},
    {0x1B, "DVD+R", false, kDvd},
    {0x20, "DDCD-ROM", false, kCd},
    {0x21, "DDCD-R", false, kCd},
    {0x22, "DDCD-RW", true, kCd},
    {0x2A, "DVD+RW DL", true, kDvd},
    {0x2B, "DVD+R DL", false, kDvd},
    {0x40, "BD-ROM", false, kBd, true},
    {0x41, "BD-R SRM", false, kBd, true},
    {0x42, "BD-R RRM", false, kBd, true},
    {0x43, "BD-RE", true, kBd, true},
    {0x50, "HD DVD-ROM", false, kHdDvd, true},
    {0x51, "HD DVD-R", false, kHdDvd},
    {0x52, "HD DVD-RAM", true, kHdDvd},
    {0x53, "HD DVD-RW", true, kHdDvd},
    {0x58, "HD DVD-R DL", false, kHdDvd},
    {0x5A, "HD DVD-RW DL", true, kHdDvd},
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

bool IsKnownProfile(std::uint16_t profile) { return FindProfile(profile) != &kUnknownProfile; }

std::uint8_t ProfileToMediumIndex(std::uint16_t profile) {
  for (const auto& e : kMediumIndexes) {
    if (e.Profile == profile) return e.Index;
  }
  return 0;
}

std::string MediumName(std::uint8_t index, std::uint16_t profile, std::uint8_t layers) {
  const TProfileEntry* entry = FindProfile(profile);
  if (entry->LayersAsked && layers >= 2 && layers <= 4) {
    static constexpr const char* kLayerTags[] = {" DL", " TL", " QL"};
    return std::string(entry->Name) + kLayerTags[layers - 2];
  }
  if (index != 0 && index < MediumNames.size()) return MediumNames[index];
  return IsKnownProfile(profile) ? entry->Name : MediumNames[0];
}

TAnswerBuffers& AnswerBuffers() {
  static TAnswerBuffers buffers{};
  return buffers;
}

}  // namespace tarnwick
