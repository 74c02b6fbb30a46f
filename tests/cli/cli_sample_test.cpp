// tarnwick-cli on the bundled sample disc: the commands the README shows, and every
// session's listing compared with an independent reader.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "CliRun.h"
#include "IsoListing.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSample = fs::path(TARNWICK_SOURCE_DIR) / "samples" / "sample.disc";

struct Track {
  std::uint32_t start;
  fs::path file;
};

// The data tracks of the description, one per session.
std::vector<Track> SampleTracks() {
  std::ifstream in(kSample);
  static const std::regex track(R"(^track\s.*start=(\d+)\s.*file=(\S+))");
  std::vector<Track> tracks;
  std::smatch m;
  for (std::string line; std::getline(in, line);)
    if (std::regex_search(line, m, track)) tracks.push_back({static_cast<std::uint32_t>(std::stoul(m[1])), kSample.parent_path() / m[2].str()});
  return tracks;
}

class SampleDisc : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kSample)) GTEST_SKIP() << "no sample disc";
  }
  static CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--image", kSample.string()});
    return RunCli(args);
  }
};

TEST_F(SampleDisc, ShowAndTreeOfTheLastSession) {
  const CliResult show = Cli({"show"});
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_NE(show.out.find("\n   003 "), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("\nMedium  : CD-R\n"), std::string::npos) << show.out;

  const CliResult tree = Cli({"ls", "-R"});
  ASSERT_EQ(tree.status, 0) << tree.err;
  for (const char* heading : {"/:\n", "\n/docs:\n", "\n/photos:\n", "\n/private:\n", "\n/archive:\n"})
    EXPECT_NE(tree.out.find(heading), std::string::npos) << heading;
}

TEST_F(SampleDisc, EverySessionMatchesAnIndependentReader) {
  const std::vector<Track> tracks = SampleTracks();
  ASSERT_EQ(tracks.size(), 3u);
  for (std::size_t s = 0; s < tracks.size(); ++s) {
    SCOPED_TRACE("session " + std::to_string(s + 1));
    const CliResult r = Cli({"ls", "--json", "-R", "--session", std::to_string(s + 1)});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    ExpectMatchesListing(doc, ListWithIsoinfo(tracks[s].file, tracks[s].start, true));
  }
}

TEST_F(SampleDisc, ExtractedSessionHoldsWhatCatWrites) {
  TempDir out;
  const CliResult r = Cli({"extract", "-R", "--session", "2", "--to", out.str(), "/"});
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json doc = nlohmann::json::parse(Cli({"ls", "--json", "-R", "--session", "2"}).out);
  std::size_t files = 0;
  for (const nlohmann::json& e : doc["entries"]) {
    if (e["type"] != "file") continue;
    ++files;
    const std::string path = e["path"];
    std::ifstream in(out.path() / path.substr(1), std::ios::binary);
    std::stringstream data;
    data << in.rdbuf();
    EXPECT_EQ(data.str().size(), e["size"].get<std::uint64_t>()) << path;
    EXPECT_TRUE(data.str() == Cli({"cat", "--session", "2", path}).out) << path;
  }
  EXPECT_GE(files, 8u);
}

}  // namespace
}  // namespace tarnwick::test
