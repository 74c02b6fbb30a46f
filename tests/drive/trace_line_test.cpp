// The result line of a failed command, the command-name table, which failures are
// traced, and the debug outlet the line goes to.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "drive/CommandNames.h"
#include "drive/SCSIDevice.h"
#include "drive/Trace.h"
#include "exec_fake_backend.h"
#include "platform/VirtualClock.h"

namespace tarnwick {
namespace {

using test::ExecFakeBackend;

TEST(TraceLine, FailedReadByteForByte) {
  std::uint8_t data[4] = {0x01, 0xAB, 0x00, 0xFF};
  SRB_ExecSCSICmd srb{};
  srb.SRB_Status = 4;
  srb.SRB_Flags = 0x48;
  srb.SRB_CDBLen = 10;
  srb.SRB_HaId = 10;
  srb.SRB_Target = 10;
  srb.SRB_Lun = 0;
  srb.SRB_TargStat = 2;
  srb.CDBByte[0] = 0x28;
  srb.CDBByte[5] = 0x10;
  srb.CDBByte[8] = 0x01;
  srb.SRB_BufLen = 4;
  srb.SRB_BufPointer = data;
  srb.SenseArea[0] = 0x70;
  srb.SenseArea[2] = 0x03;
  srb.SenseArea[12] = 0x11;
  srb.SenseArea[13] = 0x05;
  EXPECT_EQ(
      "<<< READ (10)              (28) {48|0A} - 10:A:0 <04> [0004] "
      "00 00 00 00 10 00 00 01 00 00 00 00 00 00 00  | 01 AB 00 FF = 00 02 70 03 ASC:11,ASQ:05 MEDIUM ERROR",
      FailedCommandLine(srb, "MEDIUM ERROR"));
}

TEST(TraceLine, DataBytesLengthAndUnnamedCode) {
  std::vector<std::uint8_t> data(0x10000, 0x7E);
  SRB_ExecSCSICmd srb{};
  srb.CDBByte[0] = 0x5E;
  srb.SRB_BufLen = 0x10000;
  srb.SRB_BufPointer = data.data();
  const std::string line = FailedCommandLine(srb, "X");
  EXPECT_EQ(0u, line.find("<<< 5E (5E) {00|00} - 0:0:0 <00> [10000] "));
  const std::size_t from = line.find("| ") + 2, to = line.find("= ");
  EXPECT_EQ(257u * 3, to - from);  // "7E " 257 times

  srb.SRB_BufLen = 0;
  EXPECT_NE(std::string::npos, FailedCommandLine(srb, "").find(" | = 00 00 00 00 ASC:00,ASQ:00 "));
  // A length without a buffer shows no data rather than reading through a null pointer.
  srb.SRB_BufLen = 16;
  srb.SRB_BufPointer = nullptr;
  EXPECT_NE(std::string::npos, FailedCommandLine(srb, "").find(" | = "));
}

TEST(CommandNamesTable, NamesAndHexCodes) {
  const auto& names = CommandNames();
  int named = 0;
  for (int code = 0; code < 256; ++code) {
    if (names[code].size() == 22) {
      ++named;
    } else {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", code);
      EXPECT_EQ(hex, names[code]);
    }
  }
  EXPECT_EQ(51, named);
  EXPECT_EQ("GET EVENT/STATUS NOTIF", names[0x4A]);
}

TEST(TraceRule, QuietCodesAndLongWrite) {
  const std::set<int> quiet = {0x00, 0x01, 0x12, 0x1B, 0x1E, 0x23, 0x35, 0x43,
                               0x46, 0x51, 0x52, 0x55, 0x5A, 0x5C, 0xB6, 0xBB};
  SRB_ExecSCSICmd srb{};
  for (int code = 0; code < 256; ++code) {
    srb.CDBByte[0] = static_cast<std::uint8_t>(code);
    EXPECT_EQ(quiet.count(code) == 0, ShouldTraceFailure(srb)) << code;
  }
  srb.CDBByte[0] = 0x28;
  srb.SenseArea[12] = 0x04;
  srb.SenseArea[13] = 0x08;
  EXPECT_FALSE(ShouldTraceFailure(srb));
  srb.SenseArea[13] = 0x01;
  EXPECT_TRUE(ShouldTraceFailure(srb));
}

class TraceOutletTest : public ::testing::Test {
 protected:
  TraceOutletTest() : scopedClock(clock) {
    device.HaId = 0;
    device.Target = 1;
    device.Lun = 0;
    device.OnDebugMessage = [this](TSCSIDevice* sender, const std::string& text, std::uint8_t type) {
      EXPECT_EQ(&device, sender);
      // The memo already holds the line when the event fires.
      events.push_back({text, type, sink ? sink->Lines.size() : 0u});
    };
  }
  struct Event {
    std::string text;
    std::uint8_t type;
    std::size_t memoLines;
  };
  void Fail(std::uint8_t opcode, std::uint8_t asc, std::uint8_t ascq) {
    fake.onExecute = [=](SRB_ExecSCSICmd& srb) -> std::uint32_t {
      srb.SRB_TargStat = 2;
      srb.SenseArea[0] = 0x70;
      srb.SenseArea[2] = 0x02;
      srb.SenseArea[7] = 10;
      srb.SenseArea[12] = asc;
      srb.SenseArea[13] = ascq;
      return srb.SRB_Status = SS_ERR;
    };
    SRB_ExecSCSICmd srb{};
    srb.SRB_Flags = 0x40;
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = opcode;
    device.ExecuteCommand(srb, 10000);
  }

  platform::VirtualClock clock;
  platform::ScopedClock scopedClock;
  ExecFakeBackend fake;
  TSCSIDevice device;
  std::unique_ptr<TStringsSink> sink = std::make_unique<TStringsSink>();
  std::vector<Event> events;
};

TEST_F(TraceOutletTest, FailedReadGoesToMemoThenEvent) {
  device.SetDebugWindow(sink.get());
  Fail(0x28, 0x04, 0x01);
  ASSERT_EQ(1u, sink->Lines.size());
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(sink->Lines[0], events[0].text);
  EXPECT_EQ(0, events[0].type);
  EXPECT_EQ(1u, events[0].memoLines);
  EXPECT_EQ(0u, sink->Lines[0].find("<<< READ (10)              (28) {40|0A} - 0:1:0 <04> [0000] "));
  EXPECT_NE(std::string::npos, sink->Lines[0].find(" ASC:04,ASQ:01 NOT READY (LOGICAL UNIT IS IN PROCESS"));

  Fail(0x00, 0x3A, 0x00);  // TEST UNIT READY: quiet, but the error is recorded
  Fail(0x43, 0x3A, 0x00);
  Fail(0x28, 0x04, 0x08);  // long write in progress
  EXPECT_EQ(1u, sink->Lines.size());
  EXPECT_EQ(1u, events.size());
  EXPECT_EQ("NOT READY (LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS)", device.LastErrorText);
}

TEST_F(TraceOutletTest, DestroyedSinkIsUnassigned) {
  device.SetDebugWindow(sink.get());
  sink.reset();
  EXPECT_EQ(nullptr, device.DebugWindow());
  device.DebugMessage("after", 1);
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ("after", events[0].text);
  EXPECT_EQ(1, events[0].type);

  // A sink that outlives its device is not left pointing at it.
  TStringsSink outliving;
  {
    TSCSIDevice shortLived;
    shortLived.SetDebugWindow(&outliving);
    shortLived.DebugMessage("one", 1);
  }
  EXPECT_EQ(std::vector<std::string>{"one"}, outliving.Lines);
}

}  // namespace
}  // namespace tarnwick
