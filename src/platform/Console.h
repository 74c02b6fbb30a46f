// The standard streams and arguments of a command-line program, as the system
// gives them.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::platform {

// Puts standard output and error in binary mode where the system has a text mode
// (Windows would turn every "\n" of file data into "\r\n").
void UseBinaryStandardStreams();

// Whether standard error is a terminal (progress lines are only written there).
bool StandardErrorIsTerminal();

// Calls `onInterrupt` (from any thread; it may only set a flag) when the user presses
// Ctrl-C or Ctrl-Break in the console the program runs in, closes that console, logs
// off or the system shuts down; after a close, logoff or shutdown it gives the program
// the few seconds the system allows to clean up before it ends. Null removes it. On
// systems where all of these arrive as signals (a closed terminal is SIGHUP) it does
// nothing.
void OnConsoleInterrupt(void (*onInterrupt)());

// The program's arguments (argv[0] first) in UTF-8. On Windows they come from the
// wide command line, so names outside the ANSI code page arrive whole.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace tarnwick::platform
