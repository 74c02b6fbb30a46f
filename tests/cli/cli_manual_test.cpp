// The manual page's COMMANDS section: every visible option of every command appears,
// hidden ones do not, and text that roff would read as a request or a hyphen is escaped.
#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

#include "cli/ManualPage.h"

TEST(CliManual, CommandsSectionNamesEveryVisibleOptionEscaped) {
  CLI::App app{"tool", "tool"};
  CLI::App* ls = app.add_subcommand("ls", "list-a directory");
  std::string path, session;
  bool hidden = false;
  ls->add_option("path", path, ".starts with a dot");
  ls->add_option("--session", session, "session 'number' a\\b")->required();
  ls->add_flag("--secret", hidden, "never shown")->group("");
  CLI::App* hiddenCommand = app.add_subcommand("internal", "never shown");
  hiddenCommand->group("");

  const std::string page = tarnwick::cli::ManualCommands(app);
  for (const char* expected : {".SS ls\nlist\\-a directory\n", ".B path TEXT\n\\&.starts with a dot\n",
                               ".B \\-\\-session TEXT\nsession 'number' a\\\\b (required)\n"})
    EXPECT_NE(page.find(expected), std::string::npos) << expected << "\nin:\n" << page;
  EXPECT_EQ(page.find("secret"), std::string::npos);
  EXPECT_EQ(page.find("internal"), std::string::npos);
  EXPECT_EQ(page.find("help"), std::string::npos);
}
