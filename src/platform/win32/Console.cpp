#include "platform/Console.h"

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>

#include "platform/win32/ConsoleEvents.h"
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

void (*volatile interruptHandler)() = nullptr;
std::atomic<bool> keyPressed{false};

BOOL WINAPI OnControlEvent(DWORD event) {
  const ConsoleEventAnswer answer = AnswerConsoleEvent(event);
  if (answer == ConsoleEventAnswer::PassedOn) return FALSE;
  // Returning from a close, logoff or shutdown ends the process at once; the main
  // thread ends it itself once it has cleaned up, or the system does when its time is up.
  if (answer == ConsoleEventAnswer::StoppingBeforeTheEnd) ::Sleep(20000);
  return TRUE;
}

}  // namespace

ConsoleEventAnswer AnswerConsoleEvent(DWORD event) {
  void (*handler)() = interruptHandler;
  if (handler == nullptr) return ConsoleEventAnswer::PassedOn;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (keyPressed.exchange(true)) return ConsoleEventAnswer::PassedOn;
      handler();
      return ConsoleEventAnswer::Stopping;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      handler();
      return ConsoleEventAnswer::StoppingBeforeTheEnd;
    default:
      return ConsoleEventAnswer::PassedOn;
  }
}

void OnConsoleInterrupt(void (*onInterrupt)()) {
  keyPressed = false;
  interruptHandler = onInterrupt;
  ::SetConsoleCtrlHandler(OnControlEvent, onInterrupt != nullptr ? TRUE : FALSE);
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
