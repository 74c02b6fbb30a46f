// What lies between a disc's data (audio tracks, the gap before a later session, the
// run-out and pre-gap after a track's data) is never read as data nor counted as
// damage; image --disc saves every data track, a session's second too, at its address.
// Images are read back with isoinfo, maps with ddrescuelog.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "RescueMapBlocks.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using Blocks = std::vector<std::uint32_t>;
const std::string kRunOut = " count=2 sense=05/64/00\n";  // how a drive refuses run-out blocks

// A data track of the image at `start`, two blocks longer than the image, refused as run-out.
std::string Track(const fs::path& iso, std::uint32_t start) {
  fs::resize_file(iso, fs::file_size(iso) + 2 * 2048);
  const auto length = static_cast<std::uint32_t>(fs::file_size(iso) / 2048);
  return "track start=" + std::to_string(start) + " length=" + std::to_string(length) + " file=" +
         iso.filename().string() + "\nfault read start=" + std::to_string(start + length - 2) + kRunOut;
}

TEST(DiscAreas, ImageOfEveryDataTrack) {
  // Session 1: an ISO 9660 track, 150 blocks on a data track without a file system
  // (ending in two run-out blocks), an audio track; session 2: a later ISO session.
  TempDir dir;
  const MultiSessionDisc d = MakeMultiSessionCdr(
      dir, {{{{"ONE.BIN", PatternBytes(100 * 2048, 5)}}, {}}, {{{"TWO.BIN", PatternBytes(200 * 2048 + 9, 6)}}, {}}});
  const std::uint32_t bare = d.lengths[0] + 150, end = bare + 302, audio = end + 150, scratch = bare + 100;
  std::string data = PatternBytes(300 * 2048, 7);
  std::ofstream(dir / "bare.bin", std::ios::binary) << data;
  std::ofstream(dir / "d.desc") << "medium profile=CD-R\ndisc status=complete\nsession\n"
                                << "track start=0 length=" << d.lengths[0] << " file=s1.iso\n"
                                << Track(dir / "bare.bin", bare) << "track type=audio start=" << audio
                                << " length=1000\nsession\ntrack start=" << d.starts[1] << " length=" << d.lengths[1]
                                << " file=s2.iso\n";
  const auto at = [](std::uint32_t a) { return std::to_string(a); };
  const std::string scratched = "fault read start=" + at(scratch) + "\n";
  const struct {
    std::string extra;
    int status;
    std::string says;  // on standard output (status 3) or error (status 1)
  } cases[] = {
      {scratched, 3, "track 2: blocks " + at(end - 2) + "-" + at(end - 1) + " are not on the disc"},
      // Without READ TRACK INFORMATION the track runs to the audio track: pre-gap refused too.
      {scratched + "fault command=52\n", 3, "track 2: blocks " + at(end - 2) + "-" + at(audio - 1) + " are not"},
      // A refusal well before a track's end is no run-out: the run fails and says where.
      {"fault read start=" + at(bare + 10) + kRunOut, 1, "cannot read block " + at(bare + 10) + ": ILLEGAL REQUEST"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extra);
    std::ofstream(dir / "c.desc", std::ios::binary) << ReadWholeFile(dir / "d.desc") << c.extra;
    TempDir out;
    const std::string image = (out / "d.img").string(), map = image + ".map";
    const CliResult r = RunCli({"--image", (dir / "c.desc").string(), "image", "--disc", "--to", image});
    ASSERT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE((c.status == 1 ? r.err : r.out).find(c.says), std::string::npos) << r.out << r.err;
    if (c.status != 3) continue;
    ASSERT_EQ(RunCaptured({"ddrescuelog", "-t", map}).status, 0);
    EXPECT_EQ(MapBlocks(map, "-*/"), Blocks{scratch});
    // Each data track at its address; zeros for the scratch and all that is not data.
    std::string expected = ReadWholeFile(d.flatImage);
    expected.resize(std::uint64_t{d.starts[1] + d.lengths[1]} * 2048, '\0');
    std::fill(data.begin() + 100 * 2048, data.begin() + 101 * 2048, '\0');
    expected.replace(bare * 2048ull, data.size(), data);
    EXPECT_TRUE(ReadWholeFile(image) == expected);
    for (const auto& [session, file, bytes] : {std::tuple{0u, "/ONE.BIN;1", PatternBytes(100 * 2048, 5)},
                                               std::tuple{d.starts[1], "/TWO.BIN;1", PatternBytes(200 * 2048 + 9, 6)}})
      EXPECT_EQ(RunCaptured({"isoinfo", "-i", image, "-T", at(session), "-x", file}).out, bytes) << file;
  }
}

// check, a filled extraction and image --disc count neither the audio session of a
// CD-Extra disc, nor the gap between two data sessions, nor the run-out blocks after
// each session's data as damage: each delivers everything and exits 0.
TEST(DiscAreas, NoDataIsNoDamage) {
  TempDir dir;
  const std::vector<IsoEntry> files = {{"A.BIN", PatternBytes(70 * 2048 + 5, 8)}, {"B.TXT", PatternBytes(900, 9)}};
  const std::uint32_t extraStart = 5000 + 11400;  // where a recorder puts the data session
  IsoOptions extra;
  extra.extraArgs = {"-C", "0," + std::to_string(extraStart)};
  const fs::path extraIso = MakeIso(dir, "extra", files, extra);
  const auto extraLength = static_cast<std::uint32_t>(fs::file_size(extraIso) / 2048);
  std::ofstream(dir / "extra.desc") << "medium profile=CD-R\ndisc status=complete\nsession\ntrack type=audio start=0 "
                                       "length=3000\ntrack type=audio start=3000 length=2000\nsession\n"
                                    << Track(extraIso, extraStart);
  const MultiSessionDisc two = MakeMultiSessionCdr(dir, {{{files[0]}, {}}, {{files[1]}, {}}});
  std::ofstream(dir / "two.desc") << "medium profile=CD-R\ndisc status=complete\nsession\n"
                                  << Track(two.images[0], 0) << "session\n" << Track(two.images[1], two.starts[1]);
  const std::pair<const char*, std::vector<std::pair<std::uint32_t, std::uint32_t>>> discs[] = {
      {"extra.desc", {{extraStart, extraLength}}},
      {"two.desc", {{0, two.lengths[0]}, {two.starts[1], two.lengths[1]}}}};  // the blocks of the volumes
  for (const auto& [name, volumes] : discs) {
    SCOPED_TRACE(name);
    TempDir out;
    fs::create_directory(out / "files");
    const std::string report = (out / "r.json").string(), image = (out / "d.img").string();
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"check", "--all"}, {"check", "--all", "--session", "1"},
          {"extract", "-R", "--on-error=fill", "--report", report, "--to", (out / "files").string(), "/"},
          {"image", "--disc", "--to", image}}) {
      if (volumes.size() == 1 && command.back() == "1") continue;  // CD-Extra: no file system in session 1
      std::vector<std::string> args = {"--image", (dir / name).string()};
      args.insert(args.end(), command.begin(), command.end());
      const CliResult r = RunCli(args);
      EXPECT_EQ(r.status, 0) << command[0] << "\n" << r.out << r.err;
    }
    const nlohmann::json parsed = nlohmann::json::parse(ReadWholeFile(report));  // outlives the loop
    for (const auto& file : parsed["files"]) EXPECT_EQ(file["status"], "ok");
    Blocks data;
    for (const auto& [first, count] : volumes)
      for (std::uint32_t b = first; b < first + count; ++b) data.push_back(b);
    EXPECT_EQ(MapBlocks(image + ".map", "+"), data);
    EXPECT_EQ(MapBlocks(image + ".map", "-*/"), Blocks{});
  }
}

}  // namespace
}  // namespace tarnwick::test
