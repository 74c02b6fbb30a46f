// The ASPI back-end with the test library: requests completed on the library's own
// thread and signalled through the request's event, pending requests, aborts, and
// the virtual drive scope that other tests build on.
#include <fstream>

#include "support/Environment.h"
#include "TransportTestKit.h"
#include "platform/ByteOrder.h"
#include "support/TempDir.h"
#include "support/VirtualDriveScope.h"
#include "transport/aspi_fixture/AspiFixtureControl.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick::test {
namespace {

// A bare 32-block image whose block 16 starts with a volume descriptor mark.
std::string WriteImage(const TempDir& dir) {
  std::vector<char> blocks(32 * 2048, 0);
  const char mark[] = "\x01" "CD001";
  std::memcpy(&blocks[16 * 2048], mark, 6);
  const std::string path = (dir / "disc.iso").string();
  std::ofstream(path, std::ios::binary).write(blocks.data(), static_cast<std::streamsize>(blocks.size()));
  return path;
}

class AspiLibraryTest : public TransportTest {
 protected:
  void SetUp() override {
    TransportTest::SetUp();
    image_ = WriteImage(dir_);
    test::SetEnv(kAspiDiscsVariable, "1:2:0:F=" + image_);
    {
      ScopedCwd cwd(kAspiFixtureDir);
      ASSERT_TRUE(InitASPI(false));
    }
    ASSERT_EQ(TransportName(), "WNASPI32.DLL");
    // A second reference to the same library, for its control function.
    library_ = platform::Current().OpenLibrary(std::string(kAspiFixtureDir) + "/WNASPI32.DLL");
    ASSERT_NE(library_, nullptr);
    control_ = reinterpret_cast<AspiFixtureControlFn>(platform::Current().GetProcAddress(library_, "AspiFixtureControl"));
    ASSERT_NE(control_, nullptr);
    ASSERT_EQ(control_(kAspiReload, 0), 1);
    event_ = platform::Current().NewEvent(true, false);
  }
  void TearDown() override {
    if (control_ != nullptr) control_(kAspiReload, 0);
    if (event_ != nullptr) platform::Current().CloseEvent(event_);
    if (library_ != nullptr) platform::Current().FreeLibrary(library_);
    test::UnsetEnv(kAspiDiscsVariable);
    TransportTest::TearDown();
  }

  SRB_ExecSCSICmd Read(std::uint32_t lba, std::uint8_t* buffer) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = 1;
    srb.SRB_Target = 2;
    srb.SRB_Flags = SRB_EVENT_NOTIFY | SRB_DIR_IN;
    srb.SRB_BufPointer = buffer;
    srb.SRB_BufLen = 2048;
    srb.SRB_SenseLen = 14;
    srb.SRB_CDBLen = 10;
    srb.SRB_PostProc = event_;
    srb.CDBByte[0] = 0x28;
    PutBE32(&srb.CDBByte[2], lba);
    srb.CDBByte[8] = 1;
    return srb;
  }

  TempDir dir_;
  std::string image_;
  platform::LibraryHandle library_ = nullptr;
  AspiFixtureControlFn control_ = nullptr;
  platform::EventHandle event_ = nullptr;
};

TEST_F(AspiLibraryTest, AdapterAndDiskInformation) {
  SRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  ha.SRB_HaId = 1;
  EXPECT_EQ(SendASPI32Command(&ha), SS_COMP);
  EXPECT_EQ(ha.HA_Count, 2);
  EXPECT_NE(ha.HA_ManagerId[0], 0);
  EXPECT_NE(ha.HA_Identifier[0], 0);
  ha.SRB_HaId = 2;
  EXPECT_EQ(SendASPI32Command(&ha), SS_INVALID_HA);
  EXPECT_EQ(ha.HA_Count, 2);

  SRB_GetDiskInfo disk{};
  disk.SRB_Cmd = SC_GET_DISK_INFO;
  disk.SRB_HaId = 1;
  disk.SRB_Target = 2;
  EXPECT_EQ(SendASPI32Command(&disk), SS_COMP);
  EXPECT_EQ(disk.SRB_Int13HDriveInfo, 'F' - 'A');
  disk.SRB_Target = 3;
  EXPECT_EQ(SendASPI32Command(&disk), SS_NO_DEVICE);
}

TEST_F(AspiLibraryTest, ExecuteCompletesLaterOnTheLibrarysThreadAndSignalsTheEvent) {
  control_(kAspiSetDelayMs, 30);
  std::vector<std::uint8_t> block(2048, 0xEE);
  auto srb = Read(16, block.data());
  EXPECT_EQ(SendASPI32Command(&srb), SS_PENDING);
  ASSERT_EQ(platform::Current().WaitForSingleObject(event_, 5000), platform::kWaitSignalled);
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&block[1]), 5), "CD001");

  // A failed command brings back its target status and sense.
  platform::Current().ResetEvent(event_);
  auto bad = Read(100000, block.data());
  EXPECT_EQ(SendASPI32Command(&bad), SS_PENDING);
  ASSERT_EQ(platform::Current().WaitForSingleObject(event_, 5000), platform::kWaitSignalled);
  EXPECT_EQ(bad.SRB_Status, SS_ERR);
  EXPECT_EQ(bad.SRB_TargStat, 2);
  EXPECT_EQ(bad.SenseArea[0] & 0x7F, 0x70);
  EXPECT_EQ(bad.SenseArea[2] & 0x0F, 5);  // illegal request

  auto unknown = Read(16, block.data());
  unknown.SRB_Target = 7;
  EXPECT_EQ(SendASPI32Command(&unknown), SS_NO_DEVICE);
}

TEST_F(AspiLibraryTest, PendingRequestIsAbortedAndNeverTouchedAgain) {
  control_(kAspiSetNeverComplete, 1);
  std::vector<std::uint8_t> block(2048, 0xEE);
  auto srb = Read(16, block.data());
  EXPECT_EQ(SendASPI32Command(&srb), SS_PENDING);
  EXPECT_EQ(platform::Current().WaitForSingleObject(event_, 50), platform::kWaitTimeout);
  EXPECT_EQ(control_(kAspiPendingCount, 0), 1);

  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_HaId = 1;
  abort.SRB_ToAbort = &srb;
  EXPECT_EQ(SendASPI32Command(&abort), SS_COMP);
  EXPECT_EQ(control_(kAspiPendingCount, 0), 0);
  EXPECT_EQ(control_(kAspiCompletedCount, 0), 0);
  EXPECT_NE(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(block[0], 0xEE);
}

TEST_F(AspiLibraryTest, RefusedAbortLetsTheRequestCompleteLater) {
  control_(kAspiSetNeverComplete, 1);
  control_(kAspiSetAbortFails, 1);
  control_(kAspiSetLateDelayMs, 20);
  std::vector<std::uint8_t> block(2048, 0xEE);
  auto srb = Read(16, block.data());
  EXPECT_EQ(SendASPI32Command(&srb), SS_PENDING);
  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_ToAbort = &srb;
  EXPECT_EQ(SendASPI32Command(&abort), SS_ERR);
  EXPECT_EQ(control_(kAspiDrain, 5000), 0);
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(block[1], 'C');
  EXPECT_EQ(platform::Current().WaitForSingleObject(event_, 0), platform::kWaitSignalled);
}

TEST(VirtualDriveScopeTest, ServesItsDrivesThroughPassThroughAndUndoesEverything) {
  TempDir dir;
  const std::string image = WriteImage(dir);
  {
    VirtualDriveScope scope({image, image});
    ASSERT_TRUE(scope.Initialised());
    EXPECT_EQ(TransportName(), "PTEMUL32");
    ASSERT_EQ(scope.size(), 2u);
    EXPECT_NE(scope.Letter(0), scope.Letter(1));
    // Neither drive has an address of its own: both sit on the made-up adapter.
    EXPECT_EQ(scope.HaId(0), 1);
    EXPECT_EQ(scope.Target(1), 1);

    std::vector<std::uint8_t> block(2048);
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = scope.HaId(1);
    srb.SRB_Target = scope.Target(1);
    srb.SRB_Lun = scope.Lun(1);
    srb.SRB_Flags = SRB_DIR_IN;
    srb.SRB_BufPointer = block.data();
    srb.SRB_BufLen = 2048;
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = 0x28;
    srb.CDBByte[5] = 16;
    srb.CDBByte[8] = 1;
    EXPECT_EQ(SendASPI32Command(&srb), SS_COMP);
    EXPECT_EQ(block[1], 'C');
    EXPECT_EQ(scope.Drive(1).CommandLog().back()[0], 0x28);
  }
  EXPECT_FALSE(ASPIInitialized());
  EXPECT_EQ(platform::Current().QueryDriveType("D:\\"), platform::kDriveNoRootDir);
}

}  // namespace
}  // namespace tarnwick::test
