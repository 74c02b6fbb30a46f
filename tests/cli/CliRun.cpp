#include "CliRun.h"

#include <gtest/gtest.h>

namespace tarnwick::test {

CliResult RunCliTo(const std::vector<std::string>& args, const std::string& outputFile) {
  std::vector<std::string> argv{TARNWICK_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  CliResult result = RunCaptured(argv, outputFile);
  // In a sanitizer build a report on standard error is a failure whatever the status.
  if (result.err.find("Sanitizer") != std::string::npos || result.err.find("runtime error:") != std::string::npos)
    ADD_FAILURE() << "tarnwick-cli " << testing::PrintToString(args) << ":\n" << result.err;
  return result;
}

CliResult RunCli(const std::vector<std::string>& args) { return RunCliTo(args, ""); }

}  // namespace tarnwick::test
