#include "platform/win32/LocalTime.h"

#include "platform/LocalDateCheck.h"

namespace tarnwick::platform {

bool LocalToFileTime(const LocalDateTime& lastWrite, FILETIME& when) {
  if (!IsValidLocalDateTime(lastWrite)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(lastWrite.year);
  local.wMonth = static_cast<WORD>(lastWrite.month);
  local.wDay = static_cast<WORD>(lastWrite.day);
  local.wHour = static_cast<WORD>(lastWrite.hour);
  local.wMinute = static_cast<WORD>(lastWrite.minute);
  local.wSecond = static_cast<WORD>(lastWrite.second);
  SYSTEMTIME utc{};
  return ::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) && ::SystemTimeToFileTime(&utc, &when);
}

}  // namespace tarnwick::platform
