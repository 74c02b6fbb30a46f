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

// The path as the import's problems name it: "/"-separated from the root, upper-case
// for an ASCII comparison.
std::string ProblemPathKey(const std::string& path) {
  std::string key = "/";
  for (char c : path) {
    const char d = c == '\\' ? '/' : c;
    if (d == '/' && key.back() == '/') continue;
    key += (d >= 'a' && d <= 'z') ? static_cast<char>(d - 'a' + 'A') : d;
  }
  if (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

// The problem whose lost part of the tree may hold `path`, or none.
const TImportProblem* ProblemOnTheWay(const TImportProblems& problems, const std::string& path) {
  const std::string wanted = ProblemPathKey(path);
  for (const TImportProblem& problem : problems.All()) {
    if (problem.kind == TProblemKind::Fallback) continue;
    const std::string lost = ProblemPathKey(problem.path);
    if (lost == "/" || wanted == lost || wanted.compare(0, lost.size() + 1, lost + "/") == 0) return &problem;
  }
  return nullptr;
}

}  // namespace

std::string NotFoundText(const TQuarnBurner& burner, std::uint8_t session, const std::string& path,
                         const std::string& what) {
  const std::string where = " in session " + std::to_string(session) + ": " + path;
  const TImportProblem* problem = ProblemOnTheWay(burner.ImportProblems(), path);
  if (problem == nullptr) return "no such " + what + where;
  return "cannot read " + what + where + " (the disc's directory " + problem->path + " could not be read whole)";
}

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
