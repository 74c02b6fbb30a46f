// Which names `auto` shows for a session mastered with Rock Ridge, Joliet or both: the
// Rock Ridge names unless they are not UTF-8, as isoinfo lists each tree.
#include <gtest/gtest.h>

#include <algorithm>

#if defined(_WIN32)
// The discs are mastered from a tree with links and 8-bit names made here.
TEST(CliNames, PosixOnly) { GTEST_SKIP() << "the mastered trees need symbolic links and 8-bit names"; }
#else

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "CliRun.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

const std::string kLong = "A name longer than the sixty-four characters that Joliet keeps of it.txt";

// Latin-1 (what isoinfo writes for Joliet names) as UTF-8.
std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Every path isoinfo lists in the tree that `treeFlag` (-R or -J) chooses, in UTF-8; a
// link as "path -> target".
std::set<std::string> IsoinfoPaths(const fs::path& image, const std::string& treeFlag) {
  const CliResult run = RunCaptured({"isoinfo", treeFlag, "-j", "iso8859-1", "-l", "-i", image.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  static const std::regex heading(R"(^Directory listing of (/.*)$)");
  static const std::regex row(R"(^\S+\s+\d+\s+\d+\s+\d+\s+\d+\s+\w+\s+\d+\s+\d+\s+\[\s*\d+\s+[0-9a-fA-F]+\]  (.*?) ?$)");
  std::set<std::string> paths;
  std::istringstream lines(run.out);
  std::string line, directory;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (std::regex_match(line, m, heading)) directory = m[1];
    else if (std::regex_match(line, m, row) && m[1] != "." && m[1] != "..") paths.insert(directory + m[1].str());
  }
  std::set<std::string> utf8;
  for (const std::string& path : paths) utf8.insert(treeFlag == "-J" ? Latin1ToUtf8(path) : path);
  return utf8;
}

// The READ commands the import of session 1 sent, as --debug counts them.
int ImportReads(const fs::path& image, const std::string& names) {
  const CliResult run = RunCli({"--debug", "--names", names, "--image", image.string(), "ls", "-R"});
  const std::string said = "import of session 1 sent ";
  const std::size_t at = run.err.find(said);
  return at == std::string::npos ? -1 : std::stoi(run.err.substr(at + said.size()));
}

TEST(CliNames, AutoTakesRockRidgeUnlessItsNamesAreNotUtf8) {
  TempDir dir;
  const fs::path utf8Tree = dir / "utf8", latin1Tree = dir / "latin1";
  fs::create_directories(utf8Tree / "sub");
  std::ofstream(utf8Tree / kLong) << "long\n";
  std::ofstream(utf8Tree / "target.txt") << "target\n";
  std::ofstream(utf8Tree / "sub" / "Caf\xC3\xA9.txt") << "utf-8\n";
  fs::create_symlink("target.txt", utf8Tree / "link");
  fs::create_directories(latin1Tree);
  // A name written on a system whose file names were Latin-1.
  std::ofstream(latin1Tree / "Caf\xE9.txt") << "latin-1\n";
  std::ofstream(latin1Tree / "plain.txt") << "plain\n";

  const struct {
    const char* what;
    fs::path tree;
    std::vector<std::string> flags;
    const char* chosen;     // the tree `auto` shows
    const char* isoinfoTree;  // isoinfo's flag for it
  } cases[] = {
      {"Rock Ridge and Joliet", utf8Tree, {"-R", "-J", "-input-charset", "utf-8"}, "rockridge", "-R"},
      {"Latin-1 Rock Ridge names and Joliet", latin1Tree, {"-R", "-J", "-input-charset", "iso8859-1"}, "joliet", "-J"},
      {"Joliet only", utf8Tree, {"-J", "-input-charset", "utf-8"}, "joliet", "-J"},
      {"Rock Ridge only", utf8Tree, {"-R", "-input-charset", "utf-8"}, "rockridge", "-R"},
      {"Latin-1 Rock Ridge names only", latin1Tree, {"-R", "-input-charset", "iso8859-1"}, "rockridge", "-R"},
  };
  // What `auto` reads beyond the Rock Ridge tree itself on a session of UTF-8 names.
  int autoBeyondTree = -1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path image = dir / (std::to_string(&c - cases) + ".iso");
    std::vector<std::string> argv{"genisoimage", "-quiet"};
    argv.insert(argv.end(), c.flags.begin(), c.flags.end());
    argv.insert(argv.end(), {"-o", image.string(), c.tree.string()});
    ASSERT_EQ(RunCaptured(argv).status, 0);

    const CliResult run = RunCli({"--image", image.string(), "ls", "--json", "-R"});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["tree"], c.chosen);
    std::set<std::string> listed = IsoinfoPaths(image, c.isoinfoTree);
    if (c.flags.back() == "iso8859-1" && std::string(c.isoinfoTree) == "-R") {
      // Latin-1 bytes of Rock Ridge names are listed as U+FFFD, one each.
      std::set<std::string> replaced;
      for (const std::string& path : listed) {
        std::string text;
        for (char ch : path) text += static_cast<unsigned char>(ch) >= 0x80 ? std::string("\xEF\xBF\xBD") : std::string(1, ch);
        replaced.insert(text);
      }
      listed = replaced;
    }
    std::set<std::string> ours;
    for (const auto& e : doc["entries"]) {
      std::string path = e["path"];
      // A file without an extension carries a final "." in the tree.
      if (e["type"] == "file" && path.back() == '.' && !listed.count(path)) path.pop_back();
      ours.insert(e["type"] == "symlink" ? path + " -> " + e["target"].get<std::string>() : path);
    }
    // With Rock Ridge: the long name whole and the link a link, as isoinfo -R lists them.
    EXPECT_EQ(ours, listed);
    // The Rock Ridge tree is read once: names that are not UTF-8 cost only the look
    // for a Joliet descriptor (the primary's sector and the terminator's).
    if (std::find(c.flags.begin(), c.flags.end(), "-J") != c.flags.end()) continue;
    if (std::string(c.chosen) != "rockridge") continue;
    const int beyond = ImportReads(image, "auto") - ImportReads(image, "rockridge");
    if (autoBeyondTree < 0) autoBeyondTree = beyond;
    else EXPECT_EQ(beyond, autoBeyondTree + 2);
  }
}

}  // namespace
}  // namespace tarnwick::test

#endif
