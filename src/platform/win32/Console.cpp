#include "platform/Console.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/win32/OwnedHandle.h"
#include "platform/win32/WideText.h"

#include <shellapi.h>

namespace tarnwick::platform {

void UseBinaryStandardStreams() {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool StandardErrorIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) {
    if (wide != nullptr) ::LocalFree(wide);
    return {argv, argv + argc};
  }
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) arguments.push_back(WideToUtf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

}  // namespace tarnwick::platform
