// Type-ahead in the entry grid: the typed text is matched against the entries'
// names, not against the row numbers that the grid's first column starts with.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

// The first row at or after `from` (wrapping round to the top) whose name starts with
// `typed`, ASCII letters compared without case; -1 when none does or typed is empty.
int RowStartingWith(const std::vector<std::string>& names, const std::string& typed, int from);

}  // namespace tarnwick
