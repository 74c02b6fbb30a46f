// The first track of a session on a disc whose first session holds two audio tracks
// and whose second session holds the data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/FullToc.h"
#include "drive/SCSIDevice.h"
#include "platform/VirtualClock.h"
#include "support/VirtualDriveScope.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick {
namespace {

using test::VirtualDriveScope;

std::string EnhancedCd(const std::string& driveLine) {
  return driveLine +
         "\nmedium profile=CD-ROM\n"
         "session\n"
         "track type=audio start=0 length=20000\n"
         "track type=audio start=20000 length=15000\n"
         "session\n"
         "track type=data start=46400 length=3000\n";
}

class FirstTrack : public ::testing::Test {
 protected:
  std::vector<std::vector<std::uint8_t>> CommandsFor(const std::string& driveLine, std::uint8_t session,
                                                     std::uint8_t& track) {
    VirtualDriveScope scope({vdrive::ParseDiscDescription(EnhancedCd(driveLine), ".", "enhanced.desc")});
    scope.Attach(dev_, 0);
    scope.Drive(0).ClearLog();
    track = dev_.FirstTrackOfSession(session);
    return scope.Drive(0).CommandLog();
  }

  platform::VirtualClock clock_;
  platform::ScopedClock scopedClock_{clock_};
  TSCSIDevice dev_;
};

TEST_F(FirstTrack, FromTheFullToc) {
  std::uint8_t track = 0;
  const auto log = CommandsFor("", 2, track);
  EXPECT_EQ(track, 3);
  ASSERT_EQ(log.size(), 1u);
  // Full TOC with MSF from session 2, both bytes of the allocation length given.
  const std::vector<std::uint8_t> cdb = {0x43, 0x02, 0x02, 0, 0, 0, 2, kFullTocAllocation >> 8,
                                         kFullTocAllocation & 0xFF, 0};
  EXPECT_EQ(log[0], cdb);

  CommandsFor("", 1, track);
  EXPECT_EQ(track, 1);
}

TEST_F(FirstTrack, FromTrackInformationWhenTheDriveRejectsTheFullToc) {
  std::uint8_t track = 0;
  const auto log = CommandsFor("drive reject=43", 2, track);
  EXPECT_EQ(track, 3);
  // READ TOC, then READ TRACK INFORMATION for tracks 1, 2 and 3.
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0][0], 0x43);
  for (std::uint8_t t = 1; t <= 3; ++t) {
    EXPECT_EQ(log[t][0], 0x52);
    EXPECT_EQ(log[t][5], t);
  }
}

TEST_F(FirstTrack, WalkStopsAtTheFirstFailureAndTakesTheSessionNumber) {
  std::uint8_t track = 0;
  // A session beyond the disc: the walk ends when track 4 is not answered.
  auto log = CommandsFor("drive reject=43", 5, track);
  EXPECT_EQ(track, 5);
  EXPECT_EQ(log.size(), 5u);
  // Neither query answered: session s starts at track s.
  log = CommandsFor("drive reject=43,52", 2, track);
  EXPECT_EQ(track, 2);
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(FirstTrack, SessionZeroAsksNothing) {
  std::uint8_t track = 9;
  const auto log = CommandsFor("", 0, track);
  EXPECT_EQ(track, 0);
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace tarnwick
