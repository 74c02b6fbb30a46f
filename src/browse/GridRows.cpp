#include "browse/GridRows.h"

#include "browse/Formatting.h"

namespace tarnwick {

std::string GridNameText(std::int64_t row, const TFEntry& entry) {
  std::string text = PadNumber(row, 2, " ");
  text += ' ';
  text += entry.LongName;
  if (entry.IsSymlink()) {
    text += " -> ";
    text += entry.Posix->LinkTarget;
  }
  return text;
}

std::string GridSizeText(const TFEntry& entry) {
  if (entry.IsDirectory()) return kGridDirectoryMark;
  return entry.IsSymlink() ? std::string(kGridLinkMark) : PadNumber(entry.Size, 9, " ");
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
