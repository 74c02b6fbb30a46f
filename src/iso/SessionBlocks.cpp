#include "iso/SessionBlocks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "iso/IsoFormat.h"

namespace tarnwick {

namespace {
constexpr std::uint8_t kLeadOutTrack = 0xAA;
constexpr std::uint32_t kFirstDescriptor = 16;
}  // namespace

std::optional<std::uint64_t> VolumeEnd(TSCSIDevice& drive, std::uint32_t first) {
  std::vector<std::uint8_t> block(2048);
  if (!drive.ReadSectors(first + kFirstDescriptor, 1, 2048, block.data())) return std::nullopt;
  const auto& vd = *reinterpret_cast<const iso::VolumeDescriptor*>(block.data());
  if (std::memcmp(vd.Identifier, "CD001", 5) != 0) return std::nullopt;
  std::uint64_t end = vd.VolumeSpaceBlocks();
  // A size counted from the session's own start (a single-session image) ends before it.
  if (end <= std::uint64_t{first} + kFirstDescriptor) end += first;
  return end;
}

std::optional<TSectorSpan> SessionBlocks(TSCSIDevice& drive, std::uint8_t session) {
  const std::uint8_t track = drive.FirstTrackOfSession(session);
  const std::optional<std::uint32_t> first = drive.TrackStartLba(track);
  if (!first) return std::nullopt;
  const std::optional<std::uint64_t> volumeEnd = VolumeEnd(drive, *first);
  if (!volumeEnd) return std::nullopt;
  std::uint64_t end = *volumeEnd;
  std::optional<std::uint32_t> next = track < 99 ? drive.TrackStartLba(static_cast<std::uint8_t>(track + 1)) : std::nullopt;
  if (!next || *next <= *first) next = drive.TrackStartLba(kLeadOutTrack);
  if (next && *next > *first) end = std::min<std::uint64_t>(end, *next);
  if (end <= *first) return std::nullopt;
  return TSectorSpan{*first, static_cast<std::uint32_t>(std::min<std::uint64_t>(end - *first, UINT32_MAX))};
}

}  // namespace tarnwick
