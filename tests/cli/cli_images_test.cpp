// Disc images in the formats other programs write: the sample disc kept in each lists
// the same sessions and trees as its description; a broken image of each format is
// refused with one message naming the file; libcdio's cd-info, which reads CUE and
// Nero images on its own, places the tracks where we do.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "CliRun.h"
#include "platform/LocalPath.h"
#include "support/DiscImages.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "vdrive/DriveTestHelpers.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSample = fs::path(TARNWICK_SOURCE_DIR) / "samples" / "sample.disc";

CliResult Cli(const fs::path& image, std::vector<std::string> args) {
  args.insert(args.begin(), {"--image", platform::Utf8Text(image)});
  return RunCli(args);
}

// The session lines of `show`: "   001 ..." up to the first line that is not one.
std::vector<std::string> SessionLines(const std::string& show) {
  std::vector<std::string> lines;
  std::istringstream in(show);
  static const std::regex session(R"(^\s+\d{3}\s)");
  for (std::string line; std::getline(in, line);)
    if (std::regex_search(line, session)) lines.push_back(line);
  return lines;
}

TEST(DiscImages, EveryFormatListsTheSessionsAndTreesOfItsDescription) {
  const CliResult show = Cli(kSample, {"show"});
  ASSERT_EQ(show.status, 0) << show.err;
  const std::vector<std::string> sessions = SessionLines(show.out);
  ASSERT_EQ(sessions.size(), 3u) << show.out;
  std::vector<std::string> trees;
  for (int s = 1; s <= 3; ++s) {
    const CliResult tree = Cli(kSample, {"ls", "-R", "--json", "--session", std::to_string(s)});
    ASSERT_EQ(tree.status, 0) << tree.err;
    trees.push_back(tree.out);
  }
  // Kept where names outside ASCII lead to it, as a user's images often are.
  const fs::path folder(u8"Jürgen – Фото");
  const std::string stem = platform::Utf8Text(fs::path(u8"Großmutter"));
  for (ImageFormat format : kAllImageFormats) {
    SCOPED_TRACE(FormatName(format));
    TempDir dir;
    fs::create_directory(dir.path() / folder);
    const fs::path image = WriteDiscImage(kSample, format, dir.path() / folder, stem);
    const CliResult imageShow = Cli(image, {"show"});
    ASSERT_EQ(imageShow.status, 0) << imageShow.err;
    EXPECT_EQ(SessionLines(imageShow.out), sessions) << imageShow.out;
    for (int s = 1; s <= 3; ++s) {
      const CliResult tree = Cli(image, {"ls", "-R", "--json", "--session", std::to_string(s)});
      ASSERT_EQ(tree.status, 0) << tree.err;
      EXPECT_EQ(nlohmann::json::parse(tree.out), nlohmann::json::parse(trees[s - 1])) << "session " << s;
    }
  }
}

// The lead-in says whether another session may be written: a CloneCD control file and
// an Alcohol descriptor carrying the same B0h entry show the same free space.
TEST(DiscImages, AppendableDiscsShowTheirFreeSpaceFromCloneCdAndAlcoholAlike) {
  TempDir dir;
  const CliResult ccd = Cli(WriteDiscImage(kSample, ImageFormat::CloneCd, dir.path()), {"show"});
  const CliResult mds = Cli(WriteDiscImage(kSample, ImageFormat::Alcohol, dir.path()), {"show"});
  ASSERT_EQ(ccd.status, 0) << ccd.err;
  ASSERT_EQ(mds.status, 0) << mds.err;
  EXPECT_NE(ccd.out.find(" Free "), std::string::npos) << ccd.out;
  EXPECT_EQ(mds.out, ccd.out);
}

// Broken images: each is the sample written in its format, then damaged.
struct Damage {
  const char* name;
  ImageFormat format;
  std::function<void(const fs::path& dir, const fs::path& image)> apply;
  const char* message;  // part of the message, after the file it names
};

void Truncate(const fs::path& file, std::uintmax_t drop) { fs::resize_file(file, fs::file_size(file) - drop); }

void Replace(const fs::path& file, const std::string& from, const std::string& to) {
  std::string text = ReadWholeFile(file);
  const std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

void Poke(const fs::path& file, std::int64_t fromEnd, const std::string& bytes) {
  std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(static_cast<std::streamoff>(fs::file_size(file)) - fromEnd);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PokeAt(const fs::path& file, std::streamoff at, const std::string& bytes) {
  std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(at);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(DiscImages, BrokenImagesAreRefusedWithAMessageNamingTheFile) {
  using F = ImageFormat;
  const Damage damages[] = {
      {"cue: data file missing", F::Cue, [](auto& d, auto&) { fs::remove(d / "disc.bin"); }, ":2: the data file 'disc.bin' is missing"},
      {"cue: data file truncated", F::Cue, [](auto& d, auto&) { Truncate(d / "disc.bin", 1000); }, "is truncated"},
      {"cue: unknown mode", F::Cue, [](auto&, auto& i) { Replace(i, "TRACK 02 MODE1/2352", "TRACK 02 MODE7/2352"); }, ":7: unknown track mode 'MODE7/2352'"},
      {"cue: bad index", F::Cue, [](auto&, auto& i) { Replace(i, "INDEX 01 00:01:14", "INDEX 01 00:01:99"); }, ":8: INDEX needs a number and mm:ss:ff"},
      {"cue: sessions out of order", F::Cue, [](auto&, auto& i) { Replace(i, "REM SESSION 03", "REM SESSION 05"); }, ":9: session 5 does not follow"},
      {"clonecd: image missing", F::CloneCd, [](auto& d, auto&) { fs::remove(d / "disc.img"); }, "the data file 'disc.img' is missing"},
      {"clonecd: image truncated", F::CloneCd, [](auto& d, auto&) { Truncate(d / "disc.img", 2352); }, "is truncated"},
      {"clonecd: bad point", F::CloneCd, [](auto&, auto& i) { Replace(i, "Point=0xa0", "Point=0xq0"); }, ":19: '0xq0' is not a number"},
      {"clonecd: no lead-out", F::CloneCd, [](auto&, auto& i) { Replace(i, "Point=0xa2", "Point=0xa3"); }, "session 1 has no lead-out entry"},
      {"nero: footer cut off", F::NeroDao, [](auto&, auto& i) { Truncate(i, 5); }, "no Nero footer"},
      {"nero: footer points past the end", F::NeroDao, [](auto&, auto& i) { Poke(i, 8, std::string("\x7f\0\0\0\0\0\0\0", 8)); }, "the footer points outside the file"},
      {"nero: chunk runs past the chain", F::NeroTao, [](auto&, auto& i) { Replace(i, std::string("ETNF\0\0\0\x14", 8), std::string("ETNF\x7f\0\0\0", 8)); }, "runs past the chain"},
      {"nero: track data past the end", F::NeroTao, [](auto&, auto& i) { Replace(i, std::string("ETNF\0\0\0\x14\0\0\0\0", 12), std::string("ETNF\0\0\0\x14\x7f\0\0\0", 12)); }, "is truncated"},
      {"alcohol: data file missing", F::Alcohol, [](auto& d, auto&) { fs::remove(d / "disc.mdf"); }, "the data file 'disc.mdf' is missing"},
      {"alcohol: data file truncated", F::Alcohol, [](auto& d, auto&) { Truncate(d / "disc.mdf", 4096); }, "is truncated"},
      {"alcohol: descriptor cut short", F::Alcohol, [](auto&, auto& i) { Truncate(i, fs::file_size(i) - 100); }, "lies past the end of the file"},
      // Track 1's block follows the header, 3 session blocks and A0h, A1h, A2h, B0h.
      {"alcohol: data offset 2^64-1", F::Alcohol, [](auto&, auto& i) { PokeAt(i, 0x58 + 3 * 24 + 4 * 80 + 0x28, std::string(8, '\xff')); },
       "starts at byte 18446744073709551615"},
      {"alcohol: session block far away", F::Alcohol, [](auto&, auto& i) { PokeAt(i, 0x50, std::string("\xff\xff\xff\x7f", 4)); }, "lies past the end of the file"},
      {"cdrdao: data file missing", F::CdrdaoToc, [](auto& d, auto&) { fs::remove(d / "disc.bin"); }, ":6: the data file 'disc.bin' is missing"},
      {"cdrdao: data file truncated", F::CdrdaoToc, [](auto& d, auto&) { Truncate(d / "disc.bin", 2352); }, "is truncated"},
      {"cdrdao: unknown statement", F::CdrdaoToc, [](auto&, auto& i) { Replace(i, "NO COPY", "NO COPY\nSPEED 4"); }, ":6: unknown statement 'SPEED'"},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    TempDir dir;
    const fs::path image = WriteDiscImage(kSample, damage.format, dir.path());
    damage.apply(dir.path(), image);
    const CliResult r = Cli(image, {"show"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(image.string()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(damage.message), std::string::npos) << r.err;
  }
}

struct TocTrack {
  int number;
  std::uint32_t start;
  bool data;
  bool operator==(const TocTrack&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TocTrack& t) {
  return out << t.number << "@" << t.start << (t.data ? " data" : " audio");
}

// cd-info's track list: "  1: 00:02:00  000000 data ..." (lead-out as track 170).
std::vector<TocTrack> CdInfoTracks(const std::string& out) {
  static const std::regex line(R"(^\s*(\d+): \d\d:\d\d:\d\d\s+(\d+) (\w+))");
  std::vector<TocTrack> tracks;
  std::istringstream in(out);
  std::smatch m;
  for (std::string text; std::getline(in, text);)
    if (std::regex_search(text, m, line))
      tracks.push_back({std::stoi(m[1]), static_cast<std::uint32_t>(std::stoul(m[2])), m[3] != "audio" && m[3] != "leadout"});
  return tracks;
}

// Our drive's table of contents (READ TOC format 0, block addresses), lead-out as 170.
std::vector<TocTrack> OurTracks(vdrive::VirtualDrive& drive) {
  const DriveAnswer a = Send(drive, ReadTocCdb(0, false, 1, 804), 804);
  EXPECT_TRUE(a.good());
  std::vector<TocTrack> tracks;
  for (std::size_t at = 4; at + 8 <= a.data.size(); at += 8)
    tracks.push_back({a.data[at + 2] == 0xAA ? 170 : a.data[at + 2], GetBE32(&a.data[at + 4]),
                      a.data[at + 2] != 0xAA && (a.data[at + 1] & 0x04) != 0});
  return tracks;
}

TEST(DiscImages, CdInfoReadsOurCueAndNeroImagesAsWeDo) {
  // cd-info takes neither REM SESSION nor several Nero sessions: a one-session disc.
  // (Nor does it read the old layout's CUES positions as minutes, seconds and frames.)
  TempDir dir;
  const fs::path iso = kSample.parent_path() / "session1.iso";
  const fs::path description = dir / "one.disc";
  std::ofstream(description) << "medium profile=CD-ROM\nsession number=1\ntrack number=1 type=data start=0 length="
                             << fs::file_size(iso) / 2048 << " file=" << iso.string() << "\n";
  // cd-info lists the tracks of Nero images but finds no file system in them, whole
  // sectors or 2048-byte ones alike: the volume label is compared for the CUE image.
  struct Case {
    ImageFormat format;
    const char* option;
    bool label;
  };
  const Case cases[] = {{ImageFormat::Cue, "--cue-file", true},
                        {ImageFormat::NeroDao, "--nrg-file", false},
                        {ImageFormat::NeroTao, "--nrg-file", false}};
  for (const auto& [format, option, label] : cases) {
    SCOPED_TRACE(FormatName(format));
    const fs::path sub = dir / FormatName(format);
    fs::create_directory(sub);
    const fs::path image = WriteDiscImage(description, format, sub);
    const CliResult info = RunCaptured({"cd-info", "--no-device-info", option, image.string()});
    ASSERT_EQ(info.status, 0) << info.err;
    auto drive = vdrive::OpenVirtualDrive(image.string());
    const std::vector<TocTrack> ours = OurTracks(*drive);
    ASSERT_EQ(ours.size(), 2u);
    EXPECT_EQ(CdInfoTracks(info.out), ours) << info.out;
    if (!label) continue;
    // cd-info finds the volume in the sectors: its label is the one our drive serves.
    const DriveAnswer pvd = Send(*drive, Read10Cdb(16, 1), 2048);
    ASSERT_TRUE(pvd.good());
    const std::string volume(pvd.data.begin() + 40, pvd.data.begin() + 72);
    EXPECT_NE(info.out.find("label `" + volume + "'"), std::string::npos) << info.out;
  }
}

}  // namespace
}  // namespace tarnwick::test
