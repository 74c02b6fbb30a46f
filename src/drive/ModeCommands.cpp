// MODE SENSE(10), MODE SELECT(10), GET CONFIGURATION and SET CD SPEED, and the two
// helpers for page offsets and speed multiples.
#include <algorithm>
#include <cstring>

#include "drive/AnswerBuffers.h"
#include "drive/CommandRequest.h"
#include "drive/ModePage.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

std::size_t FindModePage(const std::uint8_t* answer, std::uint8_t pageCode, std::size_t defaultOffset) {
  if (answer[16] == pageCode) return 16;
  if (answer[8] == pageCode) return 8;
  if (answer[7] == pageCode) return 7;
  return defaultOffset;
}

// Integer arithmetic: kB/s x 100 / 17646, so the rounding does not depend on how
// 176.46 is represented.
std::uint16_t SpeedMultiple(std::uint16_t kilobytesPerSecond) {
  const std::uint32_t scaled = std::uint32_t{kilobytesPerSecond} * 100u;
  std::uint32_t q = scaled / 17646u;
  const std::uint32_t twiceRest = (scaled % 17646u) * 2u;
  if (twiceRest > 17646u || (twiceRest == 17646u && (q & 1u) != 0)) ++q;
  return static_cast<std::uint16_t>(q);
}

std::uint16_t SpeedField(std::uint32_t multiple) {
  return multiple == 0 ? 0xFFFF : static_cast<std::uint16_t>(multiple * 177u);
}

// The answer passes through the process-wide mode buffer. Lengths beyond that buffer
// are cut to its size; the buffer is cleared first so that a short answer never
// carries bytes of an earlier one to the caller.
bool TSCSIDevice::ModeSense(std::uint8_t page, std::uint8_t* destination, bool defaults, std::uint16_t length,
                            std::uint16_t clearLength) {
  auto& modeBuffer = AnswerBuffers().ModeBuffer;
  const std::uint16_t len = std::min<std::uint16_t>(length, sizeof modeBuffer);
  std::memset(destination, 0, std::size_t{clearLength} + 1);
  std::memset(modeBuffer, 0, len);
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb,
                 {0x5A, 0x00, static_cast<std::uint8_t>(defaults ? (page | 0x80) : page), 0x00, 0x00, 0x00, 0x00,
                  static_cast<std::uint8_t>(len >> 8), static_cast<std::uint8_t>(len), 0x00},
                 DataPhase::In, modeBuffer, len);
  ExecuteCommand(srb, 20000);
  if (srb.SRB_Status != SS_COMP) return false;
  std::memcpy(destination, modeBuffer, len);
  return true;
}

bool TSCSIDevice::ModeSelect(const std::uint8_t* list, std::uint16_t length) {
  auto& modeBuffer = AnswerBuffers().ModeBuffer;
  const std::uint16_t len = std::min<std::uint16_t>(length, sizeof modeBuffer);
  std::memcpy(modeBuffer, list, len);
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb,
                 {0x55, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(len), 0x00},
                 DataPhase::Out, modeBuffer, len);
  ExecuteCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::GetConfiguration(std::uint8_t requestType, std::uint8_t startFeature, std::uint16_t length,
                                   std::uint8_t* buffer) {
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb,
                 {0x46, requestType, 0x00, startFeature, 0x00, 0x00, 0x00, 0x00,
                  static_cast<std::uint8_t>(length), 0x00},
                 DataPhase::In, buffer, length);
  ExecuteCommand(srb, 30000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::SetSpeed(std::uint32_t readMultiple, std::uint32_t writeMultiple) {
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0xBB, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, DataPhase::None,
                 nullptr, 0);
  PutBE16(&srb.CDBByte[2], SpeedField(readMultiple));
  PutBE16(&srb.CDBByte[4], SpeedField(writeMultiple));
  ExecuteCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

void TSCSIDevice::SetWriteSpeed(std::uint16_t value) {
  SetSpeed(ReadSpeed, value);
  WriteSpeed = value;
}

}  // namespace tarnwick
