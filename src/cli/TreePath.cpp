#include "cli/TreePath.h"

namespace tarnwick::cli {

std::string ChildPath(const std::string& parent, const std::string& name) {
  return parent == "/" ? "/" + name : parent + "/" + name;
}

std::optional<TreeItem> ResolvePath(TQuarnBurner& burner, const std::string& path) {
  TreeItem item{burner.Root(), nullptr, "/"};
  std::string component;
  auto step = [&](const std::string& name) -> bool {
    if (name.empty() || name == ".") return true;
    if (item.dir == nullptr) return false;  // a file has no children
    TFEntry* entry = burner.FindFile(item.dir, name);
    if (entry == nullptr && name.find('.') == std::string::npos) entry = burner.FindFile(item.dir, name + ".");
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
