// The pass-through drive table: scanning the drive letters, opening volumes and
// closing them again.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/PassThrough.h"
#include "transport/PassThroughBackend.h"
#include "transport/PassThroughTable.h"
#include "transport/Transport.h"
#include "transport/TransportState.h"

namespace tarnwick::transport {

namespace {

using platform::Handle;
using platform::kInvalidHandle;

// The process-wide buffer the scan's INQUIRY answers land in.
std::uint8_t g_inquiryBuffer[1025];

char LetterOf(std::uint8_t index) { return static_cast<char>('A' + index); }

// Sends INQUIRY (96 bytes) on an open volume; true when the call itself succeeded.
bool ProbeInquiry(Handle volume) {
  std::memset(g_inquiryBuffer, 0, sizeof g_inquiryBuffer);
  platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER buf{};
  const std::uint8_t cdb[6] = {0x12, 0x00, 0x00, 0x00, 0x60, 0x00};
  PreparePassThrough(buf, cdb, sizeof cdb, 24, platform::SCSI_IOCTL_DATA_IN, g_inquiryBuffer, 96);
  std::uint32_t returned = 0;
  return platform::Current().DeviceIoControl(volume, platform::IOCTL_SCSI_PASS_THROUGH_DIRECT, &buf,
                                             sizeof buf, &buf, sizeof buf, &returned);
}

std::uint8_t ComputeAdapterCount(const SptiTable& t) {
  unsigned highest = 0;
  for (const TSPTIDrive& d : t.drives) highest = std::max<unsigned>(highest, d.ha);
  // Adapter numbers are bytes; a drive on adapter 255 cannot be counted past 255.
  return static_cast<std::uint8_t>(std::min(highest + 1, 255u));
}

}  // namespace

void PreparePassThrough(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& buf, const std::uint8_t* cdb,
                        std::uint8_t cdbLength, std::uint8_t senseLength, std::uint8_t direction, void* data,
                        std::uint32_t length) {
  buf.Spt.Length = sizeof(platform::SCSI_PASS_THROUGH_DIRECT);
  buf.Spt.CdbLength = cdbLength;
  buf.Spt.SenseInfoLength = senseLength;
  buf.Spt.DataIn = direction;
  buf.Spt.DataTransferLength = length;
  buf.Spt.TimeOutValue = kPassThroughTimeoutS;
  buf.Spt.DataBuffer = data;
  buf.Spt.SenseInfoOffset = offsetof(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, SenseBuf);
  std::memcpy(buf.Spt.Cdb, cdb, cdbLength);
}

SptiTable& Table() {
  static SptiTable table;
  return table;
}

Handle OpenVolume(std::uint8_t letterIndex) {
  const std::string path = std::string("\\\\.\\") + LetterOf(letterIndex) + ":";
  platform::Platform& p = platform::Current();
  Handle h = p.CreateVolume(path, true);
  if (h == kInvalidHandle) h = p.CreateVolume(path, false);
  return h;
}

int ScanSPTIDrives() {
  SptiTable& t = Table();
  if (t.scanned) return 0;
  ClearTable();
  platform::Platform& p = platform::Current();
  int found = 0;
  for (std::uint8_t i = kFirstLetterIndex; i <= kLastLetterIndex; ++i) {
    const std::string root = std::string(1, LetterOf(i)) + ":\\";
    if (p.QueryDriveType(root) != platform::kDriveCdrom) continue;
    ScopedVolume volume(OpenVolume(i));
    if (!volume.valid()) continue;
    if (!ProbeInquiry(volume.get())) continue;
    TSPTIDrive& slot = t.drives[i];
    std::memcpy(slot.inqData, g_inquiryBuffer, sizeof slot.inqData);
    platform::SCSI_ADDRESS address{};
    address.Length = sizeof address;
    std::uint32_t returned = 0;
    if (p.DeviceIoControl(volume.get(), platform::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                          sizeof address, &returned)) {
      slot.ha = address.PortNumber;
      slot.tgt = address.TargetId;
      slot.lun = address.Lun;
    } else {
      slot.ha = 0;
      slot.tgt = t.scanCounter;
      slot.lun = kNoAddressLun;
      ++t.scanCounter;
    }
    slot.inUse = true;
    slot.driveLetter = i;
    slot.hDevice = kInvalidHandle;
    ++found;
  }
  t.adapterCount = ComputeAdapterCount(t);
  if (t.scanCounter != 0) {
    // Drives without an address move to one extra adapter after the real ones.
    for (TSPTIDrive& d : t.drives) {
      if (d.inUse && d.lun == kNoAddressLun) {
        d.lun = 0;
        d.ha = t.adapterCount;
      }
    }
    t.adapterCount = ComputeAdapterCount(t);
  }
  t.scanned = true;
  return found;
}

void ClearTable() {
  SptiTable& t = Table();
  for (TSPTIDrive& d : t.drives) {
    if (d.hDevice != kInvalidHandle) platform::Current().CloseHandle(d.hDevice);
    d = TSPTIDrive{};
  }
  t.adapterCount = 0;
  t.scanCounter = 0;
  t.scanned = false;
}

void MarkTableScannedEmpty() {
  ClearTable();
  Table().scanned = true;
}

}  // namespace tarnwick::transport

namespace tarnwick {

void CloseSPTIDrives() {
  if (transport::Table().scanned) transport::ClearTable();
}

void RescanPassThroughDrives() {
  const transport::TransportState& s = transport::State();
  if (s.initialised && s.send != &transport::SPTISendASPI32Command) return;
  transport::ClearTable();
  // Not yet started: the back-end's choice scans the new table itself.
  if (s.initialised) transport::ScanSPTIDrives();
}

std::vector<SptiDriveView> PassThroughDrives() {
  std::vector<SptiDriveView> out;
  for (const transport::TSPTIDrive& d : transport::Table().drives) {
    if (!d.inUse) continue;
    out.push_back({transport::LetterOf(d.driveLetter), d.ha, d.tgt, d.lun, d.inUse,
                   d.hDevice != platform::kInvalidHandle});
  }
  return out;
}

std::optional<SptiDriveView> PassThroughDrive(char letter) {
  for (const SptiDriveView& v : PassThroughDrives())
    if (v.letter == letter) return v;
  return std::nullopt;
}

std::uint8_t PassThroughAdapterCount() { return transport::Table().adapterCount; }

bool PassThroughTableScanned() { return transport::Table().scanned; }

}  // namespace tarnwick
