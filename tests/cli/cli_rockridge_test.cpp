// tarnwick-cli on discs mastered on a Unix-like system with POSIX entries in the
// primary tree (-R, -r, -R -J; one and two sessions): names, types, modes, link
// targets and sizes as an independent reader lists them, modification times to the
// second, relocated deep directories where they belong, and the extraction of links
// and modes.
#include <gtest/gtest.h>

#if defined(_WIN32)
// The discs are mastered from a tree with POSIX modes, links and times made here.
TEST(CliRockRidge, PosixOnly) { GTEST_SKIP() << "the mastered trees need POSIX modes and symbolic links"; }
#else

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

// Odd seconds, so that a time kept at 2-second steps is noticed.
constexpr std::time_t kWhen = 1'234'567'891;

const std::string kLongName = std::string(196, 'n') + ".txt";
const std::string kDeep = "deep/l1/l2/l3/l4/l5/l6/l7/l8/l9/l10/l11/l12";

struct Node {
  std::string path;
  char kind;          // 'f' file, 'd' directory, 'l' link
  std::string text;   // content, or link target
  mode_t mode = 0644;
};

std::vector<Node> Tree(int session) {
  std::vector<Node> nodes = {{"Mixed_Case", 'd', "", 0750},
                             {"Mixed_Case/Lower and UPPER.Data", 'f', "mixed\n"},
                             {"Mixed_Case/sub", 'd', "", 0755},
                             {"Mixed_Case/sub/rel_link", 'l', "../Lower and UPPER.Data"},
                             {"abs_link", 'l', "/usr/share/doc"},
                             {kLongName, 'f', "long\n"},
                             {"setuid_prog", 'f', "#!/bin/sh\n", 04751},
                             {"private", 'f', "p\n", 0600},
                             {"shared", 'd', "", 01777},
                             {kDeep + "/leaf.txt", 'f', "leaf\n"}};
  if (session == 2) nodes.push_back({"second/added.txt", 'f', "second session\n"});
  return nodes;
}

void Build(const fs::path& root, const std::vector<Node>& nodes) {
  for (const Node& n : nodes) {
    const fs::path p = root / n.path;
    fs::create_directories(p.parent_path());
    if (n.kind == 'd') {
      fs::create_directories(p);
    } else if (n.kind == 'l') {
      fs::create_symlink(n.text, p);
    } else {
      std::ofstream(p, std::ios::binary) << n.text;
    }
    if (n.kind != 'l') ::chmod(p.c_str(), n.mode);
  }
  // Every time after the contents, deepest first, so that no later change moves one.
  std::vector<fs::path> all;
  for (const auto& e : fs::recursive_directory_iterator(root)) all.push_back(e.path());
  std::sort(all.rbegin(), all.rend());
  all.push_back(root);
  for (const fs::path& p : all) {
    const struct timespec times[2] = {{kWhen, 0}, {kWhen, 0}};
    ::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW);
  }
}

// "drwxr-x---" for a mode.
std::string ModeText(std::uint32_t mode) {
  std::string s = "?---------";
  switch (mode & 0170000) {
    case 0040000: s[0] = 'd'; break;
    case 0100000: s[0] = '-'; break;
    case 0120000: s[0] = 'l'; break;
  }
  const char* rwx = "rwxrwxrwx";
  for (int i = 0; i < 9; ++i)
    if (mode & (0400u >> i)) s[1 + i] = rwx[i];
  if (mode & 04000) s[3] = (mode & 0100) ? 's' : 'S';
  if (mode & 02000) s[6] = (mode & 010) ? 's' : 'S';
  if (mode & 01000) s[9] = (mode & 01) ? 't' : 'T';
  return s;
}

// path -> "mode size[ -> target]", as the independent reader lists the tree of the
// session starting at `sector` (none: the last session).
std::map<std::string, std::string> ListWithXorriso(const fs::path& image, std::optional<std::uint32_t> sector) {
  std::vector<std::string> argv{"xorriso", "-indev", image.string()};
  if (sector) argv.insert(argv.begin() + 1, {"-load", "sbsector", std::to_string(*sector)});
  argv.insert(argv.end(), {"-find", "/", "-exec", "lsdl"});
  const CliResult run = RunCaptured(argv);
  EXPECT_EQ(run.status, 0) << run.err;
  std::map<std::string, std::string> listed;
  std::istringstream lines(run.out);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t quote = line.find('\'');
    if (quote == std::string::npos) continue;
    std::istringstream fields(line.substr(0, quote));
    std::string mode, links, uid, gid, size;
    fields >> mode >> links >> uid >> gid >> size;
    std::string rest = line.substr(quote + 1);
    const std::size_t arrow = rest.find("' -> '");
    std::string path = rest.substr(0, arrow == std::string::npos ? rest.size() - 1 : arrow);
    if (path == "/") continue;
    std::string value = mode + " " + (mode[0] == 'd' ? "0" : size);
    if (arrow != std::string::npos) value += " -> " + rest.substr(arrow + 6, rest.size() - arrow - 7);
    listed[path] = value;
  }
  return listed;
}

std::map<std::string, std::string> ListWithCli(const nlohmann::json& doc) {
  std::map<std::string, std::string> listed;
  for (const auto& e : doc["entries"]) {
    std::string value = ModeText(e.value("mode", 0u)) + " " + std::to_string(e["size"].get<std::int64_t>());
    if (e["type"] == "symlink") value += " -> " + e["target"].get<std::string>();
    listed[e["path"].get<std::string>()] = value;
  }
  return listed;
}

class RockRidgeDisc : public testing::Test {
 protected:
  TempDir dir;

  fs::path Master(const std::string& name, const std::vector<std::string>& flags, int session = 1) {
    const fs::path root = dir / (name + ".tree");
    Build(root, Tree(session));
    const fs::path image = dir / (name + ".iso");
    std::vector<std::string> argv{"genisoimage", "-quiet"};
    argv.insert(argv.end(), flags.begin(), flags.end());
    argv.insert(argv.end(), {"-o", image.string(), root.string()});
    const CliResult run = RunCaptured(argv);
    EXPECT_EQ(run.status, 0) << run.err;
    return image;
  }

  static nlohmann::json ListJson(const fs::path& image, const std::vector<std::string>& more = {}) {
    std::vector<std::string> args{"--image", image.string()};
    args.insert(args.end(), more.begin(), more.end());
    args.insert(args.end(), {"ls", "--json", "-R"});
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    nlohmann::json doc = nlohmann::json::parse(r.out);
    // Written as it is walked, yet with every key in the order a JSON library sorts it.
    EXPECT_EQ(r.out, doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    return doc;
  }
};

TEST_F(RockRidgeDisc, ListingMatchesTheIndependentReader) {
  struct Case {
    const char* what;
    std::vector<std::string> flags;
    std::vector<std::string> names;  // --names option given to the CLI
    std::string tree;                // tree the CLI reports
  };
  const Case cases[] = {
      {"-R", {"-R"}, {}, "rockridge"},
      {"-r", {"-r"}, {}, "rockridge"},
      {"-R -J, Rock Ridge asked for", {"-R", "-J", "-joliet-long"}, {"--names", "rockridge"}, "rockridge"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path image = Master(std::string("img") + std::to_string(&c - cases), c.flags);
    const nlohmann::json doc = ListJson(image, c.names);
    EXPECT_EQ(doc["tree"], c.tree);
    const auto ours = ListWithCli(doc);
    EXPECT_EQ(ours, ListWithXorriso(image, std::nullopt));
    // The relocated directory is where it belongs, and nothing of it is left in
    // the directory that keeps it.
    EXPECT_EQ(ours.count("/" + kDeep + "/leaf.txt"), 1u);
    EXPECT_EQ(ours.count("/" + kLongName), 1u);
    // Modification times to the second, with their zone applied (the mastering
    // tool makes rr_moved itself).
    for (const auto& e : doc["entries"]) {
      if (e["type"] == "symlink" || e["path"] == "/rr_moved") continue;
      EXPECT_EQ(e["stamps"]["modification"]["unix"], kWhen) << e["path"];
    }
  }

  // The text listing shows a link's target in place of a size.
  const CliResult text = RunCli({"--image", (dir / "img0.iso").string(), "ls", "/Mixed_Case/sub"});
  EXPECT_EQ(text.out, " 1 rel_link -> ../Lower and UPPER.Data   < LNK > \n");
  const CliResult longText = RunCli({"--image", (dir / "img0.iso").string(), "ls", "-l", "/"});
  EXPECT_NE(longText.out.find("lrwxrwxrwx "), std::string::npos) << longText.out;
  EXPECT_NE(longText.out.find(" abs_link -> /usr/share/doc\n"), std::string::npos) << longText.out;
  EXPECT_NE(longText.out.find("-rwsr-x--x"), std::string::npos) << longText.out;

  // With both trees, the default is the Rock Ridge one; the Joliet tree and the
  // primary tree's own names remain on request.
  const fs::path both = dir / "img2.iso";
  EXPECT_EQ(ListJson(both)["tree"], "rockridge");
  EXPECT_EQ(ListJson(both, {"--names", "joliet"})["tree"], "joliet");
  const nlohmann::json plain = ListJson(both, {"--names", "iso"});
  EXPECT_EQ(plain["tree"], "iso9660");
  EXPECT_EQ(plain["entries"][0]["name"], "ABS_LINK.");
  EXPECT_FALSE(plain["entries"][0].contains("stamps"));

  // Without Rock Ridge and Joliet, the enhanced tree's names are shown whole: no
  // version cut off, no "." added.
  const fs::path enhancedRoot = dir / "enhanced.tree";
  Build(enhancedRoot, {{"Mixed Case;name.txt", 'f', "a\n"}, {"Sub_Dir/noext", 'f', "b\n"}});
  const fs::path enhanced = dir / "enhanced.iso";
  ASSERT_EQ(RunCaptured({"genisoimage", "-quiet", "-iso-level", "4", "-o", enhanced.string(), enhancedRoot.string()})
                .status,
            0);
  const nlohmann::json whole = ListJson(enhanced);
  EXPECT_EQ(whole["tree"], "iso9660:1999");
  std::vector<std::string> paths;
  for (const auto& e : whole["entries"]) paths.push_back(e["path"]);
  EXPECT_EQ(paths, (std::vector<std::string>{"/Mixed Case;name.txt", "/Sub_Dir", "/Sub_Dir/noext"}));
}

TEST_F(RockRidgeDisc, EachSessionOfATwoSessionDiscListsItsOwnNames) {
  std::vector<SessionContent> sessions(2);
  for (auto& s : sessions) s.options.rockRidge = true;
  sessions[0].entries = {{"First Session.txt", "one\n", kWhen}};
  sessions[1].entries = {{"First Session.txt", "one, replaced\n", kWhen}, {"lower/Second.txt", "two\n", kWhen}};
  const MultiSessionDisc disc = MakeMultiSessionCdr(dir, sessions);
  for (std::size_t s = 0; s < 2; ++s) {
    SCOPED_TRACE(s + 1);
    const CliResult r =
        RunCli({"--image", disc.description.string(), "ls", "--json", "-R", "--session", std::to_string(s + 1)});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["tree"], "rockridge");
    EXPECT_EQ(ListWithCli(doc), ListWithXorriso(disc.flatImage, disc.starts[s]));
  }
}

TEST_F(RockRidgeDisc, ExtractionSkipsOrCreatesLinksAndKeepsModesWithoutSetId) {
  const fs::path image = Master("x", {"-R"});
  const TempDir plain, full;

  // By default every link is skipped and named, and the run says it was incomplete.
  const CliResult skipped = RunCli({"--image", image.string(), "extract", "-R", "--to", plain.str(), "/"});
  EXPECT_EQ(skipped.status, 1);
  EXPECT_NE(skipped.err.find("skipped symbolic link /abs_link -> /usr/share/doc"), std::string::npos) << skipped.err;
  EXPECT_NE(skipped.err.find("skipped symbolic link /Mixed_Case/sub/rel_link -> ../Lower and UPPER.Data"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(fs::symlink_status(plain / "abs_link")));
  EXPECT_TRUE(fs::is_regular_file(plain / kDeep / "leaf.txt"));

  // A link already at the destination is neither followed nor replaced.
  fs::create_symlink("/nonexistent/elsewhere", full / "abs_link");
  const CliResult made =
      RunCli({"--image", image.string(), "extract", "-R", "--symlinks", "--keep-modes", "--to", full.str(), "/"});
  EXPECT_EQ(made.status, 1) << made.err;
  EXPECT_NE(made.err.find("not creating symbolic link /abs_link -> /usr/share/doc: " + (full / "abs_link").string() +
                          " already exists and was left alone"),
            std::string::npos)
      << made.err;
  EXPECT_EQ(fs::read_symlink(full / "abs_link"), "/nonexistent/elsewhere");
  EXPECT_EQ(fs::read_symlink(full / "Mixed_Case/sub/rel_link"), "../Lower and UPPER.Data");

  struct Expect {
    std::string path;
    mode_t mode;
  };
  // No set-ID or sticky bit; directories too get their times to the second.
  for (const Expect& e : {Expect{"setuid_prog", 0751}, Expect{"private", 0600}, Expect{"Mixed_Case", 0750},
                          Expect{"shared", 0777}, Expect{kLongName, 0644}, Expect{"Mixed_Case/sub/rel_link", 0777}}) {
    struct stat st {};
    ASSERT_EQ(::lstat((full / e.path).c_str(), &st), 0) << e.path;
    EXPECT_EQ(st.st_mode & 07777, e.mode) << e.path;
    EXPECT_EQ(st.st_mtime, kWhen) << e.path;
  }
  std::ifstream leaf(full / kDeep / "leaf.txt");
  std::string text((std::istreambuf_iterator<char>(leaf)), {});
  EXPECT_EQ(text, "leaf\n");
}

// The extracted tree in the form of the independent reader's listing: path ->
// "mode size[ -> target]".
std::map<std::string, std::string> ListLocal(const fs::path& root) {
  std::map<std::string, std::string> listed;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    struct stat st {};
    if (::lstat(e.path().c_str(), &st) != 0) continue;
    std::string value = ModeText(st.st_mode) + " " + (S_ISREG(st.st_mode) ? std::to_string(st.st_size) : "0");
    if (S_ISLNK(st.st_mode)) value += " -> " + fs::read_symlink(e.path()).string();
    listed["/" + e.path().lexically_relative(root).string()] = value;
  }
  return listed;
}

// The listing as an extraction can give it: no set-ID or sticky bits, and links with the
// modes the local system gives every link.
std::map<std::string, std::string> AsExtracted(std::map<std::string, std::string> listed) {
  for (auto& [path, value] : listed) {
    if (value[0] == 'l') value.replace(0, 10, "lrwxrwxrwx");
    for (std::size_t i : {3u, 6u, 9u}) {
      if (value[i] == 't') value[i] = 'x';
      if (value[i] == 'T') value[i] = '-';
      if (value[i] == 's') value[i] = 'x';
      if (value[i] == 'S') value[i] = '-';
    }
  }
  return listed;
}

TEST_F(RockRidgeDisc, ExtractedTreeIsWhatTheIndependentReaderLists) {
  struct Case {
    const char* what;
    std::vector<std::vector<std::string>> runs;  // mastering commands; {image} and {tree1}/{tree2} filled in
    int sessions;                                // trees the last session holds: 1, or 2 with "second/"
  };
  const Case cases[] = {
      {"genisoimage -R", {{"genisoimage", "-quiet", "-R", "-o", "{image}", "{tree1}"}}, 1},
      {"genisoimage -r", {{"genisoimage", "-quiet", "-r", "-o", "{image}", "{tree1}"}}, 1},
      {"xorriso -as mkisofs -R -J", {{"xorriso", "-as", "mkisofs", "-quiet", "-R", "-J", "-joliet-long", "-o",
                                      "{image}", "{tree1}"}}, 1},
      {"xorriso, a second session grown onto the first",
       {{"xorriso", "-report_about", "SORRY", "-outdev", "{image}", "-map", "{tree1}", "/", "-commit"},
        {"xorriso", "-report_about", "SORRY", "-dev", "{image}", "-map", "{tree2}/second", "/second", "-commit"}},
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = "case" + std::to_string(&c - cases);
    const fs::path tree1 = dir / (name + ".tree1"), tree2 = dir / (name + ".tree2");
    const fs::path image = dir / (name + ".iso");
    Build(tree1, Tree(1));
    Build(tree2, Tree(2));
    for (std::vector<std::string> argv : c.runs) {
      for (std::string& arg : argv) {
        if (arg == "{image}") arg = image.string();
        if (arg.starts_with("{tree1}")) arg = tree1.string() + arg.substr(7);
        if (arg.starts_with("{tree2}")) arg = tree2.string() + arg.substr(7);
      }
      const CliResult run = RunCaptured(argv);
      ASSERT_EQ(run.status, 0) << run.err;
    }
    // With both trees, the Rock Ridge one is asked for; alone it is the default.
    const std::vector<std::string> names = {"--names", "rockridge"};
    const fs::path out = dir / (name + ".out");
    fs::create_directory(out);
    std::vector<std::string> args{"--image", image.string()};
    args.insert(args.end(), names.begin(), names.end());
    args.insert(args.end(), {"extract", "-R", "--symlinks", "--keep-modes", "--to", out.string(), "/"});
    const CliResult run = RunCli(args);
    EXPECT_EQ(run.status, 0) << run.err;

    const auto listed = ListWithXorriso(image, std::nullopt);
    EXPECT_EQ(ListLocal(out), AsExtracted(listed));
    EXPECT_EQ(ListWithCli(ListJson(image, names)), listed);
    // Every file holds what was mastered and the time it was mastered with.
    for (const Node& n : Tree(c.sessions)) {
      if (n.kind != 'f') continue;
      std::ifstream in(out / n.path, std::ios::binary);
      EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), n.text) << n.path;
      struct stat st {};
      ASSERT_EQ(::stat((out / n.path).c_str(), &st), 0) << n.path;
      EXPECT_EQ(st.st_mtime, kWhen) << n.path;
    }
    // Read-only directories kept from the disc must not stop the clean-up.
    for (const auto& e : fs::recursive_directory_iterator(out))
      if (e.is_directory() && !e.is_symlink()) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
  }
}

}  // namespace
}  // namespace tarnwick::test

#endif  // _WIN32
