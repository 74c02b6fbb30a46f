#include "platform/LinkDate.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace tarnwick::platform {

bool SetLinkLastWrite(const std::string& path, std::int64_t unixSeconds) {
  const timespec when{static_cast<time_t>(unixSeconds), 0};
  const timespec times[2] = {when, when};
  return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// symlink(2) answers EPERM where the file system cannot hold links.
bool LinksRefusedHere(const std::error_code& error) { return error == std::errc::operation_not_permitted; }

}  // namespace tarnwick::platform
