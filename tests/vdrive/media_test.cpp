// Other media and drives: a pressed CD-ROM, a blank CD-R, DVD+R/+RW, an old CD-ROM
// drive, and the mode pages.
#include <gtest/gtest.h>

#include "vdrive/DriveTestHelpers.h"

namespace tarnwick::test {
namespace {

using vdrive::ParseDiscDescription;

std::shared_ptr<vdrive::VirtualDrive> Drive(const std::string& text) {
  return ParseDiscDescription(text, ".", "test.disc");
}

TEST(PressedCdRom, IsOneCompleteSessionWithoutWritableSpace) {
  auto drive = Drive(
      "medium profile=CD-ROM\n"
      "session number=1\n"
      "track number=1 type=data start=0 length=1000\n");
  auto info = Send(*drive, DiscInfoCdb(), 56);
  ASSERT_TRUE(info.good());
  EXPECT_EQ(info.data[2], 0x0E);  // complete disc, complete last session
  EXPECT_EQ(info.data[4], 1);
  EXPECT_EQ(info.data[5], 1);
  EXPECT_EQ(info.data[6], 1);
  EXPECT_EQ(GetBE32(&info.data[16]), 0xFFFFFFFFu);

  EXPECT_EQ(Send(*drive, TrackInfoCdb(255), 38).asc(), 0x24);
  EXPECT_EQ(Send(*drive, ReadTocCdb(4, true, 0, 26), 26).asc(), 0x24);  // no ATIP on pressed media

  auto config = Send(*drive, GetConfigCdb(2, 0), 114);
  ASSERT_TRUE(config.good());
  EXPECT_EQ(GetBE16(&config.data[6]), 0x0008);
  EXPECT_EQ(GetBE16(&config.data[8]), 0x0000);  // the profile list, alone
  EXPECT_EQ(config.data.size(), 8u + 4 + 4);
  auto noFeature = Send(*drive, GetConfigCdb(2, 0x2A), 114);
  ASSERT_TRUE(noFeature.good());
  EXPECT_EQ(noFeature.data.size(), 8u);
  EXPECT_EQ(GetBE32(&noFeature.data[0]), 4u);

  auto capacity = Send(*drive, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
  EXPECT_EQ(GetBE32(&capacity.data[0]), 999u);
  auto last = Send(*drive, Read10Cdb(999, 1), 2048);
  ASSERT_TRUE(last.good());
  EXPECT_EQ(last.data, std::vector<std::uint8_t>(2048, 0));  // a track without a file reads zeros
  EXPECT_EQ(Send(*drive, Read10Cdb(1000, 1), 2048).asc(), 0x21);
}

TEST(BlankCdR, HasNoTocAndTrackOneStartsAtZero) {
  auto drive = Drive("medium profile=CD-RW\ndisc status=empty\n");
  for (std::uint8_t format : {0, 1, 2}) {
    auto toc = Send(*drive, ReadTocCdb(format, false, 0, 114), 114);
    EXPECT_FALSE(toc.good());
    EXPECT_EQ(toc.key(), 5);
    EXPECT_EQ(toc.asc(), 0x24);
  }
  for (std::uint8_t t : {1, 255}) {
    auto track = Send(*drive, TrackInfoCdb(t), 38);
    ASSERT_TRUE(track.good());
    EXPECT_EQ(track.data[2], 1);
    EXPECT_EQ(track.data[3], 1);
    EXPECT_EQ(track.data[6] & 0x40, 0x40);
    EXPECT_EQ(GetBE32(&track.data[12]), 0u);
    EXPECT_EQ(GetBE32(&track.data[16]), 359849u);
  }
  auto info = Send(*drive, DiscInfoCdb(), 56);
  ASSERT_TRUE(info.good());
  EXPECT_EQ(info.data[2], 0x10);  // erasable, empty
  EXPECT_EQ(info.data[4], 1);
  EXPECT_EQ(info.data[5], 1);
  auto atip = Send(*drive, ReadTocCdb(4, true, 0, 26), 26);
  ASSERT_TRUE(atip.good());
  EXPECT_EQ(atip.data[6] & 0xC0, 0xC0);  // recordable and rewritable
  EXPECT_EQ(Send(*drive, Read10Cdb(0, 1), 2048).asc(), 0x21);
}

TEST(OneSessionCdR, TheNextSessionStartsAfterLeadOutLeadInAndPreGap) {
  auto drive = Drive("disc status=incomplete\nsession number=1\ntrack start=0 length=57344\n");
  EXPECT_EQ(GetBE16(&Send(*drive, GetConfigCdb(2, 0), 114).data[6]), 0x0009);  // CD-R by default
  auto track = Send(*drive, TrackInfoCdb(2), 38);
  ASSERT_TRUE(track.good());
  EXPECT_EQ(GetBE32(&track.data[12]), 57344u + 11400);
  auto info = Send(*drive, DiscInfoCdb(), 56);
  // The new session's lead-in starts 4650 blocks before its first track.
  EXPECT_EQ(std::vector<std::uint8_t>(info.data.begin() + 17, info.data.begin() + 20), Msf(57344 + 11400 - 4650));
}

TEST(DvdPlusR, AppendsOnSixteenBlockBoundariesAndReportsTheDvdFeatures) {
  auto drive = Drive(
      "medium profile=DVD+R\ndisc status=incomplete\n"
      "session number=1\ntrack start=0 length=1001\n");
  auto track = Send(*drive, TrackInfoCdb(255), 38);
  ASSERT_TRUE(track.good());
  EXPECT_EQ(track.data[2], 2);
  EXPECT_EQ(GetBE32(&track.data[12]), 1008u);
  EXPECT_EQ(GetBE32(&track.data[16]), 2295104u - 1008);
  EXPECT_EQ(Send(*drive, ReadTocCdb(4, true, 0, 26), 26).asc(), 0x24);

  auto config = Send(*drive, GetConfigCdb(2, 0), 114);
  EXPECT_EQ(GetBE16(&config.data[6]), 0x001B);
  auto plusRw = Send(*drive, GetConfigCdb(2, 0x2A), 114);
  ASSERT_EQ(plusRw.data.size(), 16u);
  EXPECT_EQ(GetBE16(&plusRw.data[8]), 0x002A);
  EXPECT_EQ(plusRw.data[10] & 0x01, 0);  // not current: the medium is DVD+R
  EXPECT_EQ(plusRw.data[12], 0x01);      // the drive writes DVD+RW
  auto dashR = Send(*drive, GetConfigCdb(2, 0x2F), 114);
  ASSERT_EQ(dashR.data.size(), 16u);
  EXPECT_EQ(GetBE16(&dashR.data[8]), 0x002F);

  auto rw = Drive("medium profile=DVD+RW\nsession number=1\ntrack start=0 length=100\n");
  auto current = Send(*rw, GetConfigCdb(2, 0x2A), 114);
  EXPECT_EQ(current.data[10] & 0x01, 1);
  EXPECT_EQ(Send(*rw, DiscInfoCdb(), 56).data[2] & 0x10, 0x10);  // erasable
}

TEST(OldCdRomDrive, RejectsTheCommandsItDoesNotKnowEvenWithoutAMedium) {
  const std::string description =
      "drive vendor=OLDCD product=\"CD-ROM 24X\" revision=0.9 type=5 pages=2a\n"
      "drive reject=51\n"
      "fault command=46 sense=05/20/00\n"
      "session number=1\ntrack start=0 length=500\n";
  for (const std::string& medium : {std::string(), std::string("medium absent\n")}) {
    auto drive = Drive(description + medium);
    for (std::uint8_t opcode : {0x46, 0x51}) {
      auto a = Send(*drive, {opcode, 0, 0, 0, 0, 0, 0, 0, 56, 0}, 56);
      EXPECT_FALSE(a.good());
      EXPECT_EQ(a.key(), 5);
      EXPECT_EQ(a.asc(), 0x20);
      EXPECT_EQ(a.ascq(), 0);
    }
  }
  auto drive = Drive(description);
  EXPECT_TRUE(Send(*drive, ReadTocCdb(0, false, 0, 114), 114).good());
  EXPECT_EQ(Send(*drive, ModeSenseCdb(0x05, 512), 512).asc(), 0x24);  // no write parameters page
  auto inquiry = Send(*drive, {0x12, 0, 0, 0, 0x80, 0}, 128);
  ASSERT_TRUE(inquiry.good());
  EXPECT_EQ(std::string(inquiry.data.begin() + 8, inquiry.data.begin() + 36), "OLDCD   CD-ROM 24X      0.9 ");
}

TEST(ModePages, CurrentDefaultChangeableAndStoredWriteParameters) {
  auto drive = Drive("session number=1\ntrack start=0 length=10\n");
  auto caps = Send(*drive, ModeSenseCdb(0x2A, 128), 128);
  ASSERT_TRUE(caps.good());
  EXPECT_EQ(GetBE16(&caps.data[0]) + 2u, caps.data.size());
  EXPECT_EQ(GetBE16(&caps.data[6]), 0);  // no block descriptors
  EXPECT_EQ(caps.data[8], 0x2A);
  EXPECT_EQ(caps.data[9] + 2u, caps.data.size() - 8);
  auto defaults = Send(*drive, ModeSenseCdb(0x80 | 0x2A, 128), 128);
  EXPECT_EQ(defaults.data, caps.data);
  EXPECT_EQ(Send(*drive, ModeSenseCdb(0x30, 128), 128).asc(), 0x24);
  EXPECT_EQ(Send(*drive, ModeSenseCdb(0xC0 | 0x05, 128), 128).asc(), 0x39);

  // MODE SELECT stores page 05h; the default values stay as they were.
  auto page = Send(*drive, ModeSenseCdb(0x05, 512), 512);
  ASSERT_TRUE(page.good());
  std::vector<std::uint8_t> list(8, 0);
  list.insert(list.end(), page.data.begin() + 8, page.data.end());
  ASSERT_EQ(list.size(), 60u);
  list[8 + 2] = 0x02;  // session at once
  list[8 + 3] = 0xC4;  // next session allowed, data track
  EXPECT_TRUE(SendOut(*drive, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, list).good());
  auto stored = Send(*drive, ModeSenseCdb(0x05, 512), 512);
  EXPECT_EQ(stored.data[8 + 2], 0x02);
  EXPECT_EQ(stored.data[8 + 3], 0xC4);
  EXPECT_EQ(Send(*drive, ModeSenseCdb(0x80 | 0x05, 512), 512).data[8 + 2], 0x01);

  list[8 + 2] = 0x07;  // no such write type
  auto bad = SendOut(*drive, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, list);
  EXPECT_EQ(bad.key(), 5);
  EXPECT_EQ(bad.asc(), 0x26);
  list[8 + 1] = 0x40;  // a page length the drive does not have
  EXPECT_EQ(SendOut(*drive, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, list).asc(), 0x26);
  EXPECT_EQ(Send(*drive, ModeSenseCdb(0x05, 512), 512).data[8 + 2], 0x02);  // unchanged by failures
}

TEST(ModePages, ConfiguredPagesAndQuirks) {
  auto drive = Drive(
      "drive page30=\"30 02 12 34\" quirks=reject-default-pages write-types=1\n"
      "session number=1\ntrack start=0 length=10\n");
  auto vendor = Send(*drive, ModeSenseCdb(0x30, 128), 128);
  ASSERT_TRUE(vendor.good());
  EXPECT_EQ(std::vector<std::uint8_t>(vendor.data.begin() + 8, vendor.data.end()),
            (std::vector<std::uint8_t>{0x30, 0x02, 0x12, 0x34}));
  auto defaults = Send(*drive, ModeSenseCdb(0x80 | 0x2A, 128), 128);
  EXPECT_EQ(defaults.key(), 5);
  EXPECT_EQ(defaults.asc(), 0x24);
  // Only track at once is accepted.
  std::vector<std::uint8_t> list(8, 0);
  auto page = Send(*drive, ModeSenseCdb(0x05, 512), 512);
  list.insert(list.end(), page.data.begin() + 8, page.data.end());
  list[8 + 2] = 0x03;
  EXPECT_EQ(SendOut(*drive, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, list).asc(), 0x26);
  list[8 + 2] = 0x01;
  EXPECT_TRUE(SendOut(*drive, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, list).good());
}

}  // namespace
}  // namespace tarnwick::test
