// Where the window opens, how small it may get, and where the controls that move with
// its width go, whichever toolkit draws it: plain arithmetic on rectangles in pixels.
// Sizes at 96 dots per inch are scaled by the caller's factor.
#pragma once

#include <optional>
#include <string>

namespace tarnwick {

struct TSize {
  int width = 0, height = 0;
  bool operator==(const TSize&) const = default;
};

struct TRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const TRect&) const = default;
};

// The window's client area at 96 dots per inch: the size it opens at where the screen
// has room, and the least at which every control is whole and usable.
inline constexpr TSize kDefaultClient{812, 511};
inline constexpr TSize kMinimumClient{595, 220};
// The frame around the client area where the toolkit cannot tell it before the window
// is shown: a 4-pixel border and a 23-pixel title bar (outer size 820 by 542).
inline constexpr TSize kAssumedFrame{8, 31};

TSize ScaledSize(TSize size, double scale);

// The outer rectangle the window opens at on a screen whose free area (without task
// bars) is `area`. The remembered rectangle where it still overlaps the area, else
// the default size centred on it; in both cases no larger than the area and no
// smaller than `minimum` (the minimum wins on a screen smaller than it), and moved
// wholly onto the area, or with its top-left corner on it when it is the larger.
TRect OpeningRect(const TRect& area, TSize defaultSize, TSize minimum, const std::optional<TRect>& remembered);

// The top strip's controls that follow the client width: the selector widens up to
// a limit, "Show" stays beside it, and the disc labels keep to the right edge.
struct TTopStrip {
  int selectorWidth = 0;
  int showX = 0;
  int labelX = 0;  // the fixed labels' boxes (their texts are right-aligned in them)
  int valueX = 0;  // the value labels
  bool operator==(const TTopStrip&) const = default;
};
TTopStrip TopStrip(int clientWidth, double scale);

// The grid's name column: what the size and date columns leave of the visible width,
// at least `least`, so that the date is not cut while there is room for it.
int NameColumnWidth(int visibleWidth, int sizeColumn, int dateColumn, int least);

// The widths of the session list and the tree; the grid takes the rest of the
// middle's width after the two gaps between the three.
struct TPanes {
  int list = 0, tree = 0;
  bool operator==(const TPanes&) const = default;
};
// The panes as wanted, each at least `least` wide and leaving the grid at least as
// much, in a middle `width` wide (the list gives way before the tree).
TPanes FitPanes(TPanes wanted, int width, int gap, int least);
// After the middle went from `before` to `after` wide: the list keeps its width, the
// tree and the grid share the difference in proportion to their widths.
TPanes StretchPanes(TPanes panes, int before, int after, int gap, int least);

// Texts kept in the settings: "x,y,width,height" and "list,tree". Parsing takes only
// what these give, with a positive size and coordinates within a million pixels;
// anything else is no remembered value.
std::string RectText(const TRect& rect);
std::optional<TRect> ParseRect(const std::string& text);
std::string PanesText(const TPanes& panes);
std::optional<TPanes> ParsePanes(const std::string& text);

}  // namespace tarnwick
