#include "iso/EntryData.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "drive/SCSIDevice.h"

namespace tarnwick {

std::vector<TExtent> EntryDataRuns(const TFEntry& entry) {
  if (!entry.Extents.empty() || entry.Size <= 0) return entry.Extents;
  return {{entry.Extent, static_cast<std::uint64_t>(entry.Size)}};
}

TReadResult ReadEntryData(TSCSIDevice& drive, const TFEntry& entry, std::uint16_t sectorsPerRead,
                          const TDataSink& sink, std::uint32_t* failedLba) {
  constexpr std::uint64_t kSector = 2048;
  sectorsPerRead = std::max<std::uint16_t>(sectorsPerRead, 1);
  // Lent to every read in turn, so the data is handed to the sink where it landed.
  std::vector<std::uint8_t> buffer(std::size_t{sectorsPerRead} * kSector, 0);

  for (const TExtent& run : EntryDataRuns(entry)) {
    std::uint64_t lba = run.Lba;
    std::uint64_t left = run.Bytes;
    while (left > 0) {
      const std::uint64_t chunk = std::min<std::uint64_t>(left, sectorsPerRead * kSector);
      const auto count = static_cast<std::uint16_t>((chunk + kSector - 1) / kSector);
      if (failedLba) *failedLba = static_cast<std::uint32_t>(std::min<std::uint64_t>(lba, UINT32_MAX));
      if (lba + count - 1 > UINT32_MAX) return TReadResult::BeyondDisc;
      const std::uint32_t mediumEvents = drive.MediumEvents();
      if (!drive.ReadSectorsInto(static_cast<std::uint32_t>(lba), count, buffer)) {
        // A drive that reports a changed medium (or one not ready) may hold another
        // disc now: reading again would take that disc's sectors for this file's.
        if (drive.MediumEvents() != mediumEvents) return TReadResult::ReadFailed;
        // The failed unit is read again one sector at a time, so that the message
        // names the sector that cannot be read (and its error), not the unit's first;
        // when every sector reads now, the data is whole and the copy goes on.
        for (std::uint16_t i = 0; i < count; ++i) {
          if (failedLba) *failedLba = static_cast<std::uint32_t>(lba + i);
          if (count == 1 || !drive.ReadSectors(static_cast<std::uint32_t>(lba + i), 1,
                                               static_cast<std::uint32_t>(kSector), buffer.data() + i * kSector))
            return TReadResult::ReadFailed;
        }
      }
      if (!sink(buffer.data(), static_cast<std::size_t>(chunk))) return TReadResult::Stopped;
      lba += count;
      left -= chunk;
    }
  }
  return TReadResult::Complete;
}

}  // namespace tarnwick
