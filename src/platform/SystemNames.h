// Rules of the system for one component of a local path, beyond the ones every
// system shares ('/' and NUL): on Windows, device names (CON, NUL, COM1, ... with or
// without an extension), the characters <>:"|?*\ and control characters, and trailing
// dots and blanks, which the system drops. Elsewhere nothing more is reserved.
#pragma once

#include <string>

namespace tarnwick::platform {

// True when the system would not store `component` as a plain file of that name.
bool IsReservedSystemName(const std::string& component);

// `component` changed as little as needed to be a plain file name here: reserved
// characters become '_', trailing dots and blanks are dropped, a device name gets a
// '_' in front. The result may be empty (the caller decides what an empty name is).
std::string MakeSystemSafeName(const std::string& component);

}  // namespace tarnwick::platform
