// Ctrl-C during an extraction: the first interrupt (or termination request) asks the
// extraction to stop at its next read, so that the file being written is removed as
// on any failure and nothing half-written is left; a second one ends the process at
// once, as if no handler had been installed.
#pragma once

namespace tarnwick::cli {

class InterruptionScope {
 public:
  // Installs the handlers for SIGINT and SIGTERM; the destructor restores the
  // previous ones.
  InterruptionScope();
  ~InterruptionScope();
  InterruptionScope(const InterruptionScope&) = delete;
  InterruptionScope& operator=(const InterruptionScope&) = delete;

  // True once an interrupt arrived since the last scope was installed.
  static bool Interrupted();
};

}  // namespace tarnwick::cli
