// The pass-through back-end's two entry points: ASPI requests answered from the
// drive table or carried out with one pass-through call on the drive's volume.
#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"
#include "platform/PassThrough.h"
#include "transport/PassThroughBackend.h"
#include "transport/Srb.h"

namespace tarnwick::transport {

namespace {

using platform::kInvalidHandle;

constexpr std::uint8_t kInquiry = 0x12;
constexpr std::size_t kCachedInquiryLen = 36;
constexpr std::uint8_t kCdromDeviceType = 5;
constexpr std::uint8_t kNoDeviceType = 0x1F;
constexpr std::size_t kSenseCapacity = sizeof(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER::SenseBuf);

// First in-use slot (in drive-letter order) with this address.
TSPTIDrive* FindDrive(std::uint8_t ha, std::uint8_t tgt, std::uint8_t lun) {
  for (TSPTIDrive& d : Table().drives)
    if (d.inUse && d.ha == ha && d.tgt == tgt && d.lun == lun) return &d;
  return nullptr;
}

void CopyText(std::uint8_t* dest, std::size_t size, const char* text) {
  std::memset(dest, 0, size);
  std::memcpy(dest, text, std::min(size, std::strlen(text)));
}

std::uint32_t HostAdapterInquiry(SRB_HAInquiry& r) {
  const std::uint8_t count = Table().adapterCount;
  r.HA_Count = count;
  if (r.SRB_HaId >= count) {
    r.SRB_Status = SS_INVALID_HA;
    return r.SRB_Status;
  }
  r.HA_SCSI_ID = 7;
  CopyText(r.HA_ManagerId, sizeof r.HA_ManagerId, "Windows ");
  char identifier[] = "SPTI 0";
  identifier[5] = static_cast<char>('0' + r.SRB_HaId);
  CopyText(r.HA_Identifier, sizeof r.HA_Identifier, identifier);
  std::memset(r.HA_Unique, 0, sizeof r.HA_Unique);
  PutLE16(r.HA_Unique + 0, 7);         // buffer alignment mask
  r.HA_Unique[2] = 0;                  // no residual byte count
  r.HA_Unique[3] = 8;                  // targets per adapter
  PutLE32(r.HA_Unique + 4, 0xFF0000);  // largest transfer in bytes
  r.SRB_Status = SS_COMP;
  return r.SRB_Status;
}

std::uint32_t GetDeviceType(SRB_GDEVBlock& r) {
  if (FindDrive(r.SRB_HaId, r.SRB_Target, r.SRB_Lun) == nullptr) {
    r.SRB_DeviceType = kNoDeviceType;
    r.SRB_Status = SS_NO_DEVICE;
  } else {
    r.SRB_DeviceType = kCdromDeviceType;
    r.SRB_Status = SS_COMP;
  }
  return r.SRB_Status;
}

std::uint8_t DirectionOf(std::uint8_t flags) {
  if (flags & SRB_DIR_IN) return platform::SCSI_IOCTL_DATA_IN;
  if (flags & SRB_DIR_OUT) return platform::SCSI_IOCTL_DATA_OUT;
  return platform::SCSI_IOCTL_DATA_UNSPECIFIED;
}

std::uint32_t Execute(SRB_ExecSCSICmd& r) {
  TSPTIDrive* drive = FindDrive(r.SRB_HaId, r.SRB_Target, r.SRB_Lun);
  if (drive == nullptr) {
    r.SRB_Status = SS_NO_DEVICE;
    return r.SRB_Status;
  }
  if (r.CDBByte[0] == kInquiry) {
    // Answered from the scan's cache, at most 36 bytes and never past the buffer.
    if (r.SRB_HaId >= Table().adapterCount) {
      r.SRB_Status = SS_INVALID_HA;
      return r.SRB_Status;
    }
    if (r.SRB_BufPointer != nullptr)
      std::memcpy(r.SRB_BufPointer, drive->inqData, std::min<std::size_t>(kCachedInquiryLen, r.SRB_BufLen));
    r.SRB_Status = SS_COMP;
    return r.SRB_Status;
  }

  if (drive->hDevice == kInvalidHandle) drive->hDevice = OpenVolume(drive->driveLetter);

  platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER buf{};
  // The pass-through sense area holds 32 bytes; never ask for more.
  PreparePassThrough(buf, r.CDBByte, std::min<std::uint8_t>(r.SRB_CDBLen, sizeof r.CDBByte),
                     std::min<std::uint8_t>(r.SRB_SenseLen, kSenseCapacity), DirectionOf(r.SRB_Flags),
                     r.SRB_BufPointer, r.SRB_BufPointer != nullptr ? r.SRB_BufLen : 0);

  bool callOk = false;
  if (drive->hDevice != kInvalidHandle) {
    std::uint32_t returned = 0;
    callOk = platform::Current().DeviceIoControl(drive->hDevice, platform::IOCTL_SCSI_PASS_THROUGH_DIRECT, &buf,
                                                 sizeof buf, &buf, sizeof buf, &returned);
  }
  // A failed open counts as a failed call: the buffer comes back untouched.

  if (callOk && buf.Spt.ScsiStatus == 0 &&
      (buf.Spt.SenseInfoLength == 0 || buf.Spt.SenseInfoLength == kSenseCapacity)) {
    r.SRB_Status = SS_COMP;
    return r.SRB_Status;
  }
  const std::size_t senseLen =
      std::min<std::size_t>({buf.Spt.SenseInfoLength, kSenseCapacity, sizeof r.SenseArea});
  std::memcpy(r.SenseArea, buf.SenseBuf, senseLen);
  r.SRB_TargStat = buf.Spt.ScsiStatus;
  r.SRB_Status = SS_ERR;
  return r.SRB_Status;
}

}  // namespace

extern "C" std::uint32_t SPTIGetASPI32SupportInfo() {
  const std::uint8_t count = Table().adapterCount;
  if (count == 0) return std::uint32_t{SS_NO_ADAPTERS} << 8;
  return (std::uint32_t{SS_COMP} << 8) | count;
}

extern "C" std::uint32_t SPTISendASPI32Command(void* request) {
  if (request == nullptr) return SS_ERR;
  auto* header = static_cast<SRB_Header*>(request);
  switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY:
      return HostAdapterInquiry(*static_cast<SRB_HAInquiry*>(request));
    case SC_GET_DEV_TYPE:
      return GetDeviceType(*static_cast<SRB_GDEVBlock*>(request));
    case SC_EXEC_SCSI_CMD:
      return Execute(*static_cast<SRB_ExecSCSICmd*>(request));
    case SC_GET_DISK_INFO:
      // Not served: the status stays "pending" and the caller falls back.
      header->SRB_Status = SS_PENDING;
      return SS_ERR;
    case SC_ABORT_SRB:  // a pass-through request never stays pending
    default:
      header->SRB_Status = SS_ERR;
      return SS_ERR;
  }
}

}  // namespace tarnwick::transport
