// Disc summary, medium type and block counts for virtual discs of each kind.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "drive/SCSIDevice.h"
#include "platform/VirtualClock.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"
#include "support/VirtualDriveScope.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick {
namespace {

using test::VirtualDriveScope;

std::shared_ptr<vdrive::VirtualDrive> Disc(const std::string& text) {
  return vdrive::ParseDiscDescription(text, ".", "test.desc");
}

// Operation codes of the commands a drive received from `from` on (READ TOC as 43
// followed by its format).
std::vector<int> Opcodes(const vdrive::VirtualDrive& drive, std::size_t from = 0) {
  std::vector<int> out;
  const auto log = drive.CommandLog();
  for (std::size_t i = from; i < log.size(); ++i)
    out.push_back(log[i][0] == 0x43 ? 0x4300 + (log[i][2] & 0x0F) : log[i][0]);
  return out;
}

constexpr int kTur = 0x00, kCapacity = 0x25, kConfig = 0x46, kDiscInfo = 0x51, kTrack = 0x52, kToc0 = 0x4300,
              kToc1 = 0x4301, kAtip = 0x4304;

class DiscQueries : public ::testing::Test {
 protected:
  platform::VirtualClock clock_;
  platform::ScopedClock scopedClock_{clock_};
  TSCSIDevice dev_;
};

TEST_F(DiscQueries, NoMediumLeavesTheRecordUntouchedAfterOneWait) {
  VirtualDriveScope scope({Disc("medium profile=CD-R absent\ndisc status=empty\n")});
  scope.Attach(dev_, 0);
  const std::size_t before = scope.Drive(0).CommandLog().size();
  TDisc disc;
  disc.Used = 1234;
  disc.MediumName = "kept";
  dev_.GetDiscInfo(disc);
  EXPECT_FALSE(disc.Ready);
  EXPECT_EQ(disc.Used, 1234u);
  EXPECT_EQ(disc.MediumName, "kept");
  // One 5-second sleep, one READ DISC INFORMATION, and no answer.
  EXPECT_EQ(Opcodes(scope.Drive(0), before), (std::vector<int>{kTur, kDiscInfo, kTur}));
  EXPECT_EQ(clock_.Sleeps(), std::vector<std::uint32_t>{5000});

  EXPECT_EQ(dev_.GetMediumType(), 0);
  EXPECT_EQ(dev_.GetLastSession(), 0);
  EXPECT_EQ(dev_.GetUsedBlocks(), 0u);
  EXPECT_EQ(dev_.GetFreeBlocks(), 0u);
}

TEST_F(DiscQueries, PressedCdInAnOldDriveFallsBackToReadCapacity) {
  VirtualDriveScope scope({Disc("drive reject=46,51\nmedium profile=CD-ROM\nsession\ntrack start=0 length=20000\n")});
  scope.Attach(dev_, 0);
  const std::size_t before = scope.Drive(0).CommandLog().size();
  TDisc disc;
  dev_.GetDiscInfo(disc);
  EXPECT_TRUE(disc.Ready);
  EXPECT_EQ(disc.MediumName, "CD-ROM");
  EXPECT_EQ(disc.Used, 19999u);
  EXPECT_EQ(disc.Capacity, 19999u);
  EXPECT_EQ(disc.BlockSize, 2048u);
  EXPECT_EQ(disc.FirstSession, 1);
  EXPECT_EQ(disc.LastSession, 1);
  EXPECT_EQ(disc.Profile, 0);
  EXPECT_EQ(Opcodes(scope.Drive(0), before),
            (std::vector<int>{kTur, kToc0, kToc1, kAtip, kConfig, kDiscInfo, kCapacity, kTrack}));
  EXPECT_EQ(dev_.DiscInfo.Used, disc.Used);

  EXPECT_EQ(dev_.GetMediumType(), 1);
  EXPECT_EQ(dev_.GetUsedBlocks(), 19999u);
  EXPECT_EQ(dev_.GetFreeBlocks(), 0u);
}

TEST_F(DiscQueries, BlankCdRHasNothingUsedAndItsWholeCapacityFree) {
  VirtualDriveScope scope({Disc("medium profile=CD-R\ndisc status=empty capacity=359849\n")});
  scope.Attach(dev_, 0);
  TDisc disc;
  dev_.GetDiscInfo(disc);
  EXPECT_TRUE(disc.Ready);
  EXPECT_EQ(disc.MediumName, "CD-R");
  EXPECT_EQ(disc.Profile, 9);
  EXPECT_EQ(disc.LastSession, 0);
  EXPECT_EQ(disc.DiscStatus, 0);
  EXPECT_FALSE(disc.Erasable);
  EXPECT_EQ(disc.Used, 0u);
  EXPECT_EQ(disc.Capacity, 359849u);

  EXPECT_EQ(dev_.GetMediumType(), 2);
  EXPECT_EQ(dev_.GetUsedBlocks(), 0u);
  EXPECT_EQ(dev_.GetFreeBlocks(), 359849u);
  // The ATIP's lead-out start (79:59:74) counted in frames.
  EXPECT_EQ(dev_.GetDiscBlocks(), 359999u);
}

TEST_F(DiscQueries, DvdPlusRAndDvdPlusRwNamesAndErasability) {
  VirtualDriveScope scope({Disc("medium profile=DVD+R\ndisc status=empty\n"),
                           Disc("medium profile=DVD+RW\nsession\ntrack start=0 length=5000\n")});
  TDisc plusR;
  scope.Attach(dev_, 0);
  dev_.GetDiscInfo(plusR);
  EXPECT_EQ(plusR.MediumName, "DVD+R");
  EXPECT_EQ(plusR.Profile, 27);
  EXPECT_FALSE(plusR.Erasable);
  EXPECT_EQ(dev_.GetMediumType(), 10);
  EXPECT_EQ(std::string(MediumNames[dev_.GetMediumType()]), "DVD+R");

  TDisc plusRw;
  scope.Attach(dev_, 1);
  dev_.GetDiscInfo(plusRw);
  EXPECT_EQ(plusRw.MediumName, "DVD+RW");
  EXPECT_EQ(plusRw.Profile, 26);
  EXPECT_TRUE(plusRw.Erasable);
  EXPECT_EQ(dev_.GetMediumType(), 9);
  // The recorded track of a full DVD+RW is data, not free room.
  EXPECT_EQ(dev_.GetFreeBlocks(), 0u);
}

TEST_F(DiscQueries, AppendableDvdPlusRWithTwoSessionsHasTheRoomAfterItsLastSession) {
  // Track 1 is the closed track of the first session; the room left is in the
  // incomplete track after the last one.
  VirtualDriveScope scope({Disc("medium profile=DVD+R\ndisc status=incomplete next-writable=40960\n"
                                "session\ntrack start=0 length=20000\nsession\ntrack start=20480 length=20000\n")});
  scope.Attach(dev_, 0);
  EXPECT_EQ(dev_.GetMediumType(), 10);
  EXPECT_EQ(dev_.GetLastSession(), 2);
  EXPECT_EQ(dev_.GetUsedBlocks(), 40960u);
  EXPECT_EQ(dev_.GetFreeBlocks(), 2295104u - 40960u);
  EXPECT_EQ(dev_.GetDiscBlocks(), 2295104u);

  // A closed disc has no such track: nothing is free.
  VirtualDriveScope closed({Disc("medium profile=DVD+R\ndisc status=complete\n"
                                 "session\ntrack start=0 length=20000\nsession\ntrack start=20480 length=20000\n")});
  closed.Attach(dev_, 0);
  EXPECT_EQ(dev_.GetFreeBlocks(), 0u);
}

TEST_F(DiscQueries, DriveReadyAfterSomePolls) {
  VirtualDriveScope scope({Disc("drive ready-after=8\nmedium profile=CD-ROM\nsession\ntrack start=0 length=1000\n")});
  scope.Attach(dev_, 0);
  const std::size_t seen = scope.Drive(0).CommandCount();
  ASSERT_LT(seen, 8u);
  const std::size_t notReady = 8 - seen;  // commands still answered "becoming ready"
  const std::size_t before = scope.Drive(0).CommandLog().size();
  // Each round sleeps and asks READ DISC INFORMATION until the drive answers; then
  // TEST UNIT READY confirms.
  EXPECT_TRUE(dev_.WaitUntilReady(60000, 5000));
  EXPECT_EQ(clock_.Sleeps(), std::vector<std::uint32_t>(notReady + 1, 5000));
  std::vector<int> expected(notReady + 1, kDiscInfo);
  expected.push_back(kTur);
  EXPECT_EQ(Opcodes(scope.Drive(0), before), expected);
}

TEST_F(DiscQueries, GetDiscInfoWaitsOnceForADriveBecomingReady) {
  // The first TEST UNIT READY and the READ DISC INFORMATION of the wait meet a drive
  // still becoming ready; the second TEST UNIT READY finds it ready.
  VirtualDriveScope probe({Disc("medium profile=CD-ROM\nsession\ntrack start=0 length=1000\n")});
  const std::size_t scan = probe.Drive(0).CommandCount();
  const std::string readyAfter = std::to_string(scan + 2);
  VirtualDriveScope scope(
      {Disc("drive ready-after=" + readyAfter + "\nmedium profile=CD-ROM\nsession\ntrack start=0 length=1000\n")});
  scope.Attach(dev_, 0);
  TDisc disc;
  dev_.GetDiscInfo(disc);
  EXPECT_TRUE(disc.Ready);
  EXPECT_EQ(disc.MediumName, "CD-ROM");
  EXPECT_EQ(clock_.Sleeps(), std::vector<std::uint32_t>{5000});
}

TEST_F(DiscQueries, QuirkDrivePollsInShortStepsFirst) {
  VirtualDriveScope scope({Disc("drive ready-after=20\nmedium profile=CD-ROM\nsession\ntrack start=0 length=1000\n")});
  scope.Attach(dev_, 0);
  dev_.DvdRwQuirk = true;
  // 3000 ms allow two short polls; then one interval round, and no answer.
  EXPECT_FALSE(dev_.WaitUntilReady(3000, 5000));
  EXPECT_EQ(clock_.Sleeps(), (std::vector<std::uint32_t>{1500, 1500, 1500, 5000}));
}

class MultiSessionCdr : public DiscQueries {
 protected:
  void SetUp() override {
    std::vector<test::SessionContent> sessions(3);
    sessions[0].entries = {{"a.txt", std::string(5000, 'a')}};
    sessions[1].entries = {{"a.txt", std::string(5000, 'a')}, {"b.txt", std::string(70000, 'b')}};
    sessions[2].entries = {{"c/d.txt", std::string(100, 'd')}};
    disc_ = test::MakeMultiSessionCdr(dir_, sessions);
  }
  test::TempDir dir_;
  test::MultiSessionDisc disc_;
};

TEST_F(MultiSessionCdr, SessionsAndBlockCounts) {
  VirtualDriveScope scope({disc_.description.string()});
  scope.Attach(dev_, 0);
  const std::uint32_t nextWritable = disc_.starts[2] + disc_.lengths[2] + 6900;

  TDisc disc;
  dev_.GetDiscInfo(disc);
  EXPECT_TRUE(disc.Ready);
  EXPECT_EQ(disc.FirstSession, 1);
  EXPECT_EQ(disc.LastSession, 3);
  EXPECT_EQ(disc.MediumName, "CD-R");
  EXPECT_EQ(disc.DiscStatus, 1);  // incomplete: more sessions may follow
  EXPECT_EQ(disc.Used, nextWritable);
  EXPECT_EQ(disc.Capacity, 359999u);

  EXPECT_EQ(dev_.GetLastSession(), 3);
  EXPECT_EQ(dev_.GetMediumType(), 2);
  EXPECT_EQ(dev_.GetUsedBlocks(), nextWritable);
  EXPECT_EQ(dev_.GetFreeBlocks(), 359849u - nextWritable);
  EXPECT_EQ(dev_.GetDiscBlocks(), 359999u);
  for (std::uint8_t s = 1; s <= 3; ++s) EXPECT_EQ(dev_.FirstTrackOfSession(s), s);
}

}  // namespace
}  // namespace tarnwick
