// Our virtual drive playing the drive emulations of the VM tests: `show` and `drives`
// must print what the VM tests see through those drives, here in milliseconds.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "EmulatedDrives.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out;
};

// The built tool with `args`, no real drives; standard output captured, errors dropped.
ToolRun RunTool(const std::string& args) {
  const std::string command =
      std::string("TARNWICK_NO_REAL_DRIVES=1 TZ=UTC LC_ALL=C '") + TARNWICK_CLI_PATH + "' " + args + " 2>/dev/null";
  ToolRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::uint32_t VolumeSpaceSize(const fs::path& image) {
  std::ifstream in(image, std::ios::binary);
  in.seekg(16 * 2048 + 80);
  unsigned char b[4] = {};
  in.read(reinterpret_cast<char*>(b), 4);
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::string Megabytes(std::uint32_t blocks) {
  std::uint32_t whole = blocks / 512;
  const std::uint32_t rest = blocks % 512;
  if (rest > 256 || (rest == 256 && whole % 2 == 1)) ++whole;
  char text[16];
  std::snprintf(text, sizeof text, "%4u", whole);
  return text;
}

// What both emulated drives make `show` print for a flat image of `blocks` blocks
// whose volume descriptor gives `volume` blocks (see vm_drive_test.sh for which link
// of each chain gives which figure): the session's size from the volume descriptor
// (no track information), no free space (no track information), the lead-out after
// the last block, and READ CAPACITY's last block for both the used space and, with
// no ATIP, no track information and no format capacities, the disc size.
std::string ExpectedShow(std::uint32_t blocks, std::uint32_t volume) {
  const std::uint32_t frames = blocks + 150;
  char free[64];
  std::snprintf(free, sizeof free, " Free  %03u:%02u:%02u    0 MB\n", frames / 4500, frames / 75 % 60, frames % 75);
  char sizes[128];
  const double mb = (blocks - 1) / 1024.0 / 1024.0 * 2048.0;
  std::snprintf(sizes, sizeof sizes, "Disc Size  : %.2f MB\nUsed Space  : %.2f MB\n", mb, mb);
  return std::string(" Number  Start   Size\n") + "   001 000:02:00 " + Megabytes(volume) + " MB\n" + free +
         "Medium  : " + (blocks > 360000 ? "DVD-ROM" : "CD-ROM") + "\n" + sizes;
}

std::vector<IsoEntry> Tree() {
  std::string numbers;
  for (int i = 1; i <= 60000; ++i) numbers += std::to_string(i) + "\n";
  return {{"readme.txt", "hello from the played drive\n"},
          {"docs/deep/deeper/numbers.txt", numbers},
          {"A long file name with blanks.txt", "spaces\n"}};
}

using Param = std::tuple<DriveFamily, bool>;  // family, DVD-sized image

class PlayedDrive : public ::testing::TestWithParam<Param> {};

TEST_P(PlayedDrive, ShowsWhatTheEmulatedDriveShowsAndListsItsIdentity) {
  const auto [family, dvd] = GetParam();
  TempDir dir;
  IsoOptions options;
  options.joliet = true;
  options.rockRidge = true;
  options.volumeId = "PLAYED";
  const fs::path image = MakeIso(dir, "disc", Tree(), options);
  if (dvd) fs::resize_file(image, 800ull << 20);  // a hole: costs nothing
  const auto blocks = static_cast<std::uint32_t>(fs::file_size(image) / 2048);
  const fs::path description = dir.path() / "disc.desc";
  std::ofstream(description) << EmulatedDriveDescription(family, image.string(), blocks);

  const ToolRun show = RunTool("--image '" + description.string() + "' show");
  EXPECT_EQ(show.status, 0);
  EXPECT_EQ(show.out, ExpectedShow(blocks, VolumeSpaceSize(image)));

  const ToolRun drives = RunTool("--image '" + description.string() + "' drives");
  const std::string identity = family == DriveFamily::Atapi ? "QEMU    QEMU DVD-ROM    2.5+" : "QEMU    QEMU CD-ROM     2.5+";
  EXPECT_NE(drives.out.find(",D: " + identity + "\t" + description.string()), std::string::npos) << drives.out;
}

INSTANTIATE_TEST_SUITE_P(Families, PlayedDrive,
                         ::testing::Combine(::testing::Values(DriveFamily::Atapi, DriveFamily::Scsi),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<Param>& info) {
                           return std::string(std::get<0>(info.param) == DriveFamily::Atapi ? "Atapi" : "Scsi") +
                                  (std::get<1>(info.param) ? "Dvd" : "Cd");
                         });

}  // namespace
}  // namespace tarnwick::test
