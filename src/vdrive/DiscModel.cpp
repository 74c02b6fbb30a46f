#include "vdrive/DiscModel.h"

#include <algorithm>
#include <cctype>

namespace tarnwick::vdrive {

namespace {

struct ProfileName {
  const char* name;
  std::uint16_t profile;
};

constexpr ProfileName kProfileNames[] = {
    {"CD-ROM", profile::kCdRom},
    {"CD-R", profile::kCdR},
    {"CD-RW", profile::kCdRw},
    {"DVD-ROM", profile::kDvdRom},
    {"DVD-R", profile::kDvdR},
    {"DVD-RAM", profile::kDvdRam},
    {"DVD-RW", profile::kDvdRwSequential},
    {"DVD-RW-RO", profile::kDvdRwOverwrite},
    {"DVD+RW", profile::kDvdPlusRw},
    {"DVD+R", profile::kDvdPlusR},
    {"DVD-R-DL", profile::kDvdRDlSequential},
    {"DVD-R-DL-LJ", profile::kDvdRDlJump},
    {"DVD-RW-DL", profile::kDvdRwDl},
    {"DVD+RW-DL", profile::kDvdPlusRwDl},
    {"DVD+R-DL", profile::kDvdPlusRDl},
    {"BD-ROM", profile::kBdRom},
    {"BD-R", profile::kBdRSrm},
    {"BD-R-RRM", profile::kBdRRrm},
    {"BD-RE", profile::kBdRe},
};

// Upper case, blanks as hyphens: "DVD+R DL" and "dvd+r-dl" name the same medium.
std::string Upper(std::string text) {
  for (char& c : text) c = c == ' ' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::optional<std::uint16_t> ProfileByName(const std::string& name) {
  const std::string upper = Upper(name);
  for (const auto& entry : kProfileNames)
    if (upper == entry.name) return entry.profile;
  return std::nullopt;
}

bool IsCdProfile(std::uint16_t p) { return p == profile::kCdRom || p == profile::kCdR || p == profile::kCdRw; }

bool IsRecordableCdProfile(std::uint16_t p) { return p == profile::kCdR || p == profile::kCdRw; }

bool IsErasableProfile(std::uint16_t p) {
  return p == profile::kCdRw || p == profile::kDvdRam || p == profile::kDvdRwOverwrite ||
         p == profile::kDvdRwSequential || p == profile::kDvdPlusRw || p == profile::kDvdRwDl ||
         p == profile::kDvdPlusRwDl || p == profile::kBdRe || p == 0x0003;
}

bool IsReadOnlyProfile(std::uint16_t p) {
  return p == profile::kCdRom || p == profile::kDvdRom || p == profile::kBdRom;
}

bool IsDvdProfile(std::uint16_t p) {
  constexpr std::uint16_t kDdcdRom = 0x20, kDdcdRw = 0x22;  // the double-density CDs lie between
  return p >= profile::kDvdRom && p <= profile::kDvdPlusRDl && !(p >= kDdcdRom && p <= kDdcdRw);
}

bool IsBdProfile(std::uint16_t p) { return p >= profile::kBdRom && p <= profile::kBdRe; }

std::uint16_t PressedProfileFor(std::uint64_t blocks) {
  constexpr std::uint64_t kCdBlocks = 360000;
  if (blocks <= kCdBlocks) return profile::kCdRom;
  return blocks <= kDvdDlBlocks ? profile::kDvdRom : profile::kBdRom;
}

std::uint8_t LayersFor(std::uint16_t p, std::uint32_t blocks) {
  switch (p) {
    case profile::kDvdRDlSequential:
    case profile::kDvdRDlJump:
    case profile::kDvdRwDl:
    case profile::kDvdPlusRwDl:
    case profile::kDvdPlusRDl:
      return 2;
    case profile::kDvdRom:
      return blocks > kDvdBlocks ? 2 : 1;
    default:
      break;
  }
  if (!IsBdProfile(p)) return 1;
  const std::uint32_t layers = (blocks + kBdLayerBlocks - 1) / kBdLayerBlocks;
  return static_cast<std::uint8_t>(std::clamp<std::uint32_t>(layers, 1, 4));
}

Msf LbaToMsf(std::uint32_t lba) {
  const std::uint64_t frames = std::uint64_t{lba} + 150;
  const std::uint64_t minutes = frames / 4500;
  if (minutes > 255) return Msf{255, 59, 74};
  return Msf{static_cast<std::uint8_t>(minutes), static_cast<std::uint8_t>(frames / 75 % 60),
             static_cast<std::uint8_t>(frames % 75)};
}

const Track* DiscModel::FindTrack(int number) const {
  for (const Track& t : tracks)
    if (t.number == number) return &t;
  return nullptr;
}

const Track* DiscModel::TrackAt(std::uint32_t lba) const {
  for (const Track& t : tracks)
    if (lba >= t.start && lba < t.end()) return &t;
  return nullptr;
}

const Track* DiscModel::FirstTrackOfSession(int session) const {
  for (const Track& t : tracks)
    if (t.session == session) return &t;
  return nullptr;
}

const Track* DiscModel::LastTrackOfSession(int session) const {
  const Track* last = nullptr;
  for (const Track& t : tracks)
    if (t.session == session) last = &t;
  return last;
}

std::uint32_t DiscModel::LeadOut() const { return tracks.empty() ? 0 : tracks.back().end(); }

std::uint32_t DiscModel::NextWritable() const {
  if (medium.nextWritable) return *medium.nextWritable;
  if (tracks.empty()) return 0;
  const std::uint32_t end = LeadOut();
  if (IsCdProfile(medium.profile)) return end + (sessions <= 1 ? 11400u : 6900u);
  return (end + 15u) / 16u * 16u;
}

std::vector<std::uint8_t> DefaultCapabilitiesPage() {
  // A DVD writer: reads CD-R/RW, mode 2, DVD-ROM/-R/-RAM; writes CD-R/RW, test write,
  // DVD-R; buffer underrun protection, multi-session, mode 2 forms, audio play; tray
  // with eject and lock; 40x (7056 kB/s) read and write, 2 MB buffer.
  return {0x2A, 0x14, 0x3F, 0x17, 0xF1, 0x03, 0x29, 0x00, 0x1B, 0x90, 0x01,
          0x00, 0x08, 0x00, 0x1B, 0x90, 0x00, 0x00, 0x1B, 0x90, 0x1B, 0x90};
}

std::vector<std::uint8_t> DefaultWriteParametersPage() {
  // Track at once, data track mode 4, block type 8 (mode 1, 2048 bytes), audio pause
  // 150 frames; 52 bytes.
  std::vector<std::uint8_t> page(52, 0);
  page[0] = 0x05;
  page[1] = 0x32;
  page[2] = 0x01;
  page[3] = 0x04;
  page[4] = 0x08;
  page[15] = 150;
  return page;
}

std::uint32_t DefaultCapacity(std::uint16_t p, std::uint8_t layers) {
  if (IsRecordableCdProfile(p)) return 359849;  // lead-out at 79:59:74
  switch (p) {
    case profile::kDvdR:
    case profile::kDvdRwOverwrite:
    case profile::kDvdRwSequential:
    case profile::kDvdPlusRw:
    case profile::kDvdPlusR:
      return kDvdBlocks;
    case profile::kDvdRDlSequential:
    case profile::kDvdRDlJump:
    case profile::kDvdRwDl:
    case profile::kDvdPlusRwDl:
    case profile::kDvdPlusRDl:
      return kDvdDlBlocks;
    case profile::kBdRSrm:
    case profile::kBdRRrm:
    case profile::kBdRe:
      // A layer of a three- or four-layer disc holds 16292864 or 15625216 blocks.
      return layers <= 2 ? kBdLayerBlocks * std::max<std::uint8_t>(layers, 1) : layers == 3 ? 48878592 : 62500864;
    case profile::kDvdRam:
      return 2236704;
    default:
      return 0;
  }
}

std::vector<std::uint16_t> DefaultProfiles(std::uint16_t current) {
  std::vector<std::uint16_t> list;
  switch (current) {
    case profile::kCdRom:
      list = {profile::kCdRom};
      break;
    case profile::kCdR:
    case profile::kCdRw:
      list = {profile::kCdRom, profile::kCdR, profile::kCdRw};
      break;
    case profile::kDvdRom:
      list = {profile::kDvdRom, profile::kCdRom};
      break;
    default:
      list = {profile::kDvdPlusR,  profile::kDvdPlusRw,        profile::kDvdRwSequential,
              profile::kDvdRwOverwrite, profile::kDvdRam,       profile::kDvdR,
              profile::kDvdRom,    profile::kCdRw,             profile::kCdR,
              profile::kCdRom};
      break;
  }
  if (current != profile::kNone && std::find(list.begin(), list.end(), current) == list.end())
    list.insert(list.begin(), current);
  return list;
}

}  // namespace tarnwick::vdrive
