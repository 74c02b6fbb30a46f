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
  const int offset = OffsetMinutes < 0 ? -OffsetMinutes : OffsetMinutes;
  const bool usual = Year >= 0 && Year <= 9999 && Month <= 99 && Day <= 99 && Hour <= 99 && Minute <= 99 &&
                     Second <= 99 && offset / 60 <= 99;
  if (!usual) {
    // At most "-32768-255-255T255:255:255+546:08".
    char text[48];
    const int n = Zoned ? std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", Year, Month, Day,
                                        Hour, Minute, Second, OffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60)
                        : std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", Year, Month, Day, Hour,
                                        Minute, Second);
    return std::string(text, static_cast<std::size_t>(std::max(n, 0)));
  }
  // Every field in two digits (the year in four): written directly, as a listing of
  // many entries makes one text per stamp.
  char text[32];
  char* p = text;
  auto two = [&p](int value, char after) {
    *p++ = static_cast<char>('0' + value / 10);
    *p++ = static_cast<char>('0' + value % 10);
    if (after) *p++ = after;
  };
  two(Year / 100, 0);
  two(Year % 100, '-');
  two(Month, '-');
  two(Day, 'T');
  two(Hour, ':');
  two(Minute, ':');
  two(Second, 0);
  if (Zoned) {
    *p++ = OffsetMinutes < 0 ? '-' : '+';
    two(offset / 60, ':');
    two(offset % 60, 0);
  }
  return std::string(text, p);
}

}  // namespace tarnwick
