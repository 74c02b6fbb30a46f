// Reads a span of sectors in runs of several sectors per READ(10), handing them out
// one at a time in order.
//
// A run the drive refuses is read again one sector per command, so a failure is
// pinned to the sector that cannot be read (its error is the device's last), and the
// sectors before it still come through; not after the drive reported a changed medium
// or one not ready, when it may hold another disc. Nothing outside the span is read.
#pragma once

#include <cstdint>
#include <vector>

#include "drive/SCSIDevice.h"

namespace tarnwick {

class TSectorRuns {
 public:
  // The same transfer size file data is read with.
  static constexpr std::uint16_t kRunSectors = 31;

  // The sectors [first, end) of `device`.
  TSectorRuns(TSCSIDevice& device, std::uint64_t first, std::uint64_t end);

  // The 2048 bytes of sector `lba`, valid until the next call; null when the sector
  // cannot be read (the device's LastErrorText says why). `lba` must lie in the span
  // and calls must go forward.
  const std::uint8_t* Sector(std::uint64_t lba);

 private:
  TSCSIDevice& device_;
  std::uint64_t end_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t runFirst_ = 0;  // the sectors buffered: [runFirst_, runEnd_)
  std::uint64_t runEnd_ = 0;
  bool singly_ = false;  // the run failed: its sectors are read one by one
};

}  // namespace tarnwick
