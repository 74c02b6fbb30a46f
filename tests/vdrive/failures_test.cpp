// Failures and their sense data, readiness, allocation lengths, and use from two threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <fstream>
#include <thread>

#include "support/TempDir.h"
#include "vdrive/DriveTestHelpers.h"

namespace tarnwick::test {
namespace {

using vdrive::ParseDiscDescription;

const std::vector<std::uint8_t> kTestUnitReady = {0, 0, 0, 0, 0, 0};
const std::vector<std::uint8_t> kRequestSense = {0x03, 0, 0, 0, 18, 0};

std::shared_ptr<vdrive::VirtualDrive> Drive(const std::string& extra) {
  return ParseDiscDescription(extra + "session number=1\ntrack start=0 length=100\n", ".", "test.disc");
}

// The whole fixed-format record: 70h, key, additional length 10, ASC, ASCQ; nothing moved.
void ExpectSense(const DriveAnswer& a, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  ASSERT_TRUE(a.result.callOk);
  EXPECT_EQ(a.result.status, 2);
  EXPECT_EQ(a.result.senseLength, 18);
  EXPECT_EQ(a.result.transferred, 0u);
  std::vector<std::uint8_t> expected(18, 0);
  expected[0] = 0x70;
  expected[2] = key;
  expected[7] = 10;
  expected[12] = asc;
  expected[13] = ascq;
  EXPECT_EQ(std::vector<std::uint8_t>(a.result.sense, a.result.sense + 18), expected);
}

TEST(Failures, EachConditionCarriesItsSense) {
  ExpectSense(Send(*Drive("medium absent\n"), kTestUnitReady), 0x02, 0x3A, 0x00);
  ExpectSense(Send(*Drive("drive ready-after=5\n"), kTestUnitReady), 0x02, 0x04, 0x01);
  ExpectSense(Send(*Drive(""), {0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}, 2352), 0x05, 0x20, 0x00);
  ExpectSense(Send(*Drive(""), {0x12, 0x01, 0x80, 0, 0xFF, 0}, 255), 0x05, 0x24, 0x00);
  ExpectSense(Send(*Drive(""), Read10Cdb(100, 1), 2048), 0x05, 0x21, 0x00);
  ExpectSense(Send(*Drive("fault read start=50 count=2\n"), Read10Cdb(45, 8), 8 * 2048), 0x03, 0x11, 0x00);
  ExpectSense(Send(*Drive("medium changed\n"), kTestUnitReady), 0x06, 0x28, 0x00);
  ExpectSense(Send(*Drive("fault read start=7 sense=03/02/00\n"), Read10Cdb(7, 1), 2048), 0x03, 0x02, 0x00);
}

// Each read of a marginal block fails until it has failed `marginal` times; a random
// fault fails the same reads on every drive made from the same description.
TEST(Failures, MarginalAndRandomReadFaults) {
  auto marginal = Drive("fault read start=10 count=2 marginal=2\n");
  std::string seen;
  const std::pair<std::uint32_t, std::uint16_t> reads[] = {{10, 1}, {10, 1}, {10, 1}, {11, 1}, {10, 2}, {10, 2}, {9, 1}};
  for (const auto& [lba, count] : reads)
    seen += Send(*marginal, Read10Cdb(lba, count), count * 2048).good() ? '+' : '-';
  EXPECT_EQ(seen, "--+--++");  // a read of 10..11 counts one read of block 11

  auto draws = [](const std::string& fault) {
    auto drive = Drive(fault);
    std::string out;
    for (int round = 0; round < 4; ++round)
      for (std::uint32_t lba = 0; lba < 100; ++lba) out += Send(*drive, Read10Cdb(lba, 1), 2048).good() ? '+' : '-';
    return out;
  };
  const std::string a = draws("fault read start=0 count=100 chance=0.25 seed=7\n");
  EXPECT_EQ(a, draws("fault read start=0 count=100 chance=0.25 seed=7\n"));
  EXPECT_NE(a, draws("fault read start=0 count=100 chance=0.25 seed=8\n"));
  const auto failed = std::count(a.begin(), a.end(), '-');
  EXPECT_GT(failed, 60);
  EXPECT_LT(failed, 140);
}

TEST(Failures, RequestSenseReportsTheLastFailureOnceThenThePresentCondition) {
  auto drive = Drive("");
  EXPECT_FALSE(Send(*drive, Read10Cdb(500, 1), 2048).good());
  EXPECT_TRUE(Send(*drive, kTestUnitReady).good());
  auto first = Send(*drive, kRequestSense, 18);
  ASSERT_TRUE(first.good());
  ASSERT_EQ(first.data.size(), 18u);
  EXPECT_EQ(first.data[0], 0x70);
  EXPECT_EQ(first.data[2], 0x05);
  EXPECT_EQ(first.data[12], 0x21);
  auto second = Send(*drive, kRequestSense, 18);
  EXPECT_EQ(second.data[2], 0x00);
  EXPECT_EQ(second.data[12], 0x00);

  // Without a medium the condition is reported even though nothing failed.
  auto empty = Drive("medium absent\n");
  auto condition = Send(*empty, kRequestSense, 18);
  ASSERT_TRUE(condition.good());
  EXPECT_EQ(condition.data[2], 0x02);
  EXPECT_EQ(condition.data[12], 0x3A);
}

TEST(Failures, MediumBecomesReadyAfterTheGivenNumberOfCommands) {
  auto drive = Drive("drive ready-after=3\n");
  auto inquiry = Send(*drive, {0x12, 0, 0, 0, 36, 0}, 36);  // answered while becoming ready
  EXPECT_TRUE(inquiry.good());
  EXPECT_EQ(Send(*drive, kTestUnitReady).asc(), 0x04);
  EXPECT_EQ(Send(*drive, GetConfigCdb(2, 0), 114).data[7], 0x00);  // no current profile yet
  EXPECT_TRUE(Send(*drive, kTestUnitReady).good());
  EXPECT_EQ(drive->CommandCount(), 4u);
}

TEST(Failures, MediumChangedIsReportedOnceAndNotToInquiry) {
  auto drive = Drive("medium changed=yes\n");
  EXPECT_TRUE(Send(*drive, {0x12, 0, 0, 0, 36, 0}, 36).good());
  EXPECT_EQ(Send(*drive, Read10Cdb(0, 1), 2048).key(), 0x06);
  EXPECT_TRUE(Send(*drive, Read10Cdb(0, 1), 2048).good());
}

TEST(Failures, AnImageThatShrinksGivesMediumErrors) {
  TempDir dir;
  const auto image = dir / "data.img";
  std::ofstream(image, std::ios::binary) << std::string(10 * 2048, 'x');
  auto drive = ParseDiscDescription("image file=data.img\nsession number=1\ntrack start=0 length=10\n", dir.str(),
                                    "t.disc");
  EXPECT_TRUE(Send(*drive, Read10Cdb(9, 1), 2048).good());
  std::filesystem::resize_file(image, 5 * 2048);
  ExpectSense(Send(*drive, Read10Cdb(9, 1), 2048), 0x03, 0x11, 0x00);
}

TEST(AllocationLength, AnswersAreCutToTheAllocationAndTheBuffer) {
  auto drive = Drive("drive vendor=\"A B\" product=\"My Drive\"\n");
  auto five = Send(*drive, {0x12, 0, 0, 0, 5, 0}, 128);
  ASSERT_TRUE(five.good());
  EXPECT_EQ(five.data.size(), 5u);
  EXPECT_EQ(five.data[4], 31);  // additional length of the 36-byte standard data
  // A larger allocation is padded with zeros.
  auto padded = Send(*drive, {0x12, 0, 0, 0, 0x80, 0}, 128);
  ASSERT_EQ(padded.data.size(), 128u);
  EXPECT_EQ(padded.data[0], 0x05);
  EXPECT_EQ(padded.data[1], 0x80);
  EXPECT_EQ(std::string(padded.data.begin() + 8, padded.data.begin() + 32), "A B     My Drive        ");
  EXPECT_EQ(std::vector<std::uint8_t>(padded.data.begin() + 36, padded.data.end()), std::vector<std::uint8_t>(92, 0));
  // The buffer wins when it is smaller than the allocation length.
  auto small = Send(*drive, DiscInfoCdb(56), 10);
  EXPECT_EQ(small.data.size(), 10u);
  // READ(10) moves no more than the buffer holds.
  auto partial = Send(*drive, Read10Cdb(0, 4), 3000);
  ASSERT_TRUE(partial.good());
  EXPECT_EQ(partial.result.transferred, 3000u);
  // With the padding quirk, short answers fill the allocation length.
  auto padding = Drive("drive quirks=pad\n");
  auto info = Send(*padding, DiscInfoCdb(56), 56);
  ASSERT_EQ(info.data.size(), 56u);
  EXPECT_EQ(GetBE16(&info.data[0]), 32);
  EXPECT_EQ(std::vector<std::uint8_t>(info.data.begin() + 34, info.data.end()), std::vector<std::uint8_t>(22, 0));
}

TEST(Drive, AddressLogAndTwoThreads) {
  platform::SCSI_ADDRESS address{};
  EXPECT_FALSE(Drive("")->GetAddress(address));
  auto drive = Drive("drive address=2:3:1\n");
  ASSERT_TRUE(drive->GetAddress(address));
  EXPECT_EQ(address.Length, 8u);
  EXPECT_EQ(address.PortNumber, 2);
  EXPECT_EQ(address.PathId, 0);
  EXPECT_EQ(address.TargetId, 3);
  EXPECT_EQ(address.Lun, 1);

  std::thread other([&] {
    for (int i = 0; i < 500; ++i) Send(*drive, Read10Cdb(static_cast<std::uint32_t>(i % 100), 1), 2048);
  });
  for (int i = 0; i < 500; ++i) Send(*drive, kTestUnitReady);
  other.join();
  EXPECT_EQ(drive->CommandCount(), 1000u);
  const auto log = drive->CommandLog();
  ASSERT_EQ(log.size(), 1000u);
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const auto& cdb) { return cdb.size() == 10 && cdb[0] == 0x28; }),
            500);
}

}  // namespace
}  // namespace tarnwick::test
