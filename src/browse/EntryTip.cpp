#include "browse/EntryTip.h"

#include <cstdio>

#include "browse/DeletedEntries.h"
#include "iso/Dates.h"

namespace tarnwick {

std::string EntryTip(const TFEntry& entry) {
  std::string date = "none";
  platform::LocalDateTime when;
  if (entry.HasDate() && DecodeDateTime(entry.DateTime, when)) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day, when.hour,
                  when.minute, when.second);
    date = text;
  }
  std::string attributes;
  if (entry.IsDirectory()) attributes = "directory";
  if ((entry.Attr & faHidden) != 0) attributes += attributes.empty() ? "hidden" : ", hidden";
  if (attributes.empty()) attributes = "none";
  const std::string size = entry.IsDirectory() ? "directory" : std::to_string(entry.Size) + " bytes";
  const std::string tip = entry.LongName + "\nDate: " + date + "\nAttributes: " + attributes + "\nSize: " + size;
  return IsDeletedEntry(entry) ? tip + "\n" + kDeletedTip : tip;
}

}  // namespace tarnwick
