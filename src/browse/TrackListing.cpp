#include "browse/TrackListing.h"

#include <array>

#include "drive/SCSIDevice.h"

namespace tarnwick {

namespace {

constexpr std::uint8_t kLeadOutTrack = 0xAA;

// The mode READ TRACK INFORMATION gives: track mode (byte 5) bit 2 marks data, the data mode
// nibble (byte 6) tells mode 1 from mode 2 (Fh: not known).
std::string TrackMode(const TTrackInformation& info) {
  if ((info.Flags[1] & 0x04) == 0) return "audio";
  switch (info.Flags[2] & 0x0F) {
    case 1:
      return "mode1";
    case 2:
      return "mode2";
    default:
      return "data";
  }
}

// The last track of the disc from the table of contents' header; none when the drive
// does not answer.
std::optional<std::uint8_t> LastTrackOfDisc(TSCSIDevice& drive) {
  std::array<std::uint8_t, 4> header{};
  if (!drive.ReadToc(0, header.data(), 0, false, 0, header.size()) || header[3] == 0 || header[3] > 99)
    return std::nullopt;
  return header[3];
}

}  // namespace

TTrackListing ListTracks(TSCSIDevice& drive, const TSessionListing& listing) {
  TTrackListing result;
  for (std::size_t i = 0; i < listing.lines.size() && i < listing.figures.size(); ++i) {
    const std::uint8_t session = listing.lines[i].session, first = listing.figures[i].firstTrack;
    if (session == 0 || first == 0) continue;
    if (!result.sessions.empty() && first > result.sessions.back().firstTrack)
      result.sessions.back().lastTrack = static_cast<std::uint8_t>(first - 1);
    result.sessions.push_back({session, first, first});
  }
  if (result.sessions.empty()) return result;
  const std::optional<std::uint8_t> lastTrack = LastTrackOfDisc(drive);
  if (lastTrack && *lastTrack > result.sessions.back().firstTrack) result.sessions.back().lastTrack = *lastTrack;

  for (const TSessionTracks& session : result.sessions) {
    for (unsigned t = session.firstTrack; t <= session.lastTrack; ++t) {
      const auto number = static_cast<std::uint8_t>(t);
      const std::optional<std::uint32_t> start = drive.TrackStartLba(number);
      if (!start) {
        result.unlisted.push_back(number);
        continue;
      }
      TTrackRow row{number, session.session, "", *start, std::nullopt};
      if (drive.ReadTrackInfo(number) && drive.TrackInfo.TrackNumber == number) {
        row.mode = TrackMode(drive.TrackInfo);
        if (drive.TrackInfo.SessionNumber != 0) row.session = drive.TrackInfo.SessionNumber;
        row.length = drive.TrackInfo.TrackSize;
      }
      result.tracks.push_back(row);
    }
  }
  // A track the drive gave no length for ends where the next track of its session
  // starts, the disc's last track where the lead-out starts; between sessions lie
  // lead-out and lead-in, so a session's last track gets no length from the next one.
  for (std::size_t i = 0; i < result.tracks.size(); ++i) {
    TTrackRow& row = result.tracks[i];
    if (row.length) continue;
    std::optional<std::uint32_t> next;
    if (i + 1 < result.tracks.size()) {
      if (result.tracks[i + 1].session == row.session) next = result.tracks[i + 1].start;
    } else {
      next = drive.TrackStartLba(kLeadOutTrack);
    }
    if (next && *next > row.start) row.length = *next - row.start;
  }
  return result;
}

}  // namespace tarnwick
