// tarnwick-cli's exit statuses and messages: no drive, no medium, sessions and paths
// that do not exist, usage errors, targets it cannot write, read errors in the middle
// of a file; and files recorded in several extents.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"
#include "IsoListing.h"
#include "support/CraftedIso.h"
#include "support/Environment.h"
#include "support/IsoMaker.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 2048) % 26);
  return s;
}

// A one-session CD-ROM with a 100000-byte file and two small ones, in dir.
struct SmallDisc {
  TempDir dir;
  fs::path image;
  fs::path description;

  explicit SmallDisc(const std::string& extraLines = "") {
    IsoOptions options;
    options.joliet = true;
    image = MakeIso(dir, "small", {{"big.bin", Pattern(100000)}, {"a.txt", "aaa"}, {"sub/b.txt", "bbb"}}, options);
    Describe(extraLines);
  }
  void Describe(const std::string& extraLines) {
    description = dir / "small.desc";
    std::ofstream(description) << "medium profile=CD-ROM\nsession number=1\ntrack number=1 type=data start=0 length="
                               << fs::file_size(image) / 2048 << " file=" << image.filename().string() << "\n"
                               << extraLines;
  }
  CliResult Cli(std::vector<std::string> args) const {
    args.insert(args.begin(), {"--image", description.string()});
    return RunCli(args);
  }
};

TEST(CliFailures, NoDriveAndNoMedium) {
  for (const char* command : {"drives", "show", "ls"}) {
    const CliResult r = RunCli({command});
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_TRUE(Contains(r.err, "no CD or DVD drive found")) << r.err;
    EXPECT_EQ(r.out, "") << command;
  }

  TempDir dir;
  const std::string absent = (dir / "absent.desc").string();
  std::ofstream(absent) << "medium absent\n";
  // Each of these waits for the drive to become ready, five seconds.
  const std::vector<std::vector<std::string>> commands = {{"show"}, {"extract", "--to", dir.str(), "a.txt"}};
  for (std::vector<std::string> args : commands) {
    args.insert(args.begin(), {"--image", absent});
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 1) << args[2];
    EXPECT_TRUE(Contains(r.err, "MEDIUM NOT PRESENT")) << args[2] << ": " << r.err;
  }

  const CliResult missingImage = RunCli({"--image", (dir / "nothing.iso").string(), "show"});
  EXPECT_EQ(missingImage.status, 1);
  EXPECT_TRUE(Contains(missingImage.err, "nothing.iso")) << missingImage.err;
}

TEST(CliFailures, SessionsAndPathsThatDoNotExist) {
  const SmallDisc disc;
  const CliResult session = disc.Cli({"ls", "--session", "2"});
  EXPECT_EQ(session.status, 1);
  EXPECT_TRUE(Contains(session.err, "session 2")) << session.err;
  EXPECT_EQ(disc.Cli({"cat", "--session", "9", "a.txt"}).status, 1);
  for (const char* bad : {"two", "1x", ""}) EXPECT_EQ(disc.Cli({"ls", "--session", bad}).status, 2) << bad;

  TempDir out;
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"ls", "/nope"}, {"ls", "a.txt/deeper"}, {"cat", "sub/nope.txt"}, {"extract", "--to", out.str(), "nope"}}) {
    const CliResult r = disc.Cli(args);
    EXPECT_EQ(r.status, 1) << args.back();
    EXPECT_TRUE(Contains(r.err, args.back())) << r.err;
    EXPECT_EQ(r.out, "") << args.back();
  }
  const CliResult dir = disc.Cli({"cat", "/sub"});
  EXPECT_EQ(dir.status, 1);
  EXPECT_TRUE(Contains(dir.err, "is a directory")) << dir.err;
  EXPECT_TRUE(fs::is_empty(out.path()));
}

TEST(CliFailures, UsageErrorsAndHelp) {
  const SmallDisc disc;
  TempDir out;
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {}, {"frobnicate"}, {"extract", "a.txt"}, {"extract", "--to", out.str()}, {"cat"}, {"ls", "--bogus"},
           {"ls", "a", "b"}, {"--drive", "12", "ls"}}) {
    const CliResult r = disc.Cli(args);
    EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
    EXPECT_NE(r.err, "") << testing::PrintToString(args);
    // Every line of a usage error names the program.
    std::istringstream lines(r.err);
    for (std::string line; std::getline(lines, line);)
      EXPECT_EQ(line.rfind("tarnwick-cli: ", 0), 0u) << line;
    EXPECT_EQ(r.out, "") << testing::PrintToString(args);
  }
  EXPECT_TRUE(fs::is_empty(out.path()));

  for (const char* command : {"drives", "show", "ls", "extract", "cat"}) {
    const CliResult r = RunCli({command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_TRUE(Contains(r.out, std::string(" ") + command)) << r.out;
    EXPECT_TRUE(Contains(r.out, "--help")) << r.out;
    EXPECT_TRUE(Contains(r.out, std::string("tarnwick-cli ") + command)) << r.out;
  }
  const CliResult top = RunCli({"--help"});
  EXPECT_EQ(top.status, 0);
  for (const char* command : {"drives", "show", "ls", "extract", "cat"}) EXPECT_TRUE(Contains(top.out, command));
}

TEST(CliFailures, TargetsThatCannotBeWritten) {
  const SmallDisc disc;
  TempDir out;
  fs::create_directory(out / "a.txt");  // a directory where the file should go
  const CliResult r = disc.Cli({"extract", "--to", out.str(), "a.txt", "big.bin"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "Cannot create file " + out.str() + "/a.txt")) << r.err;

  const CliResult missing = disc.Cli({"extract", "--to", (out / "missing").string(), "a.txt"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_FALSE(fs::exists(out / "missing"));

  if (DirectoryPermissionsApply()) {
    TempDir locked;
    fs::permissions(locked.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const CliResult denied = disc.Cli({"extract", "--to", locked.str(), "a.txt"});
    EXPECT_EQ(denied.status, 1);
    EXPECT_TRUE(Contains(denied.err, "Cannot create file")) << denied.err;
  }

#if !defined(_WIN32)  // making symbolic links needs a privilege on Windows
  // A symbolic link standing where a directory of the disc goes is not followed.
  TempDir outside;
  fs::create_directory_symlink(outside.path(), out / "sub");
  for (const std::string path : {"/", "sub"}) {
    const CliResult link = disc.Cli({"extract", "-R", "--to", out.str(), path});
    EXPECT_EQ(link.status, 1) << path;
    EXPECT_TRUE(Contains(link.err, (out / "sub").string() + " is a symbolic link")) << link.err;
    EXPECT_TRUE(fs::is_empty(outside.path())) << path;
  }
#endif
}

TEST(CliFailures, ReadErrorHalfwayLeavesNoPartialFile) {
  SmallDisc disc;
  const auto listed = ListWithIsoinfo(disc.image, 0, true);
  const std::uint32_t bigLba = listed.at("/big.bin").lba;
  disc.Describe("fault read start=" + std::to_string(bigLba + 40) + " count=1\n");

  TempDir out;
  const CliResult one = disc.Cli({"extract", "--to", out.str(), "big.bin"});
  EXPECT_EQ(one.status, 1);
  EXPECT_TRUE(Contains(one.err, "big.bin")) << one.err;
  EXPECT_TRUE(Contains(one.err, "UNRECOVERED READ ERROR")) << one.err;
  EXPECT_TRUE(fs::is_empty(out.path()));

  // The rest of a session still comes out; the status tells that something failed.
  const CliResult all = disc.Cli({"extract", "-R", "--to", out.str(), "/"});
  EXPECT_EQ(all.status, 1);
  EXPECT_FALSE(fs::exists(out / "big.bin"));
  EXPECT_TRUE(fs::exists(out / "a.txt"));
  EXPECT_TRUE(fs::exists(out / "sub" / "b.txt"));

  const CliResult cat = disc.Cli({"cat", "big.bin"});
  EXPECT_EQ(cat.status, 1);
  EXPECT_TRUE(Contains(cat.err, "UNRECOVERED READ ERROR")) << cat.err;
  EXPECT_LT(cat.out.size(), 100000u);
  EXPECT_EQ(cat.out, Pattern(100000).substr(0, cat.out.size()));
  EXPECT_EQ(disc.Cli({"cat", "a.txt"}).out, "aaa");
}

TEST(CliFailures, OutputThatCannotBeWrittenIsAFailure) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const SmallDisc disc;
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"drives"}, {"show"}, {"ls", "-R"}, {"ls", "--json"}, {"cat", "big.bin"}}) {
    args.insert(args.begin(), {"--image", disc.description.string()});
    const CliResult r = RunCliTo(args, "/dev/full");
    EXPECT_EQ(r.status, 1) << args[2];
    EXPECT_TRUE(Contains(r.err, "cannot write to standard output")) << r.err;
  }
}

using R = CraftedRecord;

TEST(CliMultiExtent, FileInSeveralExtentsIsOneEntryAndReadsInOrder) {
  CraftedIso iso(80);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  const std::string a = Pattern(2048), b = std::string(4096, 'B'), c = "the end";
  iso.Data(50, a);
  iso.Data(60, b);
  iso.Data(45, c);
  R part1 = R::File("BIG.DAT;1", 50, 2048), part2 = R::File("BIG.DAT;1", 60, 4096), part3 = R::File("BIG.DAT;1", 45, 7);
  part1.flags = part2.flags = 0x80;
  // Over 4 GiB: two full extents and a tail, recorded past the image's end.
  R huge1 = R::File("HUGE.DAT;1", 100000, 0xFFFFF800u), huge2 = R::File("HUGE.DAT;1", 100000 + 0x1FFFFF, 0xFFFFF800u),
    huge3 = R::File("HUGE.DAT;1", 100000 + 2 * 0x1FFFFF, 10);
  huge1.flags = huge2.flags = 0x80;
  iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), part1, part2, part3, huge1, huge2, huge3});
  TempDir dir;
  const std::string image = iso.Write(dir / "extents.iso");

  const CliResult cat = RunCli({"--image", image, "cat", "big.dat"});
  ASSERT_EQ(cat.status, 0) << cat.err;
  EXPECT_TRUE(cat.out == a + b + c) << "data of the extents not in record order";

  const CliResult ls = RunCli({"--image", image, "ls", "--json"});
  ASSERT_EQ(ls.status, 0) << ls.err;
  const nlohmann::json doc = nlohmann::json::parse(ls.out);
  ASSERT_EQ(doc["entries"].size(), 2u) << ls.out;
  const nlohmann::json& big = doc["entries"][0];
  EXPECT_EQ(big["size"], 6151u);
  EXPECT_EQ(big["extents"], nlohmann::json::parse(R"([{"lba":50,"bytes":2048},{"lba":60,"bytes":4096},{"lba":45,"bytes":7}])"));
  const nlohmann::json& huge = doc["entries"][1];
  EXPECT_EQ(huge["size"], std::uint64_t{0xFFFFF800u} * 2 + 10);
  EXPECT_EQ(huge["extents"].size(), 3u);

  TempDir out;
  const CliResult extract = RunCli({"--image", image, "extract", "--to", out.str(), "BIG.DAT"});
  ASSERT_EQ(extract.status, 0) << extract.err;
  std::ifstream in(out / "BIG.DAT", std::ios::binary);
  std::stringstream data;
  data << in.rdbuf();
  EXPECT_TRUE(data.str() == a + b + c);
}

TEST(CliFailures, DataPastTheLastSectorIsAFailure) {
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), R::File("EDGE.DAT;1", 0xFFFFFFFFu, 4096)});
  TempDir dir;
  const std::string image = iso.Write(dir / "edge.iso");

  const CliResult cat = RunCli({"--image", image, "cat", "edge.dat"});
  EXPECT_EQ(cat.status, 1);
  EXPECT_TRUE(Contains(cat.err, "sector 4294967295 lies beyond the disc")) << cat.err;
  EXPECT_TRUE(cat.out.empty());

  TempDir out;
  const CliResult extract = RunCli({"--image", image, "extract", "--to", out.str(), "EDGE.DAT"});
  EXPECT_EQ(extract.status, 1);
  EXPECT_TRUE(Contains(extract.err, "beyond the disc")) << extract.err;
  EXPECT_FALSE(fs::exists(out / "EDGE.DAT"));
}

}  // namespace
}  // namespace tarnwick::test
