#include "drive/SectorRuns.h"

#include <algorithm>

namespace tarnwick {

namespace {
constexpr std::size_t kSector = 2048;
}  // namespace

TSectorRuns::TSectorRuns(TSCSIDevice& device, std::uint64_t first, std::uint64_t end)
    : device_(device), end_(end), runFirst_(first), runEnd_(first) {
  // Most directories are a sector or two: the buffer is only as large as a run can be.
  buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(end > first ? end - first : 0, kRunSectors)) *
                 kSector);
}

const std::uint8_t* TSectorRuns::Sector(std::uint64_t lba) {
  if (lba >= end_ || lba > UINT32_MAX) return nullptr;
  if (lba < runFirst_ || lba >= runEnd_) {
    const auto count = static_cast<std::uint16_t>(std::min<std::uint64_t>({end_ - lba, kRunSectors, UINT32_MAX - lba + 1}));
    runFirst_ = lba;
    runEnd_ = lba + count;
    // Bytes a short transfer leaves alone read as zeros, never as an earlier run's records.
    std::fill(buffer_.begin(), buffer_.end(), 0);
    const std::uint32_t mediumEvents = device_.MediumEvents();
    singly_ = !device_.ReadSectorsInto(static_cast<std::uint32_t>(lba), count, buffer_);
    // A run of one sector has already failed as that sector; after a changed medium
    // (or one not ready) the drive may hold another disc, whose sectors must not be
    // read in its place.
    if (singly_ && (count == 1 || device_.MediumEvents() != mediumEvents)) {
      runEnd_ = runFirst_;
      return nullptr;
    }
  }
  std::uint8_t* sector = buffer_.data() + (lba - runFirst_) * kSector;
  if (singly_ && !device_.ReadSectors(static_cast<std::uint32_t>(lba), 1, kSector, sector)) return nullptr;
  return sector;
}

}  // namespace tarnwick
