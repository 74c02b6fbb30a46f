// The manual page's COMMANDS section, written from the parser's own definitions so the
// page cannot drift from the command line: one subsection per command with its
// arguments and options, as help2man include material.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace tarnwick::cli {

std::string ManualCommands(const CLI::App& app);

}  // namespace tarnwick::cli
