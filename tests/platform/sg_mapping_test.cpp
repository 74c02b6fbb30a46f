#include <gtest/gtest.h>

#if defined(_WIN32)
// SG_IO exists only on Linux; Windows volumes go through the system's pass-through call.
TEST(SgMappingTest, LinuxOnly) { GTEST_SKIP() << "SG_IO is a Linux interface"; }
#else

#include <cerrno>

#include "platform/linux/SgDevice.h"

namespace tarnwick::platform {
namespace {

// A finished data-in call of 96 bytes, as the sg driver leaves it.
struct Finished {
  std::uint8_t sense[32] = {};
  sg_io_hdr_t hdr{};
  Finished() {
    hdr.dxfer_direction = SG_DXFER_FROM_DEV;
    hdr.dxfer_len = 96;
    hdr.mx_sb_len = sizeof(sense);
    hdr.sbp = sense;
  }
  Finished& Sense(std::uint8_t key, std::uint8_t asc, std::uint8_t length) {
    sense[0] = 0x70;
    sense[2] = key;
    sense[12] = asc;
    hdr.sb_len_wr = length;
    return *this;
  }
  ScsiResult Map() const { return MapSgResult(hdr, 0, 0, 96); }
};

TEST(SgMappingTest, TransferredBytesComeFromResid) {
  Finished f;
  f.hdr.resid = 60;
  const ScsiResult r = f.Map();
  EXPECT_TRUE(r.callOk);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.senseLength, 0);
  EXPECT_EQ(r.transferred, 36u);
  f.hdr.resid = 500;  // more than asked for: nothing moved, no wrap-around
  EXPECT_EQ(f.Map().transferred, 0u);
  f.hdr.resid = -4;
  EXPECT_EQ(f.Map().transferred, 96u);
}

TEST(SgMappingTest, StatusAndSense) {
  Finished check;
  check.hdr.status = 0x02;
  check.hdr.driver_status = 0x08;  // DRIVER_SENSE
  check.Sense(0x02, 0x3A, 18);
  ScsiResult r = check.Map();
  EXPECT_TRUE(r.callOk);
  EXPECT_EQ(r.status, 0x02);
  ASSERT_EQ(r.senseLength, 18);
  EXPECT_EQ(r.sense[2], 0x02);
  EXPECT_EQ(r.sense[12], 0x3A);

  check.hdr.sb_len_wr = 200;  // never more than the sense buffer holds
  EXPECT_EQ(check.Map().senseLength, 32);

  Finished busy;
  busy.hdr.masked_status = 0x04;  // BUSY, shifted down by one
  EXPECT_EQ(busy.Map().status, 0x08);

  // Sense reported with a zero status byte still means a check condition.
  Finished zero;
  zero.hdr.driver_status = 0x08;
  EXPECT_EQ(zero.Sense(0x05, 0x24, 18).Map().status, 0x02);
}

TEST(SgMappingTest, AdapterAndDriverErrorsWithoutSenseFailTheCall) {
  const struct {
    int host, driver, error;
  } cases[] = {
      {0x01, 0, ENODEV},     // DID_NO_CONNECT
      {0x03, 0, ETIMEDOUT},  // DID_TIME_OUT
      {0x07, 0, EIO},        // DID_ERROR
      {0, 0x06, ETIMEDOUT},  // DRIVER_TIMEOUT
      {0, 0x04, EIO},        // DRIVER_ERROR
  };
  for (const auto& c : cases) {
    Finished f;
    f.hdr.host_status = static_cast<unsigned short>(c.host);
    f.hdr.driver_status = static_cast<unsigned short>(c.driver);
    const ScsiResult r = f.Map();
    EXPECT_FALSE(r.callOk) << c.host << "/" << c.driver;
    EXPECT_EQ(r.systemError, c.error) << c.host << "/" << c.driver;
  }
  // With sense bytes the device did answer: the caller sees them.
  Finished s;
  s.hdr.host_status = 0x07;
  const ScsiResult r = s.Sense(0x06, 0x28, 18).Map();
  EXPECT_TRUE(r.callOk);
  EXPECT_EQ(r.status, 0x02);
  EXPECT_EQ(r.sense[12], 0x28);
}

TEST(SgMappingTest, FailedIoctlGivesItsErrnoAndNothingElse) {
  Finished f;
  f.hdr.status = 0x02;  // left over: must not be reported
  f.Sense(0x02, 0x3A, 18);
  const ScsiResult r = MapSgResult(f.hdr, -1, EPERM, 96);
  EXPECT_FALSE(r.callOk);
  EXPECT_EQ(r.systemError, EPERM);
  EXPECT_EQ(r.senseLength, 0);
  EXPECT_EQ(r.status, 0);
}

TEST(SgMappingTest, AddressComesFromTheIdLunWordAndBusNumber) {
  const int word = 3 | (1 << 8) | (2 << 16) | (5 << 24);  // target, LUN, channel, host
  const SCSI_ADDRESS a = AddressFromIdLun(word, 7);
  EXPECT_EQ(a.Length, 8u);
  EXPECT_EQ(a.PortNumber, 7);
  EXPECT_EQ(a.PathId, 2);
  EXPECT_EQ(a.TargetId, 3);
  EXPECT_EQ(a.Lun, 1);
  EXPECT_EQ(AddressFromIdLun(word, -1).PortNumber, 5);
}

}  // namespace
}  // namespace tarnwick::platform
#endif  // _WIN32
