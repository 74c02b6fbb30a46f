// Images become drives at the same address however they come: together, one call
// each, or opened while the program runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "browse/MountImages.h"
#include "drive/SCSIDevice.h"
#include "platform/Platform.h"
#include "support/Environment.h"
#include "transport/Transport.h"

namespace tarnwick {
namespace {

std::string Sample(const char* name) { return std::string(TARNWICK_SOURCE_DIR) + "/samples/" + name; }

std::vector<std::string> DeviceLinesAfter(const std::function<void(TSCSIDevice&)>& mount) {
  test::SetEnv("TARNWICK_NO_REAL_DRIVES", "1");
  ResetTransportForTesting();
  platform::Current().RemoveVirtualDrives();
  std::vector<std::string> lines;
  {
    TSCSIDevice drive;
    mount(drive);
    drive.InitializeDevices(true);
    lines = drive.DeviceList;
  }
  ResetTransportForTesting();
  platform::Current().RemoveVirtualDrives();
  return lines;
}

TEST(MountImages, AnImageGetsTheSameAddressTogetherOneByOneOrOpenedLater) {
  const std::string a = Sample("sample.disc"), b = Sample("session1.iso"), c = Sample("session2.iso");
  const auto together = DeviceLinesAfter([&](TSCSIDevice&) { MountImages({a, b, c}); });
  const auto oneByOne = DeviceLinesAfter([&](TSCSIDevice&) {
    for (const std::string& path : {a, b, c}) MountImages({path});
  });
  int opened = -2;
  const auto later = DeviceLinesAfter([&](TSCSIDevice& drive) {
    MountImages({a});
    drive.InitializeDevices(true);
    MountImages({b});
    opened = OpenImageDrive(drive, c);
  });
  ASSERT_EQ(together.size(), 3u);
  EXPECT_EQ(together[0].substr(0, 9), "0:0:0,D: ");
  EXPECT_EQ(together[1].substr(0, 9), "1:0:0,E: ");
  EXPECT_EQ(together[2].substr(0, 9), "2:0:0,F: ");
  EXPECT_EQ(oneByOne, together);
  EXPECT_EQ(later, together);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(DeviceLineOfLetter(together, 'E'), 1);
  EXPECT_EQ(DeviceLineOfLetter(together, 'G'), -1);
}

}  // namespace
}  // namespace tarnwick
