#include "cli/ManualPage.h"

#include <CLI/CLI.hpp>

namespace tarnwick::cli {

namespace {

// Text made safe for roff: backslashes and hyphens escaped, and a line that would
// start with a control character ("." or "'") protected.
std::string Roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') out += "\\\\";
    else if (c == '-') out += "\\-";
    else out += c;
    lineStart = (c == '\n');
  }
  return out;
}

// How an option is written in the page: its names, then what value it takes.
std::string OptionHeading(const CLI::Option& option) {
  std::string names;
  if (option.get_positional()) names = option.get_name();
  for (const std::string& name : option.get_snames()) names += (names.empty() ? "-" : ", -") + name;
  for (const std::string& name : option.get_lnames()) names += (names.empty() ? "--" : ", --") + name;
  const std::string type = option.get_type_name();
  if (!type.empty()) names += " " + type;
  if (option.get_expected_max() > 1) names += " ...";
  return names;
}

// A command's arguments first, then its options; options without a group are hidden,
// and the help flags every command inherits are the page's own.
std::string Options(const CLI::App& command) {
  std::string arguments, options;
  for (const CLI::Option* option : command.get_options()) {
    if (option->get_group().empty() || option == command.get_help_ptr() || option == command.get_help_all_ptr()) continue;
    (option->get_positional() ? arguments : options) +=
        ".TP\n.B " + Roff(OptionHeading(*option)) + "\n" + Roff(option->get_description()) +
        (option->get_required() ? " (required)" : "") + "\n";
  }
  return arguments + options;
}

}  // namespace

std::string ManualCommands(const CLI::App& app) {
  std::string out = "[COMMANDS]\nThe global options come before the command, the command's own after it.\n";
  for (const CLI::App* command : app.get_subcommands([](const CLI::App* c) { return !c->get_group().empty(); })) {
    out += ".SS " + Roff(command->get_name()) + "\n" + Roff(command->get_description()) + "\n" + Options(*command);
  }
  return out;
}

}  // namespace tarnwick::cli
