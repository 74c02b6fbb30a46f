// Commands the system refused to pass to the drive. An ordinary user who may read the
// device is still refused commands that change the drive's state (the kernel filters
// the command blocks by the access the device was opened with); such a failure is no
// answer of the drive, and the debug output says so.
#pragma once

#include <optional>
#include <string>

#include "transport/Srb.h"

namespace tarnwick {

// True for the system errors that mean "not allowed" (EPERM, EACCES).
bool IsRefusalError(int error);

// The debug line for a failed request that the system refused with `error`, or
// nullopt when the request was not refused (the drive answered, or it failed for
// another reason).
std::optional<std::string> RefusalLine(const SRB_ExecSCSICmd& srb, int error);

// The same for the last volume call of the current platform.
std::optional<std::string> RefusalLine(const SRB_ExecSCSICmd& srb);

}  // namespace tarnwick
