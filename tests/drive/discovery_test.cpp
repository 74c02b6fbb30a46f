// The device scan through a scripted back-end: adapter counts, the list lines, the
// scan trace and the address afterwards.
#include <gtest/gtest.h>

#include "drive/FakeAspiBackend.h"
#include "drive/SCSIDevice.h"

namespace tarnwick {
namespace {

class Scan : public ::testing::Test {
 protected:
  test::FakeAspiBackend fake;
};

TEST_F(Scan, ListsDrivesWithLettersTypesAndFullAdapterNumbers) {
  fake.adapterCount = 13;
  fake.AddDrive({0, 1, 0}, 5, "ACME", "DVD WRITER 1000", "1.02");
  fake.AddDrive({3, 7, 7}, 4, "WORM", "ONCE", "0001");
  fake.AddDrive({12, 0, 0}, 5, "USB", "STICK DRIVE", "9");
  fake.AddDrive({2, 2, 0}, 0, "DISK", "HARD", "1");        // not optical
  fake.AddDrive({2, 3, 0}, 0x25, "QUAL", "NOT HERE", "1");  // qualifier set
  fake.diskInfoLetters[{0, 1, 0}] = 4;                     // E:
  fake.diskInfoLetters[{12, 0, 0}] = 200;                  // names no letter

  TSCSIDevice dev;
  dev.HaId = 9;
  dev.Target = 8;
  dev.Lun = 7;
  fake.log.clear();  // the constructor already scanned: the transport was started
  ASSERT_TRUE(dev.InitializeDevices(true));
  EXPECT_EQ(dev.DeviceList, (std::vector<std::string>{"0:1:0,E: ACME    DVD WRITER 1000 1.02",
                                                      "3:7:7,?: WORM    ONCE            0001 (not supported)",
                                                      "12:0:0,?: USB     STICK DRIVE     9   "}));
  EXPECT_EQ(dev.HaId, 9);
  EXPECT_EQ(dev.Target, 8);
  EXPECT_EQ(dev.Lun, 7);
  EXPECT_TRUE(dev.LastErrorText.empty());
  // 64 probes per adapter, every one an INQUIRY of 128 bytes.
  const auto inquiries = fake.Commands(0x12);
  EXPECT_EQ(inquiries.size(), 13u * 64u);
  EXPECT_EQ(inquiries.back().ha, 12);
  EXPECT_EQ(inquiries.back().target, 7);
  EXPECT_EQ(inquiries.back().lun, 7);
}

TEST_F(Scan, AdapterCountsFromTheInquiry) {
  fake.adapterCount = 0;  // read as 7
  TSCSIDevice dev;
  fake.log.clear();
  ASSERT_TRUE(dev.InitializeDevices(true));
  EXPECT_EQ(dev.AdapterCount, 7);
  EXPECT_EQ(fake.Commands(0x12).size(), 7u * 64u);

  fake.log.clear();
  fake.adapterInquiryFails = true;
  dev.QueryHostAdapter(0);
  EXPECT_EQ(dev.AdapterCount, -1);
  dev.ScanDevices();
  EXPECT_TRUE(fake.log.empty());
  EXPECT_TRUE(dev.DeviceList.empty());
}

TEST_F(Scan, CountsOf128AdaptersAndMoreAreScannedWhole) {
  // Host adapter numbers grow with every USB drive plugged in; a drive on host 140
  // must still be found, though the signed count reads negative.
  fake.adapterCount = 141;
  fake.AddDrive({140, 0, 0}, 5, "USB", "PLUGGED AGAIN", "1.0");
  TSCSIDevice dev;
  fake.log.clear();
  ASSERT_TRUE(dev.InitializeDevices(true));
  EXPECT_LT(dev.AdapterCount, 0);
  EXPECT_EQ(dev.DeviceList, (std::vector<std::string>{"140:0:0,?: USB     PLUGGED AGAIN   1.0 "}));
  EXPECT_EQ(fake.Commands(0x12).size(), 141u * 64u);
  dev.SelectDevice(dev.DeviceList.front());
  EXPECT_EQ(dev.HaId, 140);
}

TEST_F(Scan, DebugLinesNameTransportAndAdapters) {
  fake.adapterCount = 2;
  fake.managerId = "MGR ";
  fake.identifier = " HA X ";
  TSCSIDevice dev;
  TStringsSink sink;
  dev.SetDebugWindow(&sink);
  dev.DoDebug = true;
  ASSERT_TRUE(dev.InitializeDevices(true));
  std::vector<std::string> scanLines;
  for (const auto& l : sink.Lines)
    if (l.find(">>> ") != std::string::npos) scanLines.push_back(l.substr(l.find(">>> ")));
  EXPECT_EQ(scanLines, (std::vector<std::string>{">>> TEST", ">>> MGR  (HA X)", ">>> MGR  (HA X)"}));
  dev.SetDebugWindow(nullptr);
}

TEST_F(Scan, ConstructorScansWhenTransportAlreadyStarted) {
  fake.AddDrive({0, 0, 0}, 5, "A", "B", "C");
  TSCSIDevice dev;
  EXPECT_EQ(dev.HaId, 254);
  EXPECT_EQ(dev.DeviceList.size(), 1u);
}

}  // namespace
}  // namespace tarnwick
