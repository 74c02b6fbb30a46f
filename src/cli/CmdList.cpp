#include <algorithm>
#include <cstdio>
#include <ostream>

#include <nlohmann/json.hpp>

#include "browse/GridRows.h"
#include "cli/Commands.h"
#include "cli/LongListing.h"
#include "cli/TreePath.h"
#include "iso/Dates.h"
#include "iso/Names.h"
#include "iso/TerminalText.h"

namespace tarnwick::cli {

namespace {

std::string DateText(const TFEntry& entry) {
  platform::LocalDateTime t;
  if (!entry.HasDate() || !DecodeDateTime(entry.DateTime, t)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

nlohmann::json EntryJson(const TFEntry& entry, const std::string& path) {
  nlohmann::json extents = nlohmann::json::array();
  if (!entry.IsDirectory()) {
    if (!entry.Extents.empty()) {
      for (const TExtent& run : entry.Extents) extents.push_back({{"lba", run.Lba}, {"bytes", run.Bytes}});
    } else if (entry.OnDisc) {
      extents.push_back({{"lba", entry.Extent}, {"bytes", entry.Size}});
    }
  }
  const std::string date = DateText(entry);
  return {{"name", entry.LongName},
          {"path", path},
          {"type", entry.IsDirectory() ? "directory" : "file"},
          {"size", entry.Size},
          {"date", date.empty() ? nlohmann::json(nullptr) : nlohmann::json(date)},
          {"attributes", entry.Attr},
          {"hidden", (entry.Attr & faHidden) != 0},
          {"extents", extents}};
}

void CollectJson(const TDEntry* dir, const std::string& path, bool recursive, nlohmann::json& out) {
  for (const TFEntry* entry = dir ? dir->Files : nullptr; entry; entry = entry->Next) {
    const std::string child = ChildPath(path, entry->LongName);
    out.push_back(EntryJson(*entry, child));
    if (recursive && entry->IsDirectory() && entry->Dir) CollectJson(entry->Dir, child, true, out);
  }
}

// Names are padded by their count of characters, so that names with accented letters
// line up with the others; control characters in them show as escapes.
void PrintRows(const TDEntry* dir, std::ostream& out) {
  std::vector<std::string> names;
  std::vector<std::string> sizes;
  std::size_t width = 0;
  for (const TGridRow& r : GridRows(dir)) {
    names.push_back(TerminalText(r.name));
    sizes.push_back(r.size);
    width = std::max(width, CharCount(names.back()));
  }
  for (std::size_t i = 0; i < names.size(); ++i)
    out << names[i] << std::string(width - CharCount(names[i]) + 2, ' ') << sizes[i] << '\n';
}

void PrintTree(const TDEntry* dir, const std::string& path, bool recursive, bool heading, std::ostream& out) {
  if (heading) out << TerminalText(path) << ":\n";
  PrintRows(dir, out);
  if (!recursive) return;
  for (const TFEntry* entry = dir ? dir->Files : nullptr; entry; entry = entry->Next) {
    if (entry->IsDirectory() && entry->Dir) {
      out << '\n';
      PrintTree(entry->Dir, ChildPath(path, entry->LongName), true, true, out);
    }
  }
}

}  // namespace

int CmdList(CliDrive& drive, const ListOptions& options, std::ostream& out) {
  const std::uint8_t session = drive.Import(options.session);
  std::optional<TreeItem> item = ResolvePath(drive.Burner(), options.path);
  if (!item) throw CliError{kExitFailure, "no such file or directory in session " + std::to_string(session) + ": " + options.path};

  if (options.json) {
    nlohmann::json entries = nlohmann::json::array();
    if (item->dir) {
      CollectJson(item->dir, item->path, options.recursive, entries);
    } else {
      entries.push_back(EntryJson(*item->entry, item->path));
    }
    nlohmann::json document = {{"drive", std::string(1, drive.SelectedLetter()) + ":"},
                               {"session", session},
                               {"path", item->path},
                               {"entries", entries}};
    out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return kExitOk;
  }
  if (options.longFormat) {
    PrintLongListing(*item, options.recursive, out);
  } else if (item->dir) {
    PrintTree(item->dir, item->path, options.recursive, options.recursive, out);
  } else {
    out << TerminalText(GridNameText(1, *item->entry)) << "  " << GridSizeText(*item->entry) << '\n';
  }
  return kExitOk;
}

}  // namespace tarnwick::cli
