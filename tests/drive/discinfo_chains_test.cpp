// The disc-level fallback chains on answers only a scripted drive gives.
#include <gtest/gtest.h>

#include <algorithm>

#include "discinfo_scripted.h"
#include "drive/SCSIDevice.h"
#include "platform/VirtualClock.h"

namespace tarnwick {
namespace {

using test::Reply;
using test::ScriptedDrive;

constexpr int kTur = 0x00, kSense = 0x03, kCapacity = 0x25, kFormatCap = 0x23, kConfig = 0x46, kDiscInfo = 0x51,
              kTrack = 0x52, kToc0 = 0x4300, kToc1 = 0x4301, kAtip = 0x4304;

class DiscChains : public ::testing::Test {
 protected:
  platform::VirtualClock clock_;
  platform::ScopedClock scopedClock_{clock_};
  TSCSIDevice dev_;
};

TEST_F(DiscChains, UnknownProfileIsNamedQuestionMarksAndTheMediumTypeFallsToAtip) {
  ScriptedDrive drive([](const std::vector<std::uint8_t>& c) -> std::optional<Reply> {
    switch (c[0]) {
      case 0x00: return Reply{};
      case 0x46: return Reply::Data(test::ConfigAnswer(7));
      case 0x43:
        if ((c[2] & 0x0F) == 4) return Reply::Data(test::AtipAnswer(0xC0, 79, 59, 74));  // rewritable
        return std::nullopt;
      default: return std::nullopt;
    }
  });
  drive.Attach(dev_);
  TDisc disc;
  dev_.GetDiscInfo(disc);
  EXPECT_TRUE(disc.Ready);
  EXPECT_EQ(disc.MediumName, "???????");
  EXPECT_EQ(disc.Profile, 7);
  EXPECT_FALSE(disc.Erasable);

  drive.ClearLog();
  EXPECT_EQ(dev_.GetMediumType(), 3);  // CD-RW from the ATIP
  EXPECT_EQ(drive.Opcodes(), (std::vector<int>{kConfig, kAtip, kDiscInfo}));
}

TEST_F(DiscChains, ReadCapacityAbove7F000000IsNotTrusted) {
  bool formatAnswers = true;
  std::uint32_t capacity = 0x80000000u;
  ScriptedDrive drive([&](const std::vector<std::uint8_t>& c) -> std::optional<Reply> {
    if (c[0] == 0x25) return Reply::Data(test::CapacityAnswer(capacity));
    if (c[0] == 0x23 && formatAnswers) return Reply::Data(test::FormatCapacitiesAnswer(2295104));
    return std::nullopt;
  });
  drive.Attach(dev_);
  EXPECT_EQ(dev_.GetUsedBlocks(), 2295104u);
  formatAnswers = false;
  EXPECT_EQ(dev_.GetUsedBlocks(), 0u);
  capacity = 0x7F000000u;  // the largest answer still taken
  EXPECT_EQ(dev_.GetUsedBlocks(), 0x7F000000u);
}

TEST_F(DiscChains, UsedBlocksLastResortIsWhereTheTrackEndsNotItsFreeCount) {
  // READ CAPACITY fails; the track after the last session is recorded, no next
  // writable address: the blocks in use end with it.
  ScriptedDrive drive([](const std::vector<std::uint8_t>& c) -> std::optional<Reply> {
    if (c[0] == 0x43 && (c[2] & 0x0F) == 1) return Reply::Data({0, 10, 1, 1});
    if (c[0] == 0x52 && c[5] == 2) {
      test::TrackFields f;
      f.start = 30000;
      f.size = 500;
      f.free = 7777;
      return Reply::Data(test::TrackAnswer(2, f));
    }
    return std::nullopt;
  });
  drive.Attach(dev_);
  EXPECT_EQ(dev_.GetUsedBlocks(), 30500u);
  EXPECT_EQ(drive.Opcodes(), (std::vector<int>{kToc1, kTrack, kCapacity, kToc1, kTrack}));
}

TEST_F(DiscChains, DiscBlocksFromAtipAndASmallLeadOutReplacedByReadCapacity) {
  std::uint8_t minutes = 10, seconds = 0;
  ScriptedDrive drive([&](const std::vector<std::uint8_t>& c) -> std::optional<Reply> {
    if (c[0] == 0x43 && (c[2] & 0x0F) == 4) return Reply::Data(test::AtipAnswer(0x80, minutes, seconds, 0));
    if (c[0] == 0x25) return Reply::Data(test::CapacityAnswer(5000));
    return std::nullopt;
  });
  drive.Attach(dev_);
  EXPECT_EQ(dev_.GetDiscBlocks(), 45000u);
  for (const auto& c : drive.Log()) EXPECT_NE(c[0], 0x25) << "READ CAPACITY asked for a large lead-out";

  minutes = 0;
  seconds = 4;
  EXPECT_EQ(dev_.GetDiscBlocks(), 5000u);
}

TEST_F(DiscChains, FreeBlocksCountTheTrackSizeOnlyOfABlankTrack) {
  bool blank = false;
  ScriptedDrive drive([&](const std::vector<std::uint8_t>& c) -> std::optional<Reply> {
    if (c[0] == 0x46) return Reply::Data(test::ConfigAnswer(blank ? 27 : 16));
    if (c[0] == 0x52 && c[5] == 1) {
      test::TrackFields f;
      f.blank = blank;
      f.size = blank ? 2295104 : 1000000;
      f.free = blank ? 2295000 : 0;
      return Reply::Data(test::TrackAnswer(1, f));
    }
    return std::nullopt;
  });
  drive.Attach(dev_);
  // A pressed DVD: its one track is data, nothing is free.
  EXPECT_EQ(dev_.GetFreeBlocks(), 0u);
  // A blank DVD+R: the empty track's size is the room left.
  blank = true;
  EXPECT_EQ(dev_.GetFreeBlocks(), 2295104u);
}

TEST_F(DiscChains, WaitUntilReadyWhenRequestSenseFailsEndsReady) {
  // Not ready only for READ DISC INFORMATION; TEST UNIT READY fails with another
  // code and REQUEST SENSE fails: the cleared sense buffer reads as ready.
  ScriptedDrive drive([](const std::vector<std::uint8_t>& c) -> std::optional<Reply> {
    if (c[0] == 0x51) return Reply::Fail(0x02, 0x3A);
    if (c[0] == 0x00) return Reply::Fail(0x06, 0x28);
    return std::nullopt;
  });
  drive.Attach(dev_);
  EXPECT_TRUE(dev_.WaitUntilReady(30000, 5000));
  EXPECT_EQ(drive.Opcodes(), (std::vector<int>{kDiscInfo, kTur, kTur, kSense}));
  EXPECT_EQ(clock_.Sleeps(), (std::vector<std::uint32_t>{5000, 5000}));
}

TEST_F(DiscChains, WaitUntilReadyWithAZeroIntervalStillEnds) {
  ScriptedDrive drive([](const std::vector<std::uint8_t>&) -> std::optional<Reply> { return Reply::Fail(0x02, 0x04, 0x01); });
  drive.Attach(dev_);
  EXPECT_FALSE(dev_.WaitUntilReady(20, 0));
  EXPECT_LE(drive.Log().size(), 21u);
}

TEST_F(DiscChains, WaitUntilReadyQuirkStagePollsInShortSteps) {
  int polls = 0;
  ScriptedDrive drive([&](const std::vector<std::uint8_t>& c) -> std::optional<Reply> {
    if (c[0] == 0x00 && ++polls < 3) return Reply::Fail(0x02, 0x04, 0x01);
    return Reply{};
  });
  drive.Attach(dev_);
  dev_.DvdRwQuirk = true;
  // Three short polls (the third finds the drive ready), then one round of READ DISC
  // INFORMATION and the TEST UNIT READY that answers.
  EXPECT_TRUE(dev_.WaitUntilReady(20000, 5000));
  EXPECT_EQ(clock_.Sleeps(), (std::vector<std::uint32_t>{1500, 1500, 1500, 5000}));
  EXPECT_EQ(drive.Opcodes(), (std::vector<int>{kTur, kTur, kTur, kDiscInfo, kTur}));

  // With a budget that runs out in the quirk stage the answer is False after one
  // more interval's sleep.
  clock_.ClearRecords();
  polls = -100;
  EXPECT_FALSE(dev_.WaitUntilReady(2000, 5000));
  EXPECT_EQ(clock_.Sleeps(), (std::vector<std::uint32_t>{1500, 1500, 5000}));
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// A READ TOC format 0 answer with one descriptor: the track and its start, in LBA or
// MSF form.
std::vector<std::uint8_t> TocAnswer(std::uint8_t track, std::uint32_t lba, bool msf) {
  std::vector<std::uint8_t> a(12, 0);
  PutBE16(a.data(), 10);
  a[2] = a[3] = 1;
  a[6] = track;
  if (msf) {
    const std::uint32_t frames = lba + 150;
    a[9] = static_cast<std::uint8_t>(frames / 4500);
    a[10] = static_cast<std::uint8_t>(frames / 75 % 60);
    a[11] = static_cast<std::uint8_t>(frames % 75);
  } else {
    PutBE32(a.data() + 8, lba);
  }
  return a;
}

std::vector<std::uint8_t> TrackAnswer(std::uint8_t track, std::uint32_t start) {
  std::vector<std::uint8_t> a(38, 0);
  PutBE16(a.data(), 36);
  a[2] = track;
  PutBE32(a.data() + 8, start);
  return a;
}

TEST_F(DiscChains, TrackStartsComeFromTheLbaTocThenTrackInformationThenTheMsfToc) {
  struct Case {
    const char* name;
    std::uint8_t track;
    std::optional<std::uint32_t> lbaToc;  // what each form answers; none: refused
    std::optional<std::uint32_t> trackInfo;
    std::optional<std::uint32_t> msfToc;
    std::uint8_t answeredTrack;           // the track the TOC descriptor names
    std::optional<std::uint32_t> start;
    std::vector<int> opcodes;
  };
  constexpr int kToc0Msf = 0x4400;  // READ TOC format 0 with the MSF bit
  const std::vector<Case> cases = {
      {"PastWhatMsfHolds", 2, 1200000, 5, 5, 2, 1200000, {kToc0}},
      {"TrackInformation", 2, std::nullopt, 1200000, 5, 2, 1200000, {kToc0, kTrack}},
      {"DescriptorOfAnotherTrack", 2, 7, 1200000, 5, 1, 1200000, {kToc0, kTrack}},
      {"MsfLastOfAll", 2, std::nullopt, std::nullopt, 44850, 2, 44850, {kToc0, kTrack, kToc0Msf}},
      {"LeadOutAsksNoTrackInformation", 0xAA, std::nullopt, 9, 300000, 0xAA, 300000, {kToc0, kToc0Msf}},
      {"NothingAnswers", 3, std::nullopt, std::nullopt, std::nullopt, 3, std::nullopt, {kToc0, kTrack, kToc0Msf}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDrive drive([&](const std::vector<std::uint8_t>& cdb) -> std::optional<Reply> {
      if (cdb[0] == 0x52 && c.trackInfo) return Reply::Data(TrackAnswer(cdb[5], *c.trackInfo));
      if (cdb[0] != 0x43 || (cdb[2] & 0x0F) != 0) return std::nullopt;
      const bool msf = (cdb[1] & 0x02) != 0;
      const std::optional<std::uint32_t> answer = msf ? c.msfToc : c.lbaToc;
      if (!answer) return std::nullopt;
      return Reply::Data(TocAnswer(c.answeredTrack, *answer, msf));
    });
    drive.Attach(dev_);
    EXPECT_EQ(dev_.TrackStartLba(c.track), c.start);
    std::vector<int> opcodes;
    for (const auto& cdb : drive.Log())
      opcodes.push_back(cdb[0] != 0x43 ? cdb[0] : (cdb[1] & 0x02) ? kToc0Msf : 0x4300 + (cdb[2] & 0x0F));
    EXPECT_EQ(opcodes, c.opcodes);
  }
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

TEST_F(DiscChains, TheMediumIsNamedByItsProfileAndItsLayersWhereTheProfileLeavesThemOpen) {
  constexpr int kStructure = 0xAD;
  // A Blu-ray disc's answer: the header's data length, then the first unit's head.
  const auto bdAnswer = [](std::uint16_t length, char id, std::uint8_t layerByte) {
    std::vector<std::uint8_t> a(17, 0);
    a[0] = static_cast<std::uint8_t>(length >> 8);
    a[1] = static_cast<std::uint8_t>(length);
    a[4] = static_cast<std::uint8_t>(id);
    a[5] = 'I';
    a[16] = layerByte;
    return a;
  };
  struct Case {
    const char* name;
    std::optional<std::uint16_t> profile;  // none: GET CONFIGURATION refused
    std::optional<std::uint8_t> layerByte; // none: READ DISC STRUCTURE of a DVD refused
    std::optional<std::vector<std::uint8_t>> bd;  // none: READ DISC STRUCTURE of a BD refused
    std::uint8_t index, layers;
    const char* medium;
    std::vector<int> opcodes;
  };
  const std::vector<Case> cases = {
      {"DvdRomOneLayer", 0x10, 0x01, {}, 4, 1, "DVD-ROM", {kConfig, kStructure}},
      {"DvdRomTwoLayers", 0x10, 0x21, {}, 4, 2, "DVD-ROM DL", {kConfig, kStructure}},
      {"DvdRomStructureRefused", 0x10, std::nullopt, {}, 4, 0, "DVD-ROM", {kConfig, kStructure}},
      {"HdDvdRomTwoLayers", 0x50, 0x21, {}, 0, 2, "HD DVD-ROM DL", {kConfig, kStructure}},
      // The disc information (erasable bit clear) once made a CD-R of these.
      {"DvdPlusRDualLayer", 0x2B, 0x21, {}, 0, 0, "DVD+R DL", {kConfig}},
      {"BluRayQuadLayer", 0x41, 0x21, bdAnswer(4098, 'D', 0x42), 0, 4, "BD-R SRM QL", {kConfig, kStructure}},
      {"BluRayHeaderOnly", 0x43, 0x21, bdAnswer(2, 'D', 0x24), 0, 0, "BD-RE", {kConfig, kStructure}},
      {"BluRayShortOfTheLayerByte", 0x43, 0x21, bdAnswer(14, 'D', 0x24), 0, 0, "BD-RE", {kConfig, kStructure}},
      {"BluRayNotADiscInformationUnit", 0x40, 0x21, bdAnswer(4098, 'E', 0x21), 0, 0, "BD-ROM", {kConfig, kStructure}},
      {"BluRayNoLayers", 0x40, 0x21, bdAnswer(4098, 'D', 0x01), 0, 0, "BD-ROM", {kConfig, kStructure}},
      {"BluRayFiveLayers", 0x40, 0x21, bdAnswer(4098, 'D', 0x51), 0, 0, "BD-ROM", {kConfig, kStructure}},
      {"BluRayStructureRefused", 0x42, 0x21, std::nullopt, 0, 0, "BD-R RRM", {kConfig, kStructure}},
      // No profile: the ATIP and the disc information of a CD, as before.
      {"NoConfiguration", std::nullopt, 0x21, {}, 2, 0, "CD-R", {kConfig, kAtip, kDiscInfo}},
      {"UnknownProfile", 0x44, 0x21, {}, 2, 0, "CD-R", {kConfig, kAtip, kDiscInfo}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDrive drive([&](const std::vector<std::uint8_t>& cdb) -> std::optional<Reply> {
      if (cdb[0] == kConfig && c.profile) return Reply::Data(test::ConfigAnswer(*c.profile));
      if (cdb[0] == kStructure && c.layerByte && cdb[1] == 0 && cdb[7] == 0 && cdb[8] == 0x08 && cdb[9] == 0x04)
        return Reply::Data(std::vector<std::uint8_t>{0x08, 0x02, 0, 0, 0, 0x0F, *c.layerByte});
      if (cdb[0] == kStructure && c.bd && cdb[1] == 1 && cdb[7] == 0 && cdb[8] == 0x10 && cdb[9] == 0x04)
        return Reply::Data(*c.bd);
      if (cdb[0] == kDiscInfo) return Reply::Data(std::vector<std::uint8_t>{0, 32, 0x0E, 1, 1, 1, 1});
      return std::nullopt;
    });
    drive.Attach(dev_);
    const TSCSIDevice::TMedium m = dev_.GetMedium();
    EXPECT_EQ(m.Name, c.medium);
    EXPECT_EQ(m.Index, c.index);
    EXPECT_EQ(m.Layers, c.layers);
    EXPECT_EQ(m.Profile, c.profile.value_or(0));
    EXPECT_EQ(drive.Opcodes(), c.opcodes);
  }
}

TEST_F(DiscChains, TheFreeRoomOfADualLayerDvdIsAskedOfTrackOneNotOfACdsInvisibleTrack) {
  ScriptedDrive drive([](const std::vector<std::uint8_t>& c) -> std::optional<Reply> {
    return c[0] == kConfig ? std::optional<Reply>(Reply::Data(test::ConfigAnswer(0x2B))) : std::nullopt;
  });
  drive.Attach(dev_);
  dev_.GetFreeBlocks();
  const auto firstTrack = std::find_if(drive.Log().begin(), drive.Log().end(), [](auto& c) { return c[0] == kTrack; });
  ASSERT_NE(firstTrack, drive.Log().end());
  EXPECT_EQ((*firstTrack)[5], 1);
}

}  // namespace
}  // namespace tarnwick
