// The clock of a running program: sleeps and timed waits take real time.
#pragma once

#include <chrono>

#include "platform/Platform.h"

namespace tarnwick::platform {

class RealClock final : public IClock {
 public:
  RealClock();
  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t Wait(EventHandle event, std::uint32_t milliseconds) override;
  std::uint64_t NowMs() const override;

 private:
  std::chrono::steady_clock::time_point start_;
};

}  // namespace tarnwick::platform
