// The session listing behind the window's "Show" button and the command line's
// `show`: one line per session (number, start, size), a free-space line, and the
// medium, disc size and used space. Free of any GUI toolkit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

class TSCSIDevice;

struct TSessionLine {
  enum class Kind { Session, SessionWithoutSize, FreeSpace, Error };
  Kind kind = Kind::Error;
  std::string text;
  // The disc's session number for session lines; 0 for the free-space and error lines,
  // which import nothing.
  std::uint8_t session = 0;
};

// The figures behind a line's text: a session's first track, its first block and its
// size in blocks (0 on a line without size); on the free-space line the free blocks,
// and the lead-out's first block when the drive told it.
struct TSessionFigures {
  std::uint8_t firstTrack = 0;
  std::optional<std::uint32_t> start;
  std::uint32_t blocks = 0;
  // Generations of a UDF session with virtual allocation tables (1 the oldest); 1 otherwise.
  std::uint32_t generations = 1;
};

struct TSessionListing {
  std::vector<TSessionLine> lines;
  std::vector<TSessionFigures> figures;  // one per line, in the same order
  // False when the drive was not ready: only the error line, and the labels keep
  // whatever they showed before.
  bool labelsValid = false;
  std::string mediumName;
  std::uint32_t discBlocks = 0;
  std::uint32_t usedBlocks = 0;
  // What the drive said of the medium: the profile of its current configuration, the
  // medium index the name comes from, and the disc and last-session states.
  std::uint16_t profile = 0;
  std::uint8_t mediumIndex = 0;
  // The layers READ DISC STRUCTURE told, for a medium whose profile leaves them open; 0
  // when not asked or not told.
  std::uint8_t layers = 0;
  std::uint8_t discStatus = 0;
  std::uint8_t sessionState = 0;
  // Sessions of the disc that got no line, because the drive told neither where they
  // start, each with the drive's error text; session 0 when the disc is not blank but
  // the drive names no session at all.
  struct Unlisted {
    std::uint8_t session = 0;
    std::string why;
  };
  std::vector<Unlisted> unlisted;
  // When the drive was not ready: whether it reported no medium, and its error text.
  bool noMedium = false;
  std::string notReadyWhy;
};

inline constexpr const char* kSessionErrorLine = "     Error getting session information";
inline constexpr const char* kSessionListHeading = " Number  Start   Size";

// Runs every query of the listing on the selected drive, in the window's order.
TSessionListing ListSessions(TSCSIDevice& drive);

// The windows' status line while "Show" waits for the drive (which may take seconds).
inline constexpr const char* kAskingDriveText = "Asking the drive about its disc...";
// The windows' status line after "Show": why nothing is listed (no disc, the drive not
// ready, with its error text), which sessions got no line, or "" when all is listed.
std::string ListingStatusText(const TSessionListing& listing);

}  // namespace tarnwick
