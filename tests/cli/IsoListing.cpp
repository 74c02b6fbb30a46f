#include "IsoListing.h"

#include <regex>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "CliRun.h"

namespace tarnwick::test {

std::map<std::string, ListedEntry> ListWithIsoinfo(const std::filesystem::path& image, std::uint32_t sessionStart,
                                                   bool joliet) {
  std::vector<std::string> argv{"isoinfo", "-l", "-N", std::to_string(sessionStart), "-i", image.string()};
  if (joliet) argv.insert(argv.begin() + 1, "-J");
  const CliResult run = RunCaptured(argv);
  if (run.status != 0) throw std::runtime_error("isoinfo failed: " + run.err);

  // "d---------   0    0    0            2048 Dec  8 2026 [     30 02]  name "
  static const std::regex row(R"(^([d-])\S*\s+\d+\s+\d+\s+\d+\s+(\d+)\s+\w+\s+\d+\s+\d+\s+\[\s*(\d+)\s+([0-9a-fA-F]+)\]  (.*) $)");
  static const std::regex heading(R"(^Directory listing of (/.*)$)");
  std::map<std::string, ListedEntry> tree;
  std::istringstream lines(run.out);
  std::string line, directory;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (std::regex_match(line, m, heading)) {
      directory = m[1];
      continue;
    }
    if (!std::regex_match(line, m, row)) continue;
    std::string name = m[5];
    if (name == "." || name == "..") continue;
    if (!joliet) {
      const std::size_t version = name.rfind(';');
      if (version != std::string::npos) name.erase(version);
    }
    ListedEntry entry;
    entry.directory = m[1] == "d";
    entry.size = std::stoull(m[2]);
    entry.lba = static_cast<std::uint32_t>(std::stoul(m[3]));
    entry.hidden = (std::stoul(m[4], nullptr, 16) & 1) != 0;
    tree[directory + name] = entry;
  }
  if (tree.empty()) throw std::runtime_error("isoinfo listed nothing: " + run.out);
  return tree;
}

std::map<std::string, std::string> ExpectMatchesListing(const nlohmann::json& document,
                                                        const std::map<std::string, ListedEntry>& listed) {
  std::map<std::string, std::string> files;
  for (const nlohmann::json& e : document["entries"]) {
    const std::string path = e["path"];
    std::string listedPath = path;
    if (e["type"] == "file" && path.back() == '.' && !listed.count(path)) listedPath.pop_back();
    const auto it = listed.find(listedPath);
    if (it == listed.end()) {
      ADD_FAILURE() << path << " is not in the independent listing";
      continue;
    }
    EXPECT_EQ(e["name"], path.substr(path.rfind('/') + 1));
    EXPECT_EQ(e["type"], it->second.directory ? "directory" : "file") << path;
    EXPECT_EQ(e["hidden"], it->second.hidden) << path;
    if (it->second.directory) continue;
    files[path] = listedPath;
    EXPECT_EQ(e["size"], it->second.size) << path;
    if (e["extents"].size() != 1u) {
      ADD_FAILURE() << path << " has " << e["extents"].size() << " extents";
      continue;
    }
    if (it->second.size > 0) {
      EXPECT_EQ(e["extents"][0]["lba"], it->second.lba) << path;
    }
    EXPECT_EQ(e["extents"][0]["bytes"], it->second.size) << path;
  }
  EXPECT_EQ(document["entries"].size(), listed.size());
  return files;
}

}  // namespace tarnwick::test
