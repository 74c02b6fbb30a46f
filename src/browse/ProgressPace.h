// How often a progress display is redrawn: at most ten times a second, and always
// for the first and the last step, so a fast copy does not spend its time drawing.
// And how fast a copy goes: the rate, smoothed over the last seconds, and the time
// the rest takes at that rate.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

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

class TProgressRate {
 public:
  using Clock = TProgressPace::Clock;
  // The rate is measured over spans of at least half a second, each weighing in as
  // much as the span is long against a memory of three seconds; nothing is told
  // before two seconds of reading and a megabyte read, when a drive's first reads
  // (spinning up, seeking) would say little about the rest.
  static constexpr std::chrono::milliseconds kSpan{500};
  static constexpr std::chrono::milliseconds kMemory{3000};
  static constexpr std::chrono::milliseconds kSettle{2000};
  static constexpr std::uint64_t kLeastBytes = 1u << 20;

  explicit TProgressRate(Clock clock = [] { return std::chrono::steady_clock::now(); }) : clock_(std::move(clock)) {}

  // Notes that `done` bytes of the whole have been read by now.
  void Add(std::uint64_t done);
  // Measures afresh from the next Add on: after the reading paused (a question to
  // the user), the time of the pause is not reading time.
  void Restart() { started_ = false; }
  // Bytes a second, smoothed; 0 while too little has been read to tell.
  double BytesPerSecond() const;

 private:
  Clock clock_;
  bool started_ = false;
  std::chrono::steady_clock::time_point start_{}, spanStart_{}, last_{};
  std::uint64_t startBytes_ = 0, spanBytes_ = 0, lastBytes_ = 0;
  double rate_ = 0;
};

// "about 45 s left", "about 2 min 28 s left", "about 1 h 5 min left"; "more than 99 h
// left" beyond that.
std::string TimeLeftText(std::uint64_t seconds);

// ", 21.3 MB/s, about 2 min 28 s left": the rate and the time the `bytesLeft` take at
// it (the rate alone when nothing is left); "" while the rate is not known.
std::string PaceText(const TProgressRate& rate, std::uint64_t bytesLeft, const std::string& decimalSeparator);

}  // namespace tarnwick
