// Where image sheets put their tracks: INDEX 00 and PREGAP before a track, the lead-out
// a sheet records before a session, cdrdao's START, a CloneCD image that keeps the
// pre-gap of a later session. Every sector in the data files carries the address it
// must be read at, so a block served from the wrong place fails its header check.
#include <gtest/gtest.h>

#include <fstream>

#include "DriveTestHelpers.h"
#include "support/CdSector.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

struct Placed {
  int number;
  std::uint32_t start, length;
  bool operator==(const Placed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Placed& p) {
  return out << "track " << p.number << " at " << p.start << " for " << p.length;
}

// A data file of whole mode 1 sectors addressed `lbas` (user data: the address, repeated).
void WriteSectors(const fs::path& file, const std::vector<std::uint32_t>& lbas) {
  std::string data;
  for (std::uint32_t lba : lbas) {
    std::string user(2048, '\0');
    for (std::size_t i = 0; i + 4 <= user.size(); i += 4) PutBE32(reinterpret_cast<std::uint8_t*>(&user[i]), lba);
    std::string sector(2352, '\0');
    MakeMode1Sector(lba, reinterpret_cast<const std::uint8_t*>(user.data()), reinterpret_cast<std::uint8_t*>(sector.data()));
    data += sector;
  }
  std::ofstream(file, std::ios::binary) << data;
}

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
    std::string dataName;
    std::vector<std::uint32_t> sectors;  // the address of each sector in the data file
    std::vector<Placed> expected;
  };
  const Case cases[] = {
      {"cue: INDEX 00 starts the pre-gap inside the file", "a.cue",
       "FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\nTRACK 02 MODE1/2352\nINDEX 00 00:00:10\n"
       "INDEX 01 00:00:12\n",
       "a.bin", Range(0, 20), {{1, 0, 10}, {2, 12, 8}}},
      {"cue: PREGAP blocks are not in the file", "a.cue",
       "FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\nTRACK 02 MODE1/2352\nPREGAP 00:00:05\n"
       "INDEX 01 00:00:10\n",
       "a.bin", Join(Range(0, 10), Range(15, 10)), {{1, 0, 10}, {2, 15, 10}}},
      {"cue: POSTGAP and a recorded lead-out before the next session", "a.cue",
       "FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\nPOSTGAP 00:00:03\nREM LEAD-OUT 00:30:00\n"
       "REM SESSION 02\nTRACK 02 MODE1/2352\nINDEX 01 00:00:10\n",
       "a.bin", Join(Range(0, 10), Range(13 + 2250 + 4650, 4)), {{1, 0, 10}, {2, 13 + 6900, 4}}},
      {"cdrdao: START marks the pre-gap at the head of the data", "a.toc",
       "CD_ROM\nTRACK MODE1_RAW\nDATAFILE \"a.bin\" 00:00:10\nTRACK MODE1_RAW\nDATAFILE \"a.bin\" 00:00:08\n"
       "START 00:00:02\n",
       "a.bin", Range(0, 18), {{1, 0, 10}, {2, 12, 6}}},
      {"clonecd: a later session's pre-gap kept in the image", "a.ccd",
       "[CloneCD]\nVersion=3\n[Disc]\nTocEntries=4\nSessions=2\n"
       "[Entry 0]\nSession=1\nPoint=0xa2\nADR=0x01\nControl=0x04\nPMin=0\nPSec=2\nPFrame=10\n"
       "[Entry 1]\nSession=1\nPoint=0x01\nADR=0x01\nControl=0x04\nPMin=0\nPSec=2\nPFrame=0\n"
       "[Entry 2]\nSession=2\nPoint=0xa2\nADR=0x01\nControl=0x04\nPMin=2\nPSec=34\nPFrame=14\n"
       "[Entry 3]\nSession=2\nPoint=0x02\nADR=0x01\nControl=0x04\nPMin=2\nPSec=34\nPFrame=10\n",
       "A.IMG", Join(Range(0, 10), Range(11410 - 150, 154)), {{1, 0, 10}, {2, 11410, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteSectors(dir / c.dataName, c.sectors);
    std::ofstream(dir / c.sheetName) << c.sheet;
    auto drive = vdrive::OpenVirtualDrive((dir / c.sheetName).string());
    std::vector<Placed> placed;
    for (int track = 1; track <= static_cast<int>(c.expected.size()); ++track) {
      const DriveAnswer info = Send(*drive, TrackInfoCdb(static_cast<std::uint8_t>(track)), 36);
      ASSERT_TRUE(info.good()) << track;
      placed.push_back({info.data[2], GetBE32(&info.data[8]), GetBE32(&info.data[24])});
    }
    EXPECT_EQ(placed, c.expected);
    // Every block of every track reads, and holds its own address.
    for (const Placed& p : c.expected) {
      const DriveAnswer a = Send(*drive, Read10Cdb(p.start, static_cast<std::uint16_t>(p.length)), p.length * 2048);
      ASSERT_TRUE(a.good()) << p;
      for (std::uint32_t b = 0; b < p.length; ++b) EXPECT_EQ(GetBE32(&a.data[b * 2048]), p.start + b) << p;
    }
  }
}

}  // namespace
}  // namespace tarnwick::test
