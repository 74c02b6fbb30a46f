// A clock for tests: sleeps and timed-out waits only advance a counter, so waits of
// several seconds cost no real time. Every sleep and wait is recorded with the
// duration asked for, so tests can check what the code under test waited for.
//
// A wait on an event that is already signalled returns kWaitSignalled at once. On an
// unsignalled event the clock first waits for real up to the "real grace" (0 ms by
// default; give a few hundred ms when another thread is expected to signal), and if
// the event is still unsignalled it advances its time by the full limit and returns
// kWaitTimeout.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Platform.h"

namespace tarnwick::platform {

class VirtualClock final : public IClock {
 public:
  explicit VirtualClock(std::uint64_t startMs = 0);

  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t Wait(EventHandle event, std::uint32_t milliseconds) override;
  std::uint64_t NowMs() const override;

  void SetRealGrace(std::uint32_t milliseconds);
  // Moves the time forward without recording a sleep.
  void Advance(std::uint64_t milliseconds);

  // Durations asked for, in call order.
  std::vector<std::uint32_t> Sleeps() const;
  std::vector<std::uint32_t> Waits() const;
  // Total of the recorded sleeps.
  std::uint64_t SleptMs() const;
  void ClearRecords();

 private:
  mutable std::mutex mutex_;
  std::uint64_t nowMs_;
  std::uint32_t realGraceMs_ = 0;
  std::vector<std::uint32_t> sleeps_;
  std::vector<std::uint32_t> waits_;
};

}  // namespace tarnwick::platform
