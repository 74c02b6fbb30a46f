// The full table of contents (READ TOC format 2): one 11-byte descriptor per point,
// each carrying its session number, so it tells which tracks form which session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tarnwick {

class TSCSIDevice;

// Enough for 99 sessions of three points each (A0, A1, A2) and 99 tracks, after the
// 4-byte header: 4 + 11 x (3 x 99 + 99) = 4360 bytes.
inline constexpr std::uint32_t kFullTocAllocation = 4 + 11 * (3 * 99 + 99);

// READ TOC format 2 with the MSF bit, from session `startSession` on. The ordinary
// READ TOC operation writes only the low byte of the allocation length into the
// command block; this one writes both bytes (CDB bytes 7 and 8), so the answer of a
// disc of many sessions is not cut at 255 bytes. `answer` is cleared and resized to
// kFullTocAllocation first.
bool ReadFullToc(TSCSIDevice& drive, std::uint8_t startSession, std::vector<std::uint8_t>& answer);

// The first track of `session` from a full TOC answer: PMIN of that session's point
// A0. Only descriptors inside both the answer's data length and `size` are read; a
// track number outside 1..99 is not taken.
std::optional<std::uint8_t> FirstTrackFromFullToc(const std::uint8_t* answer, std::size_t size,
                                                  std::uint8_t session);

// The first block of `session`'s lead-out from a full TOC answer (point A2, an MSF
// address turned into a block address), read as FirstTrackFromFullToc reads; none for
// an address of 100 minutes or more, which a CD does not reach.
std::optional<std::uint32_t> SessionLeadOutFromFullToc(const std::uint8_t* answer, std::size_t size,
                                                       std::uint8_t session);

}  // namespace tarnwick
