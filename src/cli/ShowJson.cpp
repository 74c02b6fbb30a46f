// The machine-readable forms of `show` and `drives`: the figures behind the text lines
// as numbers, keys in byte order as in `ls --json`.
#include <nlohmann/json.hpp>
#include <cstdio>
#include <ostream>

#include "browse/SessionListing.h"
#include "browse/TrackListing.h"
#include "cli/Commands.h"
#include "cli/Messages.h"
#include "drive/TextFields.h"
#include "platform/Platform.h"

namespace tarnwick::cli {

namespace {

constexpr std::uint64_t kBlockBytes = 2048;

nlohmann::json Blocks(std::uint32_t blocks) {
  return {{"blocks", blocks}, {"bytes", std::uint64_t{blocks} * kBlockBytes}};
}

nlohmann::json OrNull(const std::optional<std::uint32_t>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

}  // namespace

std::optional<TDeviceLine> ParseDeviceLine(const std::string& line) {
  // "H:T:L,X: " and the inquiry's vendor (8), product (16) and revision (4) fields.
  constexpr std::size_t kIdentityBytes = 8 + 16 + 4;
  const std::size_t comma = line.find(',');
  unsigned adapter = 0, target = 0, lun = 0;
  char tail = 0;
  if (comma == std::string::npos || line.size() < comma + 4 + kIdentityBytes || line[comma + 2] != ':' ||
      std::sscanf(line.substr(0, comma).c_str(), "%u:%u:%u%c", &adapter, &target, &lun, &tail) != 3)
    return std::nullopt;
  TDeviceLine parsed;
  parsed.adapter = adapter;
  parsed.target = target;
  parsed.lun = lun;
  parsed.letter = CliDrive::LineLetter(line);
  const std::string identity = line.substr(comma + 4, kIdentityBytes);
  parsed.vendor = TrimControls(std::string_view(identity).substr(0, 8));
  parsed.product = TrimControls(std::string_view(identity).substr(8, 16));
  parsed.revision = TrimControls(std::string_view(identity).substr(24, 4));
  parsed.supported = line.size() == comma + 4 + kIdentityBytes;
  return parsed;
}

int CmdDrivesJson(CliDrive& drive, std::ostream& out) {
  nlohmann::json drives = nlohmann::json::array();
  for (const std::string& line : drive.Lines()) {
    const std::optional<TDeviceLine> parsed = ParseDeviceLine(line);
    if (!parsed) throw CliError{kExitFailure, "the drive list holds a line of unknown form: " + line};
    const std::string device = parsed->letter ? platform::Current().DescribeDrive(parsed->letter) : std::string();
    drives.push_back({{"address", {{"adapter", parsed->adapter}, {"lun", parsed->lun}, {"target", parsed->target}}},
                      {"device", device.empty() ? nlohmann::json(nullptr) : nlohmann::json(device)},
                      {"letter", parsed->letter ? nlohmann::json(std::string(1, parsed->letter)) : nlohmann::json(nullptr)},
                      {"product", parsed->product},
                      {"revision", parsed->revision},
                      {"supported", parsed->supported},
                      {"vendor", parsed->vendor}});
  }
  out << nlohmann::json{{"drives", drives}}.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  return kExitOk;
}

std::vector<std::uint8_t> WriteShowJson(CliDrive& drive, const TSessionListing& listing, std::ostream& out) {
  nlohmann::json doc{{"drive", std::string(1, drive.SelectedLetter())}, {"ready", listing.labelsValid}};
  TTrackListing tracks;
  if (listing.labelsValid) {
    tracks = ListTracks(drive.Burner(), listing);
    nlohmann::json sessions = nlohmann::json::array();
    for (std::size_t i = 0; i < listing.lines.size() && i < listing.figures.size(); ++i) {
      const TSessionLine& line = listing.lines[i];
      const TSessionFigures& figures = listing.figures[i];
      if (line.kind == TSessionLine::Kind::FreeSpace) {
        doc["free"] = Blocks(figures.blocks);
        doc["free"]["start"] = OrNull(figures.start);
      }
      if (line.session == 0) continue;
      nlohmann::json session{{"number", line.session}, {"start", OrNull(figures.start)}, {"first_track", figures.firstTrack}};
      for (const TSessionTracks& range : tracks.sessions)
        if (range.session == line.session) session["last_track"] = range.lastTrack;
      session["size"] = line.kind == TSessionLine::Kind::Session ? Blocks(figures.blocks) : nlohmann::json(nullptr);
      session["generations"] = figures.generations;
      sessions.push_back(session);
    }
    nlohmann::json trackRows = nlohmann::json::array();
    for (const TTrackRow& row : tracks.tracks)
      trackRows.push_back({{"number", row.number},
                           {"session", row.session},
                           {"mode", row.mode.empty() ? nlohmann::json(nullptr) : nlohmann::json(row.mode)},
                           {"start", row.start},
                           {"length", OrNull(row.length)}});
    nlohmann::json unlisted = nlohmann::json::array();
    for (const TSessionListing::Unlisted& session : listing.unlisted)
      unlisted.push_back({{"session", session.session}, {"error", session.why}});
    doc["sessions"] = sessions;
    doc["tracks"] = trackRows;
    doc["unlisted_sessions"] = unlisted;
    doc["unlisted_tracks"] = tracks.unlisted;
    doc["medium"] = {{"name", listing.mediumName},
                     {"profile", listing.profile},
                     {"index", listing.mediumIndex},
                     {"layers", listing.layers != 0 ? nlohmann::json(listing.layers) : nlohmann::json(nullptr)}};
    doc["disc_status"] = listing.discStatus;
    doc["session_state"] = listing.sessionState;
    doc["disc_size"] = Blocks(listing.discBlocks);
    doc["used_space"] = Blocks(listing.usedBlocks);
  }
  out << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  return tracks.unlisted;
}

}  // namespace tarnwick::cli
