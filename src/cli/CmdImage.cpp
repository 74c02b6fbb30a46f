// image: a session saved as an image file with a rescue map beside it. A second run
// reads only what the map does not mark read well, and adds what it gets.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <vector>

#include "cli/Commands.h"
#include "cli/Interruption.h"
#include "cli/Messages.h"
#include "iso/SessionBlocks.h"
#include "platform/LocalPath.h"
#include "vdrive/RescueMap.h"

namespace tarnwick::cli {

namespace {

namespace fs = std::filesystem;
using vdrive::TRescueMap;

constexpr std::uint64_t kBlock = 2048;

// The image file, opened for reading and writing without losing what it holds.
class ImageOutput {
 public:
  ImageOutput(const std::string& path, std::uint64_t size) {
    const fs::path local = platform::LocalPath(path);
    std::error_code ec;
    if (!fs::exists(local, ec)) std::ofstream(local, std::ios::binary);
    file_.open(local, std::ios::binary | std::ios::in | std::ios::out);
    if (file_ && fs::file_size(local, ec) < size && !ec) fs::resize_file(local, size, ec);
    if (ec) file_.setstate(std::ios::failbit);
  }
  bool Write(std::uint64_t offset, const std::uint8_t* data, std::uint64_t length) {
    file_.seekp(static_cast<std::streamoff>(offset));
    file_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
    return static_cast<bool>(file_);
  }
  bool Flush() { return static_cast<bool>(file_.flush()); }
  explicit operator bool() const { return static_cast<bool>(file_); }

 private:
  std::fstream file_;
};

// Whether a track holds data, from the control field of its table-of-contents entry,
// else from the track mode READ TRACK INFORMATION gives.
bool IsDataTrack(TSCSIDevice& device, std::uint8_t track) {
  std::uint8_t toc[12] = {};
  if (device.ReadToc(0, toc, 0, false, track, sizeof toc) && toc[6] == track) return (toc[5] & 0x04) != 0;
  if (device.ReadTrackInfo(track) && device.TrackInfo.TrackNumber == track) return (device.TrackInfo.Flags[1] & 0x04) != 0;
  throw CliError{kExitFailure, "cannot tell whether track " + std::to_string(track) + " holds data: " +
                                   DriveErrorText(device)};
}

// The data sessions of the disc, each from its first track as the per-session image
// takes it; sessions that begin with an audio track are left out. A data track after
// a session's first is refused rather than left out unsaid.
std::vector<TSectorSpan> DiscDataBlocks(TSCSIDevice& device, std::uint8_t last) {
  std::uint8_t header[12] = {};
  if (!device.ReadToc(0, header, 0, false, 1, sizeof header) || header[3] == 0)
    throw CliError{kExitFailure, "cannot read the table of contents: " + DriveErrorText(device)};
  const std::uint8_t lastTrack = header[3];
  std::vector<TSectorSpan> spans;
  for (std::uint8_t session = 1; session <= last; ++session) {
    const std::uint8_t first = device.FirstTrackOfSession(session);
    const int end = session < last ? device.FirstTrackOfSession(static_cast<std::uint8_t>(session + 1)) : lastTrack + 1;
    for (int track = first + 1; track < end; ++track)
      if (IsDataTrack(device, static_cast<std::uint8_t>(track)))
        throw CliError{kExitFailure, "session " + std::to_string(session) + " holds a second data track (track " +
                                         std::to_string(track) + "); --disc saves a session's first track only"};
    if (!IsDataTrack(device, first)) continue;
    const std::optional<TSectorSpan> span = SessionBlocks(device, session);
    if (!span) throw CliError{kExitFailure, "cannot find the blocks of session " + std::to_string(session)};
    spans.push_back(*span);
  }
  if (spans.empty()) throw CliError{kExitFailure, "the disc has no data track"};
  return spans;
}

}  // namespace

int CmdImage(CliDrive& drive, const ImageOptions& options, std::ostream& out, std::ostream& err) {
  TSCSIDevice& device = drive.Burner();
  const std::uint8_t last = device.GetLastSession();
  const int wanted = options.session.value_or(last);
  if (last == 0 || wanted > last) throw CliError{kExitFailure, "the disc has no session " + std::to_string(wanted)};
  // What to read, as disc blocks, and the disc block at byte 0 of the image: a session
  // from byte 0, or the disc's data at its own addresses with holes between.
  std::vector<TSectorSpan> spans;
  if (options.disc) {
    spans = DiscDataBlocks(device, last);
  } else {
    const std::optional<TSectorSpan> span = SessionBlocks(device, static_cast<std::uint8_t>(wanted));
    if (!span) throw CliError{kExitFailure, "cannot find the blocks of session " + std::to_string(wanted)};
    spans.push_back(*span);
  }
  const std::uint32_t base = options.disc ? 0 : spans.front().first;
  const std::uint64_t size = std::uint64_t{spans.back().end() - base} * kBlock;
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
  bool writeFailed = false;
  TRescueEnd end = TRescueEnd::Complete;
  std::uint32_t endLba = 0;
  // Data goes into the image first; only then does the map call it good.
  const TSectorRescue::TDeliver keep = [&](std::uint32_t lba, const std::uint8_t* data, std::uint32_t count) {
    if (data) {
      const std::uint64_t offset = std::uint64_t{lba - base} * kBlock;
      if (!image.Write(offset, data, count * kBlock)) {
        writeFailed = true;
        return false;
      }
      map->Set(offset, count * kBlock, '+');
    }
    return !InterruptionScope::Interrupted();
  };
  // The areas not yet read well, cut to the blocks to read (the holes between data
  // tracks stay untried and are never read).
  auto unread = [&] {
    std::vector<TSectorSpan> blocks;
    for (const TRescueMap::Area& area : map->Areas()) {
      if (area.status == '+') continue;
      const std::uint64_t first = base + area.pos / kBlock, end = first + area.size / kBlock;
      for (const TSectorSpan& span : spans) {
        const std::uint64_t from = std::max<std::uint64_t>(first, span.first), to = std::min<std::uint64_t>(end, span.end());
        if (from < to) blocks.push_back({static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to - from)});
      }
    }
    return blocks;
  };
  for (const TSectorSpan& blocks : unread()) {
    TSectorRescue rescue(device, policy);
    end = rescue.Forward(blocks, keep);
    if (end == TRescueEnd::Complete) end = rescue.Return(keep);
    endLba = rescue.EndLba();
    for (const TSectorSpan& bad : rescue.Bad()) map->Set(std::uint64_t{bad.first - base} * kBlock, bad.count * kBlock, '-');
    for (const TSectorSpan& left : rescue.Untried())
      map->Set(std::uint64_t{left.first - base} * kBlock, left.count * kBlock, '/');
    if (!image.Flush() || !map->Save(options.map)) writeFailed = true;
    if (end != TRescueEnd::Complete || writeFailed) break;
  }

  std::uint64_t total = 0, bad = 0;
  for (const TSectorSpan& span : spans) total += span.count;
  for (const TSectorSpan& blocks : unread()) bad += blocks.count;
  out << options.to << ": " << what << ", blocks";
  for (std::size_t i = 0; i < spans.size(); ++i)
    out << (i ? ", " : " ") << spans[i].first << "-" << spans[i].end() - 1;
  out << ": " << total - bad << " read well, " << bad << " not\n";
  if (writeFailed) {
    PrintMessage(err, "cannot write " + options.to + " or " + options.map);
    return kExitFailure;
  }
  switch (end) {
    case TRescueEnd::Complete:
      break;
    case TRescueEnd::Stopped:
      PrintMessage(err, "interrupted; the image and its map are consistent: run the command again to go on");
      return kExitFailure;
    case TRescueEnd::TimeUp:
      PrintMessage(err, "time limit reached; run the command again to go on");
      return kExitFailure;
    default:
      PrintMessage(err, "cannot read block " + std::to_string(endLba) + ": " + DriveErrorText(device));
      return kExitFailure;
  }
  return bad ? kExitDamaged : kExitOk;
}

}  // namespace tarnwick::cli
