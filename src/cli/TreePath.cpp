#include "cli/TreePath.h"

namespace tarnwick::cli {

namespace {

// The entry of the directory with that name. Names that differ only in case are
// different entries: one spelled exactly as asked wins over the first that matches
// in any case.
TFEntry* FindEntry(TQuarnBurner& burner, const TDEntry* dir, const std::string& name) {
  TFEntry* first = burner.FindFile(dir, name);
  if (first == nullptr || first->LongName == name) return first;
  for (TFEntry* entry = dir->Files; entry != nullptr; entry = entry->Next)
    if (entry->LongName == name) return entry;
  return first;
}

}  // namespace

std::string ChildPath(const std::string& parent, const std::string& name) {
  return parent == "/" ? "/" + name : parent + "/" + name;
}

std::optional<TreeItem> ResolvePath(TQuarnBurner& burner, const std::string& path) {
  TreeItem item{burner.Root(), nullptr, "/"};
  std::string component;
  auto step = [&](const std::string& name) -> bool {
    if (name.empty() || name == ".") return true;
    if (item.dir == nullptr) return false;  // a file has no children
    TFEntry* entry = FindEntry(burner, item.dir, name);
    if (entry == nullptr && name.find('.') == std::string::npos) entry = FindEntry(burner, item.dir, name + ".");
    if (entry == nullptr) return false;
    item.entry = entry;
    item.dir = entry->IsDirectory() ? entry->Dir : nullptr;
    item.path = ChildPath(item.path, entry->LongName);
    return !(entry->IsDirectory() && item.dir == nullptr);
  };
  for (char c : path) {
    if (c == '/' || c == '\\') {
      if (!step(component)) return std::nullopt;
      component.clear();
    } else {
      component += c;
    }
  }
  if (!step(component)) return std::nullopt;
  return item;
}

}  // namespace tarnwick::cli
