// Interruptions during an extraction: Ctrl-C, a termination request, a closed
// terminal (SIGHUP), Ctrl-\ (SIGQUIT), a closed pipe (SIGPIPE) and, on Windows, the
// console's Ctrl-C and Ctrl-Break, a closed console window, logoff or shutdown. The
// first one asks the extraction to stop at its next read, so that the file being
// written is removed as on any failure and nothing half-written is left; a second
// one ends the process at once, as if no handler had been installed (a closed pipe
// only ever asks, and the writes to it fail).
#pragma once

namespace tarnwick::cli {

class InterruptionScope {
 public:
  // Installs the handlers; the destructor restores the previous ones.
  InterruptionScope();
  ~InterruptionScope();
  InterruptionScope(const InterruptionScope&) = delete;
  InterruptionScope& operator=(const InterruptionScope&) = delete;

  // True once an interrupt arrived since the last scope was installed.
  static bool Interrupted();
};

}  // namespace tarnwick::cli
