// The installed platform and clock. Both default to the real ones; tests install
// replacements for a scope. The pointers are atomic because a library thread may
// reach the clock while the main thread installs another.
#include <atomic>

#include "platform/Platform.h"
#include "platform/RealClock.h"

namespace tarnwick::platform {
namespace {

IClock& DefaultClock() {
  static RealClock clock;
  return clock;
}

std::atomic<Platform*> installedPlatform{nullptr};
std::atomic<IClock*> installedClock{nullptr};

}  // namespace

Platform& Current() {
  Platform* platform = installedPlatform.load();
  return platform != nullptr ? *platform : SystemPlatform();
}

IClock& Clock() {
  IClock* clock = installedClock.load();
  return clock != nullptr ? *clock : DefaultClock();
}

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(installedPlatform.exchange(&platform)) {}
ScopedPlatform::~ScopedPlatform() { installedPlatform.store(previous_); }

ScopedClock::ScopedClock(IClock& clock) : previous_(installedClock.exchange(&clock)) {}
ScopedClock::~ScopedClock() { installedClock.store(previous_); }

}  // namespace tarnwick::platform
