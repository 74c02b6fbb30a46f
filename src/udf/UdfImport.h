// The import of a session's UDF file system into the tree of a TQuarnBurner: the
// volume found by its anchor, its file set's root, and every directory below it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "iso/Records.h"
#include "udf/Volume.h"

namespace tarnwick {
class TQuarnBurner;
class TSCSIDevice;
}

namespace tarnwick::udf {

struct TUdfRequest {
  TSessionSpan span;
  std::uint32_t generation = 0;  // of a disc with virtual allocation tables: 1 the oldest, 0 the newest
};

struct TUdfResult {
  bool present = false;  // an anchor lies in the session
  std::uint64_t anchor = 0;  // where
  bool read = false;     // the root was read
  std::uint32_t generations = 1;
  std::size_t entries = 0;  // entries counted (CountUdfEntries)
};

// Reads the session's UDF tree under `target`; problems go to the burner's list.
TUdfResult ImportUdf(TQuarnBurner& burner, const TUdfRequest& request, TDEntry* target);
// Counts the entries of the session's UDF tree (reading directories only), without
// adding any; no problem is reported.
TUdfResult CountUdfEntries(TQuarnBurner& burner, const TUdfRequest& request);
// The session's span as the drive tells it: the first sector of its first track, the
// disc's recorded end, and the last recorded sector of its last track.
std::optional<TSessionSpan> SessionSpan(TSCSIDevice& drive, std::uint8_t session);
// True when the volume recognition sequence from the session's sector 16 on names a
// UDF volume (NSR02 or NSR03); one READ per sector, up to the first that belongs to no
// recognition sequence.
bool HasUdfRecognition(TSCSIDevice& drive, std::uint32_t firstSector);
// How many generations (virtual allocation tables reachable from the newest) the
// session's UDF volume has; 1 for a volume without them, 0 for a session without one.
std::uint32_t SessionGenerations(TSCSIDevice& drive, std::uint8_t session);

}  // namespace tarnwick::udf
