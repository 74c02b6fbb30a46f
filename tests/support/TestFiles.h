// File contents for tests: reproducible pseudo-random bytes, and whole files read back.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace tarnwick::test {

// `size` bytes that differ for every seed and repeat for the same one.
std::string PatternBytes(std::size_t size, unsigned seed);

// The whole file as bytes ("" when it cannot be read).
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace tarnwick::test
