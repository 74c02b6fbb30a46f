#include "browse/GridSearch.h"

namespace tarnwick {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWith(const std::string& name, const std::string& typed) {
  if (name.size() < typed.size()) return false;
  for (std::size_t i = 0; i < typed.size(); ++i)
    if (LowerAscii(name[i]) != LowerAscii(typed[i])) return false;
  return true;
}

}  // namespace

int RowStartingWith(const std::vector<std::string>& names, const std::string& typed, int from) {
  const int count = static_cast<int>(names.size());
  if (typed.empty() || count == 0) return -1;
  if (from < 0 || from >= count) from = 0;
  for (int i = 0; i < count; ++i) {
    const int row = (from + i) % count;
    if (StartsWith(names[static_cast<std::size_t>(row)], typed)) return row;
  }
  return -1;
}

}  // namespace tarnwick
