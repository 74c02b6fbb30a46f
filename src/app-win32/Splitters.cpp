#include "app-win32/Splitters.h"

#include <algorithm>

#include "browse/WindowGeometry.h"

namespace tarnwick::win {

Splitters::Handle Splitters::HandleAt(int x) const {
  if (x >= list && x < list + gap) return kListTree;
  const int second = list + gap + tree;
  if (x >= second && x < second + gap) return kTreeGrid;
  return kNone;
}

bool Splitters::Grab(int x) {
  dragged_ = HandleAt(x);
  grabOffset_ = dragged_ == kListTree ? x - list : x - (list + gap + tree);
  return dragged_ != kNone;
}

void Splitters::Drag(int x, int width, int least) {
  const int edge = x - grabOffset_;
  if (dragged_ == kListTree) {
    // The tree keeps its width; the grid gives or takes the difference.
    list = std::clamp(edge, least, std::max(least, width - 2 * gap - tree - least));
  } else if (dragged_ == kTreeGrid) {
    tree = std::clamp(edge - list - gap, least, std::max(least, width - list - 2 * gap - least));
  }
}

void Splitters::Fit(int width, int least) {
  if (width <= 0) return;
  const TPanes panes = width_ > 0 ? StretchPanes({list, tree}, width_, width, gap, least)
                                  : FitPanes({list, tree}, width, gap, least);
  list = panes.list;
  tree = panes.tree;
  width_ = width;
}

}  // namespace tarnwick::win
