#include <gtest/gtest.h>

#include <vector>

#include "support/OwnPlatform.h"

namespace tarnwick::platform {
namespace {

std::string Convert(const std::vector<std::uint8_t>& bytes) {
  test::OwnPlatform platform;
  return platform.Ucs2BeToAnsi(bytes.data(), bytes.size());
}

TEST(TextTest, PlainAndAccentedAndNonBmpText) {
  EXPECT_EQ(Convert({0x00, 'R', 0x00, 'E', 0x00, 'A', 0x00, 'D', 0x00, '.', 0x00, '1'}), "READ.1");
  EXPECT_EQ(Convert({0x00, 'c', 0x00, 'a', 0x00, 'f', 0x00, 0xE9}), "caf\xC3\xA9");
  EXPECT_EQ(Convert({0x20, 0xAC}), "\xE2\x82\xAC");
  // U+1F600 as the pair D83D DE00.
  EXPECT_EQ(Convert({0xD8, 0x3D, 0xDE, 0x00, 0x00, 'x'}), "\xF0\x9F\x98\x80x");
}

TEST(TextTest, UnpairedSurrogatesBecomeReplacementMarks) {
  const std::string mark = "\xEF\xBF\xBD";
  EXPECT_EQ(Convert({0xD8, 0x3D, 0x00, 'a'}), mark + "a");  // high without low
  EXPECT_EQ(Convert({0x00, 'a', 0xDE, 0x00}), "a" + mark);  // low without high
  EXPECT_EQ(Convert({0xD8, 0x3D}), mark);                   // high at the very end
  EXPECT_EQ(Convert({0xD8, 0x3D, 0xD8, 0x3D, 0xDE, 0x00}), mark + "\xF0\x9F\x98\x80");
}

TEST(TextTest, OddTrailingByteAndEmptyInput) {
  EXPECT_EQ(Convert({0x00, 'A', 0x00}), "A");
  EXPECT_EQ(Convert({}), "");
  test::OwnPlatform platform;
  EXPECT_EQ(platform.Ucs2BeToAnsi(nullptr, 4), "");
}

}  // namespace
}  // namespace tarnwick::platform
