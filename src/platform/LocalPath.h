// Local paths are carried as UTF-8 strings. std::filesystem takes a narrow string in
// the system's narrow encoding, which on Windows is the ANSI code page, not UTF-8: a
// path handed to it goes through LocalPath, so that names outside ASCII stay whole.
#pragma once

#include <filesystem>
#include <string>

namespace tarnwick::platform {

inline std::filesystem::path LocalPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The path back as UTF-8.
inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace tarnwick::platform
