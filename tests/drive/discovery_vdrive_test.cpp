// Scan and selection end to end: virtual drives behind the pass-through back-end, found
// by the scan, listed with their letters, selected by their list lines and identified.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/SCSIDevice.h"
#include "support/VirtualDriveScope.h"
#include "transport/Transport.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick {
namespace {

std::shared_ptr<vdrive::VirtualDrive> Drive(const std::string& text) {
  return vdrive::ParseDiscDescription(text, ".", "test.txt");
}

std::vector<std::string> ScanLines(const TStringsSink& sink) {
  std::vector<std::string> out;
  for (const auto& l : sink.Lines)
    if (l.find(">>> ") != std::string::npos) out.push_back(l.substr(l.find(">>> ")));
  return out;
}

TEST(PassThroughScan, ListsAndSelectsDrivesOnAnyAdapter) {
  test::VirtualDriveScope scope({
      Drive("drive address=0:1:0 vendor=ACME product=\"DVD WRITER 1000\" revision=1.02\n"
            "drive page2a=\"2a 14 3f 17 80 00 00 00 1b 90 00 00 00 00 1b 90 00 00 06 e4 06 e4\"\n"),
      Drive("drive address=12:0:0 vendor=WORM product=ONCE revision=0001 type=4 reject=55\n"),
  });
  ASSERT_TRUE(scope.Initialised());
  TSCSIDevice dev;
  TStringsSink sink;
  dev.SetDebugWindow(&sink);
  dev.DoDebug = true;
  ASSERT_TRUE(dev.InitializeDevices(true));
  EXPECT_EQ(TransportName(), "PTEMUL32");

  const std::string first = std::string("0:1:0,") + scope.Letter(0) + ": ACME    DVD WRITER 1000 1.02";
  const std::string second = std::string("12:0:0,") + scope.Letter(1) + ": WORM    ONCE            0001 (not supported)";
  EXPECT_EQ(dev.DeviceList, (std::vector<std::string>{first, second}));
  const auto lines = ScanLines(sink);
  ASSERT_EQ(lines.size(), 14u);  // the transport and 13 adapters
  EXPECT_EQ(lines[0], ">>> PTEMUL32");
  EXPECT_EQ(lines[1], ">>> Windows  (SPTI 0)");
  EXPECT_EQ(dev.HaId, 254);

  int changes = 0;
  dev.OnDeviceChange = [&](TSCSIDevice*) { ++changes; };
  dev.SelectDevice(first);
  EXPECT_EQ(dev.HaId, 0);
  EXPECT_EQ(dev.Target, 1);
  EXPECT_EQ(dev.GetDriveLetter(), scope.Letter(0));
  EXPECT_EQ(dev.DeviceIdentity, "ACME     DVD WRITER 1000  1.02");
  EXPECT_EQ(dev.DeviceMaxReadSpeed, 40);
  EXPECT_EQ(dev.DeviceMaxWriteSpeed, 10);
  EXPECT_EQ(dev.Capabilities & 0x40E0Fu, 0x40E0Fu);

  // The write-once drive on adapter 12 rejects MODE SELECT: selected, no write modes.
  dev.SelectDevice(second);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(dev.HaId, 12);
  EXPECT_EQ(dev.DeviceType, 4);
  EXPECT_EQ(dev.WriteModes, 0);
  EXPECT_EQ(dev.GetDriveLetter(), scope.Letter(1));
  for (const auto& l : sink.Lines) EXPECT_EQ(l.find("INVALID DEVICE ID"), std::string::npos) << l;
  dev.SetDebugWindow(nullptr);
}

TEST(PassThroughScan, DriveWithoutAddressIsListedWithQuestionMark) {
  // Its volume reports no SCSI address: the transport gives it a made-up one on an
  // extra adapter, no volume matches that address and disk info is not served.
  test::VirtualDriveScope scope({Drive("drive vendor=V product=P revision=R\n")});
  TSCSIDevice dev;
  EXPECT_EQ(dev.DeviceList, (std::vector<std::string>{"1:0:0,?: V       P               R   "}));
  EXPECT_EQ(dev.DiskInfoDriveLetter(1, 0, 0), 128);
  dev.SelectDevice(dev.DeviceList.at(0));
  EXPECT_EQ(dev.HaId, 1);
  EXPECT_EQ(dev.DeviceIdentity, "V        P                R   ");
}

}  // namespace
}  // namespace tarnwick
