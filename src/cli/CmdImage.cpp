// image: a session, or every data track of the disc at its own addresses, saved as an
// image file with a rescue map beside it. A second run reads only what the map does
// not mark read well, and adds what it gets.
#include <algorithm>
#include <filesystem>
#include <ostream>
#include <vector>

#include "cli/Commands.h"
#include "cli/Interruption.h"
#include "cli/Messages.h"
#include "cli/ImageRescue.h"
#include "iso/DataTracks.h"
#include "iso/SessionBlocks.h"
#include "platform/LocalPath.h"
#include "vdrive/RescueMap.h"

namespace tarnwick::cli {

namespace {

namespace fs = std::filesystem;
using vdrive::TRescueMap;

constexpr std::uint64_t kBlock = 2048;

// Every data track of the disc; audio tracks and the gaps between tracks and sessions
// are no part of any.
std::vector<ImageArea> DiscAreas(TSCSIDevice& device) {
  const TDataTracks found = DiscDataTracks(device);
  if (!found.error.empty()) throw CliError{kExitFailure, found.error};
  std::vector<ImageArea> areas;
  for (const TDataTrack& track : found.tracks) areas.push_back({track.blocks, track.trailingFrom, track.number});
  return areas;
}

}  // namespace

int CmdImage(CliDrive& drive, const ImageOptions& options, std::ostream& out, std::ostream& err) {
  TSCSIDevice& device = drive.Burner();
  const std::uint8_t last = device.GetLastSession();
  const int wanted = options.session.value_or(last);
  if (last == 0 || wanted > last) throw CliError{kExitFailure, "the disc has no session " + std::to_string(wanted)};
  // What to read, as disc blocks, and the disc block at byte 0 of the image: a session
  // from byte 0, or the disc's data at its own addresses with holes between.
  std::vector<ImageArea> areas;
  if (options.disc) {
    areas = DiscAreas(device);
  } else {
    const std::optional<TSectorSpan> span = SessionBlocks(device, static_cast<std::uint8_t>(wanted));
    if (!span) throw CliError{kExitFailure, "cannot find the blocks of session " + std::to_string(wanted)};
    areas.push_back({*span, span->end(), 0});
  }
  const std::uint32_t base = options.disc ? 0 : areas.front().blocks.first;
  const std::uint64_t size = (areas.back().blocks.end() - base) * kBlock;
  const std::string what = options.disc ? std::string("the disc's data") : "session " + std::to_string(wanted);

  // The map says what the image holds; an image without its map is the user's file.
  std::error_code ec;
  const bool mapExists = fs::exists(platform::LocalPath(options.map), ec);
  std::optional<TRescueMap> map;
  if (mapExists) {
    std::string error;
    map = TRescueMap::Load(options.map, error);
    if (!map) throw CliError{kExitFailure, "cannot use the map " + options.map + ": " + error};
    if (map->Size() != size)
      throw CliError{kExitFailure, "the map " + options.map + " is for an image of " + std::to_string(map->Size()) +
                                       " bytes; " + what + " holds " + std::to_string(size)};
  } else {
    if (fs::exists(platform::LocalPath(options.to), ec))
      throw CliError{kExitFailure, options.to + " exists and " + options.map + " does not; not writing over it"};
    map.emplace(size);
  }
  ImageOutput image(options.to, size);
  if (!image) throw CliError{kExitFailure, "cannot open " + options.to + " for writing"};
  if (!map->Save(options.map)) throw CliError{kExitFailure, "cannot write the map " + options.map};

  const InterruptionScope interruption;
  TRescuePolicy policy;
  policy.retries = options.recovery.policy.retries;
  policy.deadlineMs = options.recovery.Started().deadlineMs;
  ImageRescue rescue(device, policy, image, *map, options.map, base);
  rescue.Run(areas);

  std::uint64_t total = 0, bad = 0;
  for (const ImageArea& area : areas) {
    total += area.blocks.count;
    for (const TSectorSpan& blocks : rescue.Unread(area)) bad += blocks.count;
  }
  for (const ImageArea& left : rescue.LeftOut())
    out << "track " << int{left.track} << ": blocks " << left.blocks.first << "-" << left.blocks.end() - 1
        << " are not on the disc (run-out or pre-gap after the data), left out\n";
  out << options.to << ": " << what << ", blocks";
  bool first = true;
  for (const ImageArea& area : areas) {
    if (area.blocks.count == 0) continue;
    out << (first ? " " : ", ") << area.blocks.first << "-" << area.blocks.end() - 1;
    first = false;
  }
  out << ": " << total - bad << " read well, " << bad << " not\n";
  if (rescue.WriteFailed()) {
    PrintMessage(err, "cannot write " + options.to + " or " + options.map);
    return kExitFailure;
  }
  switch (rescue.End()) {
    case TRescueEnd::Complete:
      break;
    case TRescueEnd::Stopped:
      PrintMessage(err, "interrupted; the image and its map are consistent: run the command again to go on");
      return kExitFailure;
    case TRescueEnd::TimeUp:
      PrintMessage(err, "time limit reached; run the command again to go on");
      return kExitFailure;
    default:
      PrintMessage(err, "cannot read block " + std::to_string(rescue.EndLba()) + ": " +
                            (rescue.EndText().empty() ? DriveErrorText(device) : rescue.EndText()));
      return kExitFailure;
  }
  return bad ? kExitDamaged : kExitOk;
}

}  // namespace tarnwick::cli
