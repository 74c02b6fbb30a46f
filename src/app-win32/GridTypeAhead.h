// Type-ahead in the entry grid: typed letters find the row by the entry's name, not by
// the row number that the grid's first column starts with (which the list view's own
// search would match).
#pragma once

#include <windows.h>

namespace tarnwick::win {

// The grid's rows must carry their TFEntry as item data (none for the empty row).
void AttachTypeAhead(HWND grid);

}  // namespace tarnwick::win
