#include "iso/DataTracks.h"

#include <algorithm>
#include <optional>

#include "drive/FullToc.h"
#include "iso/SessionBlocks.h"

namespace tarnwick {

namespace {

constexpr std::uint8_t kLeadOutTrack = 0xAA;

// Whether a track holds data, from the control field of its table-of-contents entry,
// else from the track mode READ TRACK INFORMATION gives; none when neither answers.
std::optional<bool> IsDataTrack(TSCSIDevice& drive, std::uint8_t track) {
  std::uint8_t toc[12] = {};
  if (drive.ReadToc(0, toc, 0, false, track, sizeof toc) && toc[6] == track) return (toc[5] & 0x04) != 0;
  if (drive.ReadTrackInfo(track) && drive.TrackInfo.TrackNumber == track) return (drive.TrackInfo.Flags[1] & 0x04) != 0;
  return std::nullopt;
}

// The block after the last one that can belong to `track`, or none when nothing
// tells where the track ends.
std::optional<std::uint64_t> TrackLimit(TSCSIDevice& drive, std::uint8_t track, std::uint32_t start,
                                        bool lastOfSession, std::optional<std::uint32_t> sessionLeadOut) {
  std::optional<std::uint64_t> limit;
  const auto cut = [&](std::optional<std::uint64_t> end) {
    if (end && *end > start) limit = limit ? std::min(*limit, *end) : *end;
  };
  if (!lastOfSession) cut(drive.TrackStartLba(static_cast<std::uint8_t>(track + 1)));
  cut(sessionLeadOut);
  if (lastOfSession && !sessionLeadOut) {
    // Without the full TOC, the next session's first track, or the disc's lead-out.
    const std::optional<std::uint32_t> next =
        track < 99 ? drive.TrackStartLba(static_cast<std::uint8_t>(track + 1)) : std::nullopt;
    cut(next && *next > start ? next : drive.TrackStartLba(kLeadOutTrack));
  }
  if (drive.ReadTrackInfo(track) && drive.TrackInfo.TrackNumber == track && drive.TrackInfo.TrackStartAddress == start &&
      drive.TrackInfo.TrackSize != 0)
    cut(std::uint64_t{start} + drive.TrackInfo.TrackSize);
  return limit;
}

}  // namespace

TDataTracks DiscDataTracks(TSCSIDevice& drive) {
  TDataTracks result;
  std::uint8_t header[12] = {};
  if (!drive.ReadToc(0, header, 0, false, 1, sizeof header) || header[3] == 0) {
    result.error = "cannot read the table of contents: " + drive.LastErrorText;
    return result;
  }
  const std::uint8_t lastTrack = header[3];
  const std::uint8_t lastSession = drive.GetLastSession();
  std::vector<std::uint8_t> fullToc;
  const bool haveFullToc = ReadFullToc(drive, 1, fullToc);
  for (std::uint8_t session = 1; session <= lastSession; ++session) {
    const std::uint8_t first = drive.FirstTrackOfSession(session);
    const int end = session < lastSession ? drive.FirstTrackOfSession(static_cast<std::uint8_t>(session + 1))
                                          : lastTrack + 1;
    const std::optional<std::uint32_t> leadOut =
        haveFullToc ? SessionLeadOutFromFullToc(fullToc.data(), fullToc.size(), session) : std::nullopt;
    for (int t = first; t < end && t <= 99; ++t) {
      const auto track = static_cast<std::uint8_t>(t);
      const std::optional<bool> data = IsDataTrack(drive, track);
      const std::optional<std::uint32_t> start = drive.TrackStartLba(track);
      if (!data || !start) {
        result.error = "cannot tell where track " + std::to_string(t) + " lies or whether it holds data: " +
                       drive.LastErrorText;
        return result;
      }
      if (!*data) continue;
      const std::optional<std::uint64_t> limit = TrackLimit(drive, track, *start, t + 1 == end, leadOut);
      if (!limit) {
        result.error = "cannot tell where track " + std::to_string(t) + " ends";
        return result;
      }
      TDataTrack found{track, session, {*start, 0}, 0};
      std::uint64_t stop = *limit;
      const std::optional<std::uint64_t> volumeEnd = VolumeEnd(drive, *start);
      if (volumeEnd && *volumeEnd > *start) stop = std::min(stop, *volumeEnd);
      found.blocks.count = static_cast<std::uint32_t>(std::min<std::uint64_t>(stop - *start, UINT32_MAX));
      const std::uint64_t last = found.blocks.end();
      const bool sized = volumeEnd && *volumeEnd > *start;
      found.trailingFrom = sized ? last : std::max<std::uint64_t>(*start, last > kTrailingBlocks ? last - kTrailingBlocks : 0);
      if (!result.tracks.empty() && found.blocks.first < result.tracks.back().blocks.end()) {
        result.error = "track " + std::to_string(t) + " begins before the track before it ends";
        return result;
      }
      result.tracks.push_back(found);
    }
  }
  if (result.tracks.empty()) result.error = "the disc has no data track";
  return result;
}

}  // namespace tarnwick
