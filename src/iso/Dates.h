// Dates of entries: local date and time held as a floating day count from
// 30 December 1899 (time of day as the fraction), at 2-second resolution, and the
// MS-DOS packed form (years 1980 to 2107) that entry descriptions carry.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Platform.h"

namespace tarnwick {

// The day count for a calendar date and time, seconds rounded down to an even
// number; NoDate when the values are not a valid date and time.
double EncodeDateTime(int year, int month, int day, int hour, int minute, int second);

// Seconds since 1970-01-01 00:00 of the calendar date and time, counted as UTC;
// none when the values are not a valid date and time. Seconds are kept whole.
std::optional<std::int64_t> CalendarSeconds(int year, int month, int day, int hour, int minute, int second);

// The local date and time of seconds since 1970-01-01 UTC, to the second; false
// when the system cannot express it.
bool LocalTimeOf(std::int64_t unixSeconds, platform::LocalDateTime& out);

struct TFEntry;
// The local time an extracted file or directory is given: its POSIX modification
// time to the second where recorded, else its entry's date; false when it has none.
bool EntryLocalTime(const TFEntry& entry, platform::LocalDateTime& out);

// Breaks a day count down into calendar fields (nearest second); false for NoDate
// or a value outside years 1..9999.
bool DecodeDateTime(double dateTime, platform::LocalDateTime& out);

// MS-DOS packing: high 16 bits (year - 1980) * 512 + month * 32 + day, low 16 bits
// hour * 2048 + minute * 32 + seconds / 2. 0 for NoDate or a year outside 1980..2107.
std::uint32_t PackDosDateTime(double dateTime);

// The day count of a packed value; NoDate when it holds no valid date (0 included).
double UnpackDosDateTime(std::uint32_t stamp);

}  // namespace tarnwick
