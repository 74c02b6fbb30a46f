#include <algorithm>
#include <cstring>

#include "iso/Dates.h"
#include "iso/Format.h"
#include "iso/Names.h"
#include "iso/QuarnBurner.h"

namespace tarnwick {
namespace {

std::string ShortNameOf(const EntryInfo& info) {
  std::string shortName(info.ShortName, strnlen(info.ShortName, sizeof info.ShortName));
  return shortName.empty() ? AsciiUpper(info.LongName) : shortName;
}

double DateOf(const EntryInfo& info) {
  return IsDate(info.DateTime) ? info.DateTime : UnpackDosDateTime(info.TimeStamp);
}

}  // namespace

// A file entry's names and date as they will be written, after the "." rule and the
// OnAddFile handler, and whether it is left out.
struct TQuarnBurner::PreparedFile {
  std::string shortName;
  std::string longName;
  double dateTime = NoDate;
  bool skip = false;
};

TQuarnBurner::TQuarnBurner() { ResetTree(DefaultMaxFiles, DefaultMaxDirs); }

TQuarnBurner::~TQuarnBurner() = default;

bool TQuarnBurner::ResetTree(std::uint32_t MaxFiles, std::uint32_t MaxDirs) {
  importedDescriptor_.clear();
  problems_.Clear();
  nameIndex_.clear();
  dirIndex_.clear();
  files_.Clear();
  dirs_.Clear();
  lastPosix_.reset();
  maxFiles_ = MaxFiles;
  maxDirs_ = std::max<std::uint32_t>(MaxDirs, 1);
  TDEntry* root = NewDirRecord();
  root->ShortName = "CD_ROOT";
  root->LongName = "CD Root Directory";
  root->Path = "\\";
  root->Parent = root;
  return true;
}

std::shared_ptr<const TPosixInfo> TQuarnBurner::SharedPosix(const EntryInfo& info) {
  if (!info.Posix) return nullptr;
  // Entries written together mostly record the same attributes: a run of them shares
  // one copy.
  if (!lastPosix_ || !(*lastPosix_ == *info.Posix)) lastPosix_ = std::make_shared<const TPosixInfo>(*info.Posix);
  return lastPosix_;
}

TDEntry* TQuarnBurner::NewDirRecord() {
  if (dirs_.size() >= maxDirs_) {
    DebugMessage(">>> " + Format("MAXIMUM DIRECTORIES CAN BE %u", maxDirs_), 3);
    return nullptr;
  }
  return dirs_.New();
}

TFEntry* TQuarnBurner::NewFileRecord() {
  if (files_.size() >= maxFiles_) {
    DebugMessage(Format("MAXIMUM FILES CAN BE %u", maxFiles_), 3);
    return nullptr;
  }
  return files_.New();
}

TDEntry* TQuarnBurner::FindDir(const std::string& path) const {
  if (path.empty() || path == "\\") return Root();
  std::string key = path;
  if (key.back() == '\\') key.pop_back();
  auto it = dirIndex_.find(AsciiUpper(std::move(key)));
  return it == dirIndex_.end() ? nullptr : it->second;
}

std::string TQuarnBurner::DirPath(const TDEntry* dir) const {
  std::string text = "\\";
  // Bounded by the number of directories, so a broken parent chain cannot loop.
  for (std::size_t steps = dirs_.size(); dir && dir->Parent != dir && steps > 0; --steps) {
    text = "\\" + dir->LongName + text;
    dir = dir->Parent;
  }
  text.pop_back();
  return AsciiUpper(std::move(text));
}

std::string TQuarnBurner::DisplayPath(const TDEntry* dir) const {
  std::vector<const std::string*> names;
  for (std::size_t steps = dirs_.size(); dir && dir->Parent != dir && steps > 0; --steps) {
    names.push_back(&dir->LongName);
    dir = dir->Parent;
  }
  if (names.empty()) return "/";
  std::string text;
  for (auto it = names.rbegin(); it != names.rend(); ++it) text += "/" + **it;
  return text;
}

void TQuarnBurner::MakeShortName(EntryInfo& info) { tarnwick::MakeShortName(info.LongName, info.ShortName); }

std::uint64_t TQuarnBurner::SectorsFor(std::uint64_t bytes) { return bytes / 2048 + (bytes % 2048 != 0); }

void TQuarnBurner::Append(TDEntry* parent, TFEntry* entry) {
  entry->Next = nullptr;
  if (!parent->Files) {
    parent->Files = entry;
  } else {
    TFEntry* last = parent->Last;
    // The tail is only a shortcut; should it be stale, find the end the long way.
    if (!last || last->Next) {
      last = parent->Files;
      while (last->Next) last = last->Next;
    }
    last->Next = entry;
  }
  parent->Last = entry;
}

std::unordered_map<std::string, TFEntry*>& TQuarnBurner::IndexedNames(const TDEntry* parent) const {
  auto [it, added] = nameIndex_.try_emplace(parent);
  if (added) {
    for (TFEntry* e = parent->Files; e; e = e->Next) it->second.emplace(AsciiUpper(e->LongName), e);
  }
  return it->second;
}

void TQuarnBurner::IndexName(const TDEntry* parent, std::string key, TFEntry* entry) {
  auto it = nameIndex_.find(parent);
  if (it != nameIndex_.end()) it->second.emplace(AsciiUpper(std::move(key)), entry);
}

void TQuarnBurner::ReindexName(const TDEntry* parent, const std::string& key) {
  auto it = nameIndex_.find(parent);
  if (it == nameIndex_.end()) return;  // built from the list at its first look-up
  auto& names = it->second;
  names.erase(key);
  for (TFEntry* e = parent->Files; e; e = e->Next) {
    if (AsciiUpper(e->LongName) == key) {
      names.emplace(key, e);
      return;
    }
  }
}

TDEntry* TQuarnBurner::AddDir(TDEntry* parent, const EntryInfo& info) {
  if (!parent) return nullptr;
  std::string key = parent->Path + "\\" + info.LongName;
  if (key.starts_with("\\\\")) key.erase(0, 1);
  if (TDEntry* found = FindDir(key)) return found;
  return NewSubDir(parent, info);
}

TDEntry* TQuarnBurner::ImportDir(TDEntry* parent, const EntryInfo& info) {
  return parent ? NewSubDir(parent, info) : nullptr;
}

TDEntry* TQuarnBurner::NewSubDir(TDEntry* parent, const EntryInfo& info) {
  TDEntry* dir = NewDirRecord();
  if (!dir) return nullptr;
  TFEntry* entry = NewFileRecord();
  if (!entry) return nullptr;
  Append(parent, entry);

  const std::string shortName = ShortNameOf(info);
  dir->Parent = parent;
  dir->Files = nullptr;
  dir->LongName = info.LongName;
  dir->ShortName = shortName;
  entry->LongName = info.LongName;
  entry->ShortName = shortName;
  entry->Attr = info.Attributes;
  entry->Size = entry->Size2 = 0;
  entry->Dir = dir;
  entry->DateTime = DateOf(info);
  entry->Posix = SharedPosix(info);
  // The parent's path is already joined and upper-cased: only this name is added.
  dir->Path = (parent == Root() ? std::string() : parent->Path) + "\\" + AsciiUpper(info.LongName);

  // Both indexes keep the first of several equal names, as walking in order would.
  dirIndex_.emplace(dir->Path, dir);
  IndexName(parent, entry->LongName, entry);
  return dir;
}

TFEntry* TQuarnBurner::FindFile(const TDEntry* parent, const std::string& name) const {
  if (!parent) return nullptr;
  const auto& names = IndexedNames(parent);
  auto it = names.find(AsciiUpper(name));
  return it == names.end() ? nullptr : it->second;
}

bool TQuarnBurner::AddFile(TDEntry* parent, const EntryInfo& info, std::uint8_t tag, std::uint32_t extent,
                           const std::string& sourcePath) {
  std::vector<TExtent> extents;
  if (extent != 0) extents.push_back({extent, info.Size});
  return AddFile(parent, info, tag, extents, sourcePath);
}

TQuarnBurner::PreparedFile TQuarnBurner::PrepareFile(const EntryInfo& info, const std::string& sourcePath,
                                                     bool longNameSkips) {
  PreparedFile file{ShortNameOf(info), info.LongName, DateOf(info), false};
  if (!(info.Attributes & faDirectory) && !info.ExactName) {
    if (file.shortName.find('.') == std::string::npos) file.shortName += '.';
    if (file.longName.find('.') == std::string::npos) file.longName += '.';
  }
  file.skip = longNameSkips && CharCount(file.longName) > 127;
  if (OnAddFile) {
    OnAddFile(this, sourcePath, file.longName, file.shortName, file.dateTime, info.Attributes,
              static_cast<std::int64_t>(info.Size), file.skip);
  }
  return file;
}

void TQuarnBurner::WriteFile(TFEntry* target, const PreparedFile& file, const EntryInfo& info, std::uint8_t tag,
                             std::vector<TExtent> extents, const std::string& sourcePath) {
  target->ShortName = AsciiUpper(file.shortName);
  target->LongName = file.longName;
  target->Size = target->Size2 = static_cast<std::int64_t>(info.Size);
  target->Attr = info.Attributes;
  target->DateTime = file.dateTime;
  target->SourcePath = sourcePath;
  target->Tag = tag;
  const std::uint32_t first = extents.empty() ? 0 : extents.front().Lba;
  if (first != 0) {
    target->Extent = target->Extent2 = first;
    target->OnDisc = 1;
  } else {
    target->OnDisc = 0;
  }
  // A file in one plain extent (its data from the start of the extent's first sector,
  // as long as the file) keeps it as its first extent and size alone: a list of its own
  // for every file costs an allocation per record that lives as long as the tree. Any
  // other run is kept as it is.
  TExtent plain;
  plain.Lba = first;
  plain.Bytes = info.Size;
  if (extents.size() == 1 && first != 0 && extents.front() == plain) {
    target->Extents.clear();
  } else {
    target->Extents = std::move(extents);
  }
  target->Posix = SharedPosix(info);
}

bool TQuarnBurner::AddFile(TDEntry* parent, const EntryInfo& info, std::uint8_t tag,
                           const std::vector<TExtent>& extents, const std::string& sourcePath) {
  if (!parent) return false;
  TFEntry* existing = FindFile(parent, info.LongName);
  const bool replacing = existing && ReplaceFile;
  const PreparedFile file = PrepareFile(info, sourcePath, true);
  if (file.skip) return false;

  TFEntry* target = existing;
  std::string oldKey;
  if (replacing) {
    oldKey = AsciiUpper(existing->LongName);
  } else {
    if (existing) return false;
    target = NewFileRecord();
    if (!target) return false;
    Append(parent, target);
  }
  WriteFile(target, file, info, tag, extents, sourcePath);

  const std::string key = AsciiUpper(file.longName);
  if (replacing) {
    // A handler may have renamed the entry in place: both names may now belong
    // to a different first entry.
    if (oldKey != key) ReindexName(parent, oldKey);
    ReindexName(parent, key);
  } else {
    IndexName(parent, key, target);
  }
  return true;
}

TQuarnBurner::TImportResult TQuarnBurner::ImportFile(TDEntry* parent, const EntryInfo& info,
                                                     std::vector<TExtent> extents) {
  if (!parent) return TImportResult::Limit;
  const PreparedFile file = PrepareFile(info, "", false);
  if (file.skip) return TImportResult::SkippedByHandler;
  TFEntry* target = NewFileRecord();
  if (!target) return TImportResult::Limit;
  Append(parent, target);
  WriteFile(target, file, info, 0, std::move(extents), "");
  IndexName(parent, file.longName, target);
  return TImportResult::Added;
}

TQuarnBurner::TreeMark TQuarnBurner::MarkTree(const TDEntry* target) const {
  return {dirs_.size(), files_.size(), problems_.size(), problems_.CutDirectories().size(),
          target ? target->Last : nullptr};
}

void TQuarnBurner::RollBackTree(const TreeMark& mark, TDEntry* target) {
  for (std::size_t i = mark.dirs; i < dirs_.size(); ++i) {
    auto it = dirIndex_.find(dirs_[i]->Path);
    if (it != dirIndex_.end() && it->second == dirs_[i]) dirIndex_.erase(it);
  }
  // The name indexes are built again at their next look-up.
  nameIndex_.clear();
  if (target) {
    if (mark.last) {
      mark.last->Next = nullptr;
    } else {
      target->Files = nullptr;
    }
    target->Last = mark.last;
  }
  files_.Truncate(mark.files);
  dirs_.Truncate(mark.dirs);
  problems_.Truncate(mark.problems, mark.cuts);
}

}  // namespace tarnwick
