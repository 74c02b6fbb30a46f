// Fuzz target, lighter than the disc target: one input is a disc (an image, or a
// sheet or description with its data, all held in memory) served as a virtual drive,
// and only the import of its last session is run, listed with `ls -l -R` and followed
// by the import's problem lines; nothing is extracted. It reaches the image readers
// and the directory and system-use readers many times faster, and one input may not
// need more than 256 MB at once.
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sstream>

#include "FuzzSupport.h"
#include "cli/Commands.h"
#include "platform/Platform.h"
#include "transport/Transport.h"

using namespace tarnwick;
using namespace tarnwick::cli;

namespace {
constexpr std::size_t kMaxImageBytes = 4u << 20;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("TARNWICK_NO_REAL_DRIVES", "1", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxImageBytes) return 0;
  {
    const FuzzFiles files(data, size);
    const FuzzMemoryLimit limit;
    GlobalOptions global;
    global.images.push_back(kDiscPath);
    std::ostringstream out, err;
    try {
      CliDrive drive(global, err);
      drive.Select();
      ListOptions list;
      list.recursive = true;
      list.longFormat = true;
      CmdList(drive, list, out);
      drive.ReportImportProblems(kExitOk);
    } catch (const CliError&) {
    } catch (const std::bad_alloc&) {
      // Memory refused: the memory limit around the input says whether that is a finding.
    }
  }
  FreeASPI();
  CloseSPTIDrives();
  ResetTransportForTesting();
  platform::Current().RemoveVirtualDrives();
  return 0;
}
