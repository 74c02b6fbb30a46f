// What the image readers share: the sheet's text, companion files found beside it,
// addresses in minutes:seconds:frames, the gap between sessions, and the checks every
// image's disc model passes before a drive serves it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vdrive/DescriptionError.h"
#include "vdrive/DiscModel.h"

namespace tarnwick::vdrive::images {

// Text sheets are small; a larger file is not one.
inline constexpr std::uint64_t kMaxSheetBytes = 1 << 20;
// Tracks on a disc and data files of one sheet, at most.
inline constexpr std::size_t kMaxTracks = 99;
// The last block a CD address can name (99:59:74).
inline constexpr std::uint32_t kMaxCdBlocks = 449850;

// A track mode as a text sheet names it, and the sectors its data file holds.
struct SheetMode {
  const char* name;
  bool audio;
  SectorLayout layout;
  std::uint32_t size;
};

// The mode of `modes` named `name` (compared in upper case), or none.
template <std::size_t N>
const SheetMode* FindSheetMode(const SheetMode (&modes)[N], const std::string& name) {
  for (const SheetMode& mode : modes)
    if (name == mode.name) return &mode;
  return nullptr;
}

// Throws DescriptionError "file:line: what" (or "file: what" for line 0).
[[noreturn]] void Fail(const std::string& file, int line, const std::string& what);

// The whole of a text sheet; fails when it cannot be read or is too large.
std::string ReadSheet(const std::string& path);
// The sheet split into lines, line ends ("\n", "\r\n") removed.
std::vector<std::string> SheetLines(const std::string& text);

// The companion file `name` (as a sheet writes it: relative or absolute, with "/" or
// "\", any letter case) beside the sheet `sheetPath`: the path itself when it names
// a file, else each name taken without regard to case in its directory, else the
// bare file name in the sheet's directory. Empty when none is found.
std::string FindBeside(const std::string& sheetPath, const std::string& name);
// Opens the companion file; fails naming the sheet's line when it is missing.
std::shared_ptr<ImageFile> OpenCompanion(const std::string& sheetPath, int line, const std::string& name);
// The file beside `sheetPath` with its extension replaced by `extension` (any case); empty when none.
std::string SiblingWithExtension(const std::string& sheetPath, const std::string& extension);

// "mm:ss:ff" as a block count (frames below 75, seconds below 60); false when malformed.
bool ParseMsf(std::string_view text, std::uint32_t& blocks);
// Whole decimal number no larger than `max`; false otherwise.
bool ParseNumber(std::string_view text, std::uint64_t max, std::uint64_t& value);
std::string Upper(std::string text);

// Blocks from the end of a session's last track to the first track of the next one
// on a CD: lead-out, lead-in and pre-gap (11400 after the first session, 6900 after
// later ones). `nextSession` is the number of the session that starts.
std::uint32_t SessionGap(int nextSession);

// What an image says about the medium beyond its tracks.
struct MediumHint {
  std::uint16_t profile = profile::kNone;  // none: chosen from the tracks
  bool appendable = false;
};

// Completes the model of an image `path`: checks the tracks (numbered one after the
// other, ascending and apart, every session holding one, every data track's sectors
// inside its file), sets the sessions, the medium and the drive's default pages.
void FinishImageModel(DiscModel& model, const std::string& path, const MediumHint& hint);

}  // namespace tarnwick::vdrive::images
