// Streaming a file entry's data from the disc: every run of sectors of the entry in
// file order, read in transfer units and handed to a sink, cut to the entry's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "iso/Records.h"

namespace tarnwick {

class TSCSIDevice;

// The runs of sectors holding the entry's data, in file order: its extents, or one
// run of its size at its first sector for an entry recorded without extents.
std::vector<TExtent> EntryDataRuns(const TFEntry& entry);

// Receives the next piece of data; returns false to stop.
using TDataSink = std::function<bool(const std::uint8_t* data, std::size_t length)>;

enum class TReadResult { Complete, Stopped, ReadFailed, BeyondDisc };

// Reads the entry's data in units of at most `sectorsPerRead` sectors. A unit that
// fails is read again sector by sector: when one of them fails, `failedLba` holds
// that sector and the drive's LastErrorText says why (ReadFailed); when all of them
// read, the data goes on to the sink. BeyondDisc means a unit would pass the last
// addressable sector (failedLba holds where it starts).
TReadResult ReadEntryData(TSCSIDevice& drive, const TFEntry& entry, std::uint16_t sectorsPerRead,
                          const TDataSink& sink, std::uint32_t* failedLba = nullptr);

}  // namespace tarnwick
