#include <gtest/gtest.h>

#include "browse/Formatting.h"
#include "browse/ProgressPace.h"
#include "browse/WindowCommands.h"

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

TEST(ProgressPace, RateIsToldOnlyOnceEnoughIsReadAndFollowsAChangeSmoothly) {
  using namespace std::chrono;
  steady_clock::time_point now{};
  TProgressRate rate([&] { return now; });
  std::uint64_t done = 0;
  const double mb = 1 << 20;
  // Reads of 64 KB at `perSecond` for `time`; then the rate seen.
  const auto read = [&](double perSecond, milliseconds time) {
    for (const auto end = now + time; now < end; rate.Add(done += 65536)) {
      now += microseconds(static_cast<std::int64_t>(65536 / perSecond * 1e6));
    }
    return rate.BytesPerSecond() / mb;
  };
  EXPECT_EQ(read(20 * mb, milliseconds(1900)), 0);  // not yet two seconds
  EXPECT_NEAR(read(20 * mb, milliseconds(2100)), 20, 0.3);
  EXPECT_EQ(PaceText(rate, 2560ull << 20, ","), ", 20,0 MB/s, about 2 min 8 s left");
  EXPECT_EQ(PaceText(rate, 0, "."), ", 20.0 MB/s");
  // Slower: after two seconds the rate is on its way, after ten more it is there.
  const double moving = read(5 * mb, milliseconds(2000));
  EXPECT_TRUE(moving > 8 && moving < 17) << moving;
  EXPECT_NEAR(read(5 * mb, milliseconds(10000)), 5, 0.5);
  // After a pause it waits for enough again: two seconds, and a megabyte read.
  rate.Restart();
  EXPECT_EQ(read(5 * mb, milliseconds(1000)), 0);
  rate.Restart();
  EXPECT_EQ(read(0.25 * mb, milliseconds(3000)), 0);
}

TEST(ProgressPace, SizesRatesTimesAndTheDialogsText) {
  const std::pair<std::uint64_t, const char*> sizes[] = {
      {0, "0 bytes"}, {1, "1 byte"},           {1023, "1023 bytes"},       {1024, "1.00 KB"},  {1048575, "1.00 MB"},
      {4345, "4.24 KB"}, {4831839208, "4.50 GB"}, {1ull << 50, "1024.00 TB"}};
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(SizeText(bytes, "."), text);
  EXPECT_EQ(RateText(850, "."), "850 bytes/s");
  EXPECT_EQ(RateText(22334668, ","), "21,3 MB/s");
  const std::pair<std::uint64_t, const char*> times[] = {
      {0, "about 1 s left"},    {45, "about 45 s left"},      {60, "about 1 min left"},
      {3600, "about 1 h left"}, {3900, "about 1 h 5 min left"}, {360000, "more than 99 h left"}};
  for (const auto& [seconds, text] : times) EXPECT_EQ(TimeLeftText(seconds), text);

  TExtractionStep step{"big.iso", 1435717632, 4831839208, 1435717632, 4831839208, 0};
  EXPECT_EQ(ProgressText(step, true, ".", ", 21.3 MB/s, about 2 min 28 s left"),
            "big.iso\n1.34 GB of 4.50 GB (29%), 21.3 MB/s, about 2 min 28 s left");
  step = {"docs/manual.txt", 1575, 1575, 10632, 20000, 3};
  EXPECT_EQ(ProgressText(step, false, ",", ""),
            "docs/manual.txt\n1,54 KB of 1,54 KB\n10,38 KB of 19,53 KB in all (53%)\n3 unreadable sectors");
}

}  // namespace
}  // namespace tarnwick
