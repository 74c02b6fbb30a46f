// The time stamps of an entry written on a Unix-like system, as the model keeps them.
#include "iso/Dates.h"
#include "iso/Format.h"
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
  std::string text = Format("%04d-%02d-%02dT%02d:%02d:%02d", Year, Month, Day, Hour, Minute, Second);
  if (!Zoned) return text;
  const int offset = OffsetMinutes < 0 ? -OffsetMinutes : OffsetMinutes;
  return text + Format("%c%02d:%02d", OffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
}

}  // namespace tarnwick
