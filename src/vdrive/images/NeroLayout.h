// The records of a Nero image. Its description is a chain of chunks (four-letter
// name, big-endian 32-bit size, body) at the end of the file; the footer (the last
// 8 bytes "NERO" + 32-bit offset, or the last 12 bytes "NER5" + 64-bit offset) says
// where the chain starts. Every number is big-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick::vdrive::images::nero {

#pragma pack(push, 1)

struct ChunkHead {
  char id[4];
  std::uint8_t size[4];
};

// One cue point of CUES (position: 0, minutes, seconds, frames, as BCD or binary
// numbers depending on the writing program) or CUEX (position:
// signed 32-bit block address). Track and index numbers are BCD; track 0 is the
// lead-in, AAh the lead-out.
struct CueEntry {
  std::uint8_t adrControl;
  std::uint8_t track;
  std::uint8_t index;
  std::uint8_t zero;
  std::uint8_t position[4];
};

// The head of DAOI/DAOX (disc-at-once: one chunk per session).
struct DaoHead {
  std::uint8_t size[4];
  char upc[13];
  std::uint8_t zero;
  std::uint8_t tocType[2];
  std::uint8_t firstTrack;
  std::uint8_t lastTrack;
};

// One track of DAOI/DAOX, followed by the file offsets of its index 0, index 1 and
// end: 32-bit in DAOI, 64-bit in DAOX.
struct DaoTrack {
  char isrc[12];
  std::uint8_t sectorSize[2];
  std::uint8_t mode;
  std::uint8_t unknown[3];
};

// One track of ETNF (track-at-once, 32-bit) and ETN2 (64-bit).
struct EtnfTrack {
  std::uint8_t offset[4];
  std::uint8_t length[4];
  std::uint8_t mode[4];
  std::uint8_t start[4];
  std::uint8_t unknown[4];
};
struct Etn2Track {
  std::uint8_t offset[8];
  std::uint8_t length[8];
  std::uint8_t mode[4];
  std::uint8_t start[4];
  std::uint8_t unknown[8];
};

#pragma pack(pop)

static_assert(sizeof(ChunkHead) == 8);
static_assert(sizeof(CueEntry) == 8 && offsetof(CueEntry, position) == 4);
static_assert(sizeof(DaoHead) == 22 && offsetof(DaoHead, tocType) == 18 && offsetof(DaoHead, firstTrack) == 20);
static_assert(sizeof(DaoTrack) == 18 && offsetof(DaoTrack, sectorSize) == 12 && offsetof(DaoTrack, mode) == 14);
static_assert(sizeof(EtnfTrack) == 20 && offsetof(EtnfTrack, start) == 12);
static_assert(sizeof(Etn2Track) == 32 && offsetof(Etn2Track, mode) == 16 && offsetof(Etn2Track, start) == 20);

// Track modes of DAO and ETN records. A DAO record's sector size tells whether the
// sectors are kept whole (2352, or 2448 with subchannel data) or as user data; a
// track-at-once record has no size, its mode alone says.
inline constexpr std::uint8_t kModeMode1 = 0x00;        // mode 1 (ETN: 2048 bytes)
inline constexpr std::uint8_t kModeMode2Form1 = 0x02;   // mode 2 form 1 (ETN: 2048 bytes)
inline constexpr std::uint8_t kModeMode2 = 0x03;        // mode 2 (ETN: 2336 bytes)
inline constexpr std::uint8_t kModeMode1Raw = 0x05;     // mode 1, 2352 bytes
inline constexpr std::uint8_t kModeMode2Raw = 0x06;     // mode 2, 2352 bytes
inline constexpr std::uint8_t kModeAudio = 0x07;        // audio, 2352 bytes
inline constexpr std::uint8_t kModeMode1RawSub = 0x0F;  // mode 1, 2448 bytes
inline constexpr std::uint8_t kModeAudioSub = 0x10;     // audio, 2448 bytes
inline constexpr std::uint8_t kModeMode2RawSub = 0x11;  // mode 2, 2448 bytes

}  // namespace tarnwick::vdrive::images::nero
