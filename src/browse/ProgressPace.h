// How often a progress display is redrawn: at most ten times a second, and always
// for the first and the last step, so a fast copy does not spend its time drawing.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace tarnwick {

class TProgressPace {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  static constexpr std::chrono::milliseconds kInterval{100};

  explicit TProgressPace(Clock clock = [] { return std::chrono::steady_clock::now(); }) : clock_(std::move(clock)) {}

  // Whether the step (done of total bytes) is to be drawn: the first step, the last
  // (done == total), or one at least kInterval after the last one drawn.
  bool Due(std::uint64_t done, std::uint64_t total);

 private:
  Clock clock_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace tarnwick
