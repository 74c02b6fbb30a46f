#include "platform/linux/SgDevice.h"

#include <scsi/scsi.h>
#include <scsi/scsi_ioctl.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tarnwick::platform {
namespace {

// Host (adapter) codes of the Linux SCSI layer.
constexpr unsigned kDidOk = 0x00;
constexpr unsigned kDidNoConnect = 0x01;
constexpr unsigned kDidTimeOut = 0x03;
constexpr unsigned kDidBadTarget = 0x04;
// Driver codes (low nibble of driver_status).
constexpr unsigned kDriverOk = 0x00;
constexpr unsigned kDriverTimeout = 0x06;
constexpr unsigned kDriverSense = 0x08;

constexpr std::uint8_t kCheckCondition = 0x02;

int ErrnoForHost(unsigned host) {
  switch (host) {
    case kDidNoConnect:
    case kDidBadTarget:
      return ENODEV;
    case kDidTimeOut:
      return ETIMEDOUT;
    default:
      return EIO;
  }
}

}  // namespace

ScsiResult MapSgResult(const sg_io_hdr_t& hdr, int ioctlResult, int ioctlErrno,
                       std::uint32_t requested) {
  ScsiResult result;
  if (ioctlResult < 0) {
    result.systemError = ioctlErrno != 0 ? ioctlErrno : EIO;
    return result;
  }

  const unsigned senseLength =
      std::min<unsigned>({hdr.sb_len_wr, hdr.mx_sb_len, kSgSenseBytes});
  std::uint8_t status = hdr.status != 0 ? hdr.status : static_cast<std::uint8_t>(hdr.masked_status << 1);
  const unsigned driver = hdr.driver_status & 0x0F;

  // Sense data means the device answered: whatever the adapter or driver add, the
  // caller gets a check condition with the device's sense bytes.
  if (senseLength > 0) {
    if (status == 0) status = kCheckCondition;
  } else if (hdr.host_status != kDidOk) {
    result.systemError = ErrnoForHost(hdr.host_status);
    return result;
  } else if (driver == kDriverTimeout) {
    result.systemError = ETIMEDOUT;
    return result;
  } else if (driver != kDriverOk && driver != kDriverSense) {
    result.systemError = EIO;
    return result;
  }

  result.callOk = true;
  result.status = status;
  result.senseLength = static_cast<std::uint8_t>(senseLength);
  if (senseLength > 0 && hdr.sbp != nullptr) std::memcpy(result.sense, hdr.sbp, senseLength);
  if (hdr.dxfer_direction != SG_DXFER_NONE) {
    const std::uint32_t resid = hdr.resid > 0 ? static_cast<std::uint32_t>(hdr.resid) : 0;
    result.transferred = requested - std::min(resid, requested);
  }
  return result;
}

SCSI_ADDRESS AddressFromIdLun(int idLunWord, int busNumber) {
  const auto word = static_cast<std::uint32_t>(idLunWord);
  SCSI_ADDRESS address{};
  address.Length = sizeof(SCSI_ADDRESS);
  address.TargetId = static_cast<std::uint8_t>(word & 0xFF);
  address.Lun = static_cast<std::uint8_t>((word >> 8) & 0xFF);
  address.PathId = static_cast<std::uint8_t>((word >> 16) & 0xFF);
  // The bus number ioctl names the host directly; the packed host byte is its fallback.
  address.PortNumber = static_cast<std::uint8_t>(busNumber >= 0 ? busNumber : (word >> 24) & 0xFF);
  return address;
}

SgDevice::SgDevice(UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}

ScsiResult SgDevice::Execute(const ScsiRequest& request) {
  ScsiResult failed;
  if (!fd_ || request.cdb == nullptr || request.cdbLength == 0 || request.cdbLength > 16 ||
      (request.dataLength > 0 && request.data == nullptr)) {
    failed.systemError = EINVAL;
    return failed;
  }

  std::uint8_t cdb[16] = {};
  std::memcpy(cdb, request.cdb, request.cdbLength);
  std::uint8_t sense[kSgSenseBytes] = {};

  sg_io_hdr_t hdr{};
  hdr.interface_id = 'S';
  hdr.cmd_len = request.cdbLength;
  hdr.cmdp = cdb;
  hdr.mx_sb_len = sizeof(sense);
  hdr.sbp = sense;
  hdr.timeout = request.timeoutMs;
  if (request.dataLength == 0 || request.direction == DataDirection::None) {
    hdr.dxfer_direction = SG_DXFER_NONE;
  } else {
    hdr.dxfer_direction =
        request.direction == DataDirection::In ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
    hdr.dxfer_len = request.dataLength;
    hdr.dxferp = request.data;
  }

  int rc = 0;
  do {
    rc = ::ioctl(fd_.get(), SG_IO, &hdr);
  } while (rc < 0 && errno == EINTR);
  return MapSgResult(hdr, rc, rc < 0 ? errno : 0, hdr.dxfer_len);
}

bool SgDevice::GetAddress(SCSI_ADDRESS& address) {
  if (!fd_) return false;
  struct {
    int dev_id;
    int host_unique_id;
  } idlun{};
  if (::ioctl(fd_.get(), SCSI_IOCTL_GET_IDLUN, &idlun) < 0) return false;
  int bus = -1;
  if (::ioctl(fd_.get(), SCSI_IOCTL_GET_BUS_NUMBER, &bus) < 0) bus = -1;
  address = AddressFromIdLun(idlun.dev_id, bus);
  return true;
}

}  // namespace tarnwick::platform
