// The blocks of a rescue map as ddrescuelog lists them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick::test {

// The 2048-byte blocks ddrescuelog lists in the map with one of the statuses.
std::vector<std::uint32_t> MapBlocks(const std::string& map, const std::string& statuses);

}  // namespace tarnwick::test
