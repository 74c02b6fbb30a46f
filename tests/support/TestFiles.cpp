#include "support/TestFiles.h"

#include <sys/stat.h>
#include <sys/types.h>

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
  struct _stat64 st {};
  if (::_wstat64(path.c_str(), &st) != 0) return 0;
#else
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
#endif
  return static_cast<std::time_t>(st.st_mtime);
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
