// Selecting a drive by its list line: address parsing, refusals, identity text, model
// flags, the change event and the write-mode probe.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/FakeAspiBackend.h"
#include "drive/SCSIDevice.h"

namespace tarnwick {
namespace {

constexpr const char* kInvalid = "INVALID DEVICE ID / NOT A CD OR DVD DRIVE";

class Select : public ::testing::Test {
 protected:
  void SetUp() override {
    dev.SetDebugWindow(&sink);
    dev.OnDeviceChange = [this](TSCSIDevice*) { events.push_back(fake.log.size()); };
    fake.handler = [this](SRB_ExecSCSICmd& srb) -> std::uint8_t {
      if (srb.CDBByte[0] == 0x5A && (srb.CDBByte[2] & 0x3F) == 0x05) {
        srb.SRB_BufPointer[8] = 0x05;
        srb.SRB_BufPointer[9] = 0x32;
        srb.SRB_BufPointer[10] = 0xFF;
        return SS_COMP;
      }
      if (srb.CDBByte[0] == 0x55) return rejectModeSelect ? SS_ERR : SS_COMP;
      return SS_ERR;
    };
  }
  void TearDown() override { dev.SetDebugWindow(nullptr); }
  bool Refused() const {
    return dev.HaId == 254 && dev.Target == 254 && dev.Lun == 254 && dev.DeviceText.empty() &&
           dev.DeviceIdentity.empty() && dev.DeviceType == 127;
  }
  std::size_t InvalidMessages() const {
    std::size_t n = 0;
    for (const auto& l : sink.Lines) n += l.find(kInvalid) != std::string::npos;
    return n;
  }
  test::FakeAspiBackend fake;
  TSCSIDevice dev;
  TStringsSink sink;
  std::vector<std::size_t> events;  // commands sent before each change event
  bool rejectModeSelect = false;
};

TEST_F(Select, DriveOnHighAdapterIsSelectedAndIdentified) {
  fake.AddDrive({12, 3, 1}, 5, "VENDOR", "PRODUCT", "1.0");
  dev.SelectDevice("12:3:1,?: VENDOR  PRODUCT         1.0 ");
  EXPECT_EQ(dev.HaId, 12);
  EXPECT_EQ(dev.Target, 3);
  EXPECT_EQ(dev.Lun, 1);
  EXPECT_EQ(dev.DeviceType, 5);
  EXPECT_EQ(dev.DeviceIdentity, "VENDOR   PRODUCT          1.0 ");
  EXPECT_EQ(dev.DeviceIdentity.size(), 30u);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(InvalidMessages(), 0u);
  // All modes accepted; the probe's MODE SELECT lists carry the edited page.
  EXPECT_EQ(dev.WriteModes, 7);
  const auto selects = fake.Commands(0x55);
  ASSERT_EQ(selects.size(), 3u);
  EXPECT_EQ(selects[0].cdb[8], 0x32 + 10);
  EXPECT_EQ(selects[0].dataOut[8 + 2], 3);  // raw
  EXPECT_EQ(selects[0].dataOut[8 + 4], 1);
  EXPECT_EQ(selects[1].dataOut[8 + 2], 2);  // session at once
  EXPECT_EQ(selects[2].dataOut[8 + 2], 1);  // track at once
  EXPECT_EQ(selects[2].dataOut[8 + 15], 150);
}

TEST_F(Select, BadLinesAreRefused) {
  fake.AddDrive({1, 0, 0}, 5, "V", "P", "R");
  const std::vector<std::string> bad = {"1:0",  "X:0:0,E: V",  "1:0:0 E: V", "256:0:0,E: V",
                                        "1::0,E: V", "1:0:0:,E:", "1:+0:0,E:", "1:0:0a,E:"};
  for (const auto& line : bad) {
    dev.HaId = 1;
    dev.SelectDevice(line);
    EXPECT_TRUE(Refused()) << line;
  }
  EXPECT_EQ(InvalidMessages(), bad.size());
  dev.SelectDevice("");
  EXPECT_TRUE(Refused());
  EXPECT_EQ(InvalidMessages(), bad.size());  // empty line: silent
  EXPECT_TRUE(events.empty());
}

TEST_F(Select, OtherDeviceTypesAreRefusedWriteOnceAccepted) {
  fake.AddDrive({0, 0, 0}, 0, "DISK", "HARD", "1");
  fake.AddDrive({0, 1, 0}, 4, "WORM", "ONCE", "1");
  dev.SelectDevice("0:0:0,C: DISK    HARD            1   ");
  EXPECT_TRUE(Refused());
  EXPECT_EQ(InvalidMessages(), 1u);
  dev.SelectDevice("0:1:0,?: WORM    ONCE            1    (not supported)");
  EXPECT_EQ(dev.DeviceType, 4);
  EXPECT_EQ(events.size(), 1u);
}

TEST_F(Select, ChangeEventBeforeProbeAndRejectedModeSelect) {
  fake.AddDrive({0, 0, 0}, 5, "V", "P", "R");
  rejectModeSelect = true;
  dev.SelectDevice("0:0:0,D: x");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(dev.WriteModes, 0);
  EXPECT_EQ(dev.HaId, 0);
  // No command of the probe was sent before the event.
  for (std::size_t i = 0; i < events[0]; ++i) EXPECT_NE(fake.log[i].cdb[0], 0x55);
  EXPECT_EQ(fake.Commands(0x55).size(), 3u);
}

struct QuirkCase {
  std::string vendor, product;
  bool buf, link, dvdRw, poll;
};

TEST_F(Select, ModelFlags) {
  const std::vector<QuirkCase> cases = {
      {"ANY", "CD-W512EB", true, false, false, false},
      {"ANY", "CRX175E", false, true, false, false},
      {"ANY", "CD-RW  CRX800E", false, true, false, false},
      {"ANY", "CD-RW CRX800E", false, false, false, false},
      {"ANY", "DVD-RW  DVR-104 ", false, false, true, false},
      {"ANY", std::string("DVD-RW  DVR-104\0", 16), false, false, true, false},
      {"ANY", "DVD-RW  DVR-103", false, false, true, false},
      {"ANY", "DVD-RW DVR-104", false, false, false, false},
      {"TDK", "WRITER", false, false, false, true},
      {"TD", "WRITER", false, false, false, false},
      {"ANY", "UJDA740", false, false, false, true},
      {"ANY", "", false, false, false, false},
  };
  for (const auto& c : cases) {
    fake.drives.clear();
    fake.AddDrive({0, 0, 0}, 5, c.vendor, c.product, "1");
    if (c.product.size() == 16) std::copy(c.product.begin(), c.product.end(), fake.drives[{0, 0, 0}].begin() + 16);
    dev.SelectDevice("0:0:0,?: x");
    EXPECT_EQ(dev.BufQuirk, c.buf) << c.product;
    EXPECT_EQ(dev.LinkSizeQuirk, c.link) << c.product;
    EXPECT_EQ(dev.DvdRwQuirk, c.dvdRw) << c.product;
    EXPECT_EQ(TSCSIDevice::ReadyPollQuirk, c.poll) << c.vendor << "/" << c.product;
    EXPECT_EQ(dev.DeviceIdentity.size(), 30u);
  }
  EXPECT_EQ(events.size(), cases.size());
}

}  // namespace
}  // namespace tarnwick
