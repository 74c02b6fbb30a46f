// Runs the built tarnwick-cli as a child process with no real drives, capturing its
// standard output, standard error and exit status separately.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::test {

struct CliResult {
  int status = -1;  // exit status; 128 + signal when killed
  std::string out;
  std::string err;
};

// Runs tarnwick-cli with the arguments. Standard input is /dev/null; the environment
// is this process's plus TARNWICK_NO_REAL_DRIVES=1.
CliResult RunCli(const std::vector<std::string>& args);
// The same with standard output going to a file (e.g. /dev/full) instead.
CliResult RunCliTo(const std::vector<std::string>& args, const std::string& outputFile);

// Runs any program (looked up in PATH) the same way.
CliResult RunCaptured(const std::vector<std::string>& argv, const std::string& outputFile = "");

}  // namespace tarnwick::test
