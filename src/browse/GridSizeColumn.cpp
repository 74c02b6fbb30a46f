#include "browse/GridSizeColumn.h"

#include <algorithm>

namespace tarnwick {

int GridSizeColumnWidth(const std::vector<TGridRow>& rows, const std::function<int(const std::string&)>& textWidth,
                        int margins, int usualWidth) {
  int width = usualWidth;
  // Texts of one length measure alike in the grid's fixed-pitch font; measuring the
  // longest ones keeps a directory of many entries quick.
  std::size_t longest = 0;
  for (const TGridRow& row : rows) longest = std::max(longest, row.size.size());
  for (const TGridRow& row : rows)
    if (row.size.size() == longest) width = std::max(width, textWidth(row.size) + margins);
  return width;
}

}  // namespace tarnwick
