// READ DISC STRUCTURE, and the medium's name built on it: a pressed DVD (and HD DVD)
// has one profile for one layer and two, and a Blu-ray disc one profile for one to
// four layers; only the disc's own information tells how many layers it has.
#include <cstddef>
#include <cstring>
#include <vector>

#include "drive/CommandRequest.h"
#include "drive/Disc.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

namespace {

constexpr std::uint8_t kDvdMedia = 0;
constexpr std::uint8_t kBdMedia = 1;
// Format 0: the physical format information of a DVD, the disc information of a BD.
constexpr std::uint8_t kFirstFormat = 0;
// The answer's 4-byte header and the 2048 bytes of physical format information.
constexpr std::uint16_t kPhysicalFormatLength = 4 + 2048;
// Byte 2 of the information (6 of the answer): bit 7 reserved, bits 6-5 the number of
// layers less one.
constexpr std::size_t kLayerByte = 6;
// The answer's 4-byte header and the 4096 bytes of disc information units.
constexpr std::uint16_t kDiscInformationLength = 4 + 4096;

// The head of a Blu-ray disc information unit, the first of which follows the
// answer's header.
#pragma pack(push, 1)
struct TDiscInformationUnit {
  char Identifier[2];             // "DI"
  std::uint8_t Format;
  std::uint8_t UnitsInBlock;      // bits 7-3: the units in each block
  std::uint8_t Reserved4[4];
  char DiscType[3];               // "BDO", "BDR", "BDW"
  std::uint8_t SizeClassVersion;
  std::uint8_t LayersAndType;     // bits 7-4: the number of layers; bits 3-0: the layer type
};
#pragma pack(pop)
static_assert(sizeof(TDiscInformationUnit) == 13);
static_assert(offsetof(TDiscInformationUnit, DiscType) == 8 && offsetof(TDiscInformationUnit, LayersAndType) == 12);
constexpr std::size_t kFirstUnit = 4;
// The most layers a Blu-ray disc is made with.
constexpr std::uint8_t kBdMostLayers = 4;

// Whether the answer's data length (bytes 0-1, counting from byte 2) reaches `end`.
bool Reaches(const std::vector<std::uint8_t>& answer, std::size_t end) { return GetBE16(answer.data()) + 2u >= end; }

}  // namespace

bool TSCSIDevice::ReadDiscStructure(std::uint8_t mediaType, std::uint8_t format, std::uint8_t* buffer,
                                    std::uint16_t length) {
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb,
                 {0xAD, static_cast<std::uint8_t>(mediaType & 0x0F), 0x00, 0x00, 0x00, 0x00, 0x00, format,
                  static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF), 0x00, 0x00},
                 DataPhase::In, buffer, length);
  ExecuteCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

std::uint8_t TSCSIDevice::GetLayerCount() {
  std::vector<std::uint8_t> answer(kPhysicalFormatLength, 0);
  if (!ReadDiscStructure(kDvdMedia, kFirstFormat, answer.data(), kPhysicalFormatLength)) return 0;
  // The answer must reach the layer byte, whose reserved bit is clear.
  if (!Reaches(answer, kLayerByte + 1) || (answer[kLayerByte] & 0x80) != 0) return 0;
  return static_cast<std::uint8_t>(((answer[kLayerByte] >> 5) & 0x03) + 1);
}

std::uint8_t TSCSIDevice::GetBdLayerCount() {
  std::vector<std::uint8_t> answer(kDiscInformationLength, 0);
  if (!ReadDiscStructure(kBdMedia, kFirstFormat, answer.data(), kDiscInformationLength)) return 0;
  // The answer must hold the first unit's head, and the unit must be a disc
  // information unit that names one to four layers.
  if (!Reaches(answer, kFirstUnit + sizeof(TDiscInformationUnit))) return 0;
  TDiscInformationUnit unit;
  std::memcpy(&unit, answer.data() + kFirstUnit, sizeof unit);
  if (unit.Identifier[0] != 'D' || unit.Identifier[1] != 'I') return 0;
  const auto layers = static_cast<std::uint8_t>(unit.LayersAndType >> 4);
  return layers >= 1 && layers <= kBdMostLayers ? layers : 0;
}

TSCSIDevice::TMedium TSCSIDevice::GetMedium() {
  TMedium medium;
  medium.Index = GetMediumType();
  medium.Profile = mediumProfile_;
  const TProfileEntry* entry = FindProfile(medium.Profile);
  if (entry->LayersAsked) medium.Layers = entry->Family == TMediumFamily::Bd ? GetBdLayerCount() : GetLayerCount();
  medium.Name = MediumName(medium.Index, medium.Profile, medium.Layers);
  return medium;
}

}  // namespace tarnwick
