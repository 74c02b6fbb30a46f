// How the program answers the console's events (Ctrl-C, Ctrl-Break, a closed console
// window, logoff, shutdown) once OnConsoleInterrupt has installed a handler.
#pragma once

#include "platform/win32/SystemHeaders.h"

namespace tarnwick::platform {

enum class ConsoleEventAnswer {
  PassedOn,             // left to the next handler; the system's own ends the process
  Stopping,             // the program was asked to stop and goes on until it has
  StoppingBeforeTheEnd  // as Stopping, but the system ends the process once it returns
};

// Calls the installed handler for an event it stands for and says what the console
// handler does next. The first Ctrl-C or Ctrl-Break asks; a later one is passed on,
// so that a second key press ends the process at once.
ConsoleEventAnswer AnswerConsoleEvent(DWORD event);

}  // namespace tarnwick::platform
