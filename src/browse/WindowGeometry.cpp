#include "browse/WindowGeometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tarnwick {

namespace {

// The top strip at 96 dots per inch: the selector starts at 88 after the drive label,
// "Show" (75 wide) follows it 7 further on, and 34 are left between "Show" and the
// fixed labels' boxes (120 wide, their texts right-aligned at 661 in the default
// width); the value labels (140 wide) start 3 after them and end 8 before the edge.
constexpr double kSelectorX = 88, kShowGap = 7, kShowWidth = 75, kBeforeLabels = 34;
constexpr double kLabelWidth = 120, kLabelGap = 3, kValueWidth = 140, kRightMargin = 8;
// The selector is never narrower than a drive's address and letter with the start of
// its name, and stops widening where longer lines would only leave empty room.
constexpr double kSelectorLeast = 120, kSelectorMost = 500;

constexpr int kCoordinateLimit = 1'000'000;

int Rounded(double value) { return static_cast<int>(std::lround(value)); }

// The start of a span `length` long on the span [start, start + room): kept where it
// is when it fits, else moved just far enough; the start of the room when it is the
// longer.
int Onto(int at, int length, int start, int room) { return std::max(start, std::min(at, start + room - length)); }

bool Overlaps(const TRect& a, const TRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// Comma-separated whole numbers, exactly `count` of them, each within the limit.
std::optional<std::vector<int>> Numbers(const std::string& text, std::size_t count) {
  std::vector<int> numbers;
  const char* at = text.data();
  const char* end = text.data() + text.size();
  while (numbers.size() < count) {
    int value = 0;
    const auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc() || value < -kCoordinateLimit || value > kCoordinateLimit) return std::nullopt;
    numbers.push_back(value);
    at = next;
    if (numbers.size() < count) {
      if (at == end || *at != ',') return std::nullopt;
      ++at;
    }
  }
  if (at != end) return std::nullopt;
  return numbers;
}

}  // namespace

TSize ScaledSize(TSize size, double scale) { return {Rounded(size.width * scale), Rounded(size.height * scale)}; }

TRect OpeningRect(const TRect& area, TSize defaultSize, TSize minimum, const std::optional<TRect>& remembered) {
  const TSize wanted = remembered ? TSize{remembered->width, remembered->height} : defaultSize;
  const TSize size{std::max(std::min(wanted.width, area.width), minimum.width),
                   std::max(std::min(wanted.height, area.height), minimum.height)};
  int x = area.x + (area.width - size.width) / 2;
  int y = area.y + (area.height - size.height) / 2;
  if (remembered && Overlaps(*remembered, area)) {
    x = remembered->x;
    y = remembered->y;
  }
  return {Onto(x, size.width, area.x, area.width), Onto(y, size.height, area.y, area.height), size.width,
          size.height};
}

TTopStrip TopStrip(int clientWidth, double scale) {
  const double width = clientWidth / scale;
  const double valueX = width - kRightMargin - kValueWidth;
  const double labelX = valueX - kLabelGap - kLabelWidth;
  const double selector =
      std::clamp(labelX - kBeforeLabels - kShowWidth - kShowGap - kSelectorX, kSelectorLeast, kSelectorMost);
  return {Rounded(selector * scale), Rounded((kSelectorX + selector + kShowGap) * scale), Rounded(labelX * scale),
          Rounded(valueX * scale)};
}

int NameColumnWidth(int visibleWidth, int sizeColumn, int dateColumn, int least) {
  return std::max(least, visibleWidth - sizeColumn - dateColumn);
}

TPanes FitPanes(TPanes wanted, int width, int gap, int least) {
  const int room = width - 2 * gap;
  const int tree = std::clamp(wanted.tree, least, std::max(least, room - 2 * least));
  const int list = std::clamp(wanted.list, least, std::max(least, room - tree - least));
  return {list, tree};
}

TPanes StretchPanes(TPanes panes, int before, int after, int gap, int least) {
  const std::int64_t grid = std::max(0, before - 2 * gap - panes.list - panes.tree);
  const std::int64_t shared = grid + std::max(panes.tree, 0);
  int tree = panes.tree;
  if (shared > 0) {
    tree += static_cast<int>(std::llround(static_cast<double>(after - before) * panes.tree / static_cast<double>(shared)));
  }
  return FitPanes({panes.list, tree}, after, gap, least);
}

std::string RectText(const TRect& rect) {
  return std::to_string(rect.x) + "," + std::to_string(rect.y) + "," + std::to_string(rect.width) + "," +
         std::to_string(rect.height);
}

std::optional<TRect> ParseRect(const std::string& text) {
  const auto n = Numbers(text, 4);
  if (!n || (*n)[2] <= 0 || (*n)[3] <= 0) return std::nullopt;
  return TRect{(*n)[0], (*n)[1], (*n)[2], (*n)[3]};
}

std::string PanesText(const TPanes& panes) { return std::to_string(panes.list) + "," + std::to_string(panes.tree); }

std::optional<TPanes> ParsePanes(const std::string& text) {
  const auto n = Numbers(text, 2);
  if (!n || (*n)[0] <= 0 || (*n)[1] <= 0) return std::nullopt;
  return TPanes{(*n)[0], (*n)[1]};
}

}  // namespace tarnwick
