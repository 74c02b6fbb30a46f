// Command execution through the test ASPI library, which completes requests on a
// thread of its own: a normal read, and a read that times out, whose abort is refused
// and which the library completes afterwards, when the caller's record and buffer are
// gone (AddressSanitizer checks that the late writes land in live memory).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "support/Environment.h"
#include "drive/SCSIDevice.h"
#include "drive/TransportRequest.h"
#include "platform/VirtualClock.h"
#include "support/TempDir.h"
#include "transport/Transport.h"
#include "transport/aspi_fixture/AspiFixtureControl.h"

namespace tarnwick {
namespace {

using namespace test;

class ExecAspiLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<char> blocks(32 * 2048, 0);
    blocks[16 * 2048] = 1;
    std::memcpy(&blocks[16 * 2048 + 1], "CD001", 5);
    const std::string image = (dir / "disc.iso").string();
    std::ofstream(image, std::ios::binary).write(blocks.data(), static_cast<std::streamsize>(blocks.size()));
    test::SetEnv("TARNWICK_NO_REAL_DRIVES", "1");
    test::SetEnv(kAspiDiscsVariable, "0:1:0=" + image);
    ResetTransportForTesting();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(kAspiFixtureDir);
    const bool started = InitASPI(false);
    std::filesystem::current_path(previous);
    ASSERT_TRUE(started);
    ASSERT_EQ("WNASPI32.DLL", TransportName());
    library = platform::Current().OpenLibrary(std::string(kAspiFixtureDir) + "/WNASPI32.DLL");
    ASSERT_NE(nullptr, library);
    control = reinterpret_cast<AspiFixtureControlFn>(platform::Current().GetProcAddress(library, "AspiFixtureControl"));
    ASSERT_NE(nullptr, control);
    control(kAspiReload, 0);
    device = std::make_unique<TSCSIDevice>();
    device->HaId = 0;
    device->Target = 1;
    device->Lun = 0;
    control(kAspiDrain, 5000);  // the probes of the constructor are fully counted
    baseOrphans = TOrphanKeeper::Instance().Sweep();
  }
  void TearDown() override {
    device.reset();
    if (control != nullptr) control(kAspiDrain, 5000);
    ResetTransportForTesting();
    if (library != nullptr) platform::Current().FreeLibrary(library);
    test::UnsetEnv(kAspiDiscsVariable);
  }

  static void ReadBlock16(SRB_ExecSCSICmd& srb, std::uint8_t* buffer) {
    srb.SRB_Flags = SRB_EVENT_NOTIFY | SRB_DIR_IN;
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = 0x28;
    srb.CDBByte[5] = 16;
    srb.CDBByte[8] = 1;
    srb.SRB_BufLen = 2048;
    srb.SRB_BufPointer = buffer;
  }

  TempDir dir;
  platform::VirtualClock clock;
  platform::LibraryHandle library = nullptr;
  AspiFixtureControlFn control = nullptr;
  std::unique_ptr<TSCSIDevice> device;
  std::size_t baseOrphans = 0;
};

TEST_F(ExecAspiLibraryTest, ReadCompletesOnLibraryThread) {
  std::vector<std::uint8_t> block(2048, 0xEE);
  SRB_ExecSCSICmd srb{};
  ReadBlock16(srb, block.data());
  control(kAspiSetDelayMs, 20);
  EXPECT_TRUE(device->ExecuteCommand(srb, 10000));  // the real clock: a real wait
  EXPECT_EQ("CD001", std::string(reinterpret_cast<char*>(&block[1]), 5));
  EXPECT_EQ(baseOrphans, TOrphanKeeper::Instance().Sweep());
}

TEST_F(ExecAspiLibraryTest, RefusedAbortAndLateCompletionLeaveCallerMemoryAlone) {
  platform::ScopedClock scopedClock(clock);
  control(kAspiSetNeverComplete, 1);
  control(kAspiSetAbortFails, 1);
  control(kAspiSetLateDelayMs, 30);
  auto record = std::make_unique<SRB_ExecSCSICmd>();
  auto buffer = std::make_unique<std::uint8_t[]>(2048);
  ReadBlock16(*record, buffer.get());
  const long completedBefore = control(kAspiCompletedCount, 0);
  EXPECT_FALSE(device->ExecuteCommand(*record, 10000));
  EXPECT_EQ(SS_ERR, record->SRB_Status);
  EXPECT_EQ(HASTAT_COMMAND_TIMEOUT, record->SRB_HaStat);
  EXPECT_EQ(1, control(kAspiAbortCount, 0));
  record.reset();
  buffer.reset();

  EXPECT_EQ(0, control(kAspiDrain, 5000));  // the library has written and signalled
  EXPECT_EQ(completedBefore + 1, control(kAspiCompletedCount, 0));
  EXPECT_EQ(baseOrphans, TOrphanKeeper::Instance().Sweep());
}

}  // namespace
}  // namespace tarnwick
