#include "platform/win32/VolumeDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/win32/ScsiPassThrough.h"

namespace tarnwick::platform {
namespace {

constexpr std::uint32_t kIoctlScsiGetAddress = IOCTL_SCSI_GET_ADDRESS;
constexpr std::size_t kSenseBytes = 32;

constexpr std::size_t AlignUp(std::size_t value) { return (value + 7) & ~std::size_t{7}; }

// Where sense and data lie in the one buffer of a request.
constexpr std::size_t kSenseOffset = AlignUp(sizeof(ScsiPassThrough));
constexpr std::size_t kDataOffset = AlignUp(kSenseOffset + kSenseBytes);

ScsiResult Failed(int error) {
  ScsiResult result;
  result.callOk = false;
  result.systemError = error;
  return result;
}

}  // namespace

int ErrnoOfSystemError(unsigned long error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_FUNCTION:
      return EINVAL;
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
      return ENODEV;
    default:
      return EIO;
  }
}

VolumeDevice::VolumeDevice(OwnedWin32Handle volume, std::string name)
    : volume_(std::move(volume)), name_(std::move(name)) {}

ScsiResult VolumeDevice::Execute(const ScsiRequest& request) {
  if (request.cdb == nullptr || request.cdbLength == 0 || request.cdbLength > 16 ||
      (request.dataLength > 0 && request.data == nullptr) ||
      request.dataLength > std::numeric_limits<DWORD>::max() - kDataOffset) {
    return Failed(EINVAL);
  }
  std::vector<std::uint8_t> buffer(kDataOffset + request.dataLength, 0);
  ScsiPassThrough spt{};
  spt.Length = sizeof(ScsiPassThrough);
  spt.CdbLength = request.cdbLength;
  spt.SenseInfoLength = kSenseBytes;
  spt.DataIn = static_cast<std::uint8_t>(request.direction);
  spt.DataTransferLength = request.dataLength;
  // The system counts whole seconds; a command is never given less than one.
  spt.TimeOutValue = std::max<std::uint32_t>(1, (request.timeoutMs + 999) / 1000);
  spt.DataBufferOffset = request.dataLength > 0 ? kDataOffset : 0;
  spt.SenseInfoOffset = kSenseOffset;
  std::memcpy(spt.Cdb, request.cdb, request.cdbLength);
  std::memcpy(buffer.data(), &spt, sizeof spt);
  if (request.direction == DataDirection::Out && request.dataLength > 0) {
    std::memcpy(buffer.data() + kDataOffset, request.data, request.dataLength);
  }

  DWORD returned = 0;
  const auto length = static_cast<DWORD>(buffer.size());
  if (!::DeviceIoControl(volume_.get(), kIoctlScsiPassThrough, buffer.data(), length, buffer.data(),
                         length, &returned, nullptr)) {
    return Failed(ErrnoOfSystemError(::GetLastError()));
  }
  std::memcpy(&spt, buffer.data(), sizeof spt);

  ScsiResult result;
  result.callOk = true;
  result.status = spt.ScsiStatus;
  result.senseLength = static_cast<std::uint8_t>(std::min<std::size_t>(spt.SenseInfoLength, kSenseBytes));
  std::memcpy(result.sense, buffer.data() + kSenseOffset, result.senseLength);
  result.transferred = std::min(spt.DataTransferLength, request.dataLength);
  if (request.direction == DataDirection::In && result.transferred > 0) {
    std::memcpy(request.data, buffer.data() + kDataOffset, result.transferred);
  }
  return result;
}

bool VolumeDevice::GetAddress(SCSI_ADDRESS& address) {
  SCSI_ADDRESS answer{};
  DWORD returned = 0;
  if (!::DeviceIoControl(volume_.get(), kIoctlScsiGetAddress, nullptr, 0, &answer, sizeof answer,
                         &returned, nullptr) ||
      returned < sizeof answer) {
    return false;
  }
  address = answer;
  return true;
}

}  // namespace tarnwick::platform
