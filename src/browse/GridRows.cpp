#include "browse/GridRows.h"

#include "browse/Formatting.h"

namespace tarnwick {

std::string GridNameText(std::int64_t row, const TFEntry& entry) {
  return PadNumber(row, 2, " ") + " " + entry.LongName;
}

std::string GridSizeText(const TFEntry& entry) {
  return entry.IsDirectory() ? std::string(kGridDirectoryMark) : PadNumber(entry.Size, 9, " ");
}

std::vector<TGridRow> GridRows(const TDEntry* dir) {
  std::vector<TGridRow> rows;
  if (dir == nullptr) return rows;
  std::int64_t number = 0;
  for (const TFEntry* entry = dir->Files; entry != nullptr; entry = entry->Next)
    rows.push_back({GridNameText(++number, *entry), GridSizeText(*entry), entry});
  return rows;
}

}  // namespace tarnwick
