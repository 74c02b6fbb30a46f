#include "support/TestFiles.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/types.h>
#endif

#include <cstdint>
#include <fstream>
#include <sstream>

namespace tarnwick::test {

std::string PatternBytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return bytes;
}

std::filesystem::path Utf8Path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace tarnwick::test

namespace tarnwick::test {

std::time_t ModifiedTime(const std::filesystem::path& path) {
#if defined(_WIN32)
  // From the file time itself (the C runtime's stat gave wrong times under wine).
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  return static_cast<std::time_t>(ticks / 10000000ULL) - static_cast<std::time_t>(11644473600LL);
#else
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return static_cast<std::time_t>(st.st_mtime);
#endif
}

std::tm LocalBrokenDown(std::time_t t) {
  std::tm tm{};
#if defined(_WIN32)
  ::localtime_s(&tm, &t);
#else
  ::localtime_r(&t, &tm);
#endif
  return tm;
}

}  // namespace tarnwick::test
