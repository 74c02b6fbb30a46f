// What the window's commands decide and say, whichever toolkit draws the window:
// which session a session-list line imports, the drive label and hint, the texts of
// extraction (chooser title, refusal of a directory, progress), and which entries a
// tree node's "Extract..." takes. Free of any GUI toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "browse/Extraction.h"
#include "browse/SessionListing.h"
#include "iso/QuarnBurner.h"

namespace tarnwick {

inline constexpr const char* kSelectSessionMessage = "Select session from list";
inline constexpr const char* kGridHint = "Double click on a file name to extract";
inline constexpr const char* kExtractingTitle = "Extracting";
inline constexpr const char* kOutOfMemoryText =
    "Out of memory: the session's records need more memory than the system gives; nothing is shown.";

// The component as both windows use it: no speed set, nothing finalized or replaced,
// and its debug messages going to no one.
void ConfigureForBrowsing(TQuarnBurner& burner);

// The session that the line at `index` of a listing imports; 0 when it imports
// nothing (a lone line, the last line, which is the free-space line, an error line).
// Each session line carries its own number, so a session without a line does not
// shift the lines after it.
std::uint8_t SessionOfLine(const std::vector<TSessionLine>& lines, std::size_t index);

// Resets the tree and imports the session into the root; the tree keeps whatever
// could be read. Returns the message on what could not be read ("" when all was),
// or why nothing of the session could be imported. Running out of memory leaves the
// root alone and returns kOutOfMemoryText.
std::string ImportIntoFreshTree(TQuarnBurner& burner, std::uint8_t session);

// "Drive E:" for a drive with a letter, "  Drive :" without.
std::string DriveLabelText(char letter);
// The selector's hint: the device-list line and, on a second line, the device or
// image file behind the drive's letter.
std::string DriveHintText(const std::string& line, char letter);

// The window's title: the program's name and version, and after " - " the selected
// drive's device or, for a virtual drive, its image's file name.
std::string WindowTitleText(char letter);
// The selector's entry for a device-list line: the line itself, and for a virtual
// drive its image's file name after " - ".
std::string DriveEntryText(const std::string& line);

// "You can not extract directory, NAME is a directory".
std::string DirectoryRefusal(const TFEntry& entry);
// The directory chooser's title: "Choose a folder for NAME", "Choose a folder for 2
// files and 1 directory".
std::string ExtractTitle(const std::vector<const TFEntry*>& entries);
// The same for a tree node's "Extract...": the directory's name, or everything in the
// session for the root.
std::string ExtractNodeTitle(const TDEntry* dir);
// The entries of a tree node's "Extract...": the directory's own entry, or for the
// root (which has none) everything in it.
std::vector<const TFEntry*> EntriesOfNode(const TDEntry* dir);

// The progress bar's percent: of the file alone, or of the whole selection.
int ProgressPercent(const TExtractionStep& step, bool oneFile);
// The progress dialog's text: "name\n62.00 KB of 97.66 KB (63%)" for one file;
// "name\nA of B\nC of D in all (P%)" for a selection; the sizes as SizeText gives
// them, `pace` (the rate and time left, or "") after the percent, and a last line
// with the unreadable sectors met, if any.
std::string ProgressText(const TExtractionStep& step, bool oneFile, const std::string& decimalSeparator,
                         const std::string& pace);

}  // namespace tarnwick
