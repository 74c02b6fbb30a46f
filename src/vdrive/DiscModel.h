// What a virtual drive knows: the drive's own settings (identity, pages, faults,
// answer quirks) and the medium in it (profile, disc status, sessions and tracks,
// where each track's blocks come from). Built by the description parser or from a
// bare image, then only read while the drive answers commands.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vdrive/ImageFile.h"
#include "vdrive/Sense.h"

namespace tarnwick::vdrive {

inline constexpr std::uint32_t kBlockSize = 2048;

// MMC profile numbers.
namespace profile {
inline constexpr std::uint16_t kNone = 0x0000;
inline constexpr std::uint16_t kCdRom = 0x0008;
inline constexpr std::uint16_t kCdR = 0x0009;
inline constexpr std::uint16_t kCdRw = 0x000A;
inline constexpr std::uint16_t kDvdRom = 0x0010;
inline constexpr std::uint16_t kDvdR = 0x0011;
inline constexpr std::uint16_t kDvdRam = 0x0012;
inline constexpr std::uint16_t kDvdRwOverwrite = 0x0013;
inline constexpr std::uint16_t kDvdRwSequential = 0x0014;
inline constexpr std::uint16_t kDvdRDlSequential = 0x0015;
inline constexpr std::uint16_t kDvdRDlJump = 0x0016;
inline constexpr std::uint16_t kDvdRwDl = 0x0017;
inline constexpr std::uint16_t kDvdPlusRw = 0x001A;
inline constexpr std::uint16_t kDvdPlusR = 0x001B;
inline constexpr std::uint16_t kDvdPlusRwDl = 0x002A;
inline constexpr std::uint16_t kDvdPlusRDl = 0x002B;
inline constexpr std::uint16_t kBdRom = 0x0040;
inline constexpr std::uint16_t kBdRSrm = 0x0041;
inline constexpr std::uint16_t kBdRRrm = 0x0042;
inline constexpr std::uint16_t kBdRe = 0x0043;
}  // namespace profile

// Blocks of the data area of a single-layer DVD, a dual-layer DVD and a single-layer
// Blu-ray disc (4.7, 8.5 and 25 GB).
inline constexpr std::uint32_t kDvdBlocks = 2295104;
inline constexpr std::uint32_t kDvdDlBlocks = 4173824;
inline constexpr std::uint32_t kBdLayerBlocks = 12219392;

// Profile by name ("CD-R", "DVD+RW", ...); nullopt for an unknown name.
std::optional<std::uint16_t> ProfileByName(const std::string& name);
bool IsCdProfile(std::uint16_t profile);
bool IsRecordableCdProfile(std::uint16_t profile);  // CD-R, CD-RW: the media with an ATIP
bool IsErasableProfile(std::uint16_t profile);
bool IsReadOnlyProfile(std::uint16_t profile);      // pressed media: CD-ROM, DVD-ROM, BD-ROM
bool IsDvdProfile(std::uint16_t profile);           // DVD-ROM to DVD+R DL
bool IsBdProfile(std::uint16_t profile);            // BD-ROM, BD-R, BD-RE
// The pressed medium whose recorded area ends at `blocks`: a CD-ROM up to 360000
// blocks, a DVD-ROM up to a dual-layer DVD's data area, a BD-ROM beyond.
std::uint16_t PressedProfileFor(std::uint64_t blocks);
// The layers of a medium: two on the dual-layer DVD profiles, and on a DVD-ROM whose
// recorded area does not fit one layer; a Blu-ray disc has as many 25 GB layers as its
// capacity needs (up to four); one otherwise.
std::uint8_t LayersFor(std::uint16_t profile, std::uint32_t blocks);

// Minutes, seconds and frames of a block address (frames = LBA + 150). Minutes above
// 255, which only DVD addresses reach, stay at 255:59:74.
struct Msf {
  std::uint8_t m = 0, s = 0, f = 0;
};
Msf LbaToMsf(std::uint32_t lba);

enum class DiscStatus : std::uint8_t { Empty = 0, Incomplete = 1, Complete = 2 };

// How a data track's sectors are kept in its file (see vdrive/RawSector.h).
enum class SectorLayout : std::uint8_t {
  User,       // the 2048 bytes of user data alone
  Mode1Raw,   // whole sector: sync, header, user data at 16, EDC/ECC
  Mode2Raw,   // whole sector: sync, header, subheader, form 1 user data at 24
  Mode2Xa,    // sector without sync and header: subheader, form 1 user data at 8
};

struct Track {
  int number = 0;
  int session = 0;
  bool audio = false;
  std::uint32_t start = 0;
  std::uint32_t length = 0;
  // Where block `start` lies in `file` (bytes); the following blocks follow it. No
  // file: the track reads as zero-filled blocks.
  std::shared_ptr<ImageFile> file;
  std::uint64_t offset = 0;
  // Bytes from one block to the next in `file` (2048, 2336, 2352, or 2448 with
  // subchannel data behind each sector) and how the user data lies in them.
  std::uint32_t sectorSize = kBlockSize;
  SectorLayout layout = SectorLayout::User;
  int line = 0;  // description line, for messages

  std::uint32_t end() const { return start + length; }
};

// Blocks start..start+count-1 fail READ(10): always, or (marginal) for the first
// `failFirst` reads of each block, or at random with `chance` per read of a block,
// drawn from `seed` so that a run is the same every time.
struct ReadFault {
  std::uint32_t start = 0;
  std::uint32_t count = 0;
  Sense sense = sense::kMediumError;
  std::uint32_t failFirst = 0;  // 0: not marginal
  double chance = 1.0;          // below 1: random
  std::uint64_t seed = 0;

  bool Always() const { return failFirst == 0 && chance >= 1.0; }
};

// Departures from plain MMC answers that some drives show. New quirks get a member
// here and a name in the description parser's quirk table.
struct Quirks {
  bool padAnswers = false;          // pad every answer with zeros to the allocation length
  bool rejectDefaultPages = false;  // MODE SENSE with page control 10b (defaults) -> 05/24/00
  // The rest are played by DriveQuirks.h; see there.
  bool tocFormatInByte9 = false;
  bool configStartIgnored = false;
  bool configUnknownFeatureRejected = false;
  bool stickySense = false;
  bool noResidue = false;
};

struct DriveSettings {
  std::string vendor = "TARNWICK";
  std::string product = "VIRTUAL DVD-RW";
  std::string revision = "1.00";
  std::uint8_t deviceType = 5;
  std::uint8_t inquiryVersion = 0x00;
  std::uint32_t inquiryLength = 36;  // standard INQUIRY data length (>= 36)
  bool hasAddress = false;
  std::uint8_t host = 0, path = 0, target = 0, lun = 0;
  // Medium-access commands fail with "becoming ready" until this many commands were received.
  std::uint32_t readyAfter = 0;
  // Profiles listed by GET CONFIGURATION; empty = derived from the medium.
  std::vector<std::uint16_t> profiles;
  // Mode pages the drive has (page code -> page bytes, code and length bytes included).
  std::map<std::uint8_t, std::vector<std::uint8_t>> pages;
  // Opcodes the drive refuses, with the sense it gives.
  std::map<std::uint8_t, Sense> rejected;
  // Write types (0 packet, 1 TAO, 2 SAO, 3 raw) that MODE SELECT of page 05h accepts; bit n = type n.
  std::uint8_t writeTypes = 0x0F;
  Quirks quirks;
};

struct MediumState {
  bool present = true;
  bool changed = false;  // report "medium changed" once before the first medium command
  std::uint16_t profile = profile::kCdRom;
  DiscStatus status = DiscStatus::Complete;
  std::uint32_t capacity = 0;             // blocks a blank disc of this kind holds
  std::optional<std::uint32_t> nextWritable;  // start of the next session (set or derived)
  std::uint8_t layers = 1;                // as the description gives, else LayersFor
};

struct DiscModel {
  std::string source;  // the description or image path (Describe)
  DriveSettings drive;
  MediumState medium;
  std::vector<Track> tracks;  // numbered 1.. across the sessions, ascending start
  int sessions = 0;           // complete sessions 1..sessions
  std::vector<ReadFault> readFaults;

  const Track* FindTrack(int number) const;
  const Track* TrackAt(std::uint32_t lba) const;
  const Track* FirstTrackOfSession(int session) const;
  const Track* LastTrackOfSession(int session) const;
  // First block after the last track (the disc's lead-out); 0 on a blank disc.
  std::uint32_t LeadOut() const;
  // Start of the invisible track of an appendable disc: the given address, else 0 on
  // a blank disc, else for CD after the lead-out, lead-in and pre-gap of the new
  // session (11400 blocks after the first session, 6900 after later ones), for DVD
  // the next 16-block boundary.
  std::uint32_t NextWritable() const;
  bool Appendable() const { return medium.status != DiscStatus::Complete; }
};

// The capabilities page (2Ah) and write parameters page (05h) a drive has unless its
// description gives others.
std::vector<std::uint8_t> DefaultCapabilitiesPage();
std::vector<std::uint8_t> DefaultWriteParametersPage();
// A blank disc's capacity by profile (an 80-minute CD, a 4.7 or 8.5 GB DVD, a Blu-ray
// disc of 25 GB a layer, 100 GB of three layers, 128 GB of four); 0 for pressed media
// and others. `layers` counts only for a Blu-ray disc.
std::uint32_t DefaultCapacity(std::uint16_t profile, std::uint8_t layers = 1);
// Profiles a drive lists when its description names none: what reads and writes the medium.
std::vector<std::uint16_t> DefaultProfiles(std::uint16_t currentProfile);

}  // namespace tarnwick::vdrive
