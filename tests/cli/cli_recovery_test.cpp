// Unreadable data under each read policy: on an image mastered by the system's tool
// and laid out by isoinfo, with a scratch, a marginal area, a large bad area and a
// random fault, every good byte comes out, the report names exactly the injected
// sectors' bytes, and a disc without errors sees the same READ(10) commands.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "CliRun.h"
#include "IsoListing.h"
#include "RescueMapBlocks.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using Ranges = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

struct ScratchedDisc {
  TempDir dir;
  std::map<std::string, std::string> content = {{"BIG.BIN", PatternBytes(3000 * 2048, 1)},
                                                {"MID.BIN", PatternBytes(200 * 2048 + 100, 2)},
                                                {"SMALL.TXT", PatternBytes(5000, 3)},
                                                {"FINE.TXT", PatternBytes(700, 4)}};
  std::map<std::string, ListedEntry> listed;
  std::string clean, faulty;

  ScratchedDisc() {
    std::vector<IsoEntry> entries;
    for (const auto& [name, data] : content) entries.push_back({name, data});
    const fs::path image = MakeIso(dir, "scratched", entries);
    listed = ListWithIsoinfo(image, 0, false);
    const auto lba = [&](const char* name, int plus) { return std::to_string(listed.at(std::string("/") + name).lba + plus); };
    const std::string track = "session number=1\ntrack type=data start=0 length=" +
                              std::to_string(fs::file_size(image) / 2048) + " file=" + image.filename().string() + "\n";
    clean = (dir / "clean.desc").string();
    faulty = (dir / "faulty.desc").string();
    std::ofstream(clean) << track;
    std::ofstream(faulty) << track << "fault read start=" << lba("BIG.BIN", 500) << " count=2000\n"
                          << "fault read start=" << lba("MID.BIN", 17) << "\n"
                          << "fault read start=" << lba("SMALL.TXT", 0) << " count=3 marginal=2\n"
                          << "fault read start=" << lba("FINE.TXT", 0) << " chance=0.2 seed=3\n";
  }
};

// The READ(10) count --debug reports for the run.
long ReadCommands(const CliResult& r) {
  std::smatch m;
  return std::regex_search(r.err, m, std::regex("received (\\d+) READ\\(10\\) commands in all")) ? std::stol(m[1]) : -1;
}

TEST(Recovery, EachPolicyDeliversWhatReadsAndReportsExactlyWhatDoesNot) {
  const ScratchedDisc disc;
  const Ranges bigBad = {{500 * 2048, 2500 * 2048 - 1}}, midBad = {{17 * 2048, 18 * 2048 - 1}};
  struct Case {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::map<std::string, std::pair<std::string, Ranges>> report;  // name -> status, bad
    bool writes;
  };
  const std::map<std::string, std::pair<std::string, Ranges>> filled = {
      {"BIG.BIN", {"damaged", bigBad}}, {"MID.BIN", {"damaged", midBad}},
      {"SMALL.TXT", {"ok", {}}},        {"FINE.TXT", {"ok", {}}}};
  const std::vector<Case> cases = {
      {"fill", {"extract", "-R", "--on-error=fill"}, 3, filled, true},
      {"check", {"check"}, 3, filled, false},
      {"skip", {"extract", "-R", "--on-error=skip"}, 1,
       {{"BIG.BIN", {"skipped", {}}}, {"MID.BIN", {"skipped", {}}}, {"SMALL.TXT", {"ok", {}}}, {"FINE.TXT", {"ok", {}}}},
       true},
      // Its first two sectors fail every try; the third reads when the reader comes back.
      {"fill without retries loses the marginal sectors",
       {"extract", "-R", "--on-error=fill", "--retries", "0"},
       3,
       {{"BIG.BIN", {"damaged", bigBad}}, {"MID.BIN", {"damaged", midBad}},
        {"SMALL.TXT", {"damaged", {{0, 4095}}}}, {"FINE.TXT", {"ok", {}}}},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir out;
    std::vector<std::string> args = {"--image", disc.faulty};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const fs::path report = out / "report.json";
    if (c.writes) args.insert(args.end(), {"--to", (out / "files").string()});
    args.insert(args.end(), {"--report", report.string()});
    if (c.writes) args.push_back("/");
    if (c.writes) fs::create_directory(out / "files");
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(ReadWholeFile(report));
    ASSERT_EQ(doc["files"].size(), c.report.size());
    for (const auto& file : doc["files"]) {
      const std::string name = file["path"].get<std::string>().substr(1);
      const auto& [status, bad] = c.report.at(name);
      EXPECT_EQ(file["status"], status) << name;
      EXPECT_EQ(file["bad"].get<Ranges>(), bad) << name;
      EXPECT_EQ(file["size"], disc.content.at(name).size());
      if (status == "damaged") {
        EXPECT_NE(r.err.find("damaged: /" + name), std::string::npos);
      }
      const fs::path written = out / "files" / name;
      if (!c.writes || status == "skipped") {
        EXPECT_FALSE(fs::exists(written)) << name;
        continue;
      }
      // Every byte as mastered, but zeros where the report says it could not be read.
      std::string expected = disc.content.at(name);
      for (const auto& [first, last] : bad) std::fill(expected.begin() + first, expected.begin() + last + 1, '\0');
      EXPECT_EQ(ReadWholeFile(written), expected) << name;
    }
  }
}

// The policy costs nothing on a disc without errors; on the scratched one the bad
// area is mostly skipped, not read sector by sector.
TEST(Recovery, CommandCounts) {
  const ScratchedDisc disc;
  auto count = [&](const std::string& image, const std::string& policy) {
    TempDir out;
    return ReadCommands(RunCli({"--debug", "--image", image, "extract", "--on-error=" + policy, "--to",
                                out.str(), "/BIG.BIN"}));
  };
  const long clean = count(disc.clean, "fail");
  EXPECT_EQ(count(disc.clean, "fill"), clean);
  // Fewer than the disc without errors takes: the 2000 bad sectors are not read one
  // by one (that alone would be 2000 commands).
  const long faulty = count(disc.faulty, "fill");
  EXPECT_GT(faulty, 0);
  EXPECT_LT(faulty, clean);
}

// image saves the session with a map that an independent reader accepts and that names
// exactly the injected faults; the image with its map fails where the disc did; a run
// over the repaired disc reads only what was missing and completes the image.
TEST(Recovery, ImageWithMapResumes) {
  const ScratchedDisc disc;
  TempDir out;
  const std::string image = (out / "s.iso").string(), map = image + ".map";
  const CliResult first = RunCli({"--debug", "--image", disc.faulty, "image", "--to", image});
  EXPECT_EQ(first.status, 3) << first.err;
  ASSERT_EQ(RunCaptured({"ddrescuelog", "-t", map}).status, 0);
  ASSERT_EQ(RunCaptured({"ddrescuelog", "-b", "2048", "-l-", map}).status, 0);
  // Bad blocks ('-') and the untried middle of the bad area ('/'): exactly the faults.
  std::vector<std::uint32_t> expected;
  const std::uint32_t big = disc.listed.at("/BIG.BIN").lba, mid = disc.listed.at("/MID.BIN").lba;
  for (std::uint32_t b = big + 500; b < big + 2500; ++b) expected.push_back(b);
  expected.push_back(mid + 17);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(MapBlocks(map, "?*/-"), expected);

  // Opened again, the image fails where the disc did: with the map beside it, or with
  // one named by --map (a copy elsewhere, no map beside it).
  const std::string copy = (out / "copy.iso").string(), elsewhere = (out / "elsewhere.map").string();
  fs::copy_file(image, copy);
  fs::copy_file(map, elsewhere);
  for (const std::vector<std::string>& opening :
       {std::vector<std::string>{"--image", image}, {"--image", copy, "--map", elsewhere}}) {
    TempDir files;
    std::vector<std::string> args = opening;
    args.insert(args.end(), {"extract", "--on-error=fill", "--to", files.str(), "/MID.BIN"});
    const CliResult again = RunCli(args);
    EXPECT_EQ(again.status, 3) << opening.back();
    EXPECT_NE(again.err.find("bytes 34816-36863"), std::string::npos) << again.err;
  }

  const CliResult second = RunCli({"--debug", "--image", disc.clean, "image", "--to", image});
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_LT(ReadCommands(second), 2001 / 31 + 20);  // the bad blocks only, not the session
  const std::string whole = ReadWholeFile(image);
  EXPECT_EQ(whole, ReadWholeFile(disc.dir / "scratched.iso").substr(0, whole.size()));
  EXPECT_EQ(RunCaptured({"ddrescuelog", "-D", map}).status, 0);  // every block read well
}

// The damage report against one worked out by other programs (tools/damage-compare.py:
// each file's extents from xorriso, the blocks not read well from ddrescuelog): on the
// image saved with its map, check and a filled extraction name exactly the bytes of
// the blocks the map does not mark read well, and a report short of one range differs.
TEST(Recovery, ReportAgreesWithXorrisoAndTheMap) {
  if (RunCaptured({"xorriso", "-version"}).status != 0) GTEST_SKIP() << "xorriso is not installed";
  const ScratchedDisc disc;
  TempDir out;
  const std::string image = (out / "s.iso").string(), report = (out / "r.json").string();
  ASSERT_EQ(RunCli({"--image", disc.faulty, "image", "--to", image}).status, 3);
  const auto compare = [&] {
    return RunCaptured({"python3", TARNWICK_SOURCE_DIR "/tools/damage-compare.py", image, image + ".map", report});
  };
  fs::create_directory(out / "files");
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"check"}, {"extract", "-R", "--on-error=fill", "--to", (out / "files").string()}}) {
    SCOPED_TRACE(command[0]);
    std::vector<std::string> args = {"--image", image};
    args.insert(args.end(), command.begin(), command.end());
    args.insert(args.end(), {"--report", report});
    if (command[0] == "extract") args.push_back("/");
    EXPECT_EQ(RunCli(args).status, 3);
    const CliResult r = compare();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("4 files agree, 0 differ"), std::string::npos) << r.out;
  }
  nlohmann::json doc = nlohmann::json::parse(ReadWholeFile(report));
  for (auto& file : doc["files"])
    if (file["path"] == "/BIG.BIN") file["bad"].erase(0);
  std::ofstream(report) << doc.dump();
  EXPECT_EQ(compare().status, 1);
}

// image --disc keeps every session at its disc address in one image; the gap between
// sessions is a hole the map leaves untried, and only the injected faults are bad.
TEST(Recovery, ImageOfTheWholeDisc) {
  TempDir dir, out;
  const MultiSessionDisc layout = MakeMultiSessionCdr(
      dir, {{{{"ONE.BIN", PatternBytes(300 * 2048, 5)}}, {}}, {{{"TWO.BIN", PatternBytes(400 * 2048, 6)}}, {}}});
  const std::uint32_t second = layout.starts[1];
  std::ofstream(layout.description, std::ios::app) << "fault read start=" << second + 30 << " count=2\n";
  const std::string image = (out / "d.img").string(), map = image + ".map";
  const std::vector<std::string> args = {"--image", layout.description.string(), "image", "--to", image, "--disc"};
  std::vector<std::string> both = args;
  both.insert(both.end(), {"--session", "1"});
  EXPECT_EQ(RunCli(both).status, 2);
  EXPECT_FALSE(fs::exists(image));
  EXPECT_EQ(RunCli(args).status, 3);
  ASSERT_EQ(RunCaptured({"ddrescuelog", "-t", map}).status, 0);
  EXPECT_EQ(MapBlocks(map, "*/-"), (std::vector<std::uint32_t>{second + 30, second + 31}));
  const std::vector<std::uint32_t> untried = MapBlocks(map, "?");
  ASSERT_FALSE(untried.empty());
  EXPECT_GE(untried.front(), layout.lengths[0]);
  EXPECT_EQ(untried.back(), second - 1);
  // Both sessions at their addresses, zeros for the faults and the gap.
  std::string expected = ReadWholeFile(layout.flatImage);
  expected.resize(std::uint64_t{second + layout.lengths[1]} * 2048, '\0');
  std::fill(expected.begin() + (second + 30) * 2048ull, expected.begin() + (second + 32) * 2048ull, '\0');
  EXPECT_EQ(ReadWholeFile(image), expected);
}

}  // namespace
}  // namespace tarnwick::test
