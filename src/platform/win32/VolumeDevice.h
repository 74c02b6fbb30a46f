// A volume of the system ("\\.\D:") as a SCSI target: commands go through the
// buffered pass-through control call, the address through IOCTL_SCSI_GET_ADDRESS.
#pragma once

#include <string>

#include "platform/Platform.h"
#include "platform/win32/OwnedHandle.h"

namespace tarnwick::platform {

class VolumeDevice final : public IScsiTarget {
 public:
  VolumeDevice(OwnedWin32Handle volume, std::string name);

  ScsiResult Execute(const ScsiRequest& request) override;
  bool GetAddress(SCSI_ADDRESS& address) override;
  std::string Describe() const override { return name_; }

 private:
  OwnedWin32Handle volume_;
  std::string name_;
};

// The errno closest to a Win32 error code (EACCES for a refusal, EIO for the rest).
int ErrnoOfSystemError(unsigned long error);

}  // namespace tarnwick::platform
