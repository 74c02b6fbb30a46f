#include "iso/LocalName.h"

#include "platform/SystemNames.h"

namespace tarnwick {
namespace {

constexpr std::size_t kMaxNameBytes = 255;

void DropTrailingDotsAndBlanks(std::string& name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
}

}  // namespace

std::string SafeLocalName(const std::string& longName) {
  std::string name = longName;
  for (char& c : name)
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  DropTrailingDotsAndBlanks(name);
  name = platform::MakeSystemSafeName(name);
  if (name.size() > kMaxNameBytes) {
    std::size_t cut = kMaxNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
    DropTrailingDotsAndBlanks(name);
  }
  if (name.empty()) return std::string(1, '_');
  return name;
}

std::string JoinLocalPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (directory.back() == '/') return directory + name;
#ifdef _WIN32
  // The system's choosers end a drive's root (and some folders) with a backslash.
  if (directory.back() == '\\') return directory + name;
#endif
  return directory + "/" + name;
}

std::string LocalDestination(const std::string& directory, const std::string& longName) {
  return JoinLocalPath(directory, SafeLocalName(longName));
}

}  // namespace tarnwick
