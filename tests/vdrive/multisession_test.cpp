// A three-session CD-R mastered with -C/-M, answered field by field.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "support/IsoMaker.h"
#include "vdrive/DriveTestHelpers.h"

namespace tarnwick::test {
namespace {

using vdrive::VirtualDrive;

class MultiSessionCdr : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    std::vector<SessionContent> sessions(3);
    sessions[0].entries = {{"a.txt", std::string(5000, 'a')}, {"docs/readme.txt", "first session\n"}};
    sessions[1].entries = {{"b.txt", "second session file\n"}};
    sessions[2].entries = {{"c.txt", "third\n"}};
    for (auto& s : sessions) s.options.rockRidge = true;
    disc_ = std::make_unique<MultiSessionDisc>(MakeMultiSessionCdr(*dir_, sessions));
  }
  static void TearDownTestSuite() {
    disc_.reset();
    dir_.reset();
  }
  void SetUp() override { drive_ = vdrive::OpenVirtualDrive(disc_->description.string()); }

  std::uint32_t start(int s) const { return disc_->starts[s - 1]; }
  std::uint32_t end(int s) const { return disc_->starts[s - 1] + disc_->lengths[s - 1]; }

  static std::unique_ptr<TempDir> dir_;
  static std::unique_ptr<MultiSessionDisc> disc_;
  std::shared_ptr<VirtualDrive> drive_;
};

std::unique_ptr<TempDir> MultiSessionCdr::dir_;
std::unique_ptr<MultiSessionDisc> MultiSessionCdr::disc_;

TEST_F(MultiSessionCdr, SessionsArePlacedLikeARecorderPlacesThem) {
  EXPECT_EQ(start(1), 0u);
  EXPECT_EQ(start(2), end(1) + 11400);
  EXPECT_EQ(start(3), end(2) + 6900);
  EXPECT_EQ(drive_->Describe(), disc_->description.string());
}

TEST_F(MultiSessionCdr, TocInLbaAndMsf) {
  auto lba = Send(*drive_, ReadTocCdb(0, false, 0, 114), 114);
  ASSERT_TRUE(lba.good());
  ASSERT_EQ(lba.data.size(), 4u + 4 * 8);
  EXPECT_EQ(GetBE16(&lba.data[0]), 34);
  EXPECT_EQ(lba.data[2], 1);
  EXPECT_EQ(lba.data[3], 3);
  for (int t = 1; t <= 3; ++t) {
    const std::uint8_t* d = &lba.data[4 + 8 * (t - 1)];
    EXPECT_EQ(d[1], 0x14) << t;
    EXPECT_EQ(d[2], t);
    EXPECT_EQ(GetBE32(d + 4), start(t));
  }
  EXPECT_EQ(lba.data[4 + 24 + 2], 0xAA);
  EXPECT_EQ(GetBE32(&lba.data[4 + 24 + 4]), end(3));

  // From track 2 in MSF, as the session listing asks: bytes 9-11 hold its start.
  auto msf = Send(*drive_, ReadTocCdb(0, true, 2, 248), 248);
  ASSERT_TRUE(msf.good());
  ASSERT_EQ(msf.data.size(), 4u + 3 * 8);
  EXPECT_EQ(msf.data[6], 2);
  EXPECT_EQ(msf.data[8], 0);
  EXPECT_EQ(std::vector<std::uint8_t>(msf.data.begin() + 9, msf.data.begin() + 12), Msf(start(2)));

  auto leadOut = Send(*drive_, ReadTocCdb(0, true, 0xAA, 248), 248);
  ASSERT_TRUE(leadOut.good());
  ASSERT_EQ(leadOut.data.size(), 12u);
  EXPECT_EQ(leadOut.data[6], 0xAA);
  EXPECT_EQ(std::vector<std::uint8_t>(leadOut.data.begin() + 9, leadOut.data.end()), Msf(end(3)));

  auto beyond = Send(*drive_, ReadTocCdb(0, false, 4, 114), 114);
  EXPECT_FALSE(beyond.good());
  EXPECT_EQ(beyond.asc(), 0x24);
}

TEST_F(MultiSessionCdr, SessionInformation) {
  auto a = Send(*drive_, ReadTocCdb(1, false, 0, 12), 12);
  ASSERT_TRUE(a.good());
  ASSERT_EQ(a.data.size(), 12u);
  EXPECT_EQ(GetBE16(&a.data[0]), 10);
  EXPECT_EQ(a.data[2], 1);
  EXPECT_EQ(a.data[3], 3);
  EXPECT_EQ(a.data[5], 0x14);
  EXPECT_EQ(a.data[6], 3);
  EXPECT_EQ(GetBE32(&a.data[8]), start(3));
  // The system asks for 4 bytes: the header alone.
  auto shortAnswer = Send(*drive_, ReadTocCdb(1, false, 0, 4), 4);
  ASSERT_TRUE(shortAnswer.good());
  EXPECT_EQ(shortAnswer.data, (std::vector<std::uint8_t>{0x00, 0x0A, 0x01, 0x03}));
}

TEST_F(MultiSessionCdr, FullTocHasThePointsOfEverySession) {
  auto a = Send(*drive_, ReadTocCdb(2, true, 1, 1024), 1024);
  ASSERT_TRUE(a.good());
  ASSERT_EQ(GetBE16(&a.data[0]) + 2u, a.data.size());
  EXPECT_EQ(a.data[2], 1);
  EXPECT_EQ(a.data[3], 3);
  // Per session: A0, A1, A2, its track, B0 (another session may follow).
  ASSERT_EQ(a.data.size(), 4u + 3 * 5 * 11);
  for (int s = 1; s <= 3; ++s) {
    const std::uint8_t* d = &a.data[4 + (s - 1) * 55];
    for (int i = 0; i < 5; ++i) EXPECT_EQ(d[i * 11], s) << "session byte of descriptor " << i;
    EXPECT_EQ(d[3], 0xA0);
    EXPECT_EQ(d[8], s);  // first track
    EXPECT_EQ(d[11 + 3], 0xA1);
    EXPECT_EQ(d[11 + 8], s);  // last track
    EXPECT_EQ(d[22 + 3], 0xA2);
    EXPECT_EQ(std::vector<std::uint8_t>(d + 30, d + 33), Msf(end(s)));
    EXPECT_EQ(d[33 + 3], s);
    EXPECT_EQ(std::vector<std::uint8_t>(d + 41, d + 44), Msf(start(s)));
    EXPECT_EQ(d[44 + 3], 0xB0);
    const std::uint32_t next = s < 3 ? start(s + 1) : end(3) + 6900;
    EXPECT_EQ(std::vector<std::uint8_t>(d + 48, d + 51), Msf(next));
  }
  // From session 3 on only.
  auto last = Send(*drive_, ReadTocCdb(2, true, 3, 1024), 1024);
  ASSERT_TRUE(last.good());
  EXPECT_EQ(last.data.size(), 4u + 55);
  EXPECT_EQ(last.data[4], 3);
}

TEST_F(MultiSessionCdr, TrackInformationIncludingTheInvisibleTrack) {
  for (int t = 1; t <= 3; ++t) {
    auto a = Send(*drive_, TrackInfoCdb(static_cast<std::uint8_t>(t)), 38);
    ASSERT_TRUE(a.good()) << t;
    ASSERT_EQ(a.data.size(), 36u);
    EXPECT_EQ(GetBE16(&a.data[0]), 34);
    EXPECT_EQ(a.data[2], t);
    EXPECT_EQ(a.data[3], t);
    EXPECT_EQ(a.data[6] & 0x40, 0);  // not blank
    EXPECT_EQ(GetBE32(&a.data[8]), start(t));
    EXPECT_EQ(GetBE32(&a.data[16]), 0u);
    EXPECT_EQ(GetBE32(&a.data[24]), disc_->lengths[t - 1]);
    EXPECT_EQ(GetBE32(&a.data[28]), end(t) - 1);
  }
  const std::uint32_t nwa = end(3) + 6900;
  for (std::uint8_t t : {std::uint8_t{4}, std::uint8_t{255}}) {
    auto a = Send(*drive_, TrackInfoCdb(t), 38);
    ASSERT_TRUE(a.good());
    EXPECT_EQ(a.data[2], 4);
    EXPECT_EQ(a.data[3], 4);
    EXPECT_EQ(a.data[6] & 0x40, 0x40);  // blank
    EXPECT_EQ(a.data[7] & 0x01, 0x01);  // next writable address valid
    EXPECT_EQ(GetBE32(&a.data[8]), nwa);
    EXPECT_EQ(GetBE32(&a.data[12]), nwa);
    EXPECT_EQ(GetBE32(&a.data[16]), 359849 - nwa);
    EXPECT_EQ(GetBE32(&a.data[24]), 359849 - nwa);
  }
  for (std::uint8_t t : {std::uint8_t{0}, std::uint8_t{5}}) {
    auto a = Send(*drive_, TrackInfoCdb(t), 38);
    EXPECT_FALSE(a.good());
    EXPECT_EQ(a.key(), 5);
    EXPECT_EQ(a.asc(), 0x24);
  }
}

TEST_F(MultiSessionCdr, DiscInformationAndCapacities) {
  auto info = Send(*drive_, DiscInfoCdb(), 56);
  ASSERT_TRUE(info.good());
  ASSERT_EQ(info.data.size(), 34u);
  EXPECT_EQ(GetBE16(&info.data[0]), 32);
  EXPECT_EQ(info.data[2], 0x01);  // incomplete disc, empty last session, not erasable
  EXPECT_EQ(info.data[3], 1);
  EXPECT_EQ(info.data[4], 4);  // three closed sessions and the open one
  EXPECT_EQ(info.data[5], 4);
  EXPECT_EQ(info.data[6], 4);
  EXPECT_EQ(std::vector<std::uint8_t>(info.data.begin() + 21, info.data.begin() + 24), Msf(359849));

  auto capacity = Send(*drive_, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
  ASSERT_TRUE(capacity.good());
  EXPECT_EQ(GetBE32(&capacity.data[0]), end(3) - 1);
  EXPECT_EQ(GetBE32(&capacity.data[4]), 2048u);

  auto formats = Send(*drive_, {0x23, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0}, 248);
  ASSERT_TRUE(formats.good());
  ASSERT_EQ(formats.data.size(), 12u);
  EXPECT_EQ(formats.data[3], 8);
  EXPECT_EQ(GetBE32(&formats.data[4]), 359849u);
  EXPECT_EQ(formats.data[8] & 0x03, 0x01);
  EXPECT_EQ(GetBE24(&formats.data[9]), 2048u);

  auto atip = Send(*drive_, ReadTocCdb(4, true, 0, 26), 26);
  ASSERT_TRUE(atip.good());
  EXPECT_EQ(atip.data[6] & 0xC0, 0x80);  // recordable, not rewritable
  EXPECT_EQ(std::vector<std::uint8_t>(atip.data.begin() + 12, atip.data.begin() + 15), Msf(359849));

  auto config = Send(*drive_, GetConfigCdb(2, 0), 114);
  ASSERT_TRUE(config.good());
  EXPECT_EQ(GetBE16(&config.data[6]), 0x0009);
}

TEST_F(MultiSessionCdr, EachSessionsVolumeDescriptorAndTheFileDataOfEarlierSessions) {
  for (int s = 1; s <= 3; ++s) {
    auto pvd = Send(*drive_, Read10Cdb(start(s) + 16, 1), 2048);
    ASSERT_TRUE(pvd.good()) << s;
    ASSERT_EQ(pvd.data.size(), 2048u);
    EXPECT_EQ(pvd.data[0], 1);
    EXPECT_EQ(std::string(pvd.data.begin() + 1, pvd.data.begin() + 6), "CD001");
    // The same bytes as block 16 of the session's own image file.
    std::ifstream image(disc_->images[s - 1], std::ios::binary);
    std::vector<char> block(2048);
    image.seekg(16 * 2048);
    image.read(block.data(), 2048);
    EXPECT_EQ(std::vector<std::uint8_t>(block.begin(), block.end()), pvd.data);
    EXPECT_NE(GetLE32(&pvd.data[80]), 0u);  // the session listing needs a volume size
  }
  // The third session's root lists a.txt, whose data lies in the first session.
  auto pvd = Send(*drive_, Read10Cdb(start(3) + 16, 1), 2048);
  const auto [aExtent, aSize] = FindEntry(*drive_, GetLE32(&pvd.data[156 + 2]), "A.TXT;1");
  ASSERT_LT(aExtent, end(1));
  ASSERT_EQ(aSize, 5000u);
  auto data = Send(*drive_, Read10Cdb(aExtent, 3), 3 * 2048);
  ASSERT_TRUE(data.good());
  EXPECT_EQ(std::string(data.data.begin(), data.data.begin() + 5000), std::string(5000, 'a'));
  const auto [bExtent, bSize] = FindEntry(*drive_, GetLE32(&pvd.data[156 + 2]), "B.TXT;1");
  EXPECT_GE(bExtent, start(2));
  EXPECT_LT(bExtent, end(2));
  EXPECT_EQ(bSize, 20u);
}

TEST_F(MultiSessionCdr, GapsBetweenSessionsCannotBeRead) {
  auto lastOfSession1 = Send(*drive_, Read10Cdb(end(1) - 1, 1), 2048);
  EXPECT_TRUE(lastOfSession1.good());
  for (std::uint32_t lba : {end(1), start(2) - 1, end(2) + 100, end(3)}) {
    auto gap = Send(*drive_, Read10Cdb(lba, 1), 2048);
    EXPECT_FALSE(gap.good()) << lba;
    EXPECT_EQ(gap.key(), 5);
    EXPECT_EQ(gap.asc(), 0x21);
    EXPECT_EQ(gap.result.transferred, 0u);
  }
  // A read that runs from the session into the gap fails whole.
  auto across = Send(*drive_, Read10Cdb(end(1) - 1, 2), 4096);
  EXPECT_FALSE(across.good());
  EXPECT_EQ(across.result.transferred, 0u);
}

}  // namespace
}  // namespace tarnwick::test
