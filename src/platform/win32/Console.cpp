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

namespace {

void (*volatile closingHandler)() = nullptr;

BOOL WINAPI OnControlEvent(DWORD event) {
  if (event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT) return FALSE;
  if (void (*handler)() = closingHandler) handler();
  // Returning ends the process at once; the main thread ends it itself once it has
  // cleaned up, or the system does when its time is up.
  ::Sleep(20000);
  return TRUE;
}

}  // namespace

void OnConsoleClosing(void (*onClose)()) {
  closingHandler = onClose;
  ::SetConsoleCtrlHandler(OnControlEvent, onClose != nullptr ? TRUE : FALSE);
}

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
