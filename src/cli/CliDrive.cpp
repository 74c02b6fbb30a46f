#include "cli/CliDrive.h"

#include <cctype>
#include <ostream>

#include "iso/TerminalText.h"
#include "platform/Platform.h"
#include "platform/Plural.h"
#include "vdrive/VirtualDrive.h"
#include "browse/ImportSummary.h"
#include "browse/NameChoice.h"

namespace tarnwick::cli {

namespace {

std::string LetterText(char letter) { return std::string(1, letter) + ":"; }

constexpr std::uint8_t kRead10 = 0x28;

}  // namespace

std::string DriveErrorText(const TSCSIDevice& drive) {
  return drive.LastErrorText.empty() ? std::string("no error text from the drive") : drive.LastErrorText;
}

CliDrive::CliDrive(const GlobalOptions& options, std::ostream& err) : options_(options), err_(err) {
  burner_.DoDebug = options_.debug;
  // Only --debug shows the failed commands' trace lines.
  burner_.TraceFailures = options_.debug;
  burner_.OnDebugMessage = [this](TSCSIDevice*, const std::string& message, std::uint8_t type) {
    if (type == 4) lastImportMessage_ = message;
    if (options_.debug) err_ << TerminalText(message) << '\n';
  };
  try {
    images_ = MountImages(options_.images, options_.map);
  } catch (const std::exception& e) {
    throw CliError{kExitFailure, std::string("cannot open image: ") + e.what()};
  }
  if (!burner_.InitializeDevices(true) || burner_.DeviceList.empty())
    throw CliError{kExitFailure, "no CD or DVD drive found"};
}

CliDrive::~CliDrive() {
  const std::int64_t reads = ReadCommands();
  if (options_.debug && reads >= 0)
    err_ << "drive " << LetterText(selectedLetter_) << " received " << reads << " READ(10) commands in all\n";
}

std::int64_t CliDrive::ReadCommands() const {
  for (const TMountedImage& image : images_)
    if (image.letter == selectedLetter_ && image.drive)
      return static_cast<std::int64_t>(image.drive->CommandCount(kRead10));
  return -1;
}

char CliDrive::LineLetter(const std::string& line) {
  const std::size_t comma = line.find(',');
  if (comma == std::string::npos || comma + 2 >= line.size() || line[comma + 2] != ':') return 0;
  const char letter = line[comma + 1];
  return std::isalpha(static_cast<unsigned char>(letter)) ? letter : 0;
}

void CliDrive::Select() {
  char wanted = 0;
  if (!options_.drive.empty()) {
    wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(options_.drive[0])));
    if (options_.drive.size() > 2 || (options_.drive.size() == 2 && options_.drive[1] != ':') ||
        !std::isalpha(static_cast<unsigned char>(wanted)))
      throw CliError{kExitUsage, "--drive takes a drive letter such as D or D:"};
  } else if (!images_.empty()) {
    wanted = images_.front().letter;
  }
  const std::string* chosen = nullptr;
  for (const std::string& line : burner_.DeviceList) {
    if (wanted == 0 || LineLetter(line) == wanted) {
      chosen = &line;
      break;
    }
  }
  if (chosen == nullptr) throw CliError{kExitFailure, "no CD or DVD drive " + LetterText(wanted)};
  burner_.SelectDevice(*chosen);
  if (burner_.HaId == 254) throw CliError{kExitFailure, "drive " + *chosen + " cannot be selected: not a CD or DVD drive"};
  selectedLetter_ = LineLetter(*chosen);
}

std::uint8_t CliDrive::Import(std::optional<int> session) {
  const std::string drive = selectedLetter_ ? "drive " + LetterText(selectedLetter_) : std::string("the drive");
  TDisc disc;
  burner_.GetDiscInfo(disc);
  if (!disc.Ready) throw CliError{kExitFailure, drive + " is not ready: " + DriveErrorText(burner_)};
  const std::uint8_t first = burner_.DiscInfo.FirstSession;
  const std::uint8_t last = burner_.DiscInfo.LastSession;
  if (last == 0) throw CliError{kExitFailure, "the disc in " + drive + " holds no session"};
  const int wanted = session.value_or(last);
  if (wanted < 1 || wanted > last) {
    throw CliError{kExitFailure, "session " + std::to_string(wanted) + " is not on the disc in " + drive +
                                     " (sessions " + std::to_string(first ? first : 1) + " to " +
                                     std::to_string(last) + ")"};
  }
  // The command line keeps no tree limits: a disc of any size lists whole.
  burner_.ResetTree(TQuarnBurner::Unlimited, TQuarnBurner::Unlimited);
  lastImportMessage_.clear();
  burner_.Names = NameChoiceOf(options_.names).preference;
  burner_.ImportDeleted = options_.deleted;
  burner_.Generation = static_cast<std::uint32_t>(options_.generation.value_or(0));
  const std::int64_t readsBefore = ReadCommands();
  const bool imported = burner_.ImportSession(static_cast<std::uint8_t>(wanted));
  if (options_.debug && readsBefore >= 0) {
    err_ << "import of session " << wanted << " sent " << ReadCommands() - readsBefore << " READ(10) commands\n";
  }
  if (imported && options_.generation && static_cast<std::uint32_t>(*options_.generation) > burner_.ImportedGenerations()) {
    throw CliError{kExitFailure, "session " + std::to_string(wanted) + " has " +
                                     CountOf(burner_.ImportedGenerations(), "generation", "generations") + ", not " +
                                     std::to_string(*options_.generation)};
  }
  if (!imported) {
    std::string why = lastImportMessage_.empty() ? std::string("no volume descriptor found") : lastImportMessage_;
    if (!burner_.LastErrorText.empty()) why += " (" + burner_.LastErrorText + ")";
    throw CliError{kExitFailure, "cannot import session " + std::to_string(wanted) + ": " + why};
  }
  return static_cast<std::uint8_t>(wanted);
}

int CliDrive::ReportImportProblems(int status) {
  const TImportProblems& problems = burner_.ImportProblems();
  if (problems.empty()) return status;
  for (const std::string& line : ImportProblemLines(problems)) err_ << "tarnwick-cli: " << TerminalText(line) << '\n';
  return status == kExitOk || status == kExitDamaged ? kExitFailure : status;
}

}  // namespace tarnwick::cli
