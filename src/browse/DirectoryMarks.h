// Which directories of the imported tree the windows mark, and why: a directory that
// could not be read whole (a sector of it unreadable, a damaged record, a loop, ...)
// is marked damaged, one whose listing the window's limits cut short is marked as not
// shown whole, so that neither looks like a directory that holds only what is shown.
// Decided from what the import found; free of any GUI toolkit.
#pragma once

#include <string>
#include <unordered_map>

#include "iso/QuarnBurner.h"

namespace tarnwick {

inline constexpr const char* kDamagedMark = " (damaged)";
inline constexpr const char* kNotAllShownMark = " (not all shown)";

struct TDirectoryMark {
  std::string suffix;  // kDamagedMark, or kNotAllShownMark when nothing was unreadable
  std::string tip;     // why, in plain words
};

class TDirectoryMarks {
 public:
  TDirectoryMarks() = default;
  // The marks of the tree the burner's last import built; they refer to its records
  // and are void after the next reset.
  explicit TDirectoryMarks(const TQuarnBurner& burner);

  // The directory's mark; none when it is shown whole.
  const TDirectoryMark* Of(const TDEntry* dir) const;
  // The mark of the directory an entry stands for; none for a file.
  const TDirectoryMark* Of(const TFEntry& entry) const { return entry.IsDirectory() ? Of(entry.Dir) : nullptr; }
  bool empty() const { return marks_.empty(); }

 private:
  std::unordered_map<const TDEntry*, TDirectoryMark> marks_;
};

// The text of a tree node or of a grid row's name with the mark after it, and the
// tooltip with the reason after it.
std::string MarkedText(const std::string& text, const TDirectoryMark* mark);
std::string MarkedTip(const std::string& tip, const TDirectoryMark* mark);

}  // namespace tarnwick
