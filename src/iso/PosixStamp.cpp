// The time stamps of an entry written on a Unix-like system, as the model keeps them.
#include <algorithm>
#include <cstdio>

#include "iso/Dates.h"
#include "iso/Records.h"

namespace tarnwick {

const char* StampName(TStampKind kind) {
  static constexpr const char* names[kStampKinds] = {"creation",  "modification", "access",   "attributes",
                                                     "backup",    "expiration",   "effective"};
  return names[static_cast<std::size_t>(kind)];
}

std::optional<std::int64_t> TPosixStamp::UnixSeconds() const {
  const auto utc = CalendarSeconds(Year, Month, Day, Hour, Minute, Second);
  if (!utc) return std::nullopt;
  return *utc - OffsetMinutes * std::int64_t{60};
}

std::string TPosixStamp::Text() const {
  // At most "-32768-255-255T255:255:255+32:00".
  char text[48];
  const int offset = OffsetMinutes < 0 ? -OffsetMinutes : OffsetMinutes;
  const int n = Zoned ? std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", Year, Month, Day,
                                      Hour, Minute, Second, OffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60)
                      : std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", Year, Month, Day, Hour,
                                      Minute, Second);
  return std::string(text, static_cast<std::size_t>(std::max(n, 0)));
}

}  // namespace tarnwick
