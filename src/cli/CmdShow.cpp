#include <clocale>
#include <ostream>

#include "browse/Formatting.h"
#include "browse/SessionListing.h"
#include "cli/Commands.h"
#include "cli/Messages.h"
#include "iso/TerminalText.h"
#include "platform/Platform.h"

namespace tarnwick::cli {

int CmdDrives(CliDrive& drive, std::ostream& out) {
  for (const std::string& line : drive.Lines()) {
    const char letter = CliDrive::LineLetter(line);
    const std::string device = letter ? platform::Current().DescribeDrive(letter) : std::string();
    out << TerminalText(line) << '\t' << TerminalText(device.empty() ? "-" : device) << '\n';
  }
  return kExitOk;
}

int CmdShow(CliDrive& drive, bool json, std::ostream& out, std::ostream& err) {
  TSessionListing listing = ListSessions(drive.Burner());
  std::vector<std::uint8_t> unlistedTracks;
  if (json) {
    unlistedTracks = WriteShowJson(drive, listing, out);
  } else {
    out << kSessionListHeading << '\n';
    for (const TSessionLine& line : listing.lines) out << line.text << '\n';
  }
  if (!listing.labelsValid) {
    PrintMessage(err, "drive " + std::string(1, drive.SelectedLetter()) + ": is not ready: " +
                          DriveErrorText(drive.Burner()));
    return kExitFailure;
  }
  if (!json) {
    const std::lconv* conventions = std::localeconv();
    const std::string separator = conventions && conventions->decimal_point ? conventions->decimal_point : ".";
    out << "Medium  : " << listing.mediumName << '\n';
    out << "Disc Size  : " << FormatMegabytes(listing.discBlocks, separator) << '\n';
    out << "Used Space  : " << FormatMegabytes(listing.usedBlocks, separator) << '\n';
    // Older states of a session's UDF file system, each readable with --generation.
    for (std::size_t i = 0; i < listing.lines.size() && i < listing.figures.size(); ++i)
      if (listing.figures[i].generations > 1)
        out << "Session " << int{listing.lines[i].session} << " : " << listing.figures[i].generations
            << " generations (--generation 1 to " << listing.figures[i].generations << ", the last is the newest)\n";
  }
  // A session without a line is a listing that failed, said after everything else.
  for (const TSessionListing::Unlisted& session : listing.unlisted) {
    const std::string why = session.why.empty() ? std::string("no error text from the drive") : session.why;
    if (session.session == 0) {
      err << "tarnwick-cli: the sessions could not be listed: the disc is not blank, but the drive names none (" << why
          << ")\n";
    } else {
      err << "tarnwick-cli: session " << int{session.session}
          << " could not be listed: the drive tells neither where it starts (" << why << ")\n";
    }
  }
  for (const std::uint8_t track : unlistedTracks)
    err << "tarnwick-cli: track " << int{track} << " could not be listed: the drive does not tell where it starts\n";
  return listing.unlisted.empty() && unlistedTracks.empty() ? kExitOk : kExitFailure;
}

}  // namespace tarnwick::cli
