#include "platform/RealClock.h"

#include <thread>


namespace tarnwick::platform {

RealClock::RealClock() : start_(std::chrono::steady_clock::now()) {}

void RealClock::Sleep(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint32_t RealClock::Wait(EventHandle handle, std::uint32_t milliseconds) {
  return WaitForEvent(handle, milliseconds);
}

std::uint64_t RealClock::NowMs() const {
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace tarnwick::platform
