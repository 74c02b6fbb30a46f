// The three commands of the disc-level queries: READ DISC INFORMATION, READ CAPACITY
// and READ FORMAT CAPACITIES. Each fills one request, runs it through
// ExecuteCommand and reports success as status complete.
#include <cstring>

#include "drive/AnswerBuffers.h"
#include "drive/CommandRequest.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

namespace {

constexpr std::int32_t kDiscCommandTimeoutMs = 10000;

}  // namespace

bool TSCSIDevice::ReadDiscInformation(std::uint8_t* buffer, std::uint8_t length) {
  std::memset(buffer, 0, length);
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x51, 0, 0, 0, 0, 0, 0, 0, length, 0}, DataPhase::In, buffer, length);
  return ExecuteCommand(srb, kDiscCommandTimeoutMs);
}

bool TSCSIDevice::ReadDiscInfo() {
  auto& b = AnswerBuffers();
  if (!ReadDiscInformation(b.DiscInfoBuffer, sizeof b.DiscInfoBuffer)) return false;
  BEToHost16InPlace(b.DiscInfoBuffer);
  return true;
}

bool TSCSIDevice::ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength) {
  auto& b = AnswerBuffers();
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataPhase::In, b.CapacityAnswer, sizeof b.CapacityAnswer);
  if (!ExecuteCommand(srb, kDiscCommandTimeoutMs)) return false;
  BEToHost32InPlace(b.CapacityAnswer);
  BEToHost32InPlace(b.CapacityAnswer + 4);
  lastBlock = GetHost32(b.CapacityAnswer);
  blockLength = GetHost32(b.CapacityAnswer + 4);
  return true;
}

bool TSCSIDevice::ReadFormatCapacities(std::uint32_t& blocks, std::uint32_t& blockLength) {
  auto& b = AnswerBuffers();
  std::memset(b.FormatCapacities, 0, sizeof b.FormatCapacities);
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x23, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(sizeof b.FormatCapacities), 0},
                 DataPhase::In, b.FormatCapacities, sizeof b.FormatCapacities);
  if (!ExecuteCommand(srb, kDiscCommandTimeoutMs)) return false;
  // The current/maximum capacity descriptor follows the 4-byte list header.
  blocks = GetBE32(b.FormatCapacities + 4);
  blockLength = GetBE24(b.FormatCapacities + 9);
  return true;
}

}  // namespace tarnwick
