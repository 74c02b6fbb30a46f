#include "platform/RealClock.h"

#include <thread>

#include "platform/Event.h"

namespace tarnwick::platform {

RealClock::RealClock() : start_(std::chrono::steady_clock::now()) {}

void RealClock::Sleep(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint32_t RealClock::Wait(EventHandle handle, std::uint32_t milliseconds) {
  Event* event = Event::From(handle);
  if (event == nullptr) return WAIT_FAILED;
  return event->WaitFor(std::chrono::milliseconds(milliseconds)) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

std::uint64_t RealClock::NowMs() const {
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace tarnwick::platform
