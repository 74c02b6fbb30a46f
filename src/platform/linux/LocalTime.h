// A local date and time of the disc as the system's seconds since 1970, read by the
// time zone's rules of that date (summer time included).
#pragma once

#include <ctime>
#include <optional>

#include "platform/Platform.h"

namespace tarnwick::platform {

// Nothing for an impossible date (mktime would quietly roll 31 February into March).
std::optional<std::time_t> LocalToSystemSeconds(const LocalDateTime& lastWrite);

}  // namespace tarnwick::platform
