#include "platform/PassThroughCall.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace tarnwick::platform {
namespace {

bool Fail(int* error, int code) {
  if (error != nullptr) *error = code;
  return false;
}

void SetReturned(std::uint32_t* returned, std::uint32_t value) {
  if (returned != nullptr) *returned = value;
}

}  // namespace

bool PassThroughDirect(IScsiTarget& target, const void* in, std::uint32_t inLength, void* out,
                       std::uint32_t outLength, std::uint32_t* returned, int* error) {
  SetReturned(returned, 0);
  constexpr std::uint32_t kHead = sizeof(SCSI_PASS_THROUGH_DIRECT);
  if (in == nullptr || out == nullptr || inLength < kHead || outLength < kHead) {
    return Fail(error, EINVAL);
  }
  SCSI_PASS_THROUGH_DIRECT spt;
  std::memcpy(&spt, in, kHead);

  if (spt.CdbLength == 0 || spt.CdbLength > sizeof(spt.Cdb) ||
      (spt.DataTransferLength > 0 && spt.DataBuffer == nullptr)) {
    return Fail(error, EINVAL);
  }
  // The sense area must lie inside the output buffer.
  if (spt.SenseInfoLength > 0 &&
      std::uint64_t{spt.SenseInfoOffset} + spt.SenseInfoLength > outLength) {
    return Fail(error, EINVAL);
  }

  ScsiRequest request;
  request.cdb = spt.Cdb;
  request.cdbLength = spt.CdbLength;
  switch (spt.DataIn) {
    case SCSI_IOCTL_DATA_IN:
      request.direction = DataDirection::In;
      break;
    case SCSI_IOCTL_DATA_OUT:
      request.direction = DataDirection::Out;
      break;
    case SCSI_IOCTL_DATA_UNSPECIFIED:
      request.direction = DataDirection::None;
      break;
    default:
      return Fail(error, EINVAL);
  }
  request.data = static_cast<std::uint8_t*>(spt.DataBuffer);
  request.dataLength = spt.DataTransferLength;
  constexpr std::uint32_t kMaxSeconds = std::numeric_limits<std::uint32_t>::max() / 1000;
  request.timeoutMs = std::min(spt.TimeOutValue, kMaxSeconds) * 1000;

  const ScsiResult result = target.Execute(request);
  if (!result.callOk) return Fail(error, result.systemError != 0 ? result.systemError : EIO);

  const std::uint8_t senseLength =
      std::min<std::uint8_t>({result.senseLength, spt.SenseInfoLength,
                              static_cast<std::uint8_t>(sizeof(result.sense))});
  spt.ScsiStatus = result.status;
  spt.SenseInfoLength = senseLength;
  spt.DataTransferLength = std::min(result.transferred, spt.DataTransferLength);

  auto* bytes = static_cast<std::uint8_t*>(out);
  std::memcpy(bytes, &spt, kHead);
  if (senseLength > 0) std::memcpy(bytes + spt.SenseInfoOffset, result.sense, senseLength);

  SetReturned(returned, std::max<std::uint32_t>(kHead, senseLength > 0 ? spt.SenseInfoOffset + senseLength : 0));
  if (error != nullptr) *error = 0;
  return true;
}

bool GetScsiAddress(IScsiTarget& target, void* out, std::uint32_t outLength,
                    std::uint32_t* returned, int* error) {
  SetReturned(returned, 0);
  if (out == nullptr || outLength < sizeof(SCSI_ADDRESS)) return Fail(error, EINVAL);
  SCSI_ADDRESS address{};
  if (!target.GetAddress(address)) return Fail(error, ENODEV);
  address.Length = sizeof(SCSI_ADDRESS);
  std::memcpy(out, &address, sizeof(address));
  SetReturned(returned, sizeof(SCSI_ADDRESS));
  if (error != nullptr) *error = 0;
  return true;
}

bool VolumeControl(IScsiTarget* target, std::uint32_t code, void* in, std::uint32_t inLength, void* out,
                   std::uint32_t outLength, std::uint32_t* returned, int* error) {
  if (returned != nullptr) *returned = 0;
  if (target == nullptr) return Fail(error, ENODEV);
  switch (code) {
    case IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return PassThroughDirect(*target, in, inLength, out, outLength, returned, error);
    case IOCTL_SCSI_GET_ADDRESS:
      return GetScsiAddress(*target, out, outLength, returned, error);
    default:
      return Fail(error, EINVAL);
  }
}

}  // namespace tarnwick::platform
