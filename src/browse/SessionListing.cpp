#include "browse/SessionListing.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "browse/Formatting.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"
#include "udf/Descriptors.h"
#include "udf/UdfImport.h"

namespace tarnwick {

namespace {

constexpr std::uint8_t kLeadOutTrack = 0xAA;
// Additional sense code of "medium not present".
constexpr std::uint8_t kNoMediumAsc = 0x3A;

}  // namespace

TSessionListing ListSessions(TSCSIDevice& drive) {
  TSessionListing listing;
  std::vector<std::uint8_t> sector(2048, 0);

  TDisc disc;
  drive.GetDiscInfo(disc);
  if (!disc.Ready) {
    listing.lines.push_back({TSessionLine::Kind::Error, kSessionErrorLine, 0});
    listing.figures.emplace_back();
    listing.noMedium = drive.LastSense[12] == kNoMediumAsc;
    listing.notReadyWhy = drive.LastErrorText;
    return listing;
  }

  const std::uint8_t first = drive.DiscInfo.FirstSession;
  const std::uint8_t last = drive.DiscInfo.LastSession;
  std::string tocError;
  for (unsigned s = first; s <= last; ++s) {
    const auto session = static_cast<std::uint8_t>(s);
    // A session may hold several tracks (audio tracks before the data session of an
    // enhanced CD): its start, size and volume descriptor are those of its first track.
    const std::uint8_t track = drive.FirstTrackOfSession(session);
    // The start as a block address: a DVD's later sessions lie past what the MSF form
    // of the table of contents can express.
    const std::optional<std::uint32_t> start = drive.TrackStartLba(track);
    if (!start) {
      // A blank disc lists its sessions from 0 to 0: there is no session 0 to miss.
      if (session != 0) listing.unlisted.push_back({session, drive.LastErrorText});
      if (session == 0) tocError = drive.LastErrorText;
      continue;
    }
    const std::string msf = LbaMsfText(*start);

    drive.ReadTrackInfo(track);
    const std::uint32_t trackSize = drive.TrackInfo.TrackSize;
    const bool read = drive.ReadSectors(*start + 16, 1, 2048, sector.data());
    const std::uint32_t volumeSpace = GetLE32(sector.data() + 80);
    // A session without ISO 9660 (UDF alone) has its size from its track.
    const bool udfOnly = read && volumeSpace == 0 && trackSize != 0 && udf::IsVolumeRecognition(sector.data());
    if ((read && volumeSpace != 0) || udfOnly) {
      const std::int64_t mb = BlocksToMegabytes(trackSize != 0 ? trackSize : volumeSpace);
      listing.lines.push_back({TSessionLine::Kind::Session,
                               "   " + PadNumber(s, 3, "0") + " " + msf + " " + PadNumber(mb, 4, " ") + " MB",
                               session});
      listing.figures.push_back({track, start, trackSize != 0 ? trackSize : volumeSpace,
                                 udfOnly ? std::max<std::uint32_t>(udf::SessionGenerations(drive, session), 1) : 1});
    } else {
      listing.lines.push_back({TSessionLine::Kind::SessionWithoutSize,
                               " " + PadNumber(s, 3, "0") + " " + msf + "  ???? MB", session});
      listing.figures.push_back({track, start, 0});
    }
  }

  // A disc that is not blank but names no session: its sessions could not be listed.
  if (last == 0 && drive.DiscInfo.DiscStatus != 0) listing.unlisted.push_back({0, tocError});

  const std::optional<std::uint32_t> leadOut = drive.TrackStartLba(kLeadOutTrack);
  const std::string leadOutText = leadOut ? LbaMsfText(*leadOut) : std::string("00:00:00");
  const std::uint32_t free = drive.GetFreeBlocks();
  listing.lines.push_back({TSessionLine::Kind::FreeSpace,
                           " Free  " + leadOutText + " " + PadNumber(BlocksToMegabytes(free), 4, " ") + " MB", 0});
  listing.figures.push_back({0, leadOut, free});

  TDisc again;
  drive.GetDiscInfo(again);
  const TSCSIDevice::TMedium medium = drive.GetMedium();
  listing.mediumName = medium.Name;
  listing.mediumIndex = medium.Index;
  listing.layers = medium.Layers;
  listing.profile = again.Profile;
  listing.discStatus = again.DiscStatus;
  listing.sessionState = again.SessionState;
  listing.usedBlocks = drive.GetUsedBlocks();
  listing.discBlocks = drive.GetDiscBlocks();
  listing.labelsValid = true;
  return listing;
}

std::string ListingStatusText(const TSessionListing& listing) {
  const std::string why = listing.notReadyWhy.empty() ? std::string() : " (the drive says: " + listing.notReadyWhy + ")";
  if (listing.noMedium) return "There is no disc in the drive" + why + ".";
  if (!listing.labelsValid) return "The drive is not ready: no disc, or one it cannot read yet" + why + ".";
  std::string text;
  for (const TSessionListing::Unlisted& session : listing.unlisted) {
    if (!text.empty()) text += " ";
    text += session.session == 0 ? std::string("The drive names no session of this disc")
                                 : "Session " + std::to_string(session.session) + " is not listed: the drive does not tell where it starts";
    text += (session.why.empty() ? std::string() : " (" + session.why + ")") + ".";
  }
  return text;
}

}  // namespace tarnwick
