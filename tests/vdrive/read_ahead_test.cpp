// Reading ahead for read commands: a run of reads costs one file read per window, any
// other read one of its own, and a bad part of the file fails only the reads that
// touch it; whole sectors convert from the window.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <tuple>

#include "DriveTestHelpers.h"
#include "support/CdSector.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "vdrive/ReadAhead.h"

namespace tarnwick::test {
namespace {

constexpr std::size_t kUnit = 31 * 2048;

// A file in memory that counts its reads and cannot read byte 100 of unit 40.
struct CountedFile : platform::ReadOnlyFile {
  explicit CountedFile(std::size_t units = 100) : bytes(PatternBytes(units * kUnit, 5)) {}
  std::string bytes;
  mutable int reads = 0;
  std::uint64_t Size() const override { return bytes.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* to, std::size_t length) const override {
    ++reads;
    if (offset <= 40 * kUnit + 100 && 40 * kUnit + 100 < offset + length) return false;
    std::memcpy(to, bytes.data() + offset, length);
    return true;
  }
};

TEST(ReadAhead, RunsAreServedFromOneReadPerWindowAndOtherReadsFromTheFile) {
  // Units read in turn (negative: the read fails) and the file reads they cost. The
  // first read of a run is read alone; a window then holds 8 whole units.
  // A file smaller than a window gets a window of its size, filled by one read.
  const std::tuple<std::vector<int>, int, std::size_t> cases[] = {
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 1 + 1 + 1, 100},  // a run through two windows
      {{5, 90, 3}, 3, 100},                      // random reads
      {{0, 1, 2, 1, 2, 3}, 1 + 1 + 1 + 1, 100},  // going back, then on
      {{37, 38, 39, -40, 41, 42}, 1 + 2 + 2 + 2 + 1, 100},  // windows holding the bad unit fail
      {{0, 1, 2, 3, 4}, 1 + 1, 5},               // a file smaller than a window
  };
  for (const auto& [units, fileReads, fileUnits] : cases) {
    CountedFile file(fileUnits);
    vdrive::ReadAhead ahead;
    for (std::size_t i = 0; i < units.size(); ++i) {
      const std::uint64_t at = std::abs(units[i]) * kUnit;
      std::string got(kUnit, '\0');
      // Reads and views in turn.
      const std::uint8_t* view = i % 2 ? ahead.View(file, file.Size(), at, kUnit) : nullptr;
      if (view) std::memcpy(got.data(), view, kUnit);
      const bool ok = i % 2 ? view != nullptr
                            : ahead.Read(file, file.Size(), at, reinterpret_cast<std::uint8_t*>(got.data()), kUnit);
      EXPECT_EQ(ok, units[i] >= 0) << units[i];
      EXPECT_TRUE(!ok || got == file.bytes.substr(at, kUnit)) << units[i];
    }
    EXPECT_EQ(file.reads, fileReads) << ::testing::PrintToString(units);
  }
}

TEST(ReadAhead, ReadsIntoALentRoomLandWhereAskedAndABadPartFailsOnlyItsRead) {
  // Units read in turn (negative: the read fails), each into the next part of a room of
  // three units lent anew after every three, and the file reads they cost. A room is
  // filled by one read; a read that does not continue the one before reads its own.
  const std::tuple<std::vector<int>, int> cases[] = {
      {{0, 1, 2, 3, 4, 5}, 2},                  // two rooms, one read each
      {{0, 1, 1, 2, 3}, 1 + 1 + 1},             // going back reads the file again
      {{38, 39, -40, 41, 42}, 2 + 2 + 1 + 1},   // a fill that touches the bad unit
      {{98, 99}, 1},                            // the room reaches past the file
  };
  for (const auto& [units, fileReads] : cases) {
    CountedFile file;
    vdrive::ReadAhead ahead;
    std::vector<std::uint8_t> buffer(3 * kUnit);
    std::optional<platform::ReadRoomLoan> loan;
    for (std::size_t i = 0; i < units.size(); ++i) {
      if (i % 3 == 0) loan.emplace(buffer.data(), buffer.size());
      std::uint8_t* to = buffer.data() + i % 3 * kUnit;
      const std::uint64_t at = std::abs(units[i]) * kUnit;
      const bool ok = ahead.Read(file, file.Size(), at, to, kUnit, platform::LentReadRoom(to, kUnit));
      EXPECT_EQ(ok, units[i] >= 0) << units[i];
      EXPECT_TRUE(!ok || std::memcmp(to, file.bytes.data() + at, kUnit) == 0) << units[i];
    }
    EXPECT_EQ(file.reads, fileReads) << ::testing::PrintToString(units);
  }
}

TEST(ReadAhead, WholeSectorsConvertFromTheWindowAndABadOneFailsOnlyItsCommand) {
  constexpr std::uint32_t kBlocks = 600, kBad = 300;  // block 300 lies in the second window
  TempDir dir;
  const std::string user = PatternBytes(kBlocks * 2048, 3);
  std::string data(kBlocks * 2352, '\0');
  for (std::uint32_t b = 0; b < kBlocks; ++b)
    MakeMode1Sector(b, reinterpret_cast<const std::uint8_t*>(user.data()) + b * 2048,
                    reinterpret_cast<std::uint8_t*>(data.data()) + b * 2352);
  data[kBad * 2352 + 3] = 0;  // no sync pattern
  std::ofstream(dir / "m1.bin", std::ios::binary) << data;
  std::ofstream(dir / "m1.cue") << "FILE \"m1.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
  auto drive = vdrive::OpenVirtualDrive((dir / "m1.cue").string());
  // A run of 31-block commands, as a copy sends them, then reads that go back.
  std::vector<std::uint32_t> starts = {kBad + 1, 10, kBad};
  for (std::uint32_t lba = 0; lba < kBlocks; lba += 31) starts.insert(starts.end() - 3, lba);
  for (std::uint32_t lba : starts) {
    const std::uint32_t count = std::min<std::uint32_t>(31, kBlocks - lba);
    const DriveAnswer a = Send(*drive, Read10Cdb(lba, static_cast<std::uint16_t>(count)), count * 2048);
    const bool meets = lba <= kBad && kBad < lba + count;
    EXPECT_TRUE(meets ? a.key() == 0x03 && a.asc() == 0x11
                      : a.good() && std::string(a.data.begin(), a.data.end()) == user.substr(lba * 2048, count * 2048))
        << lba;
  }
}

}  // namespace
}  // namespace tarnwick::test
