// UDF sessions through the command line: every generation of a multisession VAT disc
// extracts to what the test writer recorded (its discs are checked against udfinfo,
// udfclient and the kernel's driver); a bridge image made by genisoimage extracts to
// the files it was made from; the layouts mkudffs writes list; damaged descriptors end
// with a message, a listed problem and a failing status, in bounded time.
#include <gtest/gtest.h>

#if defined(_WIN32)
// The discs come from the Python test writer, mkudffs and genisoimage, and the
// extracted trees are listed with POSIX modes and links: none of them run here.
TEST(CliUdf, PosixOnly) { GTEST_SKIP() << "the UDF test discs are written and listed by host programs"; }
#else

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <iterator>

#include "CliRun.h"
#include "platform/ByteOrder.h"
#include "support/TempDir.h"
#include "support/UdfDiscs.h"
#include "udf/Descriptors.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

// A listing in the writer's format of an extracted tree.
std::string Listing(const fs::path& dir) {
  const CliResult r = RunCaptured({"sh", TARNWICK_SOURCE_DIR "/tools/udf-listing.sh", dir.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

std::string Expected(const std::vector<UdfListingRow>& rows) {
  std::string text;
  for (const UdfListingRow& row : rows) {
    text += std::string(1, row.type) + "\t" + (row.size < 0 ? "-" : std::to_string(row.size)) + "\t" +
            std::to_string(row.mtime) + "\t" + row.md5OrTarget + "\t" + row.path + "\n";
  }
  return text;
}

CliResult Extract(const fs::path& image, const fs::path& to, std::vector<std::string> extra) {
  fs::create_directories(to);
  std::vector<std::string> args{"--image", image.string(), "extract", "--symlinks", "-R", "/", "--to", to.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  return RunCli(args);
}

TEST(CliUdf, EveryGenerationAndSessionExtractsAsWritten) {
  TempDir tmp;
  const UdfDisc disc = MakeUdfDisc(tmp / "disc");
  ASSERT_GE(disc.generations.size(), 3u);
  const int lastSession = disc.generations.back().session;
  for (const UdfGeneration& g : disc.generations) {
    SCOPED_TRACE("generation " + std::to_string(g.number));
    const fs::path to = tmp / ("g" + std::to_string(g.number));
    const CliResult r = Extract(disc.description, to,
                                {"--session", std::to_string(lastSession), "--generation", std::to_string(g.number)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listing(to), Expected(g.live));
    // With --deleted the entries it marks deleted come too, named apart from the live ones.
    const fs::path withDeleted = tmp / ("d" + std::to_string(g.number));
    ASSERT_EQ(Extract(disc.description, withDeleted,
                      {"--deleted", "--session", std::to_string(lastSession), "--generation", std::to_string(g.number)})
                  .status,
              0);
    std::string deleted;
    std::istringstream lines(Listing(withDeleted));
    for (std::string line; std::getline(lines, line);) {
      const std::size_t mark = line.find(" (deleted)");
      if (mark != std::string::npos) deleted += line.erase(mark, 10) + "\n";
    }
    EXPECT_EQ(deleted, Expected(g.deleted));
  }
  // A session without --generation is read through the VAT that closes it.
  for (int session = 1; session <= lastSession; ++session) {
    SCOPED_TRACE("session " + std::to_string(session));
    const UdfGeneration* newest = nullptr;
    for (const UdfGeneration& g : disc.generations)
      if (g.session == session) newest = &g;
    ASSERT_NE(newest, nullptr);
    const fs::path to = tmp / ("s" + std::to_string(session));
    const CliResult r = Extract(disc.description, to, {"--session", std::to_string(session)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listing(to), Expected(newest->live));
  }
  const CliResult show = RunCli({"--image", disc.description.string(), "show"});
  EXPECT_NE(show.out.find("Session " + std::to_string(lastSession) + " : " + std::to_string(disc.generations.size()) +
                          " generations"),
            std::string::npos)
      << show.out;
  EXPECT_EQ(show.out.find("????"), std::string::npos) << show.out;
  const CliResult json = RunCli({"--image", disc.description.string(), "ls", "--json", "--generation", "1", "/"});
  EXPECT_NE(json.out.find("\"generation\": 1"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"tree\": \"udf\""), std::string::npos) << json.out;
  EXPECT_NE(RunCli({"--image", disc.description.string(), "ls", "--generation", "99", "/"}).status, 0);
}

TEST(CliUdf, IndependentWritersLayoutsRead) {
  TempDir tmp;
  const fs::path src = tmp / "src";
  fs::create_directories(src / "sub" / "deep");
  std::ofstream(src / "a.txt") << "hello\n";
  std::ofstream(src / "sub" / "deep" / "z") << std::string(70000, 'z');
  const fs::path bridge = tmp / "bridge.iso";
  ASSERT_EQ(RunCaptured({"genisoimage", "-quiet", "-udf", "-o", bridge.string(), src.string()}).status, 0);
  // The UDF tree of the bridge holds the files it was made from, with their times.
  fs::create_directories(tmp / "out");
  ASSERT_EQ(RunCli({"--image", bridge.string(), "--names", "udf", "extract", "-R", "/", "--to", (tmp / "out").string()})
                .status,
            0);
  EXPECT_EQ(Listing(tmp / "out"), Listing(src));

  // An ISO 9660 side that is only a stub: auto takes the UDF tree, which holds more.
  const fs::path stub = tmp / "stub.iso";
  ASSERT_EQ(RunCaptured({"/usr/bin/python3", "-c",
                         "import io, pycdlib\np = pycdlib.PyCdlib(); p.new(udf='2.60')\n"
                         "p.add_fp(io.BytesIO(b'see udf'), 7, '/README.;1')\n"
                         "for n in ('one', 'two'): p.add_fp(io.BytesIO(n.encode()), 3, udf_path='/' + n + '.txt')\n"
                         "p.write('" + stub.string() + "')"})
                .status,
            0);
  const CliResult chosen = RunCli({"--image", stub.string(), "ls", "--json", "/"});
  EXPECT_NE(chosen.out.find("\"tree\": \"udf\""), std::string::npos) << chosen.out;
  EXPECT_NE(chosen.out.find("\"name\": \"two.txt\""), std::string::npos) << chosen.out;

  // Every layout mkudffs writes on rewritable media and hard discs, in every revision it allows.
  for (const char* media : {"hd", "cdrw", "dvdrw", "dvdram"}) {
    for (const char* rev : {"1.02", "1.50", "2.00", "2.01"}) {
      SCOPED_TRACE(std::string(media) + " " + rev);
      const fs::path image = tmp / (std::string(media) + rev + ".img");
      { std::ofstream(image).flush(); }
      fs::resize_file(image, 8 << 20);
      if (RunCaptured({"mkudffs", "-b", "2048", "--media-type=" + std::string(media), "--udfrev=" + std::string(rev),
                       image.string()})
              .status != 0)
        continue;  // a revision the medium does not take
      const CliResult ls = RunCli({"--image", image.string(), "ls", "--json", "/"});
      EXPECT_EQ(ls.status, 0) << ls.err;
      EXPECT_NE(ls.out.find("\"tree\": \"udf\""), std::string::npos);
    }
  }
}

// Packets a sparing table moved (mkudffs images the kernel filled, relocated by
// tools/udf-spare.py, with the kernel's listing of them) and a metadata partition
// whose main copy or mirror is broken: what is listed and extracted, the status, and
// the message that says which copy was read; an entry replaced through an indirect
// entry (strategy 4096) is read where the indirect entry points.
TEST(CliUdf, SparedPacketsAndMetadataMirrorRead) {
  TempDir tmp;
  struct Case {
    std::string name;
    std::vector<std::string> writer;  // make-udf-disc.py options; none: a committed spared image
    int status;
    const char* message;
    bool whole = true;  // every entry is delivered
  };
  const std::vector<Case> cases = {
      {"mkudffs-cdrw-1.50-spared", {}, 0, ""},
      {"mkudffs-dvdrw-2.01-spared", {}, 0, ""},
      {"metadata", {"--rev", "2.50"}, 0, ""},
      {"indirect entry", {"--recipe", "indirect"}, 0, ""},
      {"main entry broken", {"--rev", "2.50", "--break-metadata", "main"}, 1, "its mirror is read"},
      {"main copy of blocks broken", {"--rev", "2.50", "--break-metadata", "main-data"}, 1, "its other copy at sector"},
      {"both entries broken", {"--rev", "2.50", "--break-metadata", "both"}, 1, "neither the metadata file nor its mirror",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = tmp / c.name;
    fs::path image;
    std::string expected;
    if (c.writer.empty()) {
      const std::string stem = TARNWICK_SOURCE_DIR "/tests/cli/udf-spared/" + c.name;
      image = tmp / (c.name + ".img");
      ASSERT_EQ(RunCaptured({"/usr/bin/python3", "-c",
                             "import lzma, shutil, sys; shutil.copyfileobj(lzma.open(sys.argv[1]), open(sys.argv[2], 'wb'))",
                             stem + ".img.xz", image.string()})
                    .status,
                0);
      expected = Expected(ReadUdfListing(stem + ".txt"));
    } else {
      const UdfDisc disc = MakeUdfDisc(dir, c.writer);
      image = disc.image;
      expected = Expected(disc.generations.back().live);
    }
    const CliResult r = Extract(image, tmp / (c.name + "-x"), {"--names", "udf"});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    if (c.whole) {
      EXPECT_EQ(Listing(tmp / (c.name + "-x")), expected);
    }
  }
}

// Recomputes a descriptor's CRC and checksum after a change, so that only the change is wrong.
void Retag(std::string& image, std::size_t at) {
  auto* p = reinterpret_cast<std::uint8_t*>(image.data() + at);
  const std::uint16_t length = GetLE16(p + 10);
  PutLE16(p + 8, udf::TagCrc(p + 16, length));
  std::uint8_t sum = 0;
  for (int i = 0; i < 16; ++i)
    if (i != 4) sum = static_cast<std::uint8_t>(sum + p[i]);
  p[4] = sum;
}

// Offsets of the file identifiers named `name` (8-bit names).
std::vector<std::size_t> Identifiers(const std::string& image, const std::string& name) {
  std::vector<std::size_t> found;
  const std::string needle = std::string(1, '\x08') + name;
  for (std::size_t at = image.find(needle); at != std::string::npos; at = image.find(needle, at + 1)) {
    // The name follows the 38-byte header and its implementation use (none here).
    if (at < 38) continue;
    const std::size_t fid = at - 38;
    if (GetLE16(reinterpret_cast<const std::uint8_t*>(image.data() + fid)) == 257 &&
        static_cast<std::uint8_t>(image[fid + 19]) == name.size() + 1)
      found.push_back(fid);
  }
  return found;
}

TEST(CliUdf, DamagedDescriptorsAreReportedAndBounded) {
  TempDir tmp;
  const UdfDisc disc = MakeUdfDisc(tmp / "disc");
  std::string original;
  {
    std::ifstream in(disc.image, std::ios::binary);
    original.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::uint32_t vat = disc.generations.back().vatBlock;
  struct Case {
    const char* name;
    std::function<void(std::string&)> damage;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"a file identifier's CRC",
       [](std::string& image) {
         for (std::size_t fid : Identifiers(image, "docs")) image[fid + 40] ^= 0x20;
       },
       "CRC"},
      {"a directory that holds its own parent",
       [](std::string& image) {
         for (std::size_t fid : Identifiers(image, "sub")) {
           // The parent identifier before it in the same directory names the root.
           const std::size_t block = fid / 2048 * 2048;
           std::size_t parent = fid;
           while (parent > block && !(GetLE16(reinterpret_cast<const std::uint8_t*>(&image[parent])) == 257 &&
                                      (image[parent + 18] & 0x08)))
             parent -= 4;
           std::memcpy(&image[fid + 20], &image[parent + 20], 16);
           Retag(image, fid);
           // A directory kept inside its file entry: the entry's CRC covers it.
           const std::uint16_t id = GetLE16(reinterpret_cast<const std::uint8_t*>(&image[block]));
           if (id == 261 || id == 266) Retag(image, block);
         }
       },
       "contains it"},
      {"an allocation table claiming a terabyte",
       [vat](std::string& image) {
         PutLE64(reinterpret_cast<std::uint8_t*>(&image[std::size_t{vat} * 2048 + 56]), std::uint64_t{1} << 40);
         Retag(image, std::size_t{vat} * 2048);
       },
       ""},
      {"files of unrecorded extents larger than the disc",
       [](std::string& image) {
         for (std::size_t at = 0; at + 2048 <= image.size(); at += 2048) {
           auto* p = reinterpret_cast<std::uint8_t*>(&image[at]);
           const std::uint16_t id = GetLE16(p);
           if ((id != 261 && id != 266) || p[offsetof(udf::FileEntry, Icb.FileType)] != 5) continue;
           const std::size_t header = id == 261 ? sizeof(udf::FileEntry) : sizeof(udf::ExtendedFileEntry);
           const std::size_t eaAt = id == 261 ? offsetof(udf::FileEntry, ExtendedAttributesLength)
                                              : offsetof(udf::ExtendedFileEntry, ExtendedAttributesLength);
           const std::size_t ads = header + GetLE32(p + eaAt);
           p[offsetof(udf::FileEntry, Icb.Flags)] &= 0xF8;  // short descriptors
           PutLE32(p + eaAt + 4, 8);
           PutLE32(p + ads, 0x80000000u | 0x3FFFF800u);  // neither allocated nor recorded: 1 GiB
           PutLE32(p + ads + 4, 0);
           PutLE64(p + offsetof(udf::FileEntry, InformationLength), 0x3FFFF800u);
           PutLE16(p + 10, static_cast<std::uint16_t>(ads + 8 - 16));
           Retag(image, at);
         }
       },
       "unrecorded extents claim more than"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string image = original;
    c.damage(image);
    std::ofstream(disc.image, std::ios::binary | std::ios::trunc) << image;
    const CliResult r = RunCli({"--image", disc.description.string(), "ls", "-R", "/"});
    EXPECT_NE(r.status, 0);
    EXPECT_LT(r.status, 128) << "killed by a signal";
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace tarnwick::test

#endif  // _WIN32
