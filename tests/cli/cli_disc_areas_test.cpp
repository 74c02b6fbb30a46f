// What lies between a disc's data (audio tracks, the gap before a later session,
// run-out blocks and pre-gaps after a track's data) is never read as data and never
// counted as damage; every data track, the second of a session too, is saved at its
// own address by image --disc. Images are read back with isoinfo and the maps with
// ddrescuelog.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"
#include "RescueMapBlocks.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using Blocks = std::vector<std::uint32_t>;

constexpr char kRunOut[] = " sense=05/64/00\n";  // how a drive refuses a run-out block

// A file of a session of an image as isoinfo reads it, the session's first block given.
std::string IsoinfoFile(const fs::path& image, std::uint32_t session, const std::string& path) {
  return RunCaptured({"isoinfo", "-i", image.string(), "-T", std::to_string(session), "-x", path}).out;
}

// Appends `blocks` blocks of zeros to an image file (room for run-out blocks).
void Pad(const fs::path& file, std::uint32_t blocks) { fs::resize_file(file, fs::file_size(file) + blocks * 2048ull); }

// Session 1: an ISO 9660 track, a data track without a file system (its last two blocks
// run-out blocks) 150 blocks later, an audio track; session 2: a later ISO 9660 session.
struct MultiTrackDisc {
  TempDir dir;
  MultiSessionDisc layout;
  std::string bare = PatternBytes(300 * 2048, 7);
  std::uint32_t bareStart = 0, bareEnd = 0, audioStart = 0;
  std::string text;

  MultiTrackDisc() {
    layout = MakeMultiSessionCdr(dir, {{{{"ONE.BIN", PatternBytes(100 * 2048, 5)}}, {}},
                                       {{{"TWO.BIN", PatternBytes(200 * 2048 + 9, 6)}}, {}}});
    bareStart = layout.lengths[0] + 150;
    bareEnd = bareStart + 300;
    audioStart = bareEnd + 150;
    std::ofstream(dir / "bare.bin", std::ios::binary) << bare;
    std::ostringstream t;
    t << "medium profile=CD-R\ndisc status=complete\nsession\n"
      << "track start=0 length=" << layout.lengths[0] << " file=s1.iso\n"
      << "track start=" << bareStart << " length=300 file=bare.bin\n"
      << "track type=audio start=" << audioStart << " length=1000\nsession\n"
      << "track start=" << layout.starts[1] << " length=" << layout.lengths[1] << " file=s2.iso\n"
      << "fault read start=" << bareEnd - 2 << " count=2" << kRunOut;
    text = t.str();
  }
  fs::path Describe(const std::string& name, const std::string& extra) const {
    const fs::path path = dir / name;
    std::ofstream(path) << text << extra;
    return path;
  }
};

TEST(DiscAreas, ImageOfEveryDataTrack) {
  const MultiTrackDisc disc;
  const std::uint32_t scratch = disc.bareStart + 100;
  const std::string scratched = "fault read start=" + std::to_string(scratch) + "\n";
  struct Case {
    const char* what;
    std::string extra;
    int status;
    std::string says;  // in the output (status 3) or the message (status 1)
  };
  const auto range = [](std::uint32_t a, std::uint32_t b) { return std::to_string(a) + "-" + std::to_string(b); };
  const std::vector<Case> cases = {
      {"track lengths from READ TRACK INFORMATION", scratched, 3,
       "track 2: blocks " + range(disc.bareEnd - 2, disc.bareEnd - 1) + " are not on the disc"},
      // The bare track then runs to the audio track: its run-out and the pre-gap are refused.
      {"track lengths from the table of contents", scratched + "fault command=52 sense=05/20/00\n", 3,
       "track 2: blocks " + range(disc.bareEnd - 2, disc.audioStart - 1) + " are not on the disc"},
      // A refusal well before a track's end is no run-out: said, and the run fails.
      {"a refused block inside a track", "fault read start=" + std::to_string(disc.bareStart + 10) + kRunOut, 1,
       "cannot read block " + std::to_string(disc.bareStart + 10) + ": ILLEGAL REQUEST"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir out;
    const std::string image = (out / "d.img").string(), map = image + ".map";
    const CliResult r =
        RunCli({"--image", disc.Describe("d.desc", c.extra).string(), "image", "--disc", "--to", image});
    ASSERT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE((c.status == 1 ? r.err : r.out).find(c.says), std::string::npos) << r.out << r.err;
    if (c.status != 3) continue;
    ASSERT_EQ(RunCaptured({"ddrescuelog", "-t", map}).status, 0);
    EXPECT_EQ(MapBlocks(map, "-*/"), Blocks{scratch});
    // Each track at its address; zeros for the scratch, what is not data, and the audio.
    std::string expected = ReadWholeFile(disc.layout.flatImage);
    expected.resize(std::uint64_t{disc.layout.starts[1] + disc.layout.lengths[1]} * 2048, '\0');
    std::string bare = disc.bare;
    std::fill(bare.begin() + 100 * 2048, bare.begin() + 101 * 2048, '\0');
    std::fill(bare.end() - 2 * 2048, bare.end(), '\0');
    expected.replace(disc.bareStart * 2048ull, bare.size(), bare);
    EXPECT_TRUE(ReadWholeFile(image) == expected);
    // Both sessions' file systems as another reader finds them in the image.
    EXPECT_EQ(IsoinfoFile(image, 0, "/ONE.BIN;1"), PatternBytes(100 * 2048, 5));
    EXPECT_EQ(IsoinfoFile(image, disc.layout.starts[1], "/TWO.BIN;1"), PatternBytes(200 * 2048 + 9, 6));
  }
}

// Neither check, image --disc nor a filled extraction counts the audio session of a
// CD-Extra disc, the gap between sessions or the refused run-out blocks behind each
// session's data as damage: all deliver everything and exit 0.
TEST(DiscAreas, NoDataIsNoDamage) {
  TempDir dir;
  const std::map<std::string, std::string> files = {{"A.BIN", PatternBytes(70 * 2048 + 5, 8)},
                                                    {"B.TXT", PatternBytes(900, 9)}};
  // Each data track two blocks longer than its volume, both refused as run-out.
  const auto track = [](const fs::path& iso, std::uint32_t start) {
    Pad(iso, 2);
    const auto length = static_cast<std::uint32_t>(fs::file_size(iso) / 2048);
    return "track start=" + std::to_string(start) + " length=" + std::to_string(length) + " file=" +
           iso.filename().string() + "\nfault read start=" + std::to_string(start + length - 2) + " count=2" + kRunOut;
  };
  // CD-Extra: two audio tracks, then the data session where a recorder puts it.
  const std::uint32_t extraStart = 5000 + 11400;
  IsoOptions extra;
  extra.extraArgs = {"-C", "0," + std::to_string(extraStart)};
  const fs::path extraIso = MakeIso(dir, "extra", {{"A.BIN", files.at("A.BIN")}, {"B.TXT", files.at("B.TXT")}}, extra);
  const std::uint32_t extraLength = static_cast<std::uint32_t>(fs::file_size(extraIso) / 2048);
  std::ofstream(dir / "extra.desc") << "medium profile=CD-R\ndisc status=complete\nsession\ntrack type=audio start=0 "
                                       "length=3000\ntrack type=audio start=3000 length=2000\nsession\n"
                                    << track(extraIso, extraStart);
  // Two data sessions with the gap between them.
  const MultiSessionDisc two =
      MakeMultiSessionCdr(dir, {{{{"A.BIN", files.at("A.BIN")}}, {}}, {{{"B.TXT", files.at("B.TXT")}}, {}}});
  std::ofstream(dir / "two.desc") << "medium profile=CD-R\ndisc status=complete\nsession\n"
                                  << track(two.images[0], 0) << "session\n" << track(two.images[1], two.starts[1]);
  struct Disc {
    const char* name;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> data;  // first block, blocks of file-system data
  };
  const std::vector<Disc> discs = {{"extra.desc", {{extraStart, extraLength}}},
                                   {"two.desc", {{0, two.lengths[0]}, {two.starts[1], two.lengths[1]}}}};
  for (const Disc& disc : discs) {
    SCOPED_TRACE(disc.name);
    TempDir out;
    const std::vector<std::string> drive = {"--image", (dir / disc.name).string()};
    const auto run = [&](std::vector<std::string> args) {
      args.insert(args.begin(), drive.begin(), drive.end());
      const CliResult r = RunCli(args);
      EXPECT_EQ(r.status, 0) << args[2] << "\n" << r.out << r.err;
      return r;
    };
    EXPECT_NE(run({"check", "--all"}).out.find(" 0 bad, 0 not read"), std::string::npos);
    if (disc.data.size() > 1) run({"check", "--all", "--session", "1"});
    const fs::path report = out / "report.json";
    fs::create_directory(out / "files");
    run({"extract", "-R", "--on-error=fill", "--report", report.string(), "--to", (out / "files").string(), "/"});
    for (const auto& file : nlohmann::json::parse(ReadWholeFile(report))["files"]) {
      const std::string name = file["path"].get<std::string>().substr(1);
      EXPECT_EQ(file["status"], "ok") << name;
      EXPECT_EQ(ReadWholeFile(out / "files" / name), files.at(name)) << name;
    }
    const std::string image = (out / "d.img").string();
    run({"image", "--disc", "--to", image});
    EXPECT_EQ(MapBlocks(image + ".map", "-*/"), Blocks{});
    Blocks data;
    for (const auto& [first, count] : disc.data)
      for (std::uint32_t b = first; b < first + count; ++b) data.push_back(b);
    EXPECT_EQ(MapBlocks(image + ".map", "+"), data);
  }
}

}  // namespace
}  // namespace tarnwick::test
