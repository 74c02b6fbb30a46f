// Giving a local directory the last-write date of a disc entry, after its contents
// were written (writing a file into a directory moves the directory's date).
#pragma once

#include <string>

#include "platform/Platform.h"

namespace tarnwick::platform {

// Sets the directory's last-write time from a local date and time (the time zone's
// rules of that date say whether summer time applies). False for an impossible date
// or when the system refuses.
bool SetDirectoryLastWrite(const std::string& path, const LocalDateTime& lastWrite);

}  // namespace tarnwick::platform
