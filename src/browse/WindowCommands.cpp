#include "browse/WindowCommands.h"

#include <new>

#include "Version.h"
#include "browse/Formatting.h"
#include "browse/ImportFailure.h"
#include "browse/ImportSummary.h"
#include "platform/Platform.h"
#include "platform/Plural.h"

namespace tarnwick {

void ConfigureForBrowsing(TQuarnBurner& burner) {
  burner.UnderrunProtection = true;
  burner.FinalizeDisc = false;
  burner.ReplaceFile = false;
  burner.ReadSpeed = 0;
  burner.WriteSpeed = 0;
  burner.SetDebugWindow(nullptr);
  burner.OnDebugMessage = nullptr;
}

std::uint8_t SessionOfLine(const std::vector<TSessionLine>& lines, std::size_t index) {
  if (lines.size() < 2 || index + 1 >= lines.size()) return 0;
  const TSessionLine& line = lines[index];
  if (line.kind != TSessionLine::Kind::Session && line.kind != TSessionLine::Kind::SessionWithoutSize) return 0;
  return line.session;
}

std::string ImportIntoFreshTree(TQuarnBurner& burner, std::uint8_t session) {
  burner.ResetTree(TQuarnBurner::DefaultMaxFiles, TQuarnBurner::DefaultMaxDirs);
  // The import's own reason for a failure arrives as its error message; whoever
  // listened before still gets every message.
  std::string importMessage;
  const TOnDebugMsg listener = burner.OnDebugMessage;
  burner.OnDebugMessage = [&importMessage, &listener](TSCSIDevice* device, const std::string& message,
                                                      std::uint8_t type) {
    if (type == 4) importMessage = message;
    if (listener) listener(device, message, type);
  };
  bool imported = false;
  try {
    imported = burner.ImportSession(session, burner.Root());
  } catch (const std::bad_alloc&) {
    // Records added half-way are released with the rest: the tree is the root alone.
    burner.OnDebugMessage = listener;
    burner.ResetTree(TQuarnBurner::DefaultMaxFiles, TQuarnBurner::DefaultMaxDirs);
    return kOutOfMemoryText;
  }
  burner.OnDebugMessage = listener;
  if (!imported) return ImportFailureText(burner, session, importMessage, burner.LastErrorText);
  return ImportProblemSummary(burner, session);
}

std::string DriveLabelText(char letter) {
  return letter != 0 ? std::string("Drive ") + letter + ":" : std::string("  Drive :");
}

std::string DriveHintText(const std::string& line, char letter) {
  std::string hint = line;
  if (letter != 0) {
    const std::string device = platform::Current().DescribeDrive(letter);
    if (!device.empty()) hint += "\n" + device;
  }
  return hint;
}

namespace {

// The drive letter of a device-list line ("H:T:L,E: ..."); 0 when it has none.
char LetterOfLine(const std::string& line) {
  const std::size_t comma = line.find(',');
  if (comma == std::string::npos || comma + 2 >= line.size() || line[comma + 2] != ':') return 0;
  const char letter = line[comma + 1];
  return letter >= 'A' && letter <= 'Z' ? letter : 0;
}

// What names the drive to the user: a virtual drive's image file name, a real
// drive's device; "" when nothing is known.
std::string DriveName(char letter) {
  if (letter == 0) return {};
  platform::Platform& os = platform::Current();
  const std::string device = os.DescribeDrive(letter);
  if (!os.IsVirtualDrive(letter)) return device;
  const std::size_t slash = device.find_last_of("\\/");
  return slash == std::string::npos ? device : device.substr(slash + 1);
}

}  // namespace

std::string WindowTitleText(char letter) {
  std::string title = std::string(kProductName) + " " + kProductVersion;
  const std::string name = DriveName(letter);
  if (!name.empty()) title += " - " + name;
  return title;
}

std::string DriveEntryText(const std::string& line) {
  const char letter = LetterOfLine(line);
  if (letter == 0 || !platform::Current().IsVirtualDrive(letter)) return line;
  const std::string name = DriveName(letter);
  return name.empty() ? line : line + " - " + name;
}

std::string DirectoryRefusal(const TFEntry& entry) {
  return "You can not extract directory, " + entry.LongName + " is a directory";
}

std::string ExtractTitle(const std::vector<const TFEntry*>& entries) {
  const std::string title = "Choose a folder for ";
  if (entries.size() == 1) return title + entries.front()->LongName;
  std::uint64_t directories = 0;
  for (const TFEntry* entry : entries) directories += entry->IsDirectory() ? 1 : 0;
  const std::uint64_t files = entries.size() - directories;
  if (directories == 0) return title + CountOf(files, "file", "files");
  if (files == 0) return title + CountOf(directories, "directory", "directories");
  return title + CountOf(files, "file", "files") + " and " + CountOf(directories, "directory", "directories");
}

std::string ExtractNodeTitle(const TDEntry* dir) {
  if (dir != nullptr && EntryOfDirectory(dir) == nullptr) return "Choose a folder for everything in the session";
  return ExtractTitle(EntriesOfNode(dir));
}

std::vector<const TFEntry*> EntriesOfNode(const TDEntry* dir) {
  std::vector<const TFEntry*> entries;
  if (dir == nullptr) return entries;
  if (const TFEntry* entry = EntryOfDirectory(dir)) {
    entries.push_back(entry);
  } else {
    for (const TFEntry* entry = dir->Files; entry != nullptr; entry = entry->Next) entries.push_back(entry);
  }
  return entries;
}

namespace {

int Percent(std::uint64_t done, std::uint64_t total) {
  return total == 0 ? 100 : static_cast<int>(done * 100 / total);
}

}  // namespace

int ProgressPercent(const TExtractionStep& step, bool oneFile) {
  return oneFile ? Percent(step.fileDone, step.fileTotal) : Percent(step.allDone, step.allTotal);
}

std::string ProgressText(const TExtractionStep& step, bool oneFile, const std::string& decimalSeparator,
                         const std::string& pace) {
  const auto size = [&](std::uint64_t bytes) { return SizeText(bytes, decimalSeparator); };
  const std::string percent = " (" + std::to_string(ProgressPercent(step, oneFile)) + "%)" + pace;
  std::string text = step.name + "\n" + size(step.fileDone) + " of " + size(step.fileTotal);
  if (oneFile) {
    text += percent;
  } else {
    text += "\n" + size(step.allDone) + " of " + size(step.allTotal) + " in all" + percent;
  }
  if (step.badSectors) text += "\n" + CountOf(step.badSectors, "unreadable sector", "unreadable sectors");
  return text;
}

}  // namespace tarnwick
