#include <gtest/gtest.h>

#include "browse/ProgressPace.h"

namespace tarnwick {
namespace {

TEST(ProgressPace, AtMostTenRedrawsASecondPlusTheFirstAndTheLast) {
  using namespace std::chrono;
  steady_clock::time_point now{};
  TProgressPace pace([&] { return now; });
  // A 300 MB file read in 62 KB steps over three seconds: 4839 steps.
  const std::uint64_t total = 300'000'000, step = 63'488;
  int drawn = 0, steps = 0;
  for (std::uint64_t done = step; done < total + step; done += step) {
    const std::uint64_t at = done < total ? done : total;
    now = steady_clock::time_point{} + microseconds(3'000'000 * at / total);
    drawn += pace.Due(at, total) ? 1 : 0;
    ++steps;
  }
  EXPECT_EQ(steps, 4726);
  EXPECT_GE(drawn, 30);
  EXPECT_LE(drawn, 32);  // the first step, one per 100 ms, the last
  // The last step is drawn however soon it comes.
  TProgressPace quick([&] { return now; });
  EXPECT_TRUE(quick.Due(1, 3));
  EXPECT_FALSE(quick.Due(2, 3));
  EXPECT_TRUE(quick.Due(3, 3));
}

}  // namespace
}  // namespace tarnwick
