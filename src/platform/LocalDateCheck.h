// Whether a broken-down local date and time names a real moment of the calendar
// (the file-time setters refuse 31 February instead of rolling it over).
#pragma once

#include "platform/Platform.h"

namespace tarnwick::platform {

// Years 1900 to 9999, real days of the month, hours 0-23, minutes and seconds 0-59.
bool IsValidLocalDateTime(const LocalDateTime& t);

}  // namespace tarnwick::platform
