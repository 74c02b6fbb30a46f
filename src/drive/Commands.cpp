// The readiness, identification, table-of-contents, track-information and sector
// commands, and the small conversions their callers use.
#include <cstring>

#include "drive/CommandRequest.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

namespace {

inline std::uint8_t Lo(std::uint32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace

bool TSCSIDevice::TestUnitReady(std::int32_t timeoutMs) {
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, DataPhase::None, nullptr, 0);
  ExecuteCommand(srb, timeoutMs);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::RequestSense(std::uint8_t* buffer, std::uint8_t length) {
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x03, 0x00, 0x00, 0x00, length, 0x00}, DataPhase::In, buffer, length);
  ExecuteCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::Inquiry() {
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x12, 0x00, 0x00, 0x00, 0x80, 0x00}, DataPhase::In, InquiryData, 128);
  ExecuteCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

// Only the low byte of the allocation length goes into the command block (byte 7
// stays 0), while the request's data length is the full allocation length.
bool TSCSIDevice::ReadToc(std::uint8_t format, std::uint8_t* buffer, std::uint8_t control, bool msf,
                          std::uint8_t track, std::uint32_t allocationLength) {
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb,
                 {0x43, static_cast<std::uint8_t>(msf ? 0x02 : 0x00), format, 0x00, 0x00, 0x00, track, 0x00,
                  Lo(allocationLength), control},
                 DataPhase::In, buffer, allocationLength);
  ExecuteCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ReadTrackInfo(std::uint32_t track) {
  TrackInfo = {};
  auto* raw = reinterpret_cast<std::uint8_t*>(&TrackInfo);
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x52, 0x01, 0x00, 0x00, 0x00, Lo(track), 0x00, 0x00, sizeof(TTrackInformation), 0x00},
                 DataPhase::In, raw, sizeof(TTrackInformation));
  ExecuteCommand(srb, 60000);
  if (srb.SRB_Status != SS_COMP) return false;
  TrackInfo.DataLength = GetBE16(raw);
  TrackInfo.TrackStartAddress = GetBE32(raw + 8);
  TrackInfo.NextWritableAddress = GetBE32(raw + 12);
  TrackInfo.FreeBlockCount = GetBE32(raw + 16);
  TrackInfo.FixedPacketSize = GetBE32(raw + 20);
  TrackInfo.TrackSize = GetBE32(raw + 24);
  TrackInfo.LastRecordedAddress = GetBE32(raw + 28);
  return true;
}

bool TSCSIDevice::ReadSectors(std::uint32_t lba, std::uint16_t count, std::uint32_t bufferLength,
                              std::uint8_t* buffer) {
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, DataPhase::In, buffer,
                 bufferLength);
  PutBE32(&srb.CDBByte[2], lba);
  PutBE16(&srb.CDBByte[7], count);
  ExecuteCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ReadSectorsInto(std::uint32_t lba, std::uint16_t count, std::vector<std::uint8_t>& buffer,
                                  std::size_t offset) {
  const std::size_t length = std::size_t{count} * 2048;
  if (buffer.size() < offset + length) buffer.resize(offset + length);
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, DataPhase::In,
                 buffer.data() + offset, static_cast<std::uint32_t>(length));
  PutBE32(&srb.CDBByte[2], lba);
  PutBE16(&srb.CDBByte[7], count);
  ExecuteCommand(srb, 10000, buffer);
  // A request the transport may still write into kept the buffer: the caller gets a
  // new one of the same size.
  if (buffer.size() < offset + length) buffer.resize(offset + length);
  return srb.SRB_Status == SS_COMP;
}

std::uint32_t TSCSIDevice::MsfToFrames(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f) {
  return std::uint32_t{h} * 270000u + std::uint32_t{m} * 4500u + std::uint32_t{s} * 75u + f;
}

std::uint16_t TSCSIDevice::Swap16(std::uint16_t v) {
  std::uint8_t b[2];
  PutBE16(b, v);
  return GetLE16(b);
}

std::uint32_t TSCSIDevice::Swap32(std::uint32_t v) {
  std::uint8_t b[4];
  PutBE32(b, v);
  return GetLE32(b);
}

void TSCSIDevice::ReverseCopy(const void* source, void* destination, std::size_t count) {
  const auto* src = static_cast<const std::uint8_t*>(source);
  auto* dst = static_cast<std::uint8_t*>(destination);
  for (std::size_t i = 0; i < count; ++i) dst[count - 1 - i] = src[i];
}

}  // namespace tarnwick
