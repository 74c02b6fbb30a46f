#include <gtest/gtest.h>

#include "browse/WindowGeometry.h"

namespace tarnwick {
namespace {

TEST(WindowGeometry, OpensCentredAtTheDefaultSizeOrWhereItWasAndAlwaysOnTheScreen) {
  const TSize normal{820, 542}, least{603, 251};
  const TRect fullHd{0, 0, 1920, 1080}, small{0, 0, 800, 600};
  const struct {
    TRect area;
    std::optional<TRect> remembered;
    TRect opens;
  } cases[] = {
      {fullHd, std::nullopt, {550, 269, 820, 542}},
      {small, std::nullopt, {0, 29, 800, 542}},
      {{0, 30, 800, 570}, std::nullopt, {0, 44, 800, 542}},  // a task bar above
      {{0, 0, 320, 240}, std::nullopt, {0, 0, 603, 251}},    // smaller than the least
      {fullHd, TRect{100, 100, 1000, 700}, {100, 100, 1000, 700}},
      {fullHd, TRect{0, 0, 3000, 2000}, {0, 0, 1920, 1080}},
      {small, TRect{50, 50, 1000, 700}, {0, 0, 800, 600}},
      {fullHd, TRect{5000, 5000, 900, 600}, {510, 240, 900, 600}},  // off every screen
      {fullHd, TRect{1800, 900, 820, 542}, {1100, 538, 820, 542}},  // partly off
      {fullHd, TRect{10, 10, 100, 100}, {10, 10, 603, 251}},
      {{1920, 0, 1280, 1024}, TRect{2000, 100, 820, 542}, {2000, 100, 820, 542}},  // a second screen
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OpeningRect(c.area, normal, least, c.remembered), c.opens) << RectText(c.opens);
  }
}

TEST(WindowGeometry, TopStripKeepsTheDefaultPlacesAndFollowsTheWidth) {
  const struct {
    int width;
    double scale;
    TTopStrip strip;
  } cases[] = {{812, 1, {337, 432, 541, 664}},
               {kMinimumClient.width, 1, {120, 215, 324, 447}},
               {1920, 1, {500, 595, 1649, 1772}},
               {1624, 2, {674, 864, 1082, 1328}}};
  for (const auto& c : cases) EXPECT_TRUE(TopStrip(c.width, c.scale) == c.strip) << c.width;
  EXPECT_EQ(NameColumnWidth(452, 71, 141, 60), 240);
  EXPECT_EQ(NameColumnWidth(200, 71, 141, 60), 60);
}

TEST(WindowGeometry, PanesShareTheWidthAndRememberedValuesAreCheckedBeforeUse) {
  EXPECT_EQ(FitPanes({5000, 5000}, 812, 3, 40), (TPanes{40, 726}));
  EXPECT_EQ(FitPanes({-3, 0}, 812, 3, 40), (TPanes{40, 40}));
  // The list keeps its width; the tree takes its share of the change, and gives it back.
  EXPECT_EQ(StretchPanes({192, 145}, 812, 1012, 3, 40), (TPanes{192, 192}));
  EXPECT_EQ(StretchPanes({192, 192}, 1012, 812, 3, 40), (TPanes{192, 145}));
  EXPECT_EQ(StretchPanes({192, 145}, 812, 300, 3, 40), (TPanes{192, 40}));

  EXPECT_EQ(ParseRect(RectText({-5, 7, 800, 600})), (TRect{-5, 7, 800, 600}));
  EXPECT_EQ(ParsePanes(PanesText({192, 145})), (TPanes{192, 145}));
  for (const char* text : {"", "1,2,3", "1,2,3,4,5", "1,2,0,4", "1,2,3,-4", "1,2,3,4x", " 1,2,3,4", "+1,2,3,4",
                           "1,,3,4", "99999999999,0,1,1", "2000000,0,1,1"}) {
    EXPECT_FALSE(ParseRect(text)) << text;
  }
  EXPECT_FALSE(ParsePanes("0,145"));
}

}  // namespace
}  // namespace tarnwick
