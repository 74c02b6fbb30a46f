#include "browse/EntryTip.h"

#include <algorithm>
#include <cstdio>

#include "browse/DeletedEntries.h"
#include "iso/Dates.h"
#include "platform/Plural.h"

namespace tarnwick {

std::string EntryTip(const TFEntry& entry) {
  std::string date = "not recorded";
  platform::LocalDateTime when;
  if (entry.HasDate() && DecodeDateTime(entry.DateTime, when)) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day, when.hour,
                  when.minute, when.second);
    date = text;
  }
  const bool hidden = (entry.Attr & faHidden) != 0;
  std::string kind;
  if (entry.IsDirectory()) kind = hidden ? "Hidden directory" : "Directory";
  else kind = "Size: " + CountOf(static_cast<std::uint64_t>(std::max<std::int64_t>(entry.Size, 0)), "byte", "bytes") +
              (hidden ? "\nHidden" : "");
  const std::string tip = entry.LongName + "\nDate: " + date + "\n" + kind;
  return IsDeletedEntry(entry) ? tip + "\n" + kDeletedTip : tip;
}

}  // namespace tarnwick
