// The two splitters of the window's middle: the gaps between the session list and the
// tree, and between the tree and the grid. Dragging a gap moves it; when the window's
// width changes the list keeps its width, the tree and the grid share the difference.
// Widths and positions are client pixels.
#pragma once

namespace tarnwick::win {

class Splitters {
 public:
  enum Handle { kNone, kListTree, kTreeGrid };

  Splitters() = default;
  Splitters(int list, int tree, int gap) : list(list), tree(tree), gap(gap) {}

  // The handle whose gap holds x.
  Handle HandleAt(int x) const;
  // Starts dragging the handle at x; false when x is in no gap.
  bool Grab(int x);
  // Moves the dragged handle to follow x, keeping every pane at least `least` wide
  // within a client `width` wide.
  void Drag(int x, int width, int least);
  void Release() { dragged_ = kNone; }
  // Fits the panes to a client `width` wide: the width they were set for, or the one
  // they had before, is shared out as above; every pane stays at least `least` wide.
  // A width of 0 (a minimized window) changes nothing.
  void Fit(int width, int least);
  bool Dragging() const { return dragged_ != kNone; }

  int list = 192, tree = 145, gap = 3;

 private:
  Handle dragged_ = kNone;
  int grabOffset_ = 0;  // from the gap's left edge to where it was grabbed
  int width_ = 0;       // the client width the panes were last fitted to; 0 before
};

}  // namespace tarnwick::win
