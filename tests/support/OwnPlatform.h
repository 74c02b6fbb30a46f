// The system's own platform with the machine's real drives hidden, for the tests of
// the platform itself.
#pragma once

#if defined(_WIN32)
#include "platform/win32/Win32Platform.h"
#else
#include "platform/linux/LinuxPlatform.h"
#endif

namespace tarnwick::test {

#if defined(_WIN32)
class OwnPlatform : public platform::Win32Platform {
 public:
  OwnPlatform() : Win32Platform(false) {}
};
#else
class OwnPlatform : public platform::LinuxPlatform {
 public:
  OwnPlatform() : LinuxPlatform(platform::DeviceDiscovery{"", 0}) {}
};
#endif

}  // namespace tarnwick::test
