#include "platform/linux/LinuxPlatform.h"

namespace tarnwick::platform {

Platform& SystemPlatform() {
  static LinuxPlatform platform;
  return platform;
}

}  // namespace tarnwick::platform
