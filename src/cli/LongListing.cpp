#include "cli/LongListing.h"

#include <algorithm>
#include <cstdio>

#include "iso/Dates.h"
#include "iso/TerminalText.h"

namespace tarnwick::cli {

std::string ModeText(const TFEntry& entry) { return entry.IsDirectory() ? "dr-xr-xr-x" : "-r--r--r--"; }

std::string LongDateText(const TFEntry& entry) {
  platform::LocalDateTime t;
  if (!entry.HasDate() || !DecodeDateTime(entry.DateTime, t)) return std::string(16, ' ');
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
  return text;
}

void PrintLongRows(const std::vector<const TFEntry*>& entries, std::ostream& out) {
  std::size_t width = 1;
  for (const TFEntry* entry : entries) width = std::max(width, std::to_string(entry->Size).size());
  for (const TFEntry* entry : entries) {
    const std::string size = std::to_string(entry->Size);
    out << ModeText(*entry) << ' ' << std::string(width - size.size(), ' ') << size << ' ' << LongDateText(*entry)
        << ' ' << TerminalText(entry->LongName) << '\n';
  }
}

namespace {

void PrintLongDirectory(const TDEntry& dir, const std::string& path, bool recursive, bool heading,
                        std::ostream& out) {
  if (heading) out << TerminalText(path) << ":\n";
  std::vector<const TFEntry*> entries;
  for (const TFEntry* entry = dir.Files; entry != nullptr; entry = entry->Next) entries.push_back(entry);
  PrintLongRows(entries, out);
  if (!recursive) return;
  for (const TFEntry* entry : entries) {
    if (!entry->IsDirectory() || entry->Dir == nullptr) continue;
    out << '\n';
    PrintLongDirectory(*entry->Dir, ChildPath(path, entry->LongName), true, true, out);
  }
}

}  // namespace

void PrintLongListing(const TreeItem& item, bool recursive, std::ostream& out) {
  if (item.dir != nullptr) {
    PrintLongDirectory(*item.dir, item.path, recursive, recursive, out);
  } else if (item.entry != nullptr) {
    PrintLongRows({item.entry}, out);
  }
}

}  // namespace tarnwick::cli
