// printf-style formatting of the component's message texts.
#pragma once

#include <cstdio>
#include <string>

namespace tarnwick {

template <typename... Args>
std::string Format(const char* pattern, Args... args) {
  const int n = std::snprintf(nullptr, 0, pattern, args...);
  if (n <= 0) return {};
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), pattern, args...);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

}  // namespace tarnwick
