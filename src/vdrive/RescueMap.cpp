#include "vdrive/RescueMap.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/LocalPath.h"
#include "vdrive/DiscModel.h"

namespace tarnwick::vdrive {

namespace {

constexpr const char* kStatuses = "?*/-+";

std::optional<std::uint64_t> Number(const std::string& word) {
  if (word.empty() || word[0] == '-' || word[0] == '+') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(word.c_str(), &end, 0);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return value;
}

bool IsStatus(const std::string& word) {
  return word.size() == 1 && std::string(kStatuses).find(word[0]) != std::string::npos;
}

}  // namespace

TRescueMap::TRescueMap(std::uint64_t size) : size_(size) {
  if (size_ > 0) starts_[0] = '?';
}

std::optional<TRescueMap> TRescueMap::Parse(const std::string& text, std::string& error) {
  std::istringstream in(text);
  std::string line;
  bool statusLine = false;
  std::uint64_t next = 0;
  TRescueMap map(0);
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty() || w[0][0] == '#') continue;
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(number) + ": " + why;
      return std::nullopt;
    };
    if (!statusLine) {
      // current position, current status, and (in newer maps) the current pass
      if (w.size() < 2 || w.size() > 3 || !Number(w[0])) return fail("no status line");
      statusLine = true;
      continue;
    }
    if (w.size() != 3 || !IsStatus(w[2])) return fail("not an area: position, size, status");
    const auto pos = Number(w[0]), size = Number(w[1]);
    if (!pos || !size || *size == 0) return fail("bad position or size");
    if (*pos != next) return fail("the area does not start where the one before ends");
    if (*size > UINT64_MAX - *pos) return fail("the area is too large");
    if (map.starts_.empty() || map.starts_.rbegin()->second != w[2][0]) map.starts_[*pos] = w[2][0];
    next = *pos + *size;
  }
  if (!statusLine || next == 0) {
    error = "no areas";
    return std::nullopt;
  }
  map.size_ = next;
  return map;
}

std::optional<TRescueMap> TRescueMap::Load(const std::string& path, std::string& error) {
  std::ifstream in(platform::LocalPath(path), std::ios::binary);
  if (!in) {
    error = "cannot be read";
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return Parse(text.str(), error);
}

bool TRescueMap::Save(const std::string& path) const {
  const std::filesystem::path target = platform::LocalPath(path);
  std::filesystem::path temp = target;
  temp += ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << Text();
    if (!out.flush()) return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, target, ec);
  return !ec;
}

void TRescueMap::Set(std::uint64_t pos, std::uint64_t size, char status) {
  if (size == 0 || pos >= size_) return;
  const std::uint64_t end = std::min(size_, pos + size);
  // The status that goes on after the area.
  auto after = starts_.upper_bound(end);
  const char tail = std::prev(after)->second;
  starts_.erase(starts_.lower_bound(pos), after);
  if (end < size_ && !starts_.count(end)) starts_[end] = tail;
  starts_[pos] = status;
  // Neighbours of the same status become one area.
  auto at = starts_.find(pos);
  if (at != starts_.begin() && std::prev(at)->second == status) at = std::prev(starts_.erase(at));
  auto following = std::next(at);
  if (following != starts_.end() && following->second == status) starts_.erase(following);
}

std::vector<TRescueMap::Area> TRescueMap::Areas() const {
  std::vector<Area> areas;
  for (auto it = starts_.begin(); it != starts_.end(); ++it) {
    const auto next = std::next(it);
    areas.push_back({it->first, (next == starts_.end() ? size_ : next->first) - it->first, it->second});
  }
  return areas;
}

std::string TRescueMap::Text() const {
  std::string text = "# Mapfile. Written by tarnwick-cli image\n";
  const std::vector<Area> areas = Areas();
  char line[80];
  // The position and status the work stands at: the first area not read well.
  Area current{0, 0, '+'};
  for (const Area& a : areas)
    if (a.status != '+') {
      current = a;
      break;
    }
  text += "# current_pos  current_status  current_pass\n";
  std::snprintf(line, sizeof line, "0x%08" PRIX64 "     %c               1\n", current.pos, current.status);
  text += line;
  text += "#      pos        size  status\n";
  for (const Area& a : areas) {
    std::snprintf(line, sizeof line, "0x%08" PRIX64 "  0x%08" PRIX64 "  %c\n", a.pos, a.size, a.status);
    text += line;
  }
  return text;
}

void AddMapFaults(DiscModel& model, const TRescueMap& map, std::uint32_t startLba) {
  for (const TRescueMap::Area& a : map.Areas()) {
    if (a.status == '+') continue;
    // Every block that holds a byte not read well.
    const std::uint64_t first = a.pos / kBlockSize, end = (a.pos + a.size + kBlockSize - 1) / kBlockSize;
    if (startLba + first > UINT32_MAX) break;
    ReadFault fault;
    fault.start = static_cast<std::uint32_t>(startLba + first);
    fault.count = static_cast<std::uint32_t>(std::min<std::uint64_t>(end - first, UINT32_MAX - fault.start + 1ull));
    model.readFaults.push_back(fault);
  }
}

std::string MapPathFor(const std::string& imagePath) { return imagePath + ".map"; }

}  // namespace tarnwick::vdrive
