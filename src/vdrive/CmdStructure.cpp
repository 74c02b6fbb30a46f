// READ DISC STRUCTURE: the physical format information of a DVD (format 0 of media
// type 0), with its book type, layer count and data area, and the disc information of
// a Blu-ray disc (format 0 of media type 1). A CD has neither.
#include <algorithm>

#include "platform/ByteOrder.h"
#include "vdrive/Commands.h"

namespace tarnwick::vdrive {

namespace {

constexpr std::uint8_t kDvdMedia = 0;
constexpr std::uint8_t kBdMedia = 1;
constexpr Sense kIncompatibleMedium{0x05, 0x30, 0x00};
// The first physical sector of a DVD's data area.
constexpr std::uint32_t kDvdFirstSector = 0x30000;

struct BookType {
  std::uint16_t profile;
  std::uint8_t book;       // bits 7-4 of byte 0
  std::uint8_t layerType;  // bit 0 embossed, 1 recordable, 2 rewritable
};

constexpr BookType kBooks[] = {
    {profile::kDvdRom, 0x0, 0x1},           {profile::kDvdRam, 0x1, 0x4},
    {profile::kDvdR, 0x2, 0x2},             {profile::kDvdRDlSequential, 0x2, 0x2},
    {profile::kDvdRDlJump, 0x2, 0x2},       {profile::kDvdRwOverwrite, 0x3, 0x4},
    {profile::kDvdRwSequential, 0x3, 0x4},  {profile::kDvdRwDl, 0x3, 0x4},
    {profile::kDvdPlusRw, 0x9, 0x4},        {profile::kDvdPlusR, 0xA, 0x2},
    {profile::kDvdPlusRwDl, 0xD, 0x4},      {profile::kDvdPlusRDl, 0xE, 0x2},
};

BookType BookOf(std::uint16_t p) {
  for (const BookType& b : kBooks)
    if (b.profile == p) return b;
  return BookType{p, 0x0, 0x1};
}

// 4-byte header and 2048 bytes of information. Two layers lie on opposite track paths:
// the second layer's sectors are numbered on from the complement of the first
// layer's last one.
std::vector<std::uint8_t> PhysicalFormat(const DiscModel& model) {
  const MediumState& m = model.medium;
  const BookType book = BookOf(m.profile);
  const std::uint32_t blocks = std::max(m.capacity, model.LeadOut());
  std::vector<std::uint8_t> out(4 + 2048, 0);
  PutBE16(&out[0], 2048 + 2);
  std::uint8_t* info = &out[4];
  info[0] = static_cast<std::uint8_t>(book.book << 4);
  info[1] = 0x0F;  // 120 mm, no maximum rate given
  const bool two = m.layers >= 2;
  info[2] = static_cast<std::uint8_t>((two ? 0x20 | 0x10 : 0x00) | book.layerType);
  info[3] = 0x10;  // 0.267 um/bit, 0.74 um track pitch
  PutBE32(&info[4], kDvdFirstSector);
  if (!two) {
    PutBE32(&info[8], blocks == 0 ? kDvdFirstSector : kDvdFirstSector + blocks - 1);
  } else {
    const std::uint32_t first = (blocks / 2 + 15) / 16 * 16;  // layer 0 holds the larger half
    const std::uint32_t endLayer0 = kDvdFirstSector + first - 1;
    PutBE32(&info[8], ((~endLayer0) & 0xFFFFFF) + (blocks - first));
    PutBE32(&info[12], endLayer0);
  }
  return out;
}

// 4 header bytes and 4096 bytes of disc information units, one 64-byte unit per layer:
// "DI", the unit's format, the units in the block (bits 7-3) and the unit's sequence
// number (bits 2-0), the bytes in use, the disc type ("BDO" pressed, "BDR" recordable,
// "BDW" rewritable), and in byte 12 the number of layers (bits 7-4) and the layer type
// (bits 3-0: embossed 1, recordable 2, rewritable 4).
std::vector<std::uint8_t> DiscInformation(const MediumState& m) {
  constexpr std::size_t kUnit = 64;
  const bool pressed = m.profile == profile::kBdRom;
  const bool rewritable = m.profile == profile::kBdRe;
  const char* type = pressed ? "BDO" : rewritable ? "BDW" : "BDR";
  const std::uint8_t layerType = pressed ? 0x1 : rewritable ? 0x4 : 0x2;
  std::vector<std::uint8_t> out(4 + 4096, 0);
  PutBE16(&out[0], static_cast<std::uint32_t>(out.size() - 2));
  for (std::uint8_t layer = 0; layer < m.layers; ++layer) {
    std::uint8_t* unit = &out[4 + kUnit * layer];
    unit[0] = 'D';
    unit[1] = 'I';
    unit[2] = 1;
    unit[3] = static_cast<std::uint8_t>(m.layers << 3 | layer);
    unit[6] = kUnit;
    for (int i = 0; i < 3; ++i) unit[8 + i] = static_cast<std::uint8_t>(type[i]);
    unit[12] = static_cast<std::uint8_t>(m.layers << 4 | layerType);
  }
  return out;
}

}  // namespace

Reply ReadDiscStructure(DriveState& state, const Command& command) {
  const DiscModel& model = state.model;
  const std::uint8_t media = command.cdb[1] & 0x0F;
  const std::uint8_t format = command.cdb[7];
  const std::uint32_t allocation = GetBE16(&command.cdb[8]);
  const std::uint16_t p = model.medium.profile;
  if (media == kDvdMedia && IsDvdProfile(p)) {
    if (format != 0) return Fail(sense::kInvalidField);
    return Answer(PhysicalFormat(model), allocation);
  }
  if (media == kBdMedia && IsBdProfile(p)) {
    if (format != 0) return Fail(sense::kInvalidField);
    return Answer(DiscInformation(model.medium), allocation);
  }
  // A CD has no disc structure at all; a DVD asked for a Blu-ray structure (and the
  // other way round) gives an invalid field, as the emulated drives in the test VM do.
  if (IsDvdProfile(p) || IsBdProfile(p)) return Fail(sense::kInvalidField);
  return Fail(kIncompatibleMedium);
}

}  // namespace tarnwick::vdrive
