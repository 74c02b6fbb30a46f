// tarnwick-cli against a three-session CD-R made by the system's mastering tool:
// each command, every session's listing compared with an independent reader, whole
// sessions extracted and compared with the files the mastering tool was given.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"
#include "IsoListing.h"
#include "support/IsoMaker.h"
#include "support/TestFiles.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

// Even-second times hours apart, so that a file given another file's date is noticed.
std::time_t When(int n) { return 1'100'000'000 + n * 7200; }

// Sessions 1 and 2 carry Joliet and Rock Ridge names; session 3 has Rock Ridge only,
// so the reader falls back to the primary tree there.
std::vector<SessionContent> Sessions() {
  IsoOptions both;
  both.joliet = both.rockRidge = true;
  both.extraArgs = {"-hidden", "secret.txt"};
  IsoOptions rockRidge;
  rockRidge.rockRidge = true;
  SessionContent s1{{{"README.TXT", "first readme\n", When(1)},
                  {"empty.dat", "", When(2)},
                  {"sizes/b1.bin", test::PatternBytes(1, 1), When(3)},
                  {"sizes/b2047.bin", test::PatternBytes(2047, 2), When(4)},
                  {"sizes/b2048.bin", test::PatternBytes(2048, 3), When(5)},
                  {"sizes/b2049.bin", test::PatternBytes(2049, 4), When(6)},
                  {"sizes/b63489.bin", test::PatternBytes(63489, 5), When(7)},
                  {"sizes/b100000.bin", test::PatternBytes(100000, 6), When(8)},
                  {"docs/Release notes for version two.txt", "notes\n", When(9)},
                  {"docs/Makefile", "all:\n", When(10)},
                  {"secret.txt", "hidden\n", When(11)}},
                 both};
  SessionContent s2{{{"README.TXT", "second readme, longer\n", When(12)},
                  {"photos/beach.raw", test::PatternBytes(5000, 7), When(13)},
                  {"archive", "", When(14), true}},
                 both};
  SessionContent s3{{{"changes.txt", "third session\n", When(15)}}, rockRidge};
  return {s1, s2, s3};
}

class MasteredDisc : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    disc_ = std::make_unique<MultiSessionDisc>(MakeMultiSessionCdr(*dir_, Sessions()));
  }
  static void TearDownTestSuite() {
    disc_.reset();
    dir_.reset();
  }

  static CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--image", disc_->description.string()});
    return RunCli(args);
  }

  // The files the mastering tool was given for the sessions up to `session`, later
  // sessions replacing earlier files of the same path.
  static std::map<std::string, IsoEntry> GivenFiles(int session) {
    std::map<std::string, IsoEntry> files;
    const std::vector<SessionContent> sessions = Sessions();
    for (int s = 0; s < session; ++s)
      for (const IsoEntry& e : sessions[s].entries)
        if (!e.directory) files[e.path] = e;
    return files;
  }

  static std::unique_ptr<TempDir> dir_;
  static std::unique_ptr<MultiSessionDisc> disc_;
};

std::unique_ptr<TempDir> MasteredDisc::dir_;
std::unique_ptr<MultiSessionDisc> MasteredDisc::disc_;

TEST_F(MasteredDisc, ShowPrintsEverySessionAtItsAddress) {
  const CliResult r = Cli({"show"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::istringstream lines(r.out);
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_GE(all.size(), 8u) << r.out;
  for (std::size_t s = 0; s < 3; ++s) {
    const std::uint32_t frames = disc_->starts[s] + 150;  // MSF counts the 2-second pre-gap
    char expected[32];
    std::snprintf(expected, sizeof expected, "   %03zu %03u:%02u:%02u", s + 1, frames / 4500, frames / 75 % 60,
                  frames % 75);
    EXPECT_EQ(all[1 + s].rfind(expected, 0), 0u) << all[1 + s] << " should start with " << expected;
  }
  EXPECT_EQ(all[4].rfind(" Free ", 0), 0u) << all[4];
  EXPECT_EQ(all[5], "Medium  : CD-R");
  EXPECT_EQ(all[6].rfind("Disc Size  : 703", 0), 0u) << all[6];
  EXPECT_EQ(all[7].rfind("Used Space  : ", 0), 0u) << all[7];
}

TEST_F(MasteredDisc, DrivesNamesTheImageBehindEachLetter) {
  const fs::path bare = disc_->images[0];
  const CliResult r = RunCli({"--image", disc_->description.string(), "--image", bare.string(), "drives"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string first, second, extra;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_FALSE(std::getline(lines, extra)) << r.out;
  EXPECT_NE(first.find(",D: "), std::string::npos) << first;
  EXPECT_NE(second.find(",E: "), std::string::npos) << second;
  EXPECT_EQ(first.substr(first.find('\t') + 1), disc_->description.string());
  EXPECT_EQ(second.substr(second.find('\t') + 1), bare.string());

  // --drive picks the second image: a bare image of session 1 alone.
  const CliResult e = RunCli({"--image", disc_->description.string(), "--image", bare.string(), "--drive", "e:", "ls"});
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.out.find("photos"), std::string::npos) << e.out;
  EXPECT_NE(e.out.find("README.TXT"), std::string::npos) << e.out;
  const CliResult z = RunCli({"--image", bare.string(), "--drive", "Z", "ls"});
  EXPECT_EQ(z.status, 1);
  EXPECT_NE(z.err.find("Z:"), std::string::npos) << z.err;
}

TEST_F(MasteredDisc, LsShowsTheGridRowsOfTheChosenSession) {
  const CliResult last = Cli({"ls"});
  ASSERT_EQ(last.status, 0) << last.err;
  // Session 3 has no Joliet tree: the Rock Ridge names of its primary tree.
  EXPECT_NE(last.out.find(" changes.txt "), std::string::npos) << last.out;

  // The Joliet tree of session 1: a name without an extension shows a final ".".
  const CliResult first = Cli({"--names", "joliet", "ls", "--session", "1", "/docs"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out,
            " 1 Makefile.                                  5\n"
            " 2 Release notes for version two.txt          6\n");

  const CliResult tree = Cli({"ls", "--session", "2", "-R"});
  ASSERT_EQ(tree.status, 0) << tree.err;
  EXPECT_EQ(tree.out.rfind("/:\n", 0), 0u) << tree.out;
  EXPECT_NE(tree.out.find("\n/photos:\n 1 beach.raw  "), std::string::npos) << tree.out;
  EXPECT_NE(tree.out.find("README.TXT"), std::string::npos);
  EXPECT_NE(tree.out.find("< DIR >"), std::string::npos);

  // A file path gives its own row; case does not matter.
  const CliResult file = Cli({"ls", "--session", "2", "readme.txt"});
  ASSERT_EQ(file.status, 0) << file.err;
  EXPECT_EQ(file.out, " 1 README.TXT         22\n");
}

TEST_F(MasteredDisc, LsLongShowsTypeSizeDateAndTime) {
  // The Joliet tree, which records no modes: read-only files and directories.
  const CliResult r = Cli({"--names", "joliet", "ls", "-l", "--session", "1", "/sizes"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected;
  const struct {
    const char* name;
    int size, when;
  } files[] = {{"b1.bin", 1, 3},           {"b100000.bin", 100000, 8}, {"b2047.bin", 2047, 4},
               {"b2048.bin", 2048, 5},     {"b2049.bin", 2049, 6},     {"b63489.bin", 63489, 7}};
  for (const auto& f : files) {
    const std::time_t t = When(f.when);
    const std::tm tm = test::LocalBrokenDown(t);
    char line[128];
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &tm);
    std::snprintf(line, sizeof line, "-r--r--r-- %6d %s %s\n", f.size, date, f.name);
    EXPECT_NE(r.out.find(line), std::string::npos) << line << " not in\n" << r.out;
    expected += line;
  }
  EXPECT_EQ(r.out.size(), expected.size()) << r.out;
  const CliResult root = Cli({"--names", "joliet", "ls", "-l", "--session", "1"});
  EXPECT_NE(root.out.find("\ndr-xr-xr-x "), std::string::npos) << root.out;
  EXPECT_NE(root.out.find(" sizes\n"), std::string::npos) << root.out;
}

TEST_F(MasteredDisc, JsonOfEverySessionMatchesAnIndependentReader) {
  for (int session = 1; session <= 3; ++session) {
    SCOPED_TRACE("session " + std::to_string(session));
    // Session 3 has no Joliet tree: its primary tree's own names are compared here
    // (its Rock Ridge names are compared in the Rock Ridge tests).
    std::vector<std::string> args{"ls", "--json", "-R", "--session", std::to_string(session)};
    if (session == 3) args.insert(args.begin(), {"--names", "iso"});
    const CliResult r = Cli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["session"], session);
    EXPECT_EQ(doc["path"], "/");
    const std::map<std::string, ListedEntry> listed =
        ListWithIsoinfo(disc_->images[session - 1], disc_->starts[session - 1], session < 3);

    const std::map<std::string, std::string> files = ExpectMatchesListing(doc, listed);
    // Dates as local time of the files the mastering tool was given.
    const std::map<std::string, IsoEntry> given = GivenFiles(session);
    if (session < 3) {
      EXPECT_EQ(files.size(), given.size());
    }
    for (const nlohmann::json& e : doc["entries"]) {
      if (session == 3 || e["type"] != "file") continue;
      const auto file = given.find(files.at(e["path"]).substr(1));
      ASSERT_NE(file, given.end()) << e["path"];
      char date[32];
      const std::tm tm = test::LocalBrokenDown(file->second.mtime);
      std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
      EXPECT_EQ(e["date"], date) << e["path"];
    }
    const std::string hidden = session < 3 ? "/secret.txt" : "/SECRET.TXT";
    ASSERT_TRUE(listed.count(hidden));
    EXPECT_TRUE(listed.at(hidden).hidden);
    if (session == 3) {
      EXPECT_TRUE(listed.count("/CHANGES.TXT"));
    }
  }
}

TEST_F(MasteredDisc, CatWritesTheFileOfTheChosenSession) {
  const CliResult first = Cli({"cat", "--session", "1", "README.TXT"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, "first readme\n");
  const CliResult second = Cli({"cat", "--session", "2", "/readme.txt"});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, "second readme, longer\n");
  const CliResult big = Cli({"cat", "--session", "2", "sizes\\b100000.bin"});
  ASSERT_EQ(big.status, 0) << big.err;
  EXPECT_TRUE(big.out == test::PatternBytes(100000, 6)) << "100000-byte file differs";
  EXPECT_EQ(big.err, "");
}

TEST_F(MasteredDisc, ExtractOfWholeSessionsGivesTheMasteredFilesAndDates) {
  for (int session = 1; session <= 2; ++session) {
    SCOPED_TRACE("session " + std::to_string(session));
    TempDir out;
    const CliResult r = Cli({"extract", "--session", std::to_string(session), "-R", "--to", out.str(), "/"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::map<std::string, IsoEntry> given = GivenFiles(session);
    std::size_t found = 0;
    for (const auto& item : fs::recursive_directory_iterator(out.path())) {
      if (item.is_directory()) continue;
      const std::u8string relative8 = fs::relative(item.path(), out.path()).generic_u8string();
      const std::string relative(relative8.begin(), relative8.end());
      const auto it = given.find(relative);
      ASSERT_NE(it, given.end()) << relative << " was not given to the mastering tool";
      ++found;
      EXPECT_TRUE(test::ReadWholeFile(item.path()) == it->second.content) << relative << " differs";
      EXPECT_EQ(test::ModifiedTime(item.path()), it->second.mtime) << relative;
      // The tool joins the names of the disc to the target with '/'.
      EXPECT_NE(r.out.find(out.str() + "/" + relative + "\n"), std::string::npos) << relative << " not reported";
    }
    EXPECT_EQ(found, given.size());
    if (session == 2) {
      EXPECT_TRUE(fs::is_directory(out / "archive"));
    }
  }
}

TEST_F(MasteredDisc, ExtractOfOneDirectoryAndSingleFiles) {
  TempDir out;
  const CliResult r = Cli({"extract", "--session", "2", "-R", "--to", out.str(), "docs", "photos/beach.raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadWholeFile(out / "docs" / "Makefile"), "all:\n");
  EXPECT_EQ(test::ReadWholeFile(out / "docs" / "Release notes for version two.txt"), "notes\n");
  EXPECT_TRUE(test::ReadWholeFile(out / "beach.raw") == test::PatternBytes(5000, 7));

  // A directory carries the date the listing gives it (an old one), set after its
  // contents were written.
  const CliResult archive = Cli({"extract", "--session", "2", "-R", "--to", out.str(), "archive"});
  ASSERT_EQ(archive.status, 0) << archive.err;
  const CliResult listed = Cli({"ls", "--json", "--session", "2"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  std::string archiveDate;
  const nlohmann::json listing = nlohmann::json::parse(listed.out);
  for (const nlohmann::json& e : listing["entries"])
    if (e["path"] == "/archive") archiveDate = e["date"].get<std::string>();
  const std::time_t archiveTime = test::ModifiedTime(out / "archive");
  ASSERT_NE(archiveTime, 0);
  EXPECT_LT(archiveTime, std::time(nullptr) - 86400);
  const std::tm tm = test::LocalBrokenDown(archiveTime);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
  EXPECT_EQ(date, archiveDate);

  // A file that exists is replaced saying so, replaced quietly, or kept.
  const struct {
    const char* flag;
    const char* content;
    const char* said;
  } cases[] = {{nullptr, "all:\n", "tarnwick-cli: replacing "},
               {"--overwrite", "all:\n", nullptr},
               {"--no-clobber", "mine", "tarnwick-cli: "}};
  for (const auto& c : cases) {
    TempDir target;
    std::ofstream(target / "Makefile") << "mine";
    std::vector<std::string> args = {"extract", "--session", "2", "--to", target.str(), "docs/Makefile"};
    if (c.flag != nullptr) args.insert(args.begin() + 1, c.flag);
    const CliResult r2 = Cli(args);
    EXPECT_EQ(r2.status, 0) << r2.err;
    EXPECT_EQ(test::ReadWholeFile(target / "Makefile"), c.content) << (c.flag ? c.flag : "default");
    if (c.said == nullptr) {
      EXPECT_EQ(r2.err, "");
    } else {
      EXPECT_EQ(r2.err.rfind(std::string(c.said) + target.str() + "/Makefile", 0), 0u) << r2.err;
    }
  }
  EXPECT_EQ(Cli({"extract", "--overwrite", "--no-clobber", "--to", out.str(), "README.TXT"}).status, 2);

  // --to naming a file says so.
  const CliResult file = Cli({"extract", "--to", (out / "beach.raw").string(), "README.TXT"});
  EXPECT_EQ(file.status, 1);
  EXPECT_NE(file.err.find("not a directory: " + (out / "beach.raw").string()), std::string::npos) << file.err;

  // A directory without -R is refused and nothing is written.
  TempDir none;
  const CliResult refused = Cli({"extract", "--to", none.str(), "/docs"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("is a directory"), std::string::npos) << refused.err;
  EXPECT_TRUE(fs::is_empty(none.path()));
}

}  // namespace
}  // namespace tarnwick::test

namespace tarnwick::test {
namespace {

TEST(MasteredNames, NonAsciiJolietNamesListAlignedAndExtractWhole) {
  TempDir dir;
  const std::string umlauts = "Bericht \xC3\xBC" "ber \xC3\x84pfel \xE2\x82\xAC.txt";
  IsoOptions options;
  options.joliet = true;
  options.extraArgs = {"-input-charset", "utf-8"};
  const std::string image = MakeIso(dir, "names", {{umlauts, "umlauts"}, {"plain.txt", "plain"}}, options).string();

  const CliResult ls = RunCli({"--image", image, "ls"});
  ASSERT_EQ(ls.status, 0) << ls.err;
  EXPECT_EQ(ls.out,
            " 1 " + umlauts + "          7\n"
            " 2 plain.txt                         5\n");

  const CliResult json = RunCli({"--image", image, "ls", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(nlohmann::json::parse(json.out)["entries"][0]["name"], umlauts);

  TempDir out;
  const CliResult extract = RunCli({"--image", image, "extract", "--to", out.str(), umlauts});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(test::ReadWholeFile(out.path() / test::Utf8Path(umlauts)), "umlauts");
}

}  // namespace
}  // namespace tarnwick::test
