#include <gtest/gtest.h>

#include <vector>

#include "platform/Text.h"
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

// Names in sheets other programs wrote: UTF-8 stays, anything else is Windows-1252.
TEST(TextTest, ForeignNamesAreUtf8OrTheWindowsCodePage) {
  const struct {
    const char* what;
    std::string written, utf8;
  } cases[] = {
      {"ASCII", "disc 1.bin", "disc 1.bin"},
      {"valid UTF-8 stays", "Gro\xC3\x9Fmutter \xE2\x80\x93 \xD0\xA4.bin", "Gro\xC3\x9Fmutter \xE2\x80\x93 \xD0\xA4.bin"},
      {"Latin letters", "Gro\xDFmutter.bin", "Gro\xC3\x9Fmutter.bin"},
      {"the code page's own marks", "\x80 \x96 \x92", "\xE2\x82\xAC \xE2\x80\x93 \xE2\x80\x99"},
      {"an undefined byte", "a\x81" "b", "a\xEF\xBF\xBD" "b"},
  };
  for (const auto& c : cases) EXPECT_EQ(ForeignTextToUtf8(c.written), c.utf8) << c.what;
}

}  // namespace
}  // namespace tarnwick::platform
