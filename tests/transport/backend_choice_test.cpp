// Choosing the back-end: pass-through against the ASPI libraries, the library
// names and their order, a broken library, and the release at the end.
#include <filesystem>

#include "TransportTestKit.h"
#include "support/TempDir.h"
#include "transport/aspi_fixture/AspiFixtureControl.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

class BackendChoiceTest : public TransportTest {
 protected:
  TempDir emptyDir_;
};

TEST_F(BackendChoiceTest, PreferredPassThroughLoadsNoLibrary) {
  RecordingPlatform recorder;
  AddDrive(std::make_shared<ScriptedTarget>("a"));
  ScopedCwd cwd(kAspiFixtureDir);  // a library would be found here
  ASSERT_TRUE(InitASPI(true));
  EXPECT_TRUE(ASPIInitialized());
  EXPECT_EQ(TransportName(), "PTEMUL32");
  EXPECT_TRUE(recorder.loads.empty());
  // The error mode is set for the start and restored afterwards.
  ASSERT_EQ(recorder.errorModes.size(), 2u);
  EXPECT_EQ(recorder.errorModes[0], platform::kFailCriticalErrors);
  EXPECT_EQ(recorder.errorModes[1], recorder.previousModes[0]);  // the process's own mode
}

TEST_F(BackendChoiceTest, LibraryWinsWithoutPreferenceAndPassThroughTakesOverLater) {
  RecordingPlatform recorder;
  char letter;
  AddDrive(std::make_shared<ScriptedTarget>("a"), &letter);
  {
    ScopedCwd cwd(kAspiFixtureDir);
    ASSERT_TRUE(InitASPI(false));
  }
  EXPECT_EQ(TransportName(), "WNASPI32.DLL");
  ASSERT_FALSE(recorder.loads.empty());
  EXPECT_EQ(recorder.loads[0], ".\\WNASPI32.DLL");
  EXPECT_FALSE(PassThroughTableScanned());

  // The library answers: no drives configured for it, so adapter 0 is beyond its count.
  SRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(SendASPI32Command(&ha), SS_INVALID_HA);
  EXPECT_EQ(ha.HA_Count, 0);

  // Asking again with pass-through preferred scans once and switches.
  ASSERT_TRUE(InitASPI(true));
  EXPECT_EQ(TransportName(), "PTEMUL32");
  EXPECT_TRUE(PassThroughDrive(letter).has_value());
  EXPECT_EQ(recorder.freed, 0);  // the library stays loaded until the end
  FreeASPI();
  EXPECT_EQ(recorder.freed, 1);
  EXPECT_EQ(TransportName(), "");
  // The pass-through back-end still serves after the library has gone.
  EXPECT_EQ(SendASPI32Command(&ha), SS_COMP);
}

TEST_F(BackendChoiceTest, WithoutLibrariesPassThroughIsTheFallback) {
  RecordingPlatform recorder;
  AddDrive(std::make_shared<ScriptedTarget>("a"));
  ScopedCwd cwd(emptyDir_.path());
  ASSERT_TRUE(InitASPI(false));
  EXPECT_EQ(TransportName(), "PTEMUL32");
  EXPECT_EQ(recorder.loads, (std::vector<std::string>{".\\WNASPI32.DLL", "WNASPI32.DLL", "ASAPI.DLL"}));
}

TEST_F(BackendChoiceTest, NothingAvailableLeavesTheTransportUninitialised) {
  ScopedCwd cwd(emptyDir_.path());
  EXPECT_FALSE(InitASPI(true));
  EXPECT_FALSE(ASPIInitialized());
  EXPECT_EQ(TransportName(), "");
  EXPECT_EQ(GetASPI32SupportInfo(), 0xE800u);
  SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  EXPECT_EQ(SendASPI32Command(&srb), 0x80u);
  EXPECT_EQ(srb.SRB_Status, 0x80);
}

TEST_F(BackendChoiceTest, SecondLibraryNameIsUsedWithItsOwnEntryPoints) {
  RecordingPlatform recorder;
  recorder.redirect["ASAPI.DLL"] = std::string(kAsapiFixtureDir) + "/ASAPI.DLL";
  ScopedCwd cwd(emptyDir_.path());
  ASSERT_TRUE(InitASPI(false));
  EXPECT_EQ(TransportName(), "ASAPI.DLL");
  SRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(SendASPI32Command(&ha), SS_INVALID_HA);  // served by the library
  FreeASPI();
  EXPECT_EQ(recorder.freed, 1);
  // Its code is gone: nothing may be sent through its entry points any more.
  EXPECT_FALSE(ASPIInitialized());
  EXPECT_EQ(SendASPI32Command(&ha), 0x80u);
}

TEST_F(BackendChoiceTest, LibraryWithoutItsSendEntryIsReleasedAndNeverCalled) {
  RecordingPlatform recorder;
  AddDrive(std::make_shared<ScriptedTarget>("a"));
  ScopedCwd cwd(kBrokenFixtureDir);
  EXPECT_FALSE(InitASPI(false));
  EXPECT_FALSE(ASPIInitialized());
  EXPECT_EQ(TransportName(), "");
  EXPECT_EQ(recorder.freed, 1);
  ASSERT_FALSE(recorder.errorModes.empty());
  EXPECT_EQ(recorder.errorModes.back(), recorder.previousModes.front());  // restored on this path too
  SRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(SendASPI32Command(&ha), 0x80u);
  EXPECT_EQ(GetASPI32SupportInfo(), 0xE800u);
}

}  // namespace
}  // namespace tarnwick::test
