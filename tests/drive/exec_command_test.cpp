// Executing a command through a scripted library: refusal, time limits, waiting,
// time-outs and aborts, LUN bits, error capture and the copy-back of results.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <thread>
#include <vector>

#include "drive/SCSIDevice.h"
#include "drive/TransportRequest.h"
#include "exec_fake_backend.h"
#include "platform/VirtualClock.h"

namespace tarnwick {
namespace {

using test::ExecFakeBackend;

class ExecCommandTest : public ::testing::Test {
 protected:
  ExecCommandTest() : scopedClock(clock) {
    // The constructor probes the adapters; only what the tests send counts.
    fake.sent.clear();
    fake.received.clear();
    clock.ClearRecords();
    baseOrphans = TOrphanKeeper::Instance().Sweep();
    device.HaId = 1;
    device.Target = 3;
    device.Lun = 0;
  }

  // A READ (10) of one 2048-byte block into `data`, as the read operation builds it.
  SRB_ExecSCSICmd ReadRequest(std::uint8_t flags = 0x48) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Flags = flags;
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = 0x28;
    srb.CDBByte[5] = 16;
    srb.CDBByte[8] = 1;
    srb.SRB_BufLen = static_cast<std::uint32_t>(data.size());
    srb.SRB_BufPointer = data.data();
    return srb;
  }

  static std::uint32_t NeverCompletes(SRB_ExecSCSICmd& srb) { return srb.SRB_Status = SS_PENDING; }

  platform::VirtualClock clock;
  platform::ScopedClock scopedClock;
  ExecFakeBackend fake;
  TSCSIDevice device;
  std::array<std::uint8_t, 2048> data{};
  std::size_t baseOrphans = 0;
};

TEST_F(ExecCommandTest, RefusedWithoutDeviceOrTransportAndErrorStateCleared) {
  device.LastErrorText = "OLD";
  device.LastSense[12] = 0x3A;
  device.HaId = 254;
  SRB_ExecSCSICmd srb = ReadRequest();
  const SRB_ExecSCSICmd before = srb;
  EXPECT_FALSE(device.ExecuteCommand(srb, 10000));
  EXPECT_EQ(0, std::memcmp(&before, &srb, sizeof srb));
  EXPECT_TRUE(fake.sent.empty());
  EXPECT_EQ("", device.LastErrorText);
  EXPECT_EQ(0, device.LastSense[12]);

  // Without a transport the send entry would write 80h into the record.
  device.HaId = 1;
  ResetTransportForTesting();
  EXPECT_FALSE(device.ExecuteCommand(srb, 10000));
  EXPECT_EQ(0, std::memcmp(&before, &srb, sizeof srb));
  EXPECT_TRUE(clock.Waits().empty());
}

TEST_F(ExecCommandTest, CompletesRecordAddressLunBitsAndSenseLength) {
  SRB_ExecSCSICmd srb = ReadRequest();
  srb.CDBByte[1] = 0xFF;
  srb.SRB_SenseLen = 99;
  EXPECT_TRUE(device.ExecuteCommand(srb, 10000));
  ASSERT_EQ(1u, fake.sent.size());
  const SRB_ExecSCSICmd& got = fake.sent[0];
  EXPECT_EQ(SC_EXEC_SCSI_CMD, got.SRB_Cmd);
  EXPECT_EQ(1, got.SRB_HaId);
  EXPECT_EQ(3, got.SRB_Target);
  EXPECT_EQ(0, got.SRB_Lun);
  EXPECT_EQ(14, got.SRB_SenseLen);
  EXPECT_EQ(0x1F, got.CDBByte[1]);
  EXPECT_NE(nullptr, static_cast<void*>(got.SRB_PostProc));  // event made for bit 40h
  EXPECT_EQ(SS_COMP, srb.SRB_Status);

  device.Lun = 1;
  srb = ReadRequest(0x08);
  srb.CDBByte[1] = 0x02;
  EXPECT_TRUE(device.ExecuteCommand(srb, 10000));
  EXPECT_EQ(0x22, fake.sent[1].CDBByte[1]);
  EXPECT_EQ(1, fake.sent[1].SRB_Lun);
  EXPECT_EQ(nullptr, static_cast<void*>(fake.sent[1].SRB_PostProc));  // no event without bit 40h
  // Completed before the send returned: never waited for.
  EXPECT_TRUE(clock.Waits().empty());
}

TEST_F(ExecCommandTest, TimeLimitHasTenSecondFloor) {
  fake.onExecute = NeverCompletes;
  fake.abortSucceeds = true;
  for (std::int32_t limit : {0, 5000, -1, 10000, 60000}) {
    SRB_ExecSCSICmd srb = ReadRequest();
    device.ExecuteCommand(srb, limit);
  }
  EXPECT_EQ((std::vector<std::uint32_t>{10000, 10000, 10000, 10000, 60000}), clock.Waits());
  EXPECT_EQ(5u, fake.aborted.size());
  // Accepted aborts: the library let go, nothing is kept.
  EXPECT_EQ(baseOrphans, TOrphanKeeper::Instance().Sweep());
}

TEST_F(ExecCommandTest, TimeOutAbortsOnceAndReportsCommandTimeout) {
  fake.onExecute = NeverCompletes;
  fake.abortSucceeds = true;
  TStringsSink sink;
  device.SetDebugWindow(&sink);
  device.LastErrorText = "OLD";
  SRB_ExecSCSICmd srb = ReadRequest();
  EXPECT_FALSE(device.ExecuteCommand(srb, 30000));
  EXPECT_EQ(SS_ERR, srb.SRB_Status);
  EXPECT_EQ(HASTAT_COMMAND_TIMEOUT, srb.SRB_HaStat);
  EXPECT_EQ("", device.LastErrorText);
  EXPECT_EQ(std::vector<std::uint8_t>(SENSE_AREA_LEN, 0),
            std::vector<std::uint8_t>(device.LastSense, device.LastSense + SENSE_AREA_LEN));
  EXPECT_TRUE(sink.Lines.empty());
  ASSERT_EQ(1u, fake.aborted.size());
  EXPECT_EQ(fake.received[0], fake.aborted[0]);  // the request the library holds
  EXPECT_EQ(1, fake.abortHaIds[0]);
  EXPECT_EQ((std::vector<std::uint32_t>{30000}), clock.Waits());
}

TEST_F(ExecCommandTest, PendingWithoutEventIsTimedOutAtOnce) {
  fake.onExecute = NeverCompletes;
  SRB_ExecSCSICmd srb = ReadRequest(0x08);
  EXPECT_FALSE(device.ExecuteCommand(srb, 10000));
  EXPECT_TRUE(clock.Waits().empty());
  EXPECT_EQ(1u, fake.aborted.size());
  EXPECT_EQ(SS_ERR, srb.SRB_Status);
  EXPECT_EQ(HASTAT_COMMAND_TIMEOUT, srb.SRB_HaStat);
  // Released when the library finally writes a status.
  EXPECT_EQ(baseOrphans + 1, TOrphanKeeper::Instance().Sweep());
  fake.received[0]->SRB_Status = SS_ERR;
  EXPECT_EQ(baseOrphans, TOrphanKeeper::Instance().Sweep());
}

TEST_F(ExecCommandTest, ErrorCapturedAndResultsCopiedBack) {
  data.fill(0xEE);
  fake.onExecute = [](SRB_ExecSCSICmd& srb) -> std::uint32_t {
    srb.SRB_BufPointer[0] = 0x11;  // a partial transfer
    srb.SRB_TargStat = 2;
    srb.SenseArea[0] = 0x70;
    srb.SenseArea[2] = 0x02;
    srb.SenseArea[7] = 10;
    srb.SenseArea[12] = 0x3A;
    srb.SenseArea[32] = 0x99;
    return srb.SRB_Status = SS_ERR;
  };
  SRB_ExecSCSICmd srb = ReadRequest();
  EXPECT_FALSE(device.ExecuteCommand(srb, 10000));
  EXPECT_EQ(SS_ERR, srb.SRB_Status);
  EXPECT_EQ(2, srb.SRB_TargStat);
  EXPECT_EQ(data.data(), static_cast<std::uint8_t*>(srb.SRB_BufPointer));
  EXPECT_EQ(0x11, data[0]);
  EXPECT_EQ(0xEE, data[1]);  // untouched bytes stay as they were
  EXPECT_EQ("NOT READY (MEDIUM NOT PRESENT)", device.LastErrorText);
  EXPECT_EQ(0, std::memcmp(device.LastSense, srb.SenseArea, SENSE_AREA_LEN));
  EXPECT_EQ(0x99, device.LastSense[32]);

  fake.onExecute = nullptr;
  srb = ReadRequest();
  EXPECT_TRUE(device.ExecuteCommand(srb, 10000));
  EXPECT_EQ("", device.LastErrorText);
  EXPECT_EQ(0, device.LastSense[12]);
  EXPECT_EQ(0, device.LastSense[32]);
}

TEST_F(ExecCommandTest, WaitsForCompletionOnLibraryThread) {
  clock.SetRealGrace(5000);
  std::thread worker;
  fake.onExecute = [&](SRB_ExecSCSICmd& srb) -> std::uint32_t {
    srb.SRB_Status = SS_PENDING;
    worker = std::thread([&srb] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      std::memset(srb.SRB_BufPointer, 0x5A, srb.SRB_BufLen);
      ExecFakeBackend::Complete(srb, SS_COMP);
    });
    return SS_PENDING;
  };
  SRB_ExecSCSICmd srb = ReadRequest();
  EXPECT_TRUE(device.ExecuteCommand(srb, 10000));
  worker.join();
  EXPECT_EQ(SS_COMP, srb.SRB_Status);
  EXPECT_EQ(0x5A, data[2047]);
  EXPECT_TRUE(fake.aborted.empty());
  EXPECT_EQ(baseOrphans, TOrphanKeeper::Instance().Sweep());
}

// The library completes the request after the time-out and refuses the abort. The
// caller's record and buffer are freed as soon as ExecuteCommand returns; the late
// completion must land in memory that is still alive (AddressSanitizer checks).
TEST_F(ExecCommandTest, LateCompletionAfterFailedAbortNeverTouchesCallerMemory) {
  fake.onExecute = NeverCompletes;
  fake.abortSucceeds = false;
  auto record = std::make_unique<SRB_ExecSCSICmd>();
  auto buffer = std::make_unique<std::uint8_t[]>(4096);
  record->SRB_Flags = 0x48;
  record->SRB_CDBLen = 10;
  record->CDBByte[0] = 0x28;
  record->SRB_BufLen = 4096;
  record->SRB_BufPointer = buffer.get();
  const std::uintptr_t callerRecord = reinterpret_cast<std::uintptr_t>(record.get());
  const std::uintptr_t callerBuffer = reinterpret_cast<std::uintptr_t>(buffer.get());

  EXPECT_FALSE(device.ExecuteCommand(*record, 10000));
  EXPECT_EQ(SS_ERR, record->SRB_Status);
  EXPECT_EQ(1u, fake.aborted.size());
  record.reset();
  buffer.reset();

  SRB_ExecSCSICmd& held = *fake.received.at(0);
  EXPECT_NE(callerRecord, reinterpret_cast<std::uintptr_t>(&held));
  EXPECT_NE(callerBuffer, reinterpret_cast<std::uintptr_t>(held.SRB_BufPointer));
  EXPECT_EQ(baseOrphans + 1, TOrphanKeeper::Instance().Sweep());

  // Status first, event later: still held until the event is signalled.
  std::memset(held.SRB_BufPointer, 0xA5, held.SRB_BufLen);
  held.SenseArea[0] = 0x70;
  held.SRB_Status = SS_COMP;
  EXPECT_EQ(baseOrphans + 1, TOrphanKeeper::Instance().Sweep());
  ExecFakeBackend::Complete(held, SS_COMP);
  EXPECT_EQ(baseOrphans, TOrphanKeeper::Instance().Sweep());
}

// A buffer lent to a read is the one the transport writes into: the data is not
// copied, bytes the transfer leaves alone keep their value, and the buffer comes back.
// When the library may still write after a refused abort, the buffer stays with the
// request (the late writes land in live memory) and the caller is left with none.
TEST_F(ExecCommandTest, LentBufferTakesTheDataInPlaceAndStaysWithALateRequest) {
  std::vector<std::uint8_t> lent(4096, 0xEE);
  const std::uint8_t* memory = lent.data();
  const std::uint8_t* written = nullptr;
  fake.onExecute = [&](SRB_ExecSCSICmd& srb) -> std::uint32_t {
    written = srb.SRB_BufPointer;
    std::memset(srb.SRB_BufPointer, 0x5A, 2048);  // a partial transfer
    return srb.SRB_Status = SS_COMP;
  };
  auto request = [&] {
    SRB_ExecSCSICmd srb = ReadRequest();
    srb.SRB_BufLen = 4096;
    srb.SRB_BufPointer = lent.data();
    return srb;
  };
  SRB_ExecSCSICmd srb = request();
  EXPECT_TRUE(device.ExecuteCommand(srb, 10000, lent));
  EXPECT_EQ(memory, written);
  ASSERT_EQ(4096u, lent.size());
  EXPECT_EQ(memory, lent.data());
  EXPECT_EQ(0x5A, lent[2047]);
  EXPECT_EQ(0xEE, lent[2048]);
  EXPECT_EQ(baseOrphans, TOrphanKeeper::Instance().Sweep());

  // A record pointing into the lent buffer has the data land there.
  std::fill(lent.begin(), lent.end(), 0xEE);
  srb = request();
  srb.SRB_BufPointer = lent.data() + 2048;
  srb.SRB_BufLen = 2048;
  EXPECT_TRUE(device.ExecuteCommand(srb, 10000, lent));
  EXPECT_EQ(memory + 2048, written);
  EXPECT_EQ(0xEE, lent[2047]);
  EXPECT_EQ(0x5A, lent[4095]);

  fake.onExecute = NeverCompletes;
  fake.abortSucceeds = false;
  srb = request();
  EXPECT_FALSE(device.ExecuteCommand(srb, 10000, lent));
  EXPECT_TRUE(lent.empty());
  SRB_ExecSCSICmd& held = *fake.received.back();
  EXPECT_EQ(memory, held.SRB_BufPointer);
  EXPECT_EQ(baseOrphans + 1, TOrphanKeeper::Instance().Sweep());
  std::memset(held.SRB_BufPointer, 0xA5, held.SRB_BufLen);
  ExecFakeBackend::Complete(held, SS_COMP);
  EXPECT_EQ(baseOrphans, TOrphanKeeper::Instance().Sweep());
}

}  // namespace
}  // namespace tarnwick
