// A bash completion script for the command line as the parser defines it: its
// commands, every option of each, and the values options take.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace tarnwick::cli {

std::string BashCompletion(const CLI::App& app);

}  // namespace tarnwick::cli
