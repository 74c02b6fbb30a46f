// Reading ahead for read commands: runs of reads cost one file read per window, any
// other read one of its own; a bad part of the file fails only the reads that touch
// it; a drive serves every image layout and every fault as without the window.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "DriveTestHelpers.h"
#include "support/CdSector.h"
#include "support/DiscImages.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "vdrive/ReadAhead.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using vdrive::ReadAhead;

constexpr std::size_t kUnit = 31 * 2048;

// A file in memory that counts its reads and cannot read the bytes from `badAt` on
// (`badLength` of them).
class CountedFile : public platform::ReadOnlyFile {
 public:
  CountedFile(std::string bytes, std::uint64_t badAt, std::uint64_t badLength)
      : bytes_(std::move(bytes)), badAt_(badAt), badEnd_(badAt + badLength) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const override {
    ++reads;
    if (offset + length > bytes_.size() || (offset < badEnd_ && badAt_ < offset + length)) return false;
    std::memcpy(destination, bytes_.data() + offset, length);
    return true;
  }
  mutable int reads = 0;

 private:
  std::string bytes_;
  std::uint64_t badAt_, badEnd_;
};

TEST(ReadAhead, RunsAreServedFromOneReadPerWindowAndOtherReadsFromTheFile) {
  struct Step {
    std::uint64_t offset;
    std::size_t length;
    bool ok = true;
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    int fileReads;
    std::uint64_t badAt = UINT64_MAX;
  };
  auto run = [](std::uint64_t from, int units) {
    std::vector<Step> steps;
    for (int i = 0; i < units; ++i) steps.push_back({from + i * kUnit, kUnit});
    return steps;
  };
  auto join = [](std::vector<Step> a, const std::vector<Step>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  // The first read of a run is read alone; each window then holds 8 whole units.
  const Case cases[] = {
      {"a run of 20 units", run(0, 20), 1 + 3},
      {"random reads", {{5 * 2048, 2048}, {100 * 2048, kUnit}, {3 * 2048, 2048}, {50 * 2048, 4096}}, 4},
      {"going back reads the file again, and so does the run after it",
       join(join(run(0, 3), {{kUnit, kUnit}}), run(2 * kUnit, 2)), 1 + 1 + 1 + 1},
      {"a read longer than the window", {{0, 2048}, {2048, ReadAhead::kWindow + 2048}, {ReadAhead::kWindow + 4096, 2048}},
       3},
      {"a bad unit inside the window fails only itself",
       join(join(run(0, 4), {{4 * kUnit, kUnit, false}}), run(5 * kUnit, 3)), 1 + 2 * 3 + 2 + 1, 4 * kUnit + 100},
      // A window cannot start at the end: the read past it is made alone, and fails.
      {"the end of the file", {{0, 2048}, {2048, 2048}, {3 * 1024 * 1024 - 2048, 2048}, {3 * 1024 * 1024, 2048, false}},
       4},
  };
  const std::string bytes = PatternBytes(3 * 1024 * 1024, 5);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CountedFile file(bytes, c.badAt, 1);
    ReadAhead ahead;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      SCOPED_TRACE(i);
      std::string got(s.length, '\0');
      // Reads and views alike; a view's bytes are compared before the next call.
      const bool ok = i % 2 == 0 ? ahead.Read(file, bytes.size(), s.offset, reinterpret_cast<std::uint8_t*>(got.data()), s.length)
                                 : [&] {
                                     const std::uint8_t* v = ahead.View(file, bytes.size(), s.offset, s.length);
                                     if (v) std::memcpy(got.data(), v, s.length);
                                     return v != nullptr;
                                   }();
      ASSERT_EQ(ok, s.ok);
      if (ok) {
        EXPECT_TRUE(got == bytes.substr(s.offset, s.length));
      }
    }
    EXPECT_EQ(file.reads, c.fileReads);
  }
}

// A one-track image of `blocks` blocks holding `user`: whole mode 1 sectors behind a
// CUE sheet, the sector of block `damaged` without its sync pattern.
fs::path Mode1CueImage(const TempDir& dir, const std::string& user, std::uint32_t blocks, std::uint32_t damaged) {
  std::string data(std::size_t{blocks} * 2352, '\0');
  for (std::uint32_t b = 0; b < blocks; ++b)
    MakeMode1Sector(b, reinterpret_cast<const std::uint8_t*>(user.data()) + b * 2048,
                    reinterpret_cast<std::uint8_t*>(data.data()) + b * 2352);
  data[std::size_t{damaged} * 2352 + 3] = 0;
  std::ofstream(dir / "m1.bin", std::ios::binary) << data;
  std::ofstream(dir / "m1.cue") << "FILE \"m1.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
  return dir / "m1.cue";
}

TEST(ReadAhead, DrivesServeRunsOfEveryLayoutAndFailOnlyTheCommandThatMeetsAFault) {
  constexpr std::uint32_t kBlocks = 600;  // windows of every layout end inside it
  constexpr std::uint32_t kBad = 300;     // inside the second window of every layout
  TempDir dir;
  const std::string user = PatternBytes(kBlocks * 2048, 3);
  std::ofstream(dir / "data.iso", std::ios::binary) << user;
  std::ofstream(dir / "plain.disc") << "image file=data.iso\nsession number=1\ntrack start=0 length=" << kBlocks
                                    << "\nfault read start=" << kBad << " count=1\n";
  std::ofstream(dir / "clean.disc") << "medium profile=CD-ROM\nsession number=1\ntrack number=1 type=data start=0 length="
                                    << kBlocks << " file=" << (dir / "data.iso").string() << "\n";
  fs::create_directory(dir / "sub");
  struct Case {
    const char* what;
    fs::path image;
    bool fault;  // block kBad cannot be read
  };
  const Case cases[] = {
      {"2048-byte blocks with a fault", dir / "plain.disc", true},
      {"2352-byte sectors, one without sync", Mode1CueImage(dir, user, kBlocks, kBad), true},
      {"2448-byte sectors", WriteDiscImage(dir / "clean.disc", ImageFormat::NeroDaoSub, dir / "sub"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto drive = vdrive::OpenVirtualDrive(c.image.string());
    // A run of 31-block commands, as a copy sends them, then reads that go back.
    std::vector<std::uint32_t> starts;
    for (std::uint32_t lba = 0; lba < kBlocks; lba += 31) starts.push_back(lba);
    for (std::uint32_t lba : {kBad + 1, 10u, kBad, 0u}) starts.push_back(lba);
    for (std::uint32_t lba : starts) {
      SCOPED_TRACE(lba);
      const std::uint32_t count = std::min<std::uint32_t>(31, kBlocks - lba);
      const DriveAnswer a = Send(*drive, Read10Cdb(lba, static_cast<std::uint16_t>(count)), count * 2048);
      if (c.fault && lba <= kBad && kBad < lba + count) {
        EXPECT_EQ(a.key(), 0x03);
        EXPECT_EQ(a.asc(), 0x11);
        continue;
      }
      ASSERT_TRUE(a.good());
      EXPECT_TRUE(std::string(a.data.begin(), a.data.end()) == user.substr(std::size_t{lba} * 2048, count * 2048));
    }
  }
}

}  // namespace
}  // namespace tarnwick::test
