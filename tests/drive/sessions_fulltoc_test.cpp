// Reading the first track of a session out of a full TOC answer.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "drive/FullToc.h"
#include "platform/ByteOrder.h"

namespace tarnwick {
namespace {

// A full TOC answer from descriptors (session, point, pmin); data length set to match.
std::vector<std::uint8_t> Answer(const std::vector<std::array<std::uint8_t, 3>>& points) {
  std::vector<std::uint8_t> a(4, 0);
  for (const auto& p : points) {
    std::uint8_t d[11] = {p[0], 0x14, 0, p[1], 0, 0, 0, 0, p[2], 0, 0};
    a.insert(a.end(), d, d + 11);
  }
  PutBE16(a.data(), static_cast<std::uint32_t>(a.size() - 2));
  a[2] = 1;
  a[3] = points.empty() ? 0 : points.back()[0];
  return a;
}

TEST(FullToc, FirstTrackIsPminOfTheSessionsA0Point) {
  // Session 1: audio tracks 1 and 2; session 2: data track 3.
  const auto a = Answer({{1, 0xA0, 1}, {1, 0xA1, 2}, {1, 0xA2, 20}, {1, 1, 0}, {1, 2, 3},
                         {2, 0xA0, 3}, {2, 0xA1, 3}, {2, 0xA2, 40}, {2, 3, 30}});
  EXPECT_EQ(FirstTrackFromFullToc(a.data(), a.size(), 1), 1);
  EXPECT_EQ(FirstTrackFromFullToc(a.data(), a.size(), 2), 3);
  EXPECT_FALSE(FirstTrackFromFullToc(a.data(), a.size(), 3).has_value());
}

TEST(FullToc, OnlyDescriptorsInsideTheDataLengthAndTheBufferCount) {
  auto a = Answer({{1, 0xA0, 1}, {2, 0xA0, 5}});
  // A data length that claims one descriptor hides the second.
  PutBE16(a.data(), 2 + 11);
  EXPECT_EQ(FirstTrackFromFullToc(a.data(), a.size(), 1), 1);
  EXPECT_FALSE(FirstTrackFromFullToc(a.data(), a.size(), 2).has_value());
  // A data length far beyond the buffer reads no further than the buffer.
  PutBE16(a.data(), 0xFFFF);
  EXPECT_EQ(FirstTrackFromFullToc(a.data(), a.size(), 2), 5);
  EXPECT_FALSE(FirstTrackFromFullToc(a.data(), a.size() - 1, 2).has_value());
  EXPECT_FALSE(FirstTrackFromFullToc(a.data(), 3, 1).has_value());
  EXPECT_FALSE(FirstTrackFromFullToc(nullptr, 100, 1).has_value());
}

TEST(FullToc, TrackNumbersOutsideOneToNinetyNineAreNotTaken) {
  const auto zero = Answer({{1, 0xA0, 0}});
  EXPECT_FALSE(FirstTrackFromFullToc(zero.data(), zero.size(), 1).has_value());
  const auto bcd = Answer({{1, 0xA0, 0xA0}});
  EXPECT_FALSE(FirstTrackFromFullToc(bcd.data(), bcd.size(), 1).has_value());
}

}  // namespace
}  // namespace tarnwick
