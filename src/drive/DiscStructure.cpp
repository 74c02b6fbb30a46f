// READ DISC STRUCTURE, and the medium's name built on it: a pressed DVD (and HD DVD)
// has one profile for one layer and two, and only the physical format information
// tells how many layers the disc has.
#include <vector>

#include "drive/CommandRequest.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

namespace {

constexpr std::uint8_t kDvdMedia = 0;
constexpr std::uint8_t kPhysicalFormat = 0;
// The answer's 4-byte header and the 2048 bytes of physical format information.
constexpr std::uint16_t kPhysicalFormatLength = 4 + 2048;
// Byte 2 of the information (6 of the answer): bit 7 reserved, bits 6-5 the number of
// layers less one.
constexpr std::size_t kLayerByte = 6;

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
  if (!ReadDiscStructure(kDvdMedia, kPhysicalFormat, answer.data(), kPhysicalFormatLength)) return 0;
  // The answer must reach the layer byte, whose reserved bit is clear.
  if (GetBE16(answer.data()) + 2u <= kLayerByte || (answer[kLayerByte] & 0x80) != 0) return 0;
  return static_cast<std::uint8_t>(((answer[kLayerByte] >> 5) & 0x03) + 1);
}

TSCSIDevice::TMedium TSCSIDevice::GetMedium() {
  TMedium medium;
  medium.Index = GetMediumType();
  medium.Profile = mediumProfile_;
  if (FindProfile(medium.Profile)->LayersAsked) medium.Layers = GetLayerCount();
  medium.Name = MediumName(medium.Index, medium.Profile, medium.Layers);
  return medium;
}

}  // namespace tarnwick
