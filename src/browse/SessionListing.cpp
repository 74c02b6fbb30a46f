#include "browse/SessionListing.h"

#include <vector>

#include "browse/Formatting.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

namespace {

constexpr std::uint32_t kTocBufferSize = 65536;
constexpr std::uint32_t kTocAllocation = 248;
constexpr std::uint8_t kLeadOutTrack = 0xAA;

}  // namespace

TSessionListing ListSessions(TSCSIDevice& drive) {
  TSessionListing listing;
  std::vector<std::uint8_t> toc(kTocBufferSize, 0);
  std::vector<std::uint8_t> sector(2048, 0);

  TDisc disc;
  drive.GetDiscInfo(disc);
  if (!disc.Ready) {
    listing.lines.push_back({TSessionLine::Kind::Error, kSessionErrorLine, 0});
    return listing;
  }

  const std::uint8_t first = drive.DiscInfo.FirstSession;
  const std::uint8_t last = drive.DiscInfo.LastSession;
  for (unsigned s = first; s <= last; ++s) {
    const auto session = static_cast<std::uint8_t>(s);
    // A session may hold several tracks (audio tracks before the data session of an
    // enhanced CD): its start, size and volume descriptor are those of its first track.
    const std::uint8_t track = drive.FirstTrackOfSession(session);
    std::fill(toc.begin(), toc.end(), 0);
    std::uint32_t frames = 0;
    if (drive.ReadToc(0, toc.data(), 0, true, track, kTocAllocation))
      frames = TSCSIDevice::MsfToFrames(0, toc[9], toc[10], toc[11]);
    if (frames == 0) continue;
    const std::uint32_t start = frames - 150;
    const std::string msf = MsfText(toc[9], toc[10], toc[11]);

    drive.ReadTrackInfo(track);
    const std::uint32_t trackSize = drive.TrackInfo.TrackSize;
    const bool read = drive.ReadSectors(start + 16, 1, 2048, sector.data());
    const std::uint32_t volumeSpace = GetLE32(sector.data() + 80);
    if (read && volumeSpace != 0) {
      const std::int64_t mb = BlocksToMegabytes(trackSize != 0 ? trackSize : volumeSpace);
      listing.lines.push_back({TSessionLine::Kind::Session,
                               "   " + PadNumber(s, 3, "0") + " " + msf + " " + PadNumber(mb, 4, " ") + " MB",
                               session});
    } else {
      listing.lines.push_back({TSessionLine::Kind::SessionWithoutSize,
                               " " + PadNumber(s, 3, "0") + " " + msf + "  ???? MB", session});
    }
  }

  std::string leadOut = "00:00:00";
  if (drive.ReadToc(0, toc.data(), 0, true, kLeadOutTrack, kTocAllocation)) leadOut = MsfText(toc[9], toc[10], toc[11]);
  const std::uint32_t free = drive.GetFreeBlocks();
  listing.lines.push_back({TSessionLine::Kind::FreeSpace,
                           " Free  " + leadOut + " " + PadNumber(BlocksToMegabytes(free), 4, " ") + " MB", 0});

  TDisc again;
  drive.GetDiscInfo(again);
  const std::uint8_t medium = drive.GetMediumType();
  listing.mediumName = medium < MediumNames.size() && MediumNames[medium] ? MediumNames[medium] : "";
  listing.usedBlocks = drive.GetUsedBlocks();
  listing.discBlocks = drive.GetDiscBlocks();
  listing.labelsValid = true;
  return listing;
}

}  // namespace tarnwick
