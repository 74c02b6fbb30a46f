#include "browse/ImportFailure.h"

#include <optional>
#include <vector>

#include "drive/SCSIDevice.h"

namespace tarnwick {

namespace {

// Bit 2 of the track mode (byte 5 of the track information): set for a data track.
constexpr std::uint8_t kDataTrackBit = 0x04;
// The first volume descriptor lies 16 sectors into the session.
constexpr std::uint32_t kFirstDescriptor = 16;
constexpr std::uint32_t kSectorBytes = 2048;

std::string WithDriveText(std::string text, const std::string& driveError) {
  if (!driveError.empty()) text += " The drive says: " + driveError + ".";
  return text;
}

}  // namespace

std::string ImportFailureText(TSCSIDevice& drive, std::uint8_t session, const std::string& importMessage,
                              const std::string& driveError) {
  const std::string heading = "Session " + std::to_string(session) + " could not be imported, so nothing of it is shown.\n\n";
  // The import names its reason in parentheses; without one, the session's start was
  // not found.
  if (importMessage.find('(') == std::string::npos) {
    return heading + WithDriveText("The drive does not tell where the session starts.", driveError);
  }
  if (importMessage.find("NO JOLIET NAMES") != std::string::npos) {
    return heading + "The session has no Joliet names. Choose other names and import it again.";
  }
  if (importMessage.find("NO ROCK RIDGE NAMES") != std::string::npos) {
    return heading + "The session has no Rock Ridge names. Choose other names and import it again.";
  }
  const std::uint8_t track = drive.FirstTrackOfSession(session);
  if (drive.ReadTrackInfo(track) && (drive.TrackInfo.Flags[1] & kDataTrackBit) == 0) {
    return heading + "It is an audio session: it holds music tracks and no file system.";
  }
  // The import's own reads were followed by other commands: read the first volume
  // descriptor's sector again for the drive's answer.
  std::vector<std::uint8_t> sector(kSectorBytes);
  const std::optional<std::uint32_t> start = drive.TrackStartLba(track);
  if (start && !drive.ReadSectors(*start + kFirstDescriptor, 1, kSectorBytes, sector.data())) {
    return heading + WithDriveText("The sectors where its file system begins could not be read.", drive.LastErrorText) +
           "\n\nAn older session may hold a copy of the same files.";
  }
  return heading + "No ISO 9660, Joliet or Rock Ridge file system was found in it.";
}

}  // namespace tarnwick
