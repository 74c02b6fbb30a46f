#include "cli/Completion.h"

#include <CLI/CLI.hpp>
#include <set>

namespace tarnwick::cli {

namespace {

// The named, visible options of a command, words joined by blanks.
std::string OptionWords(const CLI::App& app) {
  std::string words;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_group().empty() || option->get_positional()) continue;
    for (const std::string& name : option->get_snames()) words += " -" + name;
    for (const std::string& name : option->get_lnames()) words += " --" + name;
  }
  return words.empty() ? words : words.substr(1);
}

// What follows an option that takes a value: its choices ("TEXT:{a,b}"), nothing for
// a number, else a file name.
std::string ValueCompletion(const CLI::Option& option) {
  const std::string type = option.get_type_name();
  const std::size_t open = type.find('{'), close = type.rfind('}');
  if (open != std::string::npos && close != std::string::npos && close > open) {
    std::string choices = type.substr(open + 1, close - open - 1);
    for (char& c : choices)
      if (c == ',') c = ' ';
    return "COMPREPLY=($(compgen -W \"" + choices + "\" -- \"$cur\"))";
  }
  if (type.rfind("INT", 0) == 0 || type.rfind("UINT", 0) == 0 || type.rfind("FLOAT", 0) == 0) return "COMPREPLY=()";
  return "COMPREPLY=($(compgen -f -- \"$cur\"))";
}

// One case per option that takes a value (flags have no type name); an option that
// several commands share gets one case.
void ValueCases(const CLI::App& app, std::set<std::string>& seen, std::string& cases) {
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_group().empty() || option->get_positional() || option->get_type_name().empty()) continue;
    std::string names;
    for (const std::string& name : option->get_snames()) names += (names.empty() ? "-" : "|-") + name;
    for (const std::string& name : option->get_lnames()) names += (names.empty() ? "--" : "|--") + name;
    if (seen.insert(names).second) cases += "    " + names + ")\n      " + ValueCompletion(*option) + "\n      return ;;\n";
  }
}

}  // namespace

std::string BashCompletion(const CLI::App& app) {
  const std::string name = app.get_name();
  std::string function = "_";
  for (char c : name) function += (c == '-' ? '_' : c);
  const auto commands = app.get_subcommands([](const CLI::App* command) { return !command->get_group().empty(); });

  std::string commandNames, valueCases, commandCases;
  std::set<std::string> seen;
  ValueCases(app, seen, valueCases);
  for (const CLI::App* command : commands) {
    commandNames += (commandNames.empty() ? "" : "|") + command->get_name();
    ValueCases(*command, seen, valueCases);
    commandCases += "    " + command->get_name() + ")\n      COMPREPLY=($(compgen -W \"" + OptionWords(*command) +
                    "\" -- \"$cur\"))\n      ;;\n";
  }
  std::string topWords = OptionWords(app);
  for (const CLI::App* command : commands) topWords += " " + command->get_name();

  return "# bash completion for " + name + ", written by " + name + " --bash-completion\n" + function +
         "() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} command= i\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    case ${COMP_WORDS[i]} in\n"
         "      " + commandNames + ") command=${COMP_WORDS[i]}; break ;;\n"
         "    esac\n"
         "  done\n"
         "  case $prev in\n" + valueCases +
         "  esac\n"
         "  case $command in\n"
         "    \"\")\n"
         "      COMPREPLY=($(compgen -W \"" + topWords + "\" -- \"$cur\"))\n"
         "      ;;\n" + commandCases +
         "  esac\n"
         "}\n"
         "complete -o filenames -F " + function + " " + name + "\n";
}

}  // namespace tarnwick::cli
