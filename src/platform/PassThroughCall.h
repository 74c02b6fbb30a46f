// The two control calls of a volume handle, carried out on whatever stands behind
// the volume. Both check the caller's buffers before touching them and answer false
// (with an errno in *error) when the call cannot be made.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace tarnwick::platform {

// IOCTL_SCSI_PASS_THROUGH_DIRECT: `in` holds a SCSI_PASS_THROUGH_DIRECT (normally
// followed by its sense area); results and sense bytes go to `out`, usually the same
// buffer. The sense bytes are written at SenseInfoOffset and must fit in outLength.
bool PassThroughDirect(IScsiTarget& target, const void* in, std::uint32_t inLength, void* out,
                       std::uint32_t outLength, std::uint32_t* returned, int* error);

// IOCTL_SCSI_GET_ADDRESS: fills a SCSI_ADDRESS (8 bytes) in `out`.
bool GetScsiAddress(IScsiTarget& target, void* out, std::uint32_t outLength,
                    std::uint32_t* returned, int* error);

// A volume handle's control call `code` on the target behind it (null: the virtual
// drive behind the handle was removed, ENODEV); an unknown code is EINVAL. Runs
// without any lock of the caller's, so a long command does not block other handles.
bool VolumeControl(IScsiTarget* target, std::uint32_t code, void* in, std::uint32_t inLength, void* out,
                   std::uint32_t outLength, std::uint32_t* returned, int* error);

}  // namespace tarnwick::platform
