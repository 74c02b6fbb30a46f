// Capability bits, speed maxima, SET CD SPEED fields and the write parameters page.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "drive/FakeAspiBackend.h"
#include "drive/ModePage.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A drive answering MODE SENSE with an 8-byte header and the page, GET CONFIGURATION
// with the features it has (feature -> current byte), and accepting MODE SELECT.
class CapabilityDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.AddDrive({0, 0, 0}, 5, "V", "P", "R");
    dev.HaId = dev.Target = dev.Lun = 0;
    fake.handler = [this](SRB_ExecSCSICmd& srb) -> std::uint8_t {
      const std::uint8_t op = srb.CDBByte[0];
      if (op == 0x5A) {
        auto it = pages.find(srb.CDBByte[2] & 0x3F);
        if (it == pages.end()) return SS_ERR;
        std::memcpy(srb.SRB_BufPointer + 8, it->second.data(), std::min<std::size_t>(it->second.size(), srb.SRB_BufLen - 8));
        return SS_COMP;
      }
      if (op == 0x46) {
        auto it = features.find(srb.CDBByte[3]);
        if (it == features.end()) return SS_ERR;
        PutBE16(srb.SRB_BufPointer + 6, 0x0009);
        PutBE16(srb.SRB_BufPointer + 8, it->first);
        srb.SRB_BufPointer[12] = it->second;
        return SS_COMP;
      }
      return op == 0x55 || op == 0xBB ? SS_COMP : SS_ERR;
    };
  }
  void CapabilitiesPage(std::uint8_t read, std::uint8_t write, std::uint8_t feature, std::uint16_t maxRead,
                        std::uint16_t maxWrite) {
    Bytes p(22, 0);
    p[0] = 0x2A;
    p[1] = 20;
    p[2] = read;
    p[3] = write;
    p[4] = feature;
    PutBE16(&p[8], maxRead);
    PutBE16(&p[18], maxWrite);
    pages[0x2A] = p;
  }
  test::FakeAspiBackend fake;
  TSCSIDevice dev;
  std::map<std::uint8_t, Bytes> pages;
  std::map<std::uint8_t, std::uint8_t> features;
};

TEST_F(CapabilityDrive, BitsAndSpeedsOfACdWriter) {
  CapabilitiesPage(0x3F, 0x17, 0x00, 7056, 1764);
  features[0x2A] = 1;
  ASSERT_TRUE(dev.ReadCapabilities());
  EXPECT_EQ(dev.Capabilities, 0x00001u | 0x2 | 0x4 | 0x8 | 0x30 | 0x40 | 0x180 | 0x200 | 0x400 | 0x800 | 0x3000 |
                                  0x18000);
  EXPECT_EQ(dev.DeviceMaxReadSpeed, 40);  // 7056 / 176.46 = 39.99
  EXPECT_EQ(dev.DeviceMaxWriteSpeed, 10);
  EXPECT_EQ(GetHost16(dev.CapabilitiesPage + 8), 7056);
  EXPECT_EQ(GetHost16(dev.CapabilitiesPage + 18), 1764);

  // The default-values pass asks with page control 10b; GET CONFIGURATION names the feature.
  auto sense = fake.Commands(0x5A);
  ASSERT_GE(sense.size(), 2u);
  EXPECT_EQ(sense.front().cdb, (Bytes{0x5A, 0, 0xAA, 0, 0, 0, 0, 0, 128, 0}));
  EXPECT_EQ(sense.back().cdb, (Bytes{0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 128, 0}));
  auto config = fake.Commands(0x46);
  ASSERT_EQ(config.size(), 2u);
  EXPECT_EQ(config[0].cdb, (Bytes{0x46, 2, 0, 0x2A, 0, 0, 0, 0, 114, 0}));
  EXPECT_EQ(config[1].cdb[3], 0x2F);
}

TEST_F(CapabilityDrive, UnderrunProtectionFromPageVendorPageOrQuirk) {
  CapabilitiesPage(0, 0, 0x80, 0, 0);
  ASSERT_TRUE(dev.ReadCapabilities());
  EXPECT_EQ(dev.Capabilities & kCapUnderrunProtection, kCapUnderrunProtection);

  CapabilitiesPage(0, 0, 0, 0, 0);
  ASSERT_TRUE(dev.ReadCapabilities());
  EXPECT_EQ(dev.Capabilities, 0u);
  pages[0x30] = Bytes{0x30, 2, 0, 0};
  ASSERT_TRUE(dev.ReadCapabilities());
  EXPECT_EQ(dev.Capabilities, kCapUnderrunProtection);
  pages.erase(0x30);
  dev.BufQuirk = true;
  ASSERT_TRUE(dev.ReadCapabilities());
  EXPECT_EQ(dev.Capabilities, kCapUnderrunProtection);
}

TEST_F(CapabilityDrive, DvdRamWriterWithoutSpeeds) {
  CapabilitiesPage(0x20, 0x20, 0, 0, 0);
  ASSERT_TRUE(dev.ReadCapabilities());
  EXPECT_EQ(dev.DeviceMaxReadSpeed, 1);
  EXPECT_EQ(dev.DeviceMaxWriteSpeed, 1);
  EXPECT_EQ(GetHost16(dev.CapabilitiesPage + 18), 177);
  EXPECT_EQ(GetHost16(dev.CapabilitiesPage + 20), 177);
}

TEST_F(CapabilityDrive, NoPageMeansFailureAndZeroSpeeds) {
  EXPECT_FALSE(dev.ReadCapabilities());
  EXPECT_EQ(dev.Capabilities, 0u);
  EXPECT_EQ(dev.DeviceMaxReadSpeed, 0);
}

TEST(SpeedMultiples, RoundToNearest) {
  EXPECT_EQ(SpeedMultiple(7056), 40);
  EXPECT_EQ(SpeedMultiple(1764), 10);
  EXPECT_EQ(SpeedMultiple(177), 1);
  EXPECT_EQ(SpeedMultiple(88), 0);   // 0.4987
  EXPECT_EQ(SpeedMultiple(89), 1);   // 0.5044
  EXPECT_EQ(SpeedMultiple(65535), 371);
}

TEST_F(CapabilityDrive, SetSpeedFields) {
  EXPECT_TRUE(dev.SetSpeed(0, 0));
  EXPECT_EQ(fake.log.back().cdb, (Bytes{0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(fake.log.back().flags, 0x40);
  EXPECT_TRUE(dev.SetSpeed(4, 8));
  EXPECT_EQ(fake.log.back().cdb, (Bytes{0xBB, 0, 0x02, 0xC4, 0x05, 0x88, 0, 0, 0, 0, 0, 0}));
  dev.ReadSpeed = 2;
  dev.SetWriteSpeed(12);
  EXPECT_EQ(fake.log.back().cdb, (Bytes{0xBB, 0, 0x01, 0x62, 0x08, 0x4C, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(dev.WriteSpeed, 12);
}

TEST_F(CapabilityDrive, WriteParametersPage) {
  Bytes page(0x38, 0xEE);  // every byte dirty: the edits must set or clear them
  page[0] = 0x05;
  page[1] = 0x36;
  pages[0x05] = page;
  dev.Capabilities = kCapUnderrunProtection | kCapTestWrite;

  ASSERT_TRUE(dev.SetWriteParameters(false, true));
  const auto sel = fake.Commands(0x55).back();
  EXPECT_EQ(sel.cdb, (Bytes{0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}));
  EXPECT_EQ(sel.flags, 0x50);
  ASSERT_EQ(sel.dataOut.size(), 60u);
  EXPECT_EQ(Bytes(sel.dataOut.begin(), sel.dataOut.begin() + 8), Bytes(8, 0));
  EXPECT_EQ(Bytes(sel.dataOut.begin() + 8, sel.dataOut.begin() + 22),
            (Bytes{0x05, 0x32, 0x41, 0xC4, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  dev.FinalizeDisc = true;
  dev.LinkSizeQuirk = true;
  ASSERT_TRUE(dev.SetWriteParameters(true, false));
  EXPECT_EQ(dev.WriteParametersPage[2], 0x01 | 0x20 | 0x10);
  EXPECT_EQ(dev.WriteParametersPage[3], 0x04);

  dev.FinalizeDisc = false;
  dev.LinkSizeQuirk = false;
  dev.DvdRwQuirk = true;
  dev.Capabilities = 0;
  ASSERT_TRUE(dev.SetWriteParameters(true, true));  // test write ignored for the multi-session field
  EXPECT_EQ(dev.WriteParametersPage[2], 0x41);
  EXPECT_EQ(dev.WriteParametersPage[3], 0xC4);
}

}  // namespace
}  // namespace tarnwick
