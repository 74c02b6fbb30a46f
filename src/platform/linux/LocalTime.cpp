#include "platform/linux/LocalTime.h"

#include "platform/LocalDateCheck.h"

namespace tarnwick::platform {

std::optional<std::time_t> LocalToSystemSeconds(const LocalDateTime& lastWrite) {
  if (!IsValidLocalDateTime(lastWrite)) return std::nullopt;
  std::tm local{};
  local.tm_year = lastWrite.year - 1900;
  local.tm_mon = lastWrite.month - 1;
  local.tm_mday = lastWrite.day;
  local.tm_hour = lastWrite.hour;
  local.tm_min = lastWrite.minute;
  local.tm_sec = lastWrite.second;
  local.tm_isdst = -1;  // the time zone's rules say whether summer time applies
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
  return seconds;
}

}  // namespace tarnwick::platform
