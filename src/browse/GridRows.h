// The rows of the entry grid: one row per entry of a directory, in list order, with
// the row number and name in the first column and the size (or the directory mark)
// in the second. Free of any GUI toolkit, so the command-line tool can print the
// same rows the window shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "iso/Records.h"

namespace tarnwick {

inline constexpr const char* kGridNameHeading = "File Name";
inline constexpr const char* kGridSizeHeading = "File Size";
inline constexpr const char* kGridDateHeading = "   Date";
inline constexpr const char* kGridDirectoryMark = " < DIR > ";
inline constexpr const char* kGridLinkMark = " < LNK > ";

struct TGridRow {
  std::string name;  // row number padded to two places, a blank, the long name
  std::string size;  // size right-aligned in nine places, or the directory mark
  const TFEntry* entry = nullptr;
};

// "12 name": the row number (counting from 1) padded with blanks to two places; a
// symbolic link is followed by " -> " and its target.
std::string GridNameText(std::int64_t row, const TFEntry& entry);
// " < DIR > " for a directory, " < LNK > " for a symbolic link, else the size
// right-aligned in nine places.
std::string GridSizeText(const TFEntry& entry);
// One row per entry of the directory's list; none for no directory.
std::vector<TGridRow> GridRows(const TDEntry* dir);

}  // namespace tarnwick
