// Command blocks, flags and answer conversion of the TOC, track, sector and
// identification commands, checked at the transport's entry point.
#include <gtest/gtest.h>

#include <vector>

#include "drive/FakeAspiBackend.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {
namespace {

using Bytes = std::vector<std::uint8_t>;

class CommandBlocks : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.AddDrive({0, 1, 0}, 5, "VENDOR", "PRODUCT", "1.00");
    dev.HaId = 0;
    dev.Target = 1;
    dev.Lun = 0;
  }
  const test::SentCommand& Last() { return fake.log.back(); }
  test::FakeAspiBackend fake;
  TSCSIDevice dev;
};

TEST_F(CommandBlocks, ReadinessAndInquiryBlocks) {
  fake.handler = [](SRB_ExecSCSICmd&) { return SS_COMP; };
  EXPECT_TRUE(dev.TestUnitReady(5000));
  EXPECT_EQ(Last().cdb, (Bytes{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Last().flags, 0x40);
  EXPECT_EQ(Last().bufferLength, 0u);
  EXPECT_EQ(Last().senseLength, 14);

  std::uint8_t sense[18] = {};
  EXPECT_TRUE(dev.RequestSense(sense, 18));
  EXPECT_EQ(Last().cdb, (Bytes{0x03, 0, 0, 0, 18, 0}));
  EXPECT_EQ(Last().flags, 0x48);
  EXPECT_EQ(Last().bufferLength, 18u);

  EXPECT_TRUE(dev.Inquiry());
  EXPECT_EQ(Last().cdb, (Bytes{0x12, 0, 0, 0, 0x80, 0}));
  EXPECT_EQ(Last().bufferLength, 128u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(dev.InquiryData + 16), 7), "PRODUCT");
}

TEST_F(CommandBlocks, ReadTocSendsLowLengthByteAndFullDataLength) {
  fake.handler = [](SRB_ExecSCSICmd&) { return SS_COMP; };
  std::uint8_t buffer[256] = {};
  EXPECT_TRUE(dev.ReadToc(0, buffer, 0, true, 3, 254));
  EXPECT_EQ(Last().cdb, (Bytes{0x43, 0x02, 0, 0, 0, 0, 3, 0, 0xFE, 0}));
  EXPECT_EQ(Last().bufferLength, 254u);
  EXPECT_EQ(Last().flags, 0x48);
  EXPECT_TRUE(dev.ReadToc(4, buffer, 0, false, 0xAA, 26));
  EXPECT_EQ(Last().cdb, (Bytes{0x43, 0x00, 4, 0, 0, 0, 0xAA, 0, 26, 0}));
}

TEST_F(CommandBlocks, ReadSectorsWritesLbaAndCountBigEndian) {
  fake.handler = [](SRB_ExecSCSICmd&) { return SS_COMP; };
  std::vector<std::uint8_t> data(3 * 2048);
  EXPECT_TRUE(dev.ReadSectors(0x12345678, 0x0103, 3 * 2048, data.data()));
  EXPECT_EQ(Last().cdb, (Bytes{0x28, 0, 0x12, 0x34, 0x56, 0x78, 0, 0x01, 0x03, 0}));
  EXPECT_EQ(Last().bufferLength, 3u * 2048u);
}

TEST_F(CommandBlocks, ReadTrackInfoAsksLowByteAndConvertsFields) {
  fake.handler = [](SRB_ExecSCSICmd& srb) {
    std::uint8_t* p = srb.SRB_BufPointer;
    PutBE16(p, 0x0024);
    p[2] = 1;
    p[3] = 2;
    PutBE32(p + 8, 0x00012345);
    PutBE32(p + 16, 777);
    PutBE32(p + 24, 0x000ABCDE);
    PutBE32(p + 28, 0x01020304);
    return SS_COMP;
  };
  ASSERT_TRUE(dev.ReadTrackInfo(256));
  EXPECT_EQ(Last().cdb, (Bytes{0x52, 0x01, 0, 0, 0, 0, 0, 0, 0x26, 0}));
  EXPECT_EQ(Last().bufferLength, 38u);
  EXPECT_EQ(dev.TrackInfo.DataLength, 0x24);
  EXPECT_EQ(dev.TrackInfo.SessionNumber, 2);
  EXPECT_EQ(dev.TrackInfo.TrackStartAddress, 0x12345u);
  EXPECT_EQ(dev.TrackInfo.FreeBlockCount, 777u);
  EXPECT_EQ(dev.TrackInfo.TrackSize, 0xABCDEu);
  EXPECT_EQ(dev.TrackInfo.LastRecordedAddress, 0x01020304u);

  // A failed query leaves the cleared record, not the previous answer.
  fake.handler = [](SRB_ExecSCSICmd& srb) {
    srb.SRB_BufPointer[9] = 0x55;
    return SS_ERR;
  };
  EXPECT_FALSE(dev.ReadTrackInfo(0x1FF));
  EXPECT_EQ(Last().cdb[5], 0xFF);
  EXPECT_EQ(dev.TrackInfo.TrackSize, 0u);
  EXPECT_EQ(dev.TrackInfo.DataLength, 0u);
}

TEST(Conversions, MsfSwapAndReverseCopy) {
  EXPECT_EQ(TSCSIDevice::MsfToFrames(0, 0, 2, 0), 150u);
  EXPECT_EQ(TSCSIDevice::MsfToFrames(0, 79, 59, 74), 359999u);
  EXPECT_EQ(TSCSIDevice::MsfToFrames(1, 0, 0, 0), 270000u);
  EXPECT_EQ(TSCSIDevice::MsfToFrames(255, 255, 255, 255), 255u * 270000 + 255u * 4500 + 255u * 75 + 255);
  EXPECT_EQ(TSCSIDevice::Swap32(0x12345678u), 0x78563412u);
  EXPECT_EQ(TSCSIDevice::Swap16(0x1234), 0x3412);
  const std::uint8_t src[5] = {1, 2, 3, 4, 5};
  std::uint8_t dst[5] = {};
  TSCSIDevice::ReverseCopy(src, dst, 5);
  EXPECT_EQ(Bytes(dst, dst + 5), (Bytes{5, 4, 3, 2, 1}));
}

}  // namespace
}  // namespace tarnwick
