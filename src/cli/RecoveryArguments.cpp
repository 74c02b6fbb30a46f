#include "cli/RecoveryArguments.h"

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace tarnwick::cli {

void AddRecoveryOptions(CLI::App* command, RecoveryOptions& options, bool onError, bool skip, bool report) {
  if (onError) {
    std::map<std::string, TOnError> kinds = {{"fail", TOnError::Fail}, {"fill", TOnError::Fill}};
    if (skip) kinds.emplace("skip", TOnError::Skip);
    std::vector<std::string> names;
    for (const auto& kind : kinds) names.push_back(kind.first);
    command
        ->add_option_function<std::string>(
            "--on-error",
            [&options, kinds](std::string name) {
              for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
              if (const auto kind = kinds.find(name); kind != kinds.end()) options.policy.onError = kind->second;
            },
                     skip ? "on unreadable data: fail (stop, the default), fill (write the file whole, zeros for "
                            "unreadable blocks, and report it damaged) or skip (leave the file out)"
                          : "on unreadable data: fail (stop, the default) or fill (zeros for unreadable blocks)")
        ->check(CLI::IsMember(names, CLI::ignore_case));
  }
  command
      ->add_option("--retries", options.policy.retries,
                   "reads of an unreadable sector beyond the first (default 2)")
      ->check(CLI::Range(0, 100));
  command->add_option("--time-limit", options.timeLimitSeconds,
                      "stop reading after this many seconds; what was not read is reported as not read")
      ->check(CLI::PositiveNumber);
  if (report)
    command->add_option("--report", options.reportPath,
                        "write every file's status and unreadable byte ranges to this JSON file");
}

}  // namespace tarnwick::cli
