#include "iso/DistinctDestinations.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "iso/LocalName.h"
#include "platform/LocalPath.h"

namespace tarnwick {
namespace {

constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kCaseClaimsCompared = 4;

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// `name` with "~n" added before its extension (files) or at its end (directories),
// the stem cut at a character boundary when the result would pass 255 bytes.
std::string NumberedName(const std::string& name, bool isDirectory, unsigned n) {
  const std::string mark = "~" + std::to_string(n);
  std::size_t dot = isDirectory ? std::string::npos : name.rfind('.');
  if (dot == 0) dot = std::string::npos;  // ".profile" has no extension
  std::string stem = name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  const std::size_t room = kMaxNameBytes > mark.size() + extension.size() ? kMaxNameBytes - mark.size() - extension.size() : 0;
  if (stem.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
    stem.resize(cut);
  }
  return stem + mark + extension;
}

}  // namespace

const std::string* TDistinctDestinations::Holder(const std::string& path) const {
  if (const auto exact = owners_.find(path); exact != owners_.end()) return &exact->second;
  const auto same = folded_.find(AsciiLower(path));
  if (same == folded_.end()) return nullptr;
  // A name differing only in case is the same file only where the local file system
  // ignores case; the file system answers that for names that exist.
  // Where case is ignored, a name's later spellings were renamed, so the first few
  // claims of a spelling are all that can hold it; looking no further keeps a disc
  // of many such names from costing a comparison with every earlier one.
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(platform::LocalPath(path), ec))) return nullptr;
  const std::size_t limit = std::min<std::size_t>(same->second.size(), kCaseClaimsCompared);
  for (std::size_t i = 0; i < limit; ++i) {
    const std::string& claimed = same->second[i];
    if (std::filesystem::equivalent(platform::LocalPath(path), platform::LocalPath(claimed), ec) && !ec) return &owners_.at(claimed);
  }
  return nullptr;
}

TDestination TDistinctDestinations::Claim(const std::string& directory, const std::string& longName,
                                          bool isDirectory, const std::string& owner) {
  const std::string name = SafeLocalName(longName);
  TDestination result;
  result.wanted = JoinLocalPath(directory, name);
  result.path = result.wanted;
  if (const std::string* holder = Holder(result.wanted)) {
    result.takenBy = *holder;
    // Numbering goes on from where the last clash of this path stopped, so many
    // entries of one name cost one step each.
    unsigned& n = nextNumber_.try_emplace(result.wanted, 2).first->second;
    do {
      result.path = JoinLocalPath(directory, NumberedName(name, isDirectory, n++));
    } while (Holder(result.path) != nullptr);
  }
  owners_.emplace(result.path, owner);
  folded_[AsciiLower(result.path)].push_back(result.path);
  return result;
}

}  // namespace tarnwick
