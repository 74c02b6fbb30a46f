// The command-line options of the read policy and the damage report.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/DamageReport.h"

namespace tarnwick::cli {

// --retries and --time-limit; with `onError`, --on-error (fill and, with `skip`, skip);
// --report unless `report` is false.
void AddRecoveryOptions(CLI::App* command, RecoveryOptions& options, bool onError, bool skip, bool report = true);

}  // namespace tarnwick::cli
