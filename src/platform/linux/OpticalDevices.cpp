#include "platform/linux/OpticalDevices.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>
#include <utility>

namespace tarnwick::platform {
namespace {

// The number of an "srN" name, or -1 for any other name.
long SrNumber(std::string_view name) {
  if (name.size() < 3 || name.size() > 12 || name.substr(0, 2) != "sr") return -1;
  long number = 0;
  for (char c : name.substr(2)) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

// The last listing of a device directory, valid while the directory's modification
// time stays the same (adding or removing a node changes it). Every drive letter
// look-up asks for the devices, so a start would otherwise list the directory dozens
// of times. File systems stamp times coarsely, so a directory changed within the
// last seconds is listed every time: a change in the same tick could not be told.
struct Listing {
  std::string dir;
  std::filesystem::file_time_type stamp;
  std::vector<std::string> paths;
};

std::vector<std::string> CachedOpticalDevices(const std::string& dir) {
  using Clock = std::filesystem::file_time_type::clock;
  constexpr auto kSettled = std::chrono::seconds(2);
  static std::mutex mutex;
  static Listing last;
  std::error_code ec;
  const auto stamp = std::filesystem::last_write_time(dir, ec);
  if (ec || stamp > Clock::now() - kSettled) return ListOpticalDevices(dir);
  std::lock_guard lock(mutex);
  if (last.dir != dir || last.stamp != stamp) last = Listing{dir, stamp, ListOpticalDevices(dir)};
  return last.paths;
}

}  // namespace

std::vector<std::string> ListOpticalDevices(const std::string& devDir) {
  namespace fs = std::filesystem;
  std::vector<std::pair<long, std::string>> found;
  std::error_code ec;
  fs::directory_iterator it(devDir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const long number = SrNumber(it->path().filename().string());
    if (number < 0) continue;
    std::error_code typeError;
    if (it->is_directory(typeError)) continue;
    found.emplace_back(number, it->path().string());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  paths.reserve(found.size());
  for (auto& entry : found) paths.push_back(std::move(entry.second));
  return paths;
}

std::vector<std::string> DeviceDiscovery::Devices() const {
  bool enabled = realDrives == 1;
  if (realDrives < 0) {
    const char* off = std::getenv("TARNWICK_NO_REAL_DRIVES");
    enabled = off == nullptr || *off == '\0' || std::string_view(off) == "0";
  }
  if (!enabled) return {};
  std::string dir = devDir;
  if (dir.empty()) {
    const char* fromEnv = std::getenv("TARNWICK_DEV_DIR");
    dir = fromEnv != nullptr && *fromEnv != '\0' ? fromEnv : "/dev";
  }
  return CachedOpticalDevices(dir);
}

}  // namespace tarnwick::platform
