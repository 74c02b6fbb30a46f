#include "platform/DirectoryDate.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/LocalDateCheck.h"

namespace tarnwick::platform {

bool SetDirectoryLastWrite(const std::string& path, const LocalDateTime& lastWrite) {
  if (!IsValidLocalDateTime(lastWrite)) return false;
  std::tm local{};
  local.tm_year = lastWrite.year - 1900;
  local.tm_mon = lastWrite.month - 1;
  local.tm_mday = lastWrite.day;
  local.tm_hour = lastWrite.hour;
  local.tm_min = lastWrite.minute;
  local.tm_sec = lastWrite.second;
  local.tm_isdst = -1;  // the time zone's rules say whether summer time applies
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return false;
  std::error_code ec;
  std::filesystem::last_write_time(
      path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(seconds)), ec);
  return !ec;
}

}  // namespace tarnwick::platform
