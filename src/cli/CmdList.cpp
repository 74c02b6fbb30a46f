#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <ostream>
#include <vector>

#include "browse/GridRows.h"
#include "cli/Commands.h"
#include "cli/JsonWriter.h"
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

// The time stamps a Rock Ridge entry records, keyed by kind.
void WriteStampsObject(TJsonWriter& json, const TPosixInfo& posix) {
  // The kinds in key order.
  static constexpr TStampKind kinds[] = {TStampKind::Access,    TStampKind::Attributes, TStampKind::Backup,
                                         TStampKind::Creation,  TStampKind::Effective,  TStampKind::Expiration,
                                         TStampKind::Modification};
  static_assert(std::size(kinds) == kStampKinds);
  json.BeginObject();
  for (const TStampKind kind : kinds) {
    const auto& stamp = posix.Stamp(kind);
    if (!stamp) continue;
    json.Key(StampName(kind));
    json.BeginObject();
    json.Key("recorded");
    json.String(stamp->Text());
    json.Key("unix");
    if (const auto seconds = stamp->UnixSeconds()) {
      json.Number(*seconds);
    } else {
      json.Null();
    }
    json.EndObject();
  }
  json.EndObject();
}

// Entries written one after the other mostly share their date and POSIX attributes
// (the import keeps one copy for a run of equal ones): their texts are made once.
class TRepeatedTexts {
 public:
  // The entry's date as text; empty when it has none.
  const std::string& Date(const TFEntry& entry) {
    if (!dateValid_ || entry.DateTime != date_) {
      dateText_ = DateText(entry);
      date_ = entry.DateTime;
      dateValid_ = entry.HasDate();
    }
    return dateText_;
  }
  void Stamps(TJsonWriter& json, const TPosixInfo& posix) {
    json.Key("stamps");
    if (&posix != posix_ || json.Depth() != depth_) {
      stampsText_ = json.Render([&posix](TJsonWriter& value) { WriteStampsObject(value, posix); });
      posix_ = &posix;
      depth_ = json.Depth();
    }
    json.Raw(stampsText_);
  }

 private:
  double date_ = 0;
  bool dateValid_ = false;
  std::string dateText_;
  const TPosixInfo* posix_ = nullptr;
  std::size_t depth_ = 0;
  std::string stampsText_;
};

// One entry of the listing, its keys in the order the document shows them.
void WriteEntry(TJsonWriter& json, const TFEntry& entry, const std::string& path, TRepeatedTexts& texts) {
  json.BeginObject();
  json.Key("attributes");
  json.Number(std::uint64_t{entry.Attr});
  json.Key("date");
  const std::string& date = texts.Date(entry);
  if (date.empty()) {
    json.Null();
  } else {
    json.String(date);
  }
  if (entry.Attr & faDeleted) {
    json.Key("deleted");
    json.Bool(true);
  }
  json.Key("extents");
  json.BeginArray();
  auto run = [&json](std::uint64_t lba, auto bytes) {
    json.BeginObject();
    json.Key("bytes");
    json.Number(bytes);
    json.Key("lba");
    json.Number(lba);
    json.EndObject();
  };
  if (!entry.IsDirectory()) {
    if (!entry.Extents.empty()) {
      for (const TExtent& r : entry.Extents) run(r.Lba, std::uint64_t{r.Bytes});
    } else if (entry.OnDisc) {
      run(entry.Extent, std::int64_t{entry.Size});
    }
  }
  json.EndArray();
  const TPosixInfo* posix = entry.Posix.get();
  const bool modes = posix && posix->Mode;
  if (modes) {
    json.Key("gid");
    json.Number(std::uint64_t{posix->Group});
  }
  json.Key("hidden");
  json.Bool((entry.Attr & faHidden) != 0);
  if (modes) {
    json.Key("links");
    json.Number(std::uint64_t{posix->Links});
    json.Key("mode");
    json.Number(std::uint64_t{*posix->Mode});
    json.Key("mode_octal");
    char octal[12];
    json.String(std::string(octal, std::to_chars(octal, octal + sizeof octal, *posix->Mode, 8).ptr));
  }
  json.Key("name");
  json.String(entry.LongName);
  json.Key("path");
  json.String(path);
  json.Key("size");
  json.Number(std::int64_t{entry.Size});
  if (posix) {
    texts.Stamps(json, *posix);
    if (posix->Symlink) {
      json.Key("target");
      json.String(posix->LinkTarget);
    }
  }
  json.Key("type");
  json.String(entry.IsDirectory() ? "directory" : entry.IsSymlink() ? "symlink" : "file");
  if (modes) {
    json.Key("uid");
    json.Number(std::uint64_t{posix->User});
  }
  json.EndObject();
}

// Every entry of the directory, and with `recursive` of its sub-directories, depth first.
void WriteEntries(TJsonWriter& json, const TDEntry* dir, const std::string& path, bool recursive,
                  TRepeatedTexts& texts) {
  for (const TFEntry* entry = dir ? dir->Files : nullptr; entry; entry = entry->Next) {
    const std::string child = ChildPath(path, entry->LongName);
    WriteEntry(json, *entry, child, texts);
    if (recursive && entry->IsDirectory() && entry->Dir) WriteEntries(json, entry->Dir, child, true, texts);
  }
}

// Names are padded by their count of characters, so that names with accented letters
// line up with the others; control characters in them show as escapes.
std::size_t CharCount(const std::string& text, std::size_t from, std::size_t to) {
  std::size_t chars = 0;
  for (std::size_t i = from; i < to; ++i) chars += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
  return chars;
}

void PrintRows(const TDEntry* dir, std::ostream& out) {
  // The rows' names (as GridNameText gives them, shown with TerminalText) end to end,
  // each closed by a newline, which no shown name holds: the widest of them sets the
  // column, then the rows go out a piece at a time. A directory of any size costs its
  // names and one piece of output, not a string per row and column nor its whole text.
  std::string names;
  std::size_t count = 0, nameBytes = 0;
  for (const TFEntry* entry = dir ? dir->Files : nullptr; entry; entry = entry->Next, ++count)
    nameBytes += entry->LongName.size();
  names.reserve(nameBytes + count * 9);  // the row number, its blanks and the newline, mostly
  std::size_t width = 0;
  std::int64_t number = 0;
  for (const TFEntry* entry = dir ? dir->Files : nullptr; entry; entry = entry->Next) {
    const std::size_t start = names.size();
    names += TerminalText(GridNameText(++number, *entry));
    width = std::max(width, CharCount(names, start, names.size()));
    names += '\n';
  }
  constexpr std::size_t kPiece = 64 * 1024;
  std::string text;
  text.reserve(kPiece + width + 64);
  const TFEntry* entry = dir ? dir->Files : nullptr;
  for (std::size_t start = 0; start < names.size(); entry = entry->Next) {
    const std::size_t end = names.find('\n', start);
    text.append(names, start, end - start);
    text.append(width - CharCount(names, start, end) + 2, ' ');
    text += GridSizeText(*entry);
    text += '\n';
    start = end + 1;
    if (text.size() >= kPiece) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      text.clear();
    }
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
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
  if (!item) throw CliError{kExitFailure, NotFoundText(drive.Burner(), session, options.path, "file or directory")};

  if (options.json) {
    // Written as the tree is walked; the keys in byte order, as a JSON library that
    // sorts them would write them.
    TJsonWriter json(out);
    json.BeginObject();
    json.Key("drive");
    json.String(std::string(1, drive.SelectedLetter()) + ":");
    json.Key("entries");
    json.BeginArray();
    TRepeatedTexts texts;
    if (item->dir) {
      WriteEntries(json, item->dir, item->path, options.recursive, texts);
    } else {
      WriteEntry(json, *item->entry, item->path, texts);
    }
    json.EndArray();
    const TQuarnBurner& burner = drive.Burner();
    if (burner.ImportedGenerations() > 1) {
      // The generation read, counted from the oldest, and how many the session has.
      json.Key("generation");
      json.Number(std::uint64_t{burner.Generation != 0 ? burner.Generation : burner.ImportedGenerations()});
      json.Key("generations");
      json.Number(std::uint64_t{burner.ImportedGenerations()});
    }
    json.Key("path");
    json.String(item->path);
    json.Key("session");
    json.Number(std::uint64_t{session});
    json.Key("tree");
    json.String(TreeKindName(drive.Burner().ImportedTree()));
    json.EndObject();
    json.Flush();
    out << '\n';
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
