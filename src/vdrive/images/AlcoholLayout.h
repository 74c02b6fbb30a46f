// The records of an Alcohol descriptor (.mds): a header, one block per session, per
// session its track blocks (points A0, A1, A2 and the tracks), per track block an
// extra block (pre-gap and length) and the block naming the data file. Every number
// is little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick::vdrive::images::alcohol {

#pragma pack(push, 1)

struct Header {
  char signature[16];  // "MEDIA DESCRIPTOR"
  std::uint8_t version[2];
  std::uint8_t mediumType[2];  // 0 CD-ROM, 1 CD-R, 2 CD-RW, 10h DVD-ROM, 12h DVD-R
  std::uint8_t sessions[2];
  std::uint8_t unknown1[4];
  std::uint8_t bcaLength[2];
  std::uint8_t unknown2[8];
  std::uint8_t bcaOffset[4];
  std::uint8_t unknown3[24];
  std::uint8_t structuresOffset[4];
  std::uint8_t unknown4[12];
  std::uint8_t sessionsOffset[4];
  std::uint8_t errorsOffset[4];
};

struct Session {
  std::uint8_t start[4];  // signed: the first session starts at -150
  std::uint8_t end[4];    // the session's lead-out
  std::uint8_t number[2];
  std::uint8_t blocks;        // track blocks of every point
  std::uint8_t leadInBlocks;  // of them, points A0h and above
  std::uint8_t firstTrack[2];
  std::uint8_t lastTrack[2];
  std::uint8_t unknown[4];
  std::uint8_t tracksOffset[4];
};

struct TrackBlock {
  std::uint8_t mode;        // low nibble: 9 audio, A mode 1, B mode 2, C mode 2 form 1, D form 2
  std::uint8_t subchannel;  // 8: 96 bytes of subchannel data behind each sector
  std::uint8_t adrControl;
  std::uint8_t trackNumber;
  std::uint8_t point;
  std::uint8_t min, sec, frame;
  std::uint8_t zero;
  std::uint8_t pmin, psec, pframe;
  std::uint8_t extraOffset[4];
  std::uint8_t sectorSize[2];
  std::uint8_t unknown1[18];
  std::uint8_t startSector[4];
  std::uint8_t startOffset[8];
  std::uint8_t filenames[4];
  std::uint8_t filenameOffset[4];
  std::uint8_t unknown2[24];
};

struct Extra {
  std::uint8_t pregap[4];
  std::uint8_t length[4];
};

struct Filename {
  std::uint8_t nameOffset[4];
  std::uint8_t wide;  // 1: the name is in UTF-16
  std::uint8_t unknown[11];
};

#pragma pack(pop)

static_assert(sizeof(Header) == 0x58 && offsetof(Header, mediumType) == 0x12 && offsetof(Header, sessions) == 0x14 &&
              offsetof(Header, sessionsOffset) == 0x50);
static_assert(sizeof(Session) == 24 && offsetof(Session, blocks) == 0x0A && offsetof(Session, tracksOffset) == 0x14);
static_assert(sizeof(TrackBlock) == 80 && offsetof(TrackBlock, extraOffset) == 0x0C &&
              offsetof(TrackBlock, sectorSize) == 0x10 && offsetof(TrackBlock, startSector) == 0x24 &&
              offsetof(TrackBlock, startOffset) == 0x28 && offsetof(TrackBlock, filenameOffset) == 0x34);
static_assert(sizeof(Extra) == 8);
static_assert(sizeof(Filename) == 16);

inline constexpr char kSignature[] = "MEDIA DESCRIPTOR";

}  // namespace tarnwick::vdrive::images::alcohol
