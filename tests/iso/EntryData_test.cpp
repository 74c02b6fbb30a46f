// Reading a file's data in batches of transfer units, when a library keeps the buffer
// of a read it never finished: what reaches the sink is still the file's own data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "drive/SCSIDevice.h"
#include "drive/TransportRequest.h"
#include "drive/exec_fake_backend.h"
#include "iso/EntryData.h"
#include "platform/ByteOrder.h"
#include "platform/VirtualClock.h"

namespace tarnwick {
namespace {

std::uint8_t Byte(std::uint32_t lba, std::size_t i) { return static_cast<std::uint8_t>(lba * 7 + i); }

// A drive whose commands a test answers, on a clock the test moves.
struct FakeDrive {
  platform::VirtualClock clock;
  platform::ScopedClock scopedClock{clock};
  test::ExecFakeBackend fake;
  TSCSIDevice device;
  FakeDrive() { device.HaId = 1; }
};

TEST(EntryData, AReadWhoseBufferTheLibraryKeptLosesNoDataOfTheBatch) {
  struct Case {
    const char* what;
    int hungRead;        // the READ(10) (counted from 1) the library takes and never finishes
    bool rereadsFail;    // every read after the hung one fails
    TReadResult result;
  };
  const Case cases[] = {
      {"the hung unit follows two read into the same batch", 3, false, TReadResult::Complete},
      {"the batch's first unit hangs", 4, false, TReadResult::Complete},
      {"the units read before cannot be read again", 3, true, TReadResult::ReadFailed},
  };
  constexpr std::uint32_t kStart = 100;
  constexpr std::size_t kSize = 5 * 63488 + 777;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDrive drive;
    test::ExecFakeBackend& fake = drive.fake;
    const std::size_t orphans = TOrphanKeeper::Instance().Sweep();
    int reads = 0;
    SRB_ExecSCSICmd* hung = nullptr;
    fake.onExecute = [&](SRB_ExecSCSICmd& srb) -> std::uint32_t {
      if (srb.CDBByte[0] != 0x28) return srb.SRB_Status = SS_COMP;
      ++reads;
      if (reads == c.hungRead) {
        hung = &srb;
        return srb.SRB_Status = SS_PENDING;
      }
      if (c.rereadsFail && reads > c.hungRead) return srb.SRB_Status = SS_ERR;
      const std::uint32_t lba = GetBE32(&srb.CDBByte[2]);
      for (std::size_t i = 0; i < srb.SRB_BufLen; ++i) srb.SRB_BufPointer[i] = Byte(lba + i / 2048, i % 2048);
      return srb.SRB_Status = SS_COMP;
    };

    TFEntry entry;
    entry.Extent = kStart;
    entry.Size = kSize;
    std::string got;
    std::uint32_t failedLba = 0;
    const TReadResult result = ReadEntryData(
        drive.device, entry, 31,
        [&](const std::uint8_t* data, std::size_t length) {
          got.append(reinterpret_cast<const char*>(data), length);
          return true;
        },
        &failedLba);

    EXPECT_EQ(c.result, result);
    ASSERT_NE(nullptr, hung);
    // Whatever was handed on is the file's data from its start, byte for byte.
    EXPECT_LE(got.size(), kSize);
    if (result == TReadResult::Complete) {
      EXPECT_EQ(kSize, got.size());
    }
    for (std::size_t i = 0; i < got.size(); ++i) {
      if (static_cast<std::uint8_t>(got[i]) != Byte(kStart + static_cast<std::uint32_t>(i / 2048), i % 2048)) {
        ADD_FAILURE() << "byte " << i << " is not the file's";
        break;
      }
    }
    // The library finishes the hung request late, into the buffer it kept.
    std::memset(hung->SRB_BufPointer, 0xA5, hung->SRB_BufLen);
    test::ExecFakeBackend::Complete(*hung, SS_COMP);
    EXPECT_EQ(orphans, TOrphanKeeper::Instance().Sweep());
  }
}

// A fast drive's data goes on in batches of eight units; a slow drive's as soon as a
// batch is a quarter of a second old, so progress and a stop request are not held back.
TEST(EntryData, ASlowDrivesBatchGoesOnOnceItIsAQuarterSecondOld) {
  struct Case {
    std::uint64_t msPerRead;
    std::vector<std::size_t> units;  // transfer units in each piece the sink gets
  };
  const Case cases[] = {{0, {8, 8, 4}}, {100, {3, 3, 3, 3, 3, 3, 2}}, {300, std::vector<std::size_t>(20, 1)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msPerRead);
    FakeDrive drive;
    drive.fake.onExecute = [&](SRB_ExecSCSICmd& srb) -> std::uint32_t {
      if (srb.CDBByte[0] == 0x28) drive.clock.Advance(c.msPerRead);
      return srb.SRB_Status = SS_COMP;
    };
    TFEntry entry;
    entry.Extent = 100;
    entry.Size = 20 * 63488;
    std::vector<std::size_t> units;
    EXPECT_EQ(TReadResult::Complete, ReadEntryData(drive.device, entry, 31, [&](const std::uint8_t*, std::size_t length) {
                units.push_back(length / 63488);
                return true;
              }));
    EXPECT_EQ(c.units, units);
  }
}

}  // namespace
}  // namespace tarnwick
