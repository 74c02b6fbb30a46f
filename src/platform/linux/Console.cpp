#include "platform/Console.h"

#include <unistd.h>

namespace tarnwick::platform {

void UseBinaryStandardStreams() {}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

void OnConsoleInterrupt(void (*)()) {}

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace tarnwick::platform
