// Counts in the program's own texts: "1 file", "2 files". The one place that decides
// between the singular and the plural, below every layer that writes such texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// `one` for a count of 1, `many` for any other.
inline std::string_view OneOrMany(std::uint64_t count, std::string_view one, std::string_view many) {
  return count == 1 ? one : many;
}

// The count and the word that agrees with it: "1 sector", "3 sectors", "0 sectors".
inline std::string CountOf(std::uint64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(OneOrMany(count, one, many));
}

}  // namespace tarnwick
