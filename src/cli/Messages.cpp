#include "cli/Messages.h"

#include <ostream>

#include "iso/TerminalText.h"

namespace tarnwick::cli {

void PrintMessage(std::ostream& err, const std::string& message) {
  err << "tarnwick-cli: " << TerminalText(message) << '\n';
}

}  // namespace tarnwick::cli
