#include "cli/LongListing.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "iso/Dates.h"
#include "iso/TerminalText.h"

namespace tarnwick::cli {

std::string ModeText(const TFEntry& entry) {
  if (!entry.Posix || !entry.Posix->Mode) return entry.IsDirectory() ? "dr-xr-xr-x" : "-r--r--r--";
  const std::uint32_t mode = *entry.Posix->Mode;
  std::string text = "?rwxrwxrwx";
  switch (mode & 0170000) {
    case 0040000: text[0] = 'd'; break;
    case 0100000: text[0] = '-'; break;
    case 0120000: text[0] = 'l'; break;
    case 0060000: text[0] = 'b'; break;
    case 0020000: text[0] = 'c'; break;
    case 0010000: text[0] = 'p'; break;
    case 0140000: text[0] = 's'; break;
  }
  for (int i = 0; i < 9; ++i)
    if (!(mode & (0400u >> i))) text[1 + i] = '-';
  if (mode & 04000) text[3] = (mode & 0100) ? 's' : 'S';
  if (mode & 02000) text[6] = (mode & 010) ? 's' : 'S';
  if (mode & 01000) text[9] = (mode & 01) ? 't' : 'T';
  return text;
}

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
        << ' ' << TerminalText(entry->LongName)
        << (entry->IsSymlink() ? " -> " + TerminalText(entry->Posix->LinkTarget) : std::string()) << '\n';
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
