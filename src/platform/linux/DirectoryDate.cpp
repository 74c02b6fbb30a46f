#include "platform/DirectoryDate.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/linux/LocalTime.h"

namespace tarnwick::platform {

bool SetDirectoryLastWrite(const std::string& path, const LocalDateTime& lastWrite) {
  const std::optional<std::time_t> seconds = LocalToSystemSeconds(lastWrite);
  if (!seconds) return false;
  std::error_code ec;
  std::filesystem::last_write_time(
      path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(*seconds)), ec);
  return !ec;
}

}  // namespace tarnwick::platform
