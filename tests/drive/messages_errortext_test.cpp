// The message of a failed request: status tables, sense key, ASC/ASCQ text.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "drive/SCSIDevice.h"
#include "drive/SenseTables.h"

namespace tarnwick {
namespace {

// A finished request with fixed-format sense data.
SRB_ExecSCSICmd Failed(std::uint8_t status, std::uint8_t haStat, std::uint8_t targStat, std::uint8_t response = 0,
                       std::uint8_t key = 0, std::uint8_t addLength = 0, std::uint8_t asc = 0, std::uint8_t ascq = 0) {
  SRB_ExecSCSICmd srb{};
  srb.SRB_Status = status;
  srb.SRB_HaStat = haStat;
  srb.SRB_TargStat = targStat;
  srb.SenseArea[0] = response;
  srb.SenseArea[2] = key;
  srb.SenseArea[7] = addLength;
  srb.SenseArea[12] = asc;
  srb.SenseArea[13] = ascq;
  return srb;
}

std::string Message(const SRB_ExecSCSICmd& srb) {
  TSCSIDevice device;
  device.BuildErrorText(srb);
  return device.LastErrorText;
}

TEST(ErrorText, CheckConditionDecodesSenseKeyAndPair) {
  EXPECT_EQ("NOT READY (MEDIUM NOT PRESENT)", Message(Failed(4, 0, 2, 0x70, 2, 10, 0x3A, 0)));
  EXPECT_EQ("ILLEGAL REQUEST (INVALID COMMAND OPERATION CODE)", Message(Failed(4, 0, 2, 0x70, 5, 10, 0x20, 0)));
  EXPECT_EQ("ILLEGAL REQUEST (36,5)", Message(Failed(4, 0, 2, 0x70, 5, 10, 0x24, 5)));
  EXPECT_EQ("ILLEGAL REQUEST", Message(Failed(4, 0, 2, 0x70, 5, 0, 0x24, 0)));
  // Deferred sense and bit 7 set count as fixed format too.
  EXPECT_EQ("MEDIUM ERROR", Message(Failed(4, 0, 2, 0xF1, 3)));
  EXPECT_EQ("UNIT ATTENTION", Message(Failed(4, 0, 0, 0x71, 6)));
}

TEST(ErrorText, EmptyAndUnknownSense) {
  EXPECT_EQ("", Message(Failed(4, 0, 2)));
  EXPECT_EQ("", Message(Failed(4, 0, 0)));
  EXPECT_EQ(" (NO ADDITIONAL SENSE INFORMATION)", Message(Failed(4, 0, 2, 0, 5, 10, 0, 0)));
  EXPECT_EQ("UNKNOWN", Message(Failed(4, 0, 2, 0x72, 5, 0)));
}

TEST(ErrorText, SenseKeyZeroBitsAndKeysWithoutText) {
  EXPECT_EQ("FILEMARK", Message(Failed(4, 0, 2, 0x70, 0xC0)));
  EXPECT_EQ("END OF MEDIA", Message(Failed(4, 0, 2, 0x70, 0x60)));
  EXPECT_EQ("ILLEGAL LENGTH", Message(Failed(4, 0, 2, 0x70, 0x20)));
  EXPECT_EQ("NO ADDITIONAL SENSE INFORMATION", Message(Failed(4, 0, 2, 0x70, 0x00)));
  EXPECT_EQ("CHECK CONDITION", Message(Failed(4, 0, 2, 0x70, 0x09)));
  EXPECT_EQ("CHECK CONDITION (WRITE ERROR)", Message(Failed(4, 0, 2, 0x70, 0x0C, 10, 0x0C, 0)));
}

TEST(ErrorText, HostAndTargetStatusesSkipSenseKey) {
  EXPECT_EQ("SELECTION TIMEOUT", Message(Failed(4, 0x11, 2, 0x70, 5)));
  EXPECT_EQ("SELECTION TIMEOUT (MEDIUM NOT PRESENT)", Message(Failed(4, 0x11, 2, 0x70, 5, 10, 0x3A, 0)));
  EXPECT_EQ("COMMAND TIMEOUT", Message(Failed(4, 0x09, 0)));
  EXPECT_EQ("TARGET BUSY", Message(Failed(4, 0, 8, 0x70, 5)));
  EXPECT_EQ("UNKNOWN", Message(Failed(4, 0, 4)));
  EXPECT_EQ("UNKNOWN", Message(Failed(4, 0x14, 0)));
  EXPECT_EQ("UNKNOWN", Message(Failed(0xE2, 0, 0)));
  EXPECT_EQ("NO DEVICE", Message(Failed(0x82, 0, 2, 0x70, 5)));
}

TEST(ErrorText, LastSenseIsWholeSenseArea) {
  SRB_ExecSCSICmd srb = Failed(4, 0, 2, 0x70, 5, 10, 0x24, 0);
  for (std::size_t i = 14; i < SENSE_AREA_LEN; ++i) srb.SenseArea[i] = static_cast<std::uint8_t>(i);
  TSCSIDevice device;
  device.BuildErrorText(srb);
  EXPECT_EQ(0, std::memcmp(device.LastSense, srb.SenseArea, SENSE_AREA_LEN));
}

TEST(AscTable, SortedCompleteAndFound) {
  const auto table = AscTable();
  ASSERT_EQ(256u, table.size());
  std::set<int> ascs;
  for (std::size_t i = 0; i < table.size(); ++i) {
    ascs.insert(table[i].Asc);
    if (i > 0) {
      EXPECT_LT((table[i - 1].Asc << 8) | table[i - 1].Ascq, (table[i].Asc << 8) | table[i].Ascq) << i;
    }
    // Every entry is found by its own pair.
    EXPECT_EQ(table[i].Text, FindAscText(table[i].Asc, table[i].Ascq));
  }
  EXPECT_EQ(69u, ascs.size());
  EXPECT_STREQ("LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS", FindAscText(0x04, 0x08));
  EXPECT_STREQ("FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)", FindAscText(0x5D, 0xFF));
  EXPECT_STREQ("RMA/PMA IS ALMOST FULL", FindAscText(0x73, 0x06));
  EXPECT_EQ(nullptr, FindAscText(0x3B, 0x00));  // ASC listed, ASCQ not
  EXPECT_EQ(nullptr, FindAscText(0xFF, 0xFF));
}

}  // namespace
}  // namespace tarnwick
