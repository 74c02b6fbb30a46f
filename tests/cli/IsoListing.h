// The tree of an ISO 9660 image as an independent reader (isoinfo) lists it: one
// entry per file or directory, keyed by its "/" path from the root.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace tarnwick::test {

struct ListedEntry {
  bool directory = false;
  bool hidden = false;
  std::uint64_t size = 0;
  std::uint32_t lba = 0;
};

// Lists an image whose first block belongs at block `sessionStart` of the disc, from
// its Joliet tree or (joliet false) its primary tree with the ";1" versions dropped.
// Throws std::runtime_error when isoinfo fails.
std::map<std::string, ListedEntry> ListWithIsoinfo(const std::filesystem::path& image, std::uint32_t sessionStart,
                                                   bool joliet);

// Checks every entry of an `ls --json` document against such a listing: the same
// paths (a file without an extension carries a final "." in the tree), types, hidden
// flags, sizes and extents, and as many entries. Returns the listing's path of each
// file, by the document's path.
std::map<std::string, std::string> ExpectMatchesListing(const nlohmann::json& document,
                                                        const std::map<std::string, ListedEntry>& listed);

}  // namespace tarnwick::test
