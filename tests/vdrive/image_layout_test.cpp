// Where image sheets put their tracks: INDEX 00 and PREGAP before a track, the lead-out
// a sheet records before a session, cdrdao's START, FILE and AUDIOFILE offsets, audio
// from MOTOROLA and WAVE files, a CloneCD image that keeps the pre-gap of a later
// session; and the medium a sheet records. Every sector in the data files carries the
// address it must be read at, so a block served from the wrong place fails its header
// check.
#include <gtest/gtest.h>

#include <fstream>

#include "DriveTestHelpers.h"
#include "platform/LocalPath.h"
#include "support/CdSector.h"
#include "support/DiscImages.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

struct Placed {
  int number;
  std::uint32_t start, length;
  bool audio = false;
  bool operator==(const Placed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Placed& p) {
  return out << (p.audio ? "audio " : "") << "track " << p.number << " at " << p.start << " for " << p.length;
}

// Whole mode 1 sectors addressed `lbas` (user data: the address, repeated).
std::string Sectors(const std::vector<std::uint32_t>& lbas) {
  std::string data;
  for (std::uint32_t lba : lbas) {
    std::string user(2048, '\0');
    for (std::size_t i = 0; i + 4 <= user.size(); i += 4) PutBE32(reinterpret_cast<std::uint8_t*>(&user[i]), lba);
    std::string sector(2352, '\0');
    MakeMode1Sector(lba, reinterpret_cast<const std::uint8_t*>(user.data()), reinterpret_cast<std::uint8_t*>(sector.data()));
    data += sector;
  }
  return data;
}

// `blocks` blocks of sound, as a bare file or inside a RIFF WAVE file (with a chunk of
// odd size before the sound, which RIFF pads to an even length).
std::string Sound(std::uint32_t blocks) { return std::string(std::size_t{blocks} * 2352, '\x7f'); }
std::string Wave(std::uint32_t blocks) {
  auto le32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  const std::string sound = Sound(blocks);
  const std::string fmt = std::string("fmt ") + le32(16) + std::string("\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00", 16);
  const std::string note = std::string("LIST") + le32(5) + "INFO!" + '\0';
  const std::string body = "WAVE" + fmt + note + "data" + le32(static_cast<std::uint32_t>(sound.size())) + sound;
  return "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
}

struct DataFile {
  std::string name, bytes;
};

std::vector<std::uint32_t> Range(std::uint32_t from, std::uint32_t count) {
  std::vector<std::uint32_t> v;
  for (std::uint32_t i = 0; i < count; ++i) v.push_back(from + i);
  return v;
}

std::vector<std::uint32_t> Join(std::vector<std::uint32_t> a, const std::vector<std::uint32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ImageLayout, SheetsPlaceTracksWhereTheirIndexesSay) {
  struct Case {
    const char* name;
    const char* sheetName;
    std::string sheet;
    std::vector<DataFile> files;
    std::vector<Placed> expected;
  };
  const Case cases[] = {
      {"cue: INDEX 00 starts the pre-gap inside the file", "a.cue",
       "FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\nTRACK 02 MODE1/2352\nINDEX 00 00:00:10\n"
       "INDEX 01 00:00:12\n",
       {{"a.bin", Sectors(Range(0, 20))}}, {{1, 0, 10}, {2, 12, 8}}},
      {"cue: PREGAP blocks are not in the file", "a.cue",
       "FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\nTRACK 02 MODE1/2352\nPREGAP 00:00:05\n"
       "INDEX 01 00:00:10\n",
       {{"a.bin", Sectors(Join(Range(0, 10), Range(15, 10)))}}, {{1, 0, 10}, {2, 15, 10}}},
      {"cue: POSTGAP and a recorded lead-out before the next session", "a.cue",
       "FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\nPOSTGAP 00:00:03\nREM LEAD-OUT 00:30:00\n"
       "REM SESSION 02\nTRACK 02 MODE1/2352\nINDEX 01 00:00:10\n",
       {{"a.bin", Sectors(Join(Range(0, 10), Range(13 + 2250 + 4650, 4)))}}, {{1, 0, 10}, {2, 13 + 6900, 4}}},
      {"cue: audio from a MOTOROLA file and from a WAVE file", "a.cue",
       "FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\nFILE \"b.raw\" MOTOROLA\nTRACK 02 AUDIO\n"
       "INDEX 00 00:00:00\nINDEX 01 00:00:02\nFILE \"c.wav\" WAVE\nTRACK 03 AUDIO\nINDEX 01 00:00:00\n",
       {{"a.bin", Sectors(Range(0, 10))}, {"b.raw", Sound(7)}, {"c.wav", Wave(4)}},
       {{1, 0, 10}, {2, 12, 5, true}, {3, 17, 4, true}}},
      {"cdrdao: START marks the pre-gap at the head of the data", "a.toc",
       "CD_ROM\nTRACK MODE1_RAW\nDATAFILE \"a.bin\" 00:00:10\nTRACK MODE1_RAW\nDATAFILE \"a.bin\" 00:00:08\n"
       "START 00:00:02\n",
       {{"a.bin", Sectors(Range(0, 18))}}, {{1, 0, 10}, {2, 12, 6}}},
      {"cdrdao: FILE and AUDIOFILE starts, a PREGAP outside the data, DATAFILE #offset", "a.toc",
       "CD_ROM\nTRACK MODE1_RAW\nFILE \"a.bin\" 00:00:02 00:00:06\nTRACK AUDIO\nPREGAP 00:00:03\n"
       "AUDIOFILE \"b.raw\" 0 00:00:04\nTRACK MODE1_RAW\nDATAFILE \"a.bin\" #18816 00:00:03\n",
       {{"a.bin", Sectors(Join(Join({99, 98}, Range(0, 6)), Range(13, 3)))}, {"b.raw", Sound(4)}},
       {{1, 0, 6}, {2, 9, 4, true}, {3, 13, 3}}},
      // cdrdao show-toc and cd-info place these at 0, 2250 and 4500, lead-out 6750.
      {"cdrdao: FILE starts count from the start of the file", "a.toc",
       "CD_DA\n\nTRACK AUDIO\nFILE \"a.bin\" 00:00:00 00:30:00\n\nTRACK AUDIO\nFILE \"a.bin\" 00:30:00 00:30:00\n\n"
       "TRACK AUDIO\nFILE \"a.bin\" 01:00:00 00:30:00\n",
       {{"a.bin", Sound(6750)}}, {{1, 0, 2250, true}, {2, 2250, 2250, true}, {3, 4500, 2250, true}}},
      {"clonecd: a later session's pre-gap kept in the image", "a.ccd",
       "[CloneCD]\nVersion=3\n[Disc]\nTocEntries=4\nSessions=2\n"
       "[Entry 0]\nSession=1\nPoint=0xa2\nADR=0x01\nControl=0x04\nPMin=0\nPSec=2\nPFrame=10\n"
       "[Entry 1]\nSession=1\nPoint=0x01\nADR=0x01\nControl=0x04\nPMin=0\nPSec=2\nPFrame=0\n"
       "[Entry 2]\nSession=2\nPoint=0xa2\nADR=0x01\nControl=0x04\nPMin=2\nPSec=34\nPFrame=14\n"
       "[Entry 3]\nSession=2\nPoint=0x02\nADR=0x01\nControl=0x04\nPMin=2\nPSec=34\nPFrame=10\n",
       {{"A.IMG", Sectors(Join(Range(0, 10), Range(11410 - 150, 154)))}}, {{1, 0, 10}, {2, 11410, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    for (const DataFile& f : c.files) std::ofstream(dir / f.name, std::ios::binary) << f.bytes;
    std::ofstream(dir / c.sheetName) << c.sheet;
    auto drive = vdrive::OpenVirtualDrive((dir / c.sheetName).string());
    std::vector<Placed> placed;
    for (int track = 1; track <= static_cast<int>(c.expected.size()); ++track) {
      const DriveAnswer info = Send(*drive, TrackInfoCdb(static_cast<std::uint8_t>(track)), 36);
      ASSERT_TRUE(info.good()) << track;
      placed.push_back({info.data[2], GetBE32(&info.data[8]), GetBE32(&info.data[24]), (info.data[5] & 0x04) == 0});
    }
    EXPECT_EQ(placed, c.expected);
    // Every block of every data track reads, and holds its own address; audio does not
    // read as data.
    for (const Placed& p : c.expected) {
      if (p.audio) {
        EXPECT_FALSE(Send(*drive, Read10Cdb(p.start, 1), 2048).good()) << p;
        continue;
      }
      const DriveAnswer a = Send(*drive, Read10Cdb(p.start, static_cast<std::uint16_t>(p.length)), p.length * 2048);
      ASSERT_TRUE(a.good()) << p;
      for (std::uint32_t b = 0; b < p.length; ++b) EXPECT_EQ(GetBE32(&a.data[b * 2048]), p.start + b) << p;
    }
  }
}

// 2048-byte blocks addressed `from` onwards, each holding its address.
std::string UserBlocks(std::uint32_t from, std::uint32_t count) {
  std::string data(std::size_t{count} * 2048, '\0');
  for (std::uint32_t b = 0; b < count; ++b) PutBE32(reinterpret_cast<std::uint8_t*>(&data[b * 2048]), from + b);
  return data;
}

// The old Nero layout keeps cue points as minutes, seconds and frames, in BCD or in
// binary depending on the program that wrote it: a session-2 track lands where it was
// written either way.
TEST(ImageLayout, OldNeroCuePointsReadAsBcdOrAsBinary) {
  struct Case {
    const char* what;
    std::uint32_t length, start;  // of session 1's track, and where session 2's starts
    bool binary;
  };
  const Case cases[] = {
      {"BCD 02 41 19 (read as binary: 65 seconds)", 544, 11944, false},
      {"binary 03 1B 00 (1B is no BCD number)", 3975, 15375, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::ofstream(dir / "one.bin", std::ios::binary) << UserBlocks(0, c.length);
    std::ofstream(dir / "two.bin", std::ios::binary) << UserBlocks(c.start, 4);
    std::ofstream(dir / "d.disc") << "medium profile=CD-R\ndisc status=complete\nsession number=1\n"
                                  << "track number=1 type=data start=0 length=" << c.length << " file=one.bin\n"
                                  << "session number=2\ntrack number=2 type=data start=" << c.start
                                  << " length=4 file=two.bin\n";
    const fs::path image = WriteDiscImage(dir / "d.disc", ImageFormat::NeroDaoOld, dir.path());
    // Session 2's cue points rewritten with binary minutes, seconds and frames.
    std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    const std::size_t cues = bytes.rfind("CUES");
    for (std::size_t at = cues + 8; c.binary && at < cues + 8 + 4 * 8; ++at) {
      const auto bcd = static_cast<std::uint8_t>(bytes[at]);
      if ((at - cues) % 8 >= 5) bytes[at] = static_cast<char>((bcd >> 4) * 10 + (bcd & 0x0F));
    }
    file.seekp(0);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    auto drive = vdrive::OpenVirtualDrive(image.string());
    const DriveAnswer info = Send(*drive, TrackInfoCdb(2), 36);
    ASSERT_TRUE(info.good());
    EXPECT_EQ(GetBE32(&info.data[8]), c.start);
    const DriveAnswer block = Send(*drive, Read10Cdb(c.start + 3, 1), 2048);
    ASSERT_TRUE(block.good());
    EXPECT_EQ(GetBE32(&block.data[0]), c.start + 3);
  }
}

TEST(ImageLayout, SheetsKeepTheMediumTheyRecord) {
  struct Case {
    const char* name;
    const char* sheetName;
    std::string sheet;
    std::uint16_t profile;
    int discStatus;  // 1 incomplete (appendable), 2 complete
  };
  const std::string cue = "FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n";
  const std::string ccd =
      "[CloneCD]\nVersion=3\n[Disc]\nTocEntries=2\nSessions=1\n"
      "[Entry 0]\nSession=1\nPoint=0xa2\nADR=0x01\nControl=0x04\nPMin=0\nPSec=2\nPFrame=10\n"
      "[Entry 1]\nSession=1\nPoint=0x01\nADR=0x01\nControl=0x04\nPMin=0\nPSec=2\nPFrame=0\n";
  const std::string nextSession =
      "[Entry 2]\nSession=1\nPoint=0xb0\nADR=0x05\nControl=0x04\nAMin=2\nASec=34\nAFrame=10\n"
      "PMin=79\nPSec=59\nPFrame=74\n";
  const Case cases[] = {
      {"cue without a medium: a pressed disc", "a.cue", cue, 0x0008, 2},
      {"cue: REM ORIGINAL MEDIA-TYPE", "a.cue", "REM ORIGINAL MEDIA-TYPE: CD-RW\n" + cue, 0x000A, 2},
      {"clonecd: closed", "a.ccd", ccd, 0x0008, 2},
      {"clonecd: B0 names a next session", "a.ccd",
       std::string(ccd).replace(ccd.find("TocEntries=2"), 12, "TocEntries=3") + nextSession, 0x0009, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::ofstream(dir / (fs::path(c.sheetName).extension() == ".ccd" ? "a.img" : "a.bin"), std::ios::binary)
        << Sectors(Range(0, 10));
    std::ofstream(dir / c.sheetName) << c.sheet;
    auto drive = vdrive::OpenVirtualDrive((dir / c.sheetName).string());
    const DriveAnswer config = Send(*drive, GetConfigCdb(0, 0, 8), 8);
    ASSERT_TRUE(config.good());
    EXPECT_EQ(GetBE16(&config.data[6]), c.profile);
    const DriveAnswer info = Send(*drive, DiscInfoCdb(34), 34);
    ASSERT_TRUE(info.good());
    EXPECT_EQ(info.data[2] & 0x03, c.discStatus);
  }
}

// A sheet names its data file in UTF-8, or in the code page of the Windows it was
// written on; the file itself carries its name in the system's own form.
TEST(ImageLayout, SheetsFindDataFilesNamedOutsideAscii) {
  const struct {
    const char* what;
    std::string written;  // in the sheet
  } cases[] = {
      {"UTF-8", "Gro\xC3\x9Fmutter \xE2\x80\x93 1.bin"},
      {"Windows-1252", "Gro\xDFmutter \x96 1.bin"},
      {"Windows-1252, other letter case", "GRO\xDFMUTTER \x96 1.BIN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::ofstream(dir.path() / fs::path(u8"Großmutter – 1.bin"), std::ios::binary) << Sectors(Range(0, 10));
    std::ofstream(dir / "a.cue") << "FILE \"" + c.written + "\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n";
    auto drive = vdrive::OpenVirtualDrive(platform::Utf8Text(dir / "a.cue"));
    const DriveAnswer read = Send(*drive, Read10Cdb(9, 1), 2048);
    ASSERT_TRUE(read.good());
    EXPECT_EQ(GetBE32(&read.data[0]), 9u);
  }
}

}  // namespace
}  // namespace tarnwick::test
