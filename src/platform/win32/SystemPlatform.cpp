#include "platform/win32/Win32Platform.h"

namespace tarnwick::platform {

Platform& SystemPlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace tarnwick::platform
