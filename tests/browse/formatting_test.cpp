#include <gtest/gtest.h>

#include "browse/Formatting.h"

namespace tarnwick {
namespace {

TEST(Formatting, PadNumberPadsShortTextsOnlyAndRepeatsThePadText) {
  EXPECT_EQ(PadNumber(1, 3, "0"), "001");
  EXPECT_EQ(PadNumber(1234, 9, " "), "     1234");
  EXPECT_EQ(PadNumber(1234567890, 9, " "), "1234567890");
  EXPECT_EQ(PadNumber(100, 2, " "), "100");
  EXPECT_EQ(PadNumber(7, 3, "ab"), "abab7");
  EXPECT_EQ(PadNumber(-5, 3, "0"), "0-5");
}

TEST(Formatting, MsfTextHasThreeDigitMinutes) {
  EXPECT_EQ(MsfText(0, 2, 0), "000:02:00");
  EXPECT_EQ(MsfText(79, 59, 74), "079:59:74");
}

TEST(Formatting, MegabytesRoundHalfToEven) {
  EXPECT_EQ(BlocksToMegabytes(256), 0);
  EXPECT_EQ(BlocksToMegabytes(257), 1);
  EXPECT_EQ(BlocksToMegabytes(768), 2);
  EXPECT_EQ(BlocksToMegabytes(1280), 2);
  EXPECT_EQ(BlocksToMegabytes(57344), 112);
  EXPECT_EQ(BlocksToMegabytes(0xFFFFFFFFu), 8388608);
}

TEST(Formatting, LabelMegabytesUseTwoDecimalsAndTheGivenSeparator) {
  EXPECT_EQ(FormatMegabytes(359849, "."), "702.83 MB");
  EXPECT_EQ(FormatMegabytes(359849, ","), "702,83 MB");
  EXPECT_EQ(FormatMegabytes(0, "."), "0.00 MB");
  EXPECT_EQ(FormatMegabytes(512 * 10000, "."), "10000.00 MB");
}

}  // namespace
}  // namespace tarnwick
