// The pass-through back-end: addresses from the scan, the emulated ASPI requests
// and the handling of volume handles.
#include <array>

#include "TransportTestKit.h"
#include "platform/ByteOrder.h"

namespace tarnwick::test {
namespace {

using platform::DataDirection;

class PassThroughTest : public TransportTest {};

TEST_F(PassThroughTest, AddressesComeFromThePortsAndDrivesWithoutOneGetAnExtraAdapter) {
  char l1, l2, l3, l4;
  AddDrive(std::make_shared<ScriptedTarget>("a", true, 1, 0, 0), &l1);
  AddDrive(std::make_shared<ScriptedTarget>("b", true, 1, 3, 0, /*pathId=*/2), &l2);
  AddDrive(std::make_shared<ScriptedTarget>("no address 1"), &l3);
  AddDrive(std::make_shared<ScriptedTarget>("no address 2"), &l4);
  ASSERT_TRUE(InitASPI(true));
  EXPECT_EQ(TransportName(), "PTEMUL32");

  const auto a = PassThroughDrive(l1), b = PassThroughDrive(l2), c = PassThroughDrive(l3), d = PassThroughDrive(l4);
  ASSERT_TRUE(a && b && c && d);
  EXPECT_EQ(a->adapter, 1);
  EXPECT_EQ(a->target, 0);
  EXPECT_EQ(b->adapter, 1);  // the path id plays no part
  EXPECT_EQ(b->target, 3);
  EXPECT_EQ(c->adapter, 2);
  EXPECT_EQ(c->target, 0);
  EXPECT_EQ(c->lun, 0);
  EXPECT_EQ(d->adapter, 2);
  EXPECT_EQ(d->target, 1);
  EXPECT_EQ(d->lun, 0);
  EXPECT_EQ(PassThroughAdapterCount(), 3);
  EXPECT_EQ(GetASPI32SupportInfo(), 0x0103u);
  for (const auto& v : PassThroughDrives()) EXPECT_FALSE(v.handleOpen) << v.letter;
}

TEST_F(PassThroughTest, HostAdapterInquiryWithinAndBeyondTheCount) {
  AddDrive(std::make_shared<ScriptedTarget>("a", true, 0, 1, 0));
  ASSERT_TRUE(InitASPI(true));

  SRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(SendASPI32Command(&ha), SS_COMP);
  EXPECT_EQ(ha.SRB_Status, SS_COMP);
  EXPECT_EQ(ha.HA_Count, 1);
  EXPECT_EQ(ha.HA_SCSI_ID, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ha.HA_ManagerId), 16), std::string("Windows ") + std::string(8, '\0'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ha.HA_Identifier), 16), std::string("SPTI 0") + std::string(10, '\0'));
  EXPECT_EQ(GetLE16(ha.HA_Unique), 7);
  EXPECT_EQ(ha.HA_Unique[3], 8);
  EXPECT_EQ(GetLE32(ha.HA_Unique + 4), 0xFF0000u);

  SRB_HAInquiry beyond{};
  beyond.SRB_Cmd = SC_HA_INQUIRY;
  beyond.SRB_HaId = 1;
  EXPECT_EQ(SendASPI32Command(&beyond), SS_INVALID_HA);
  EXPECT_EQ(beyond.SRB_Status, SS_INVALID_HA);
  EXPECT_EQ(beyond.HA_Count, 1);
  EXPECT_EQ(beyond.HA_ManagerId[0], 0);
}

TEST_F(PassThroughTest, InquiryIsAnsweredFromTheCacheWithoutTouchingTheDrive) {
  char letter;
  auto drive = AddDrive(std::make_shared<ScriptedTarget>("a", true, 0, 0, 0), &letter);
  ASSERT_TRUE(InitASPI(true));
  const auto view = *PassThroughDrive(letter);
  const std::size_t commandsAfterScan = drive->ReceivedCommands().size();
  // The scan asked once: a 96-byte INQUIRY with the fixed two-minute limit.
  ASSERT_EQ(commandsAfterScan, 1u);
  const auto probe = drive->ReceivedCommands()[0];
  EXPECT_EQ(probe.cdb, (std::vector<std::uint8_t>{0x12, 0x00, 0x00, 0x00, 0x60, 0x00}));
  EXPECT_EQ(probe.direction, DataDirection::In);
  EXPECT_EQ(probe.dataLength, 96u);
  EXPECT_EQ(probe.timeoutMs, 120000u);

  std::array<std::uint8_t, 128> answer;
  answer.fill(0xEE);
  auto srb = ExecRequest(view, 0x12, 0x48, answer.data(), answer.size());
  EXPECT_EQ(SendASPI32Command(&srb), SS_COMP);
  EXPECT_EQ(0, std::memcmp(answer.data(), drive->Inquiry(), 36));
  EXPECT_EQ(answer[36], 0xEE);  // exactly 36 bytes
  EXPECT_EQ(drive->ReceivedCommands().size(), commandsAfterScan);
  EXPECT_FALSE(PassThroughDrive(letter)->handleOpen);

  // A buffer shorter than 36 bytes gets only what fits.
  auto small = std::make_unique<std::uint8_t[]>(8);
  auto shortSrb = ExecRequest(view, 0x12, 0x48, small.get(), 8);
  EXPECT_EQ(SendASPI32Command(&shortSrb), SS_COMP);
  EXPECT_EQ(0, std::memcmp(small.get(), drive->Inquiry(), 8));
  auto none = ExecRequest(view, 0x12, 0x48, nullptr, 128);
  EXPECT_EQ(SendASPI32Command(&none), SS_COMP);
}

TEST_F(PassThroughTest, UnknownAddressesAndUnservedRequests) {
  AddDrive(std::make_shared<ScriptedTarget>("a", true, 0, 0, 0));
  ASSERT_TRUE(InitASPI(true));
  SptiDriveView unknown{};
  unknown.target = 5;
  auto srb = ExecRequest(unknown, 0x00, 0x40, nullptr, 0);
  EXPECT_EQ(SendASPI32Command(&srb), SS_NO_DEVICE);
  EXPECT_EQ(srb.SRB_Status, SS_NO_DEVICE);

  SRB_GDEVBlock dev{};
  dev.SRB_Cmd = SC_GET_DEV_TYPE;
  EXPECT_EQ(SendASPI32Command(&dev), SS_COMP);
  EXPECT_EQ(dev.SRB_DeviceType, 5);
  dev.SRB_Target = 5;
  EXPECT_EQ(SendASPI32Command(&dev), SS_NO_DEVICE);
  EXPECT_EQ(dev.SRB_DeviceType, 0x1F);

  SRB_GetDiskInfo disk{};
  disk.SRB_Cmd = SC_GET_DISK_INFO;
  disk.SRB_Status = 0x77;
  EXPECT_EQ(SendASPI32Command(&disk), 4u);
  EXPECT_EQ(disk.SRB_Status, 0);

  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_ToAbort = &srb;
  EXPECT_EQ(SendASPI32Command(&abort), SS_ERR);
  EXPECT_EQ(abort.SRB_Status, SS_ERR);

  SRB_Header odd{};
  odd.SRB_Cmd = 0x05;
  EXPECT_EQ(SendASPI32Command(&odd), SS_ERR);
  EXPECT_EQ(odd.SRB_Status, SS_ERR);
  EXPECT_EQ(SendASPI32Command(nullptr), SS_ERR);
}

TEST_F(PassThroughTest, DirectionFollowsTheFlagsAndTheTimeOutIsFixed) {
  char letter;
  auto drive = AddDrive(std::make_shared<ScriptedTarget>("a"), &letter);
  ASSERT_TRUE(InitASPI(true));
  const auto view = *PassThroughDrive(letter);
  std::uint8_t buffer[64] = {};
  for (std::uint8_t flags : {0x40, 0x48, 0x50, 0x58, 0x00}) {
    auto srb = ExecRequest(view, 0x43, flags, buffer, sizeof buffer);
    EXPECT_EQ(SendASPI32Command(&srb), SS_COMP);
  }
  const auto got = drive->ReceivedCommands();
  ASSERT_EQ(got.size(), 6u);  // the scan's INQUIRY, then ours
  EXPECT_EQ(got[1].direction, DataDirection::None);
  EXPECT_EQ(got[2].direction, DataDirection::In);
  EXPECT_EQ(got[3].direction, DataDirection::Out);
  EXPECT_EQ(got[4].direction, DataDirection::In);  // data-in wins
  EXPECT_EQ(got[5].direction, DataDirection::None);
  for (std::size_t i = 1; i < got.size(); ++i) {
    EXPECT_EQ(got[i].timeoutMs, 120000u);
    EXPECT_EQ(got[i].cdb.size(), 10u);
    EXPECT_EQ(got[i].cdb[0], 0x43);
    EXPECT_EQ(got[i].dataLength, sizeof buffer);
  }
}

TEST_F(PassThroughTest, FailedCommandCarriesSenseAndTargetStatus) {
  char letter;
  auto drive = AddDrive(std::make_shared<ScriptedTarget>("a"), &letter);
  ASSERT_TRUE(InitASPI(true));
  platform::ScsiResult check{};
  check.callOk = true;
  check.status = 2;
  check.senseLength = 18;
  for (int i = 0; i < 18; ++i) check.sense[i] = static_cast<std::uint8_t>(0x70 + i);
  drive->SetResult(check);

  auto srb = ExecRequest(*PassThroughDrive(letter), 0x28, 0x48, nullptr, 0);
  srb.SRB_HaStat = 0x55;
  std::memset(srb.SenseArea, 0xAA, sizeof srb.SenseArea);
  EXPECT_EQ(SendASPI32Command(&srb), SS_ERR);
  EXPECT_EQ(srb.SRB_Status, SS_ERR);
  EXPECT_EQ(srb.SRB_TargStat, 2);
  EXPECT_EQ(srb.SRB_HaStat, 0x55);  // not touched
  EXPECT_EQ(0, std::memcmp(srb.SenseArea, check.sense, 14));  // as much as asked for
  EXPECT_EQ(srb.SenseArea[14], 0xAA);

  // A good status with leftover sense of another length is not complete either.
  platform::ScsiResult odd{};
  odd.callOk = true;
  odd.senseLength = 5;
  drive->SetResult(odd);
  auto again = ExecRequest(*PassThroughDrive(letter), 0x28, 0x48, nullptr, 0);
  EXPECT_EQ(SendASPI32Command(&again), SS_ERR);
  EXPECT_EQ(again.SRB_TargStat, 0);
}

TEST_F(PassThroughTest, VolumeOpensOnFirstCommandAndStaysOpenUntilClosed) {
  RecordingPlatform recorder;
  char letter;
  AddDrive(std::make_shared<ScriptedTarget>("a"), &letter);
  ASSERT_TRUE(InitASPI(true));
  EXPECT_EQ(recorder.volumesOpened, 1);  // the scan's probe
  EXPECT_EQ(recorder.volumesClosed, 1);

  for (int i = 0; i < 3; ++i) {
    auto srb = ExecRequest(*PassThroughDrive(letter), 0x00, 0x40, nullptr, 0);
    EXPECT_EQ(SendASPI32Command(&srb), SS_COMP);
  }
  EXPECT_EQ(recorder.volumesOpened, 2);
  EXPECT_TRUE(PassThroughDrive(letter)->handleOpen);

  CloseSPTIDrives();
  EXPECT_EQ(recorder.volumesClosed, 2);
  EXPECT_FALSE(PassThroughTableScanned());
  EXPECT_TRUE(PassThroughDrives().empty());
}

TEST_F(PassThroughTest, VolumeThatCannotBeOpenedFailsTheCommandAndIsRetried) {
  RecordingPlatform recorder;
  char letter;
  AddDrive(std::make_shared<ScriptedTarget>("a"), &letter);
  ASSERT_TRUE(InitASPI(true));
  const auto view = *PassThroughDrive(letter);
  platform::Current().RemoveVirtualDrives();

  auto srb = ExecRequest(view, 0x00, 0x40, nullptr, 0);
  std::memset(srb.SenseArea, 0xAA, sizeof srb.SenseArea);
  EXPECT_EQ(SendASPI32Command(&srb), SS_ERR);
  EXPECT_EQ(srb.SRB_TargStat, 0);
  for (int i = 0; i < 14; ++i) EXPECT_EQ(srb.SenseArea[i], 0) << i;
  EXPECT_EQ(srb.SenseArea[14], 0xAA);
  EXPECT_FALSE(PassThroughDrive(letter)->handleOpen);

  char again;
  AddDrive(std::make_shared<ScriptedTarget>("back"), &again);
  ASSERT_EQ(again, letter);
  auto retry = ExecRequest(view, 0x00, 0x40, nullptr, 0);
  EXPECT_EQ(SendASPI32Command(&retry), SS_COMP);
  EXPECT_TRUE(PassThroughDrive(letter)->handleOpen);
}

TEST_F(PassThroughTest, DrivesSharingAnAddressAreReachedThroughTheLowerLetter) {
  char first, second;
  auto a = AddDrive(std::make_shared<ScriptedTarget>("a", true, 0, 2, 0, 0), &first);
  auto b = AddDrive(std::make_shared<ScriptedTarget>("b", true, 0, 2, 0, 1), &second);
  ASSERT_TRUE(InitASPI(true));
  ASSERT_LT(first, second);
  auto srb = ExecRequest(*PassThroughDrive(second), 0x00, 0x40, nullptr, 0);
  EXPECT_EQ(SendASPI32Command(&srb), SS_COMP);
  EXPECT_EQ(a->ReceivedCommands().size(), 2u);
  EXPECT_EQ(b->ReceivedCommands().size(), 1u);
}

}  // namespace
}  // namespace tarnwick::test
