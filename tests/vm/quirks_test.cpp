// The answers the virtual drive plays for the behaviours of real drives, and the
// debug line for a command the system refuses to an ordinary user.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "EmulatedDrives.h"
#include "drive/Refusal.h"
#include "drive/SCSIDevice.h"
#include "platform/Platform.h"
#include "transport/PassThroughTable.h"
#include "transport/Transport.h"
#include "vdrive/DescriptionError.h"
#include "vdrive/DriveTestHelpers.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick::test {
namespace {

const std::string kPressedDisc =
    "medium profile=CD-ROM\nsession number=1\ntrack number=1 type=data start=0 length=300\n";
const std::string kAppendableCdr =
    "medium profile=CD-R\ndisc status=incomplete capacity=359849\nsession number=1\n"
    "track number=1 type=data start=0 length=300\n";

std::shared_ptr<vdrive::VirtualDrive> Drive(const std::string& text) {
  return vdrive::ParseDiscDescription(text, ".", "test.desc");
}

std::vector<std::uint8_t> ReadTocByte9Cdb(std::uint8_t format, std::uint16_t length) {
  std::vector<std::uint8_t> cdb = ReadTocCdb(0, false, 0, length);
  cdb[9] = static_cast<std::uint8_t>(format << 6);
  return cdb;
}

TEST(PlayedQuirks, TocFormatFromByte9IgnoresTheFormatField) {
  auto plain = Drive(kPressedDisc);
  auto atapi = Drive(EmulatedDriveLines(DriveFamily::Atapi) + kPressedDisc);
  const DriveAnswer toc = Send(*plain, ReadTocCdb(0, false, 0, 12), 12);
  ASSERT_TRUE(toc.good());

  // Session information and ATIP asked the standard way: a plain TOC with good status.
  for (std::uint8_t format : {1, 2, 4}) {
    const DriveAnswer answer = Send(*atapi, ReadTocCdb(format, false, 0, 12), 12);
    ASSERT_TRUE(answer.good()) << int(format);
    EXPECT_EQ(answer.data, toc.data) << int(format);
  }
  // Asked the old way (bits 7-6 of byte 9), the session information is answered.
  const DriveAnswer session = Send(*atapi, ReadTocByte9Cdb(1, 12), 12);
  ASSERT_TRUE(session.good());
  ASSERT_EQ(session.data.size(), 12u);
  EXPECT_EQ(GetBE16(session.data.data()), 10);
  EXPECT_EQ(session.data[6], 1);  // first track in the last session
  // A drive without the quirk ignores byte 9.
  EXPECT_EQ(Send(*plain, ReadTocByte9Cdb(1, 12), 12).data, toc.data);
}

TEST(PlayedQuirks, GetConfigurationStartFeatureIgnoredOrMissingFeatureRefused) {
  auto plain = Drive(kPressedDisc);
  auto scsi = Drive(EmulatedDriveLines(DriveFamily::Scsi) + kPressedDisc);
  auto atapi = Drive(EmulatedDriveLines(DriveFamily::Atapi) + kPressedDisc);

  // The plain drive answers the header alone for a feature it does not have.
  const DriveAnswer none = Send(*plain, GetConfigCdb(2, 0x2A), 114);
  ASSERT_TRUE(none.good());
  ASSERT_GE(none.data.size(), 4u);
  EXPECT_EQ(GetBE32(none.data.data()), 4u);

  // SCSI: every feature from the first, whatever was asked for.
  const DriveAnswer all = Send(*scsi, GetConfigCdb(0, 0, 200), 200);
  const DriveAnswer asked = Send(*scsi, GetConfigCdb(2, 0x2A, 200), 200);
  ASSERT_TRUE(asked.good());
  ASSERT_GE(asked.data.size(), 10u);
  EXPECT_GT(GetBE32(asked.data.data()), 4u);
  EXPECT_EQ(asked.data, all.data);
  EXPECT_EQ(GetBE16(asked.data.data() + 8), 0x0000);  // the profile list first

  // ATAPI: a missing feature is an invalid field; feature 0 still answers.
  const DriveAnswer refused = Send(*atapi, GetConfigCdb(2, 0x2F), 114);
  EXPECT_FALSE(refused.good());
  EXPECT_EQ(refused.key(), 0x05);
  EXPECT_EQ(refused.asc(), 0x24);
  const DriveAnswer profiles = Send(*atapi, GetConfigCdb(2, 0), 114);
  ASSERT_TRUE(profiles.good());
  ASSERT_GE(profiles.data.size(), 8u);
  EXPECT_EQ(GetBE16(profiles.data.data() + 6), 0x0008);  // CD-ROM is current
}

TEST(PlayedQuirks, StickySenseOutlivesGoodCommandsAndRequestSense) {
  auto plain = Drive(kPressedDisc);
  auto atapi = Drive(EmulatedDriveLines(DriveFamily::Atapi) + kPressedDisc);
  for (auto* drive : {plain.get(), atapi.get()}) {
    EXPECT_FALSE(Send(*drive, TrackInfoCdb(0), 38).good());  // refused or invalid
    EXPECT_TRUE(Send(*drive, {0x00, 0, 0, 0, 0, 0}).good());
  }
  const std::vector<std::uint8_t> requestSense = {0x03, 0, 0, 0, 18, 0};
  // Plain: the sense is reported once, then no sense.
  EXPECT_EQ(Send(*plain, requestSense, 18).data[12], 0x24);
  EXPECT_EQ(Send(*plain, requestSense, 18).data[12], 0x00);
  // Sticky: the refused READ TRACK INFORMATION (05/20/00) for ever, valid bit set.
  for (int i = 0; i < 3; ++i) {
    const DriveAnswer sense = Send(*atapi, requestSense, 18);
    ASSERT_TRUE(sense.good());
    ASSERT_EQ(sense.data.size(), 18u);
    EXPECT_EQ(sense.data[0], 0xF0);
    EXPECT_EQ(sense.data[2], 0x05);
    EXPECT_EQ(sense.data[12], 0x20);
  }
}

TEST(PlayedQuirks, NoResidueReportsTheWholeBufferAndLeavesItsTail) {
  auto plain = Drive(kPressedDisc);
  auto atapi = Drive(EmulatedDriveLines(DriveFamily::Atapi) + kPressedDisc);
  auto scsi = Drive(EmulatedDriveLines(DriveFamily::Scsi) + kPressedDisc);
  const auto cdb = ReadTocCdb(0, true, 0xAA, 248);  // a 12-byte answer

  EXPECT_EQ(Send(*plain, cdb, 248).data.size(), 12u);
  const DriveAnswer atapiToc = Send(*atapi, cdb, 248);
  ASSERT_EQ(atapiToc.data.size(), 248u);
  EXPECT_EQ(atapiToc.data[11], Msf(300)[2]);
  EXPECT_EQ(atapiToc.data[12], 0xEE);  // untouched, as the caller had it
  EXPECT_EQ(atapiToc.data[247], 0xEE);
  const DriveAnswer scsiToc = Send(*scsi, cdb, 248);
  ASSERT_EQ(scsiToc.data.size(), 248u);
  EXPECT_EQ(scsiToc.data[12], 0x00);  // padded with zeros
  EXPECT_EQ(scsiToc.data[247], 0x00);
}

TEST(PlayedQuirks, UnknownQuirkIsRefusedWithItsLine) {
  try {
    Drive("drive quirks=pad,toc-format-in-byte-nine\n" + kPressedDisc);
    FAIL() << "accepted an unknown quirk";
  } catch (const vdrive::DescriptionError& e) {
    EXPECT_NE(std::string(e.what()).find("test.desc:1: unknown quirk 'toc-format-in-byte-nine'"), std::string::npos)
        << e.what();
  }
}

// A drive behind a system that refuses some commands to the user (as the kernel does
// for devices opened without write access).
class RefusingTarget : public platform::IScsiTarget {
 public:
  RefusingTarget(std::shared_ptr<vdrive::VirtualDrive> drive, std::uint8_t refused, int error)
      : drive_(std::move(drive)), refused_(refused), error_(error) {}
  platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
    if (request.cdb != nullptr && request.cdb[0] == refused_) {
      platform::ScsiResult result;
      result.systemError = error_;
      return result;
    }
    return drive_->Execute(request);
  }
  bool GetAddress(platform::SCSI_ADDRESS& address) override { return drive_->GetAddress(address); }
  std::string Describe() const override { return "refusing"; }

 private:
  std::shared_ptr<vdrive::VirtualDrive> drive_;
  std::uint8_t refused_;
  int error_;
};

struct FreeBlocksRun {
  std::uint32_t free = 0;
  std::vector<std::string> messages;
};

FreeBlocksRun FreeBlocksBehind(std::shared_ptr<platform::IScsiTarget> target) {
  ::setenv("TARNWICK_NO_REAL_DRIVES", "1", 1);
  ResetTransportForTesting();
  platform::Platform& os = platform::Current();
  os.RemoveVirtualDrives();
  const char letter = os.AddVirtualDrive(std::move(target));
  FreeBlocksRun run;
  if (letter != 0 && InitASPI(true)) {
    if (auto slot = PassThroughDrive(letter)) {
      TSCSIDevice device;
      device.HaId = slot->adapter;
      device.Target = slot->target;
      device.Lun = slot->lun;
      device.OnDebugMessage = [&run](TSCSIDevice*, const std::string& text, std::uint8_t) {
        run.messages.push_back(text);
      };
      run.free = device.GetFreeBlocks();
    }
  }
  ResetTransportForTesting();
  os.RemoveVirtualDrives();
  return run;
}

bool Mentions(const std::vector<std::string>& messages, const std::string& text) {
  for (const std::string& m : messages)
    if (m.find(text) != std::string::npos) return true;
  return false;
}

TEST(Refusal, RefusedModeSelectIsNamedInTheDebugOutputAndTheChainGoesOn) {
  // An appendable CD-R: the free-space query first stores the write parameters with
  // MODE SELECT, which an ordinary user may not send.
  const FreeBlocksRun allowed = FreeBlocksBehind(Drive(kAppendableCdr));
  const FreeBlocksRun refused =
      FreeBlocksBehind(std::make_shared<RefusingTarget>(Drive(kAppendableCdr), 0x55, EPERM));
  EXPECT_GT(allowed.free, 0u);
  EXPECT_EQ(refused.free, allowed.free);
  EXPECT_FALSE(Mentions(allowed.messages, "refused by the system"));
  EXPECT_TRUE(Mentions(refused.messages,
                       "!!! MODE SELECT (10) (55) not sent: refused by the system for lack of rights (" +
                           std::string(std::strerror(EPERM)) + ")"));
}

TEST(Refusal, OnlyPermissionErrorsOfTheSystemCountAsRefusals) {
  SRB_ExecSCSICmd srb{};
  srb.CDBByte[0] = 0xBB;
  srb.SRB_Status = SS_ERR;
  EXPECT_TRUE(RefusalLine(srb, EACCES).has_value());
  EXPECT_NE(RefusalLine(srb, EACCES)->find("SET CD SPEED"), std::string::npos);
  EXPECT_FALSE(RefusalLine(srb, EIO).has_value());
  EXPECT_FALSE(RefusalLine(srb, 0).has_value());
  srb.SRB_TargStat = 2;  // the drive answered: its own check condition, not a refusal
  EXPECT_FALSE(RefusalLine(srb, EPERM).has_value());
  srb.SRB_TargStat = 0;
  srb.SRB_Status = SS_COMP;
  EXPECT_FALSE(RefusalLine(srb, EPERM).has_value());
}

}  // namespace
}  // namespace tarnwick::test
