// A real optical device reached with the SG_IO ioctl of the Linux SCSI layer.
#pragma once

#include <scsi/sg.h>

#include <string>

#include "platform/Platform.h"
#include "platform/linux/UniqueFd.h"

namespace tarnwick::platform {

inline constexpr unsigned kSgSenseBytes = 32;

// Turns a finished SG_IO call into what the pass-through caller sees. `ioctlResult`
// and `ioctlErrno` are the ioctl's return value and errno; `requested` the data
// length asked for. Kept free of the device so it can be checked with made-up headers.
ScsiResult MapSgResult(const sg_io_hdr_t& hdr, int ioctlResult, int ioctlErrno,
                       std::uint32_t requested);

// The SCSI address in the form the sg driver reports it (SCSI_IOCTL_GET_IDLUN's
// first word packs target, LUN, channel and host in its four bytes, low to high).
SCSI_ADDRESS AddressFromIdLun(int idLunWord, int busNumber);

class SgDevice final : public IScsiTarget {
 public:
  SgDevice(UniqueFd fd, std::string path);

  ScsiResult Execute(const ScsiRequest& request) override;
  bool GetAddress(SCSI_ADDRESS& address) override;
  std::string Describe() const override { return path_; }

 private:
  UniqueFd fd_;
  std::string path_;
};

}  // namespace tarnwick::platform
