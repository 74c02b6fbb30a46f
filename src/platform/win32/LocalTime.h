// A local date and time of the disc as a Win32 file time (UTC), read by the time
// zone's rules of that date (summer time included).
#pragma once

#include "platform/Platform.h"
#include "platform/win32/SystemHeaders.h"

namespace tarnwick::platform {

// False for an impossible date (ERROR_INVALID_PARAMETER) or when the system cannot
// convert it (its own last error).
bool LocalToFileTime(const LocalDateTime& lastWrite, FILETIME& when);

}  // namespace tarnwick::platform
