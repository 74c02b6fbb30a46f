#include "platform/VirtualClock.h"

#include <chrono>
#include <numeric>


namespace tarnwick::platform {

VirtualClock::VirtualClock(std::uint64_t startMs) : nowMs_(startMs) {}

void VirtualClock::Sleep(std::uint32_t milliseconds) {
  std::lock_guard lock(mutex_);
  sleeps_.push_back(milliseconds);
  nowMs_ += milliseconds;
}

std::uint32_t VirtualClock::Wait(EventHandle handle, std::uint32_t milliseconds) {
  std::uint32_t grace = 0;
  {
    std::lock_guard lock(mutex_);
    waits_.push_back(milliseconds);
    grace = realGraceMs_ < milliseconds ? realGraceMs_ : milliseconds;
  }
  // The real wait happens without the clock's lock, so a signalling thread that
  // looks at the clock is never blocked by it.
  const std::uint32_t real = WaitForEvent(handle, grace);
  if (real != kWaitTimeout) return real;
  std::lock_guard lock(mutex_);
  nowMs_ += milliseconds;
  return kWaitTimeout;
}

std::uint64_t VirtualClock::NowMs() const {
  std::lock_guard lock(mutex_);
  return nowMs_;
}

void VirtualClock::SetRealGrace(std::uint32_t milliseconds) {
  std::lock_guard lock(mutex_);
  realGraceMs_ = milliseconds;
}

void VirtualClock::Advance(std::uint64_t milliseconds) {
  std::lock_guard lock(mutex_);
  nowMs_ += milliseconds;
}

std::vector<std::uint32_t> VirtualClock::Sleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

std::vector<std::uint32_t> VirtualClock::Waits() const {
  std::lock_guard lock(mutex_);
  return waits_;
}

std::uint64_t VirtualClock::SleptMs() const {
  std::lock_guard lock(mutex_);
  return std::accumulate(sleeps_.begin(), sleeps_.end(), std::uint64_t{0});
}

void VirtualClock::ClearRecords() {
  std::lock_guard lock(mutex_);
  sleeps_.clear();
  waits_.clear();
}

}  // namespace tarnwick::platform
