// Read-only view of the pass-through drive table, for tools and tests that need
// to find the SCSI address the pass-through back-end gave a drive letter.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tarnwick {

struct SptiDriveView {
  char letter = 0;  // 'C' to 'Z'
  std::uint8_t adapter = 0;
  std::uint8_t target = 0;
  std::uint8_t lun = 0;
  bool inUse = false;
  bool handleOpen = false;  // a volume handle is held for the drive
};

// The in-use slots in drive-letter order (empty until the table has been scanned).
std::vector<SptiDriveView> PassThroughDrives();
// The slot of one drive letter, if it is in use.
std::optional<SptiDriveView> PassThroughDrive(char letter);
// The adapter count the scan computed (0 before a scan).
std::uint8_t PassThroughAdapterCount();
bool PassThroughTableScanned();

}  // namespace tarnwick
