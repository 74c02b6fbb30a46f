// File contents for tests: reproducible pseudo-random bytes, and whole files read back.
#pragma once

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>

namespace tarnwick::test {

// `size` bytes that differ for every seed and repeat for the same one.
std::string PatternBytes(std::size_t size, unsigned seed);

// A UTF-8 path as a local path (on Windows a narrow string would be taken in the ANSI
// code page).
std::filesystem::path Utf8Path(const std::string& utf8);

// The whole file as bytes ("" when it cannot be read).
std::string ReadWholeFile(const std::filesystem::path& path);

// The file's last-write time in seconds since 1970 (0 when it cannot be read).
std::time_t ModifiedTime(const std::filesystem::path& path);

// `t` broken down in the local time zone.
std::tm LocalBrokenDown(std::time_t t);

}  // namespace tarnwick::test
