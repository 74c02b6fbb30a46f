#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/OwnPlatform.h"
#include "support/TempDir.h"

namespace tarnwick::platform {
namespace {

namespace fs = std::filesystem;

// Answers every command with what the test set up, and remembers the last request.
struct FakeTarget final : IScsiTarget {
  explicit FakeTarget(std::string n) : name(std::move(n)) {}
  ScsiResult Execute(const ScsiRequest& r) override {
    ++calls;
    cdb.assign(r.cdb, r.cdb + r.cdbLength);
    direction = r.direction;
    timeoutMs = r.timeoutMs;
    if (r.direction == DataDirection::In && r.data) std::memset(r.data, 0xAB, std::min(answer.transferred, r.dataLength));
    return answer;
  }
  bool GetAddress(SCSI_ADDRESS& out) override {
    out = address;
    return hasAddress;
  }
  std::string Describe() const override { return name; }

  std::string name;
  ScsiResult answer{true, 0, 0, 0, {}, 0};
  bool hasAddress = false;
  SCSI_ADDRESS address{};
  int calls = 0;
  std::vector<std::uint8_t> cdb;
  DataDirection direction = DataDirection::None;
  std::uint32_t timeoutMs = 0;
};

class VolumesTest : public ::testing::Test {
 protected:
  test::TempDir devDir;  // holds no sr nodes
#if defined(_WIN32)
  test::OwnPlatform platform;  // the system's letters hidden
#else
  LinuxPlatform platform{DeviceDiscovery{devDir.str(), 1}};
#endif
  std::shared_ptr<FakeTarget> first = std::make_shared<FakeTarget>("/images/first.iso");
  std::shared_ptr<FakeTarget> second = std::make_shared<FakeTarget>("/images/second.txt");

  // The pass-through buffer as the transport fills it for one command.
  static SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER Buffer(std::uint8_t* data, std::uint32_t length,
                                                     std::uint8_t senseLength) {
    SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER b{};
    b.Spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    b.Spt.CdbLength = 10;
    b.Spt.SenseInfoLength = senseLength;
    b.Spt.DataIn = SCSI_IOCTL_DATA_IN;
    b.Spt.DataTransferLength = length;
    b.Spt.TimeOutValue = 120;
    b.Spt.DataBuffer = data;
    b.Spt.SenseInfoOffset = offsetof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, SenseBuf);
    const std::uint8_t cdb[10] = {0x28, 0, 0, 0, 0x10, 0, 0, 0, 1, 0};
    std::memcpy(b.Spt.Cdb, cdb, sizeof(cdb));
    return b;
  }

  bool Call(Handle h, SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& b, std::uint32_t length = sizeof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER)) {
    std::uint32_t returned = 0;
    return platform.DeviceIoControl(h, IOCTL_SCSI_PASS_THROUGH_DIRECT, &b, length, &b, length, &returned);
  }
};

TEST_F(VolumesTest, VirtualDrivesGetLettersFromDWhenThereAreNoDevices) {
  EXPECT_EQ(platform.QueryDriveType("D:\\"), kDriveNoRootDir);
  EXPECT_EQ(platform.AddVirtualDrive(first), 'D');
  EXPECT_EQ(platform.AddVirtualDrive(second), 'E');
  EXPECT_EQ(platform.QueryDriveType("D:\\"), kDriveCdrom);
  EXPECT_EQ(platform.QueryDriveType("e:\\"), kDriveCdrom);
  EXPECT_EQ(platform.QueryDriveType("F:\\"), kDriveNoRootDir);
  EXPECT_EQ(platform.QueryDriveType("C:\\"), kDriveNoRootDir);
  EXPECT_EQ(platform.QueryDriveType(""), kDriveNoRootDir);
  EXPECT_EQ(platform.QueryDriveType("D:\\x"), kDriveNoRootDir);
  EXPECT_EQ(platform.DescribeDrive('E'), "/images/second.txt");
  EXPECT_EQ(platform.DescribeDrive('F'), "");

  platform.RemoveVirtualDrives();
  EXPECT_EQ(platform.QueryDriveType("D:\\"), kDriveNoRootDir);
  EXPECT_EQ(platform.AddVirtualDrive(second), 'D');
}

// A device directory that has not changed is not listed again for every drive letter:
// a node slipped in under an unchanged time stamp stays unseen, while any change of
// the directory (its time stamp moves) is seen at the next look-up.
TEST_F(VolumesTest, UnchangedDeviceDirectoryIsListedOnce) {
#if defined(_WIN32)
  GTEST_SKIP() << "device nodes (srN) exist only on Linux; Windows drive letters come from the system";
#endif
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(devDir.path(), old);
  EXPECT_EQ(platform.DescribeDrive('D'), "");
  std::ofstream(devDir / "sr0") << "";
  fs::last_write_time(devDir.path(), old);
  EXPECT_EQ(platform.DescribeDrive('D'), "");
  std::ofstream(devDir / "sr1") << "";  // stamps the directory now
  EXPECT_EQ(platform.DescribeDrive('D'), (devDir / "sr0").string());
  EXPECT_EQ(platform.DescribeDrive('E'), (devDir / "sr1").string());
}

TEST_F(VolumesTest, DeviceNodesComeFirstInNumberOrder) {
#if defined(_WIN32)
  GTEST_SKIP() << "device nodes (srN) exist only on Linux; Windows drive letters come from the system";
#else
  for (const char* name : {"sr10", "sr2", "sr0", "srx", "sda", "sg0"}) std::ofstream(devDir / name) << "";
  fs::create_directory(devDir / "sr5");
  EXPECT_EQ(platform.DescribeDrive('D'), (devDir / "sr0").string());
  EXPECT_EQ(platform.DescribeDrive('E'), (devDir / "sr2").string());
  EXPECT_EQ(platform.DescribeDrive('F'), (devDir / "sr10").string());
  EXPECT_EQ(platform.QueryDriveType("G:\\"), kDriveNoRootDir);
  EXPECT_EQ(platform.AddVirtualDrive(first), 'G');

  // A plain file opens as a device; its commands fail as calls, not as crashes.
  Handle h = platform.CreateVolume("\\\\.\\D:", false);
  ASSERT_NE(h, kInvalidHandle);
  std::uint8_t data[16] = {};
  auto b = Buffer(data, sizeof(data), 32);
  EXPECT_FALSE(Call(h, b));
  EXPECT_TRUE(platform.CloseHandle(h));

  // Switched off, the nodes are not seen at all.
  LinuxPlatform without{DeviceDiscovery{devDir.str(), 0}};
  EXPECT_EQ(without.QueryDriveType("D:\\"), kDriveNoRootDir);

  // By default the environment decides, at each look-up.
  LinuxPlatform fromEnv;
  const char* wasOff = std::getenv("TARNWICK_NO_REAL_DRIVES");
  const std::string saved = wasOff != nullptr ? wasOff : "";
  ::setenv("TARNWICK_DEV_DIR", devDir.str().c_str(), 1);
  ::setenv("TARNWICK_NO_REAL_DRIVES", "0", 1);
  EXPECT_EQ(fromEnv.DescribeDrive('E'), (devDir / "sr2").string());
  ::setenv("TARNWICK_NO_REAL_DRIVES", "1", 1);
  EXPECT_EQ(fromEnv.DescribeDrive('E'), "");
  ::unsetenv("TARNWICK_DEV_DIR");
  wasOff != nullptr ? ::setenv("TARNWICK_NO_REAL_DRIVES", saved.c_str(), 1) : ::unsetenv("TARNWICK_NO_REAL_DRIVES");
#endif
}

TEST_F(VolumesTest, OpeningVolumesAndRemovingTheirDrives) {
  ASSERT_EQ(platform.AddVirtualDrive(first), 'D');
  const Handle a = platform.CreateVolume("\\\\.\\D:", true);
  const Handle b = platform.CreateVolume("\\\\.\\d:", false);
  EXPECT_NE(a, kInvalidHandle);
  EXPECT_NE(a, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(platform.CreateVolume("\\\\.\\E:", true), kInvalidHandle);
  EXPECT_EQ(platform.CreateVolume("D:", true), kInvalidHandle);
  EXPECT_TRUE(platform.CloseHandle(b));
  EXPECT_FALSE(platform.CloseHandle(b));

  // A handle outliving its virtual drive fails without reaching the target.
  std::uint8_t data[16] = {};
  auto buffer = Buffer(data, sizeof(data), 32);
  EXPECT_TRUE(Call(a, buffer));
  platform.RemoveVirtualDrives();
  EXPECT_FALSE(Call(a, buffer));
  EXPECT_EQ(first->calls, 1);
  EXPECT_TRUE(platform.CloseHandle(a));
}

TEST_F(VolumesTest, PassThroughRoundTrip) {
  platform.AddVirtualDrive(first);
  Handle h = platform.CreateVolume("\\\\.\\D:", true);
  ASSERT_NE(h, kInvalidHandle);

  first->answer.status = 0x02;
  first->answer.senseLength = 18;
  first->answer.sense[12] = 0x11;
  first->answer.sense[17] = 0x5A;
  first->answer.transferred = 1024;

  std::uint8_t data[2048] = {};
  auto b = Buffer(data, sizeof(data), 24);
  std::memset(b.SenseBuf, 0xEE, sizeof(b.SenseBuf));
  ASSERT_TRUE(Call(h, b));

  // What the target was asked for.
  EXPECT_EQ(first->cdb, (std::vector<std::uint8_t>{0x28, 0, 0, 0, 0x10, 0, 0, 0, 1, 0}));
  EXPECT_EQ(first->direction, DataDirection::In);
  EXPECT_EQ(first->timeoutMs, 120000u);
  // What came back.
  EXPECT_EQ(b.Spt.ScsiStatus, 0x02);
  EXPECT_EQ(b.Spt.SenseInfoLength, 18);
  EXPECT_EQ(b.Spt.DataTransferLength, 1024u);
  EXPECT_EQ(b.SenseBuf[12], 0x11);
  EXPECT_EQ(b.SenseBuf[17], 0x5A);
  EXPECT_EQ(b.SenseBuf[18], 0xEE);  // untouched past the sense length
  EXPECT_EQ(data[1023], 0xAB);
  EXPECT_EQ(data[1024], 0x00);

  // The caller's shorter sense length bounds the copy.
  first->answer.senseLength = 32;
  auto shortSense = Buffer(data, sizeof(data), 8);
  std::memset(shortSense.SenseBuf, 0xEE, sizeof(shortSense.SenseBuf));
  ASSERT_TRUE(Call(h, shortSense));
  EXPECT_EQ(shortSense.Spt.SenseInfoLength, 8);
  EXPECT_EQ(shortSense.SenseBuf[8], 0xEE);

  // No data, direction unspecified.
  auto noData = Buffer(nullptr, 0, 32);
  noData.Spt.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED;
  first->answer = ScsiResult{true, 0, 0, 0, {}, 0};
  ASSERT_TRUE(Call(h, noData));
  EXPECT_EQ(first->direction, DataDirection::None);
  EXPECT_EQ(noData.Spt.SenseInfoLength, 0);

  // A failed call reports failure and leaves the buffer as it was.
  first->answer = ScsiResult{};
  first->answer.systemError = 5;
  auto failed = Buffer(data, sizeof(data), 24);
  const auto before = failed;
  EXPECT_FALSE(Call(h, failed));
  EXPECT_EQ(std::memcmp(&before, &failed, sizeof(failed)), 0);
  EXPECT_EQ(platform.LastVolumeError(), 5);
  platform.CloseHandle(h);
}

TEST_F(VolumesTest, PassThroughRefusesBuffersThatDoNotHoldTheSense) {
  platform.AddVirtualDrive(first);
  Handle h = platform.CreateVolume("\\\\.\\D:", true);
  std::uint8_t data[16] = {};
  const int callsBefore = first->calls;

  // Sense area beyond the end of the output buffer.
  auto b = Buffer(data, sizeof(data), 32);
  b.Spt.SenseInfoOffset = sizeof(b) - 16;
  EXPECT_FALSE(Call(h, b));
  // Buffer too short for the structure itself.
  auto c = Buffer(data, sizeof(data), 0);
  EXPECT_FALSE(Call(h, c, sizeof(SCSI_PASS_THROUGH_DIRECT) - 1));
  // Data length without a buffer.
  auto e = Buffer(nullptr, 64, 0);
  EXPECT_FALSE(Call(h, e));
  EXPECT_EQ(first->calls, callsBefore);

  // An unknown control code fails; so does an unknown handle.
  std::uint32_t returned = 0;
  EXPECT_FALSE(platform.DeviceIoControl(h, 0x12345, &b, sizeof(b), &b, sizeof(b), &returned));
  EXPECT_FALSE(platform.DeviceIoControl(4242, IOCTL_SCSI_PASS_THROUGH_DIRECT, &b, sizeof(b), &b, sizeof(b), &returned));
  platform.CloseHandle(h);
}

TEST_F(VolumesTest, GetAddressWithAndWithoutAnAddress) {
  platform.AddVirtualDrive(first);
  platform.AddVirtualDrive(second);
  first->hasAddress = true;
  first->address = SCSI_ADDRESS{0, 1, 0, 3, 0};
  Handle withAddress = platform.CreateVolume("\\\\.\\D:", true);
  Handle without = platform.CreateVolume("\\\\.\\E:", true);

  SCSI_ADDRESS out{};
  out.Length = 8;
  std::uint32_t returned = 0;
  ASSERT_TRUE(platform.DeviceIoControl(withAddress, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &out, sizeof(out), &returned));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(out.Length, 8u);
  EXPECT_EQ(out.PortNumber, 1);
  EXPECT_EQ(out.TargetId, 3);
  EXPECT_EQ(out.Lun, 0);

  EXPECT_FALSE(platform.DeviceIoControl(without, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &out, sizeof(out), &returned));
  EXPECT_FALSE(platform.DeviceIoControl(withAddress, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &out, 4, &returned));
  platform.CloseHandle(withAddress);
  platform.CloseHandle(without);
}

TEST(LibrariesTest, MissingLibraryGivesNullAndErrorModeIsKept) {
  test::TempDir dir;
  test::OwnPlatform platform;
  EXPECT_EQ(platform.OpenLibrary("NO_SUCH_LIBRARY.DLL"), nullptr);
  EXPECT_EQ(platform.OpenLibrary(".\\NO_SUCH_LIBRARY.DLL"), nullptr);
  EXPECT_EQ(platform.OpenLibrary(""), nullptr);
  EXPECT_EQ(platform.GetProcAddress(nullptr, "x"), nullptr);
  EXPECT_FALSE(platform.FreeLibrary(nullptr));

  // A file that is no library fails too, even with a Windows-style directory part.
  std::ofstream(dir / "BROKEN.DLL") << "not a library";
  EXPECT_EQ(platform.OpenLibrary(dir.str() + "\\BROKEN.DLL"), nullptr);

  // The mode a process starts with is the system's (wine starts with several bits set);
  // what was set is what the next call hands back, and the old mode can be restored.
  const std::uint32_t initial = platform.SetErrorMode(kFailCriticalErrors);
  EXPECT_EQ(platform.SetErrorMode(initial), kFailCriticalErrors);
  EXPECT_EQ(platform.SetErrorMode(initial), initial);
}

}  // namespace
}  // namespace tarnwick::platform
