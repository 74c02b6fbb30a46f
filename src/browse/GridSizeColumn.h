// The width of the grid's File Size column: the 71 pixels it always had (at 96 dots an
// inch), wider where a size shown does not fit in them (ten digits and more, from
// 1 GB on), so that no size is cut.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "browse/GridRows.h"

namespace tarnwick {

// The column's width at 96 dots an inch when every size fits in it.
inline constexpr int kGridSizeColumnWidth = 71;

// The column's width in the window's pixels for these rows: `usualWidth` (the 71 pixels
// in the window's scale), or the widest size text as `textWidth` measures it in the
// grid's font plus `margins` (the cell's room on both sides of its text), whichever is
// larger.
int GridSizeColumnWidth(const std::vector<TGridRow>& rows, const std::function<int(const std::string&)>& textWidth,
                        int margins, int usualWidth);

}  // namespace tarnwick
