// How tarnwick-cli writes a message for a person: one line on standard error,
// prefixed with the tool's name, with names from the disc made safe for a terminal.
#pragma once

#include <iosfwd>
#include <string>

namespace tarnwick::cli {

// "tarnwick-cli: " and the message (through TerminalText), then a line end.
void PrintMessage(std::ostream& err, const std::string& message);

}  // namespace tarnwick::cli
