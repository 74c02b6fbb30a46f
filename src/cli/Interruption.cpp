#include "cli/Interruption.h"

#include <csignal>
#include <cstddef>

#include "platform/Console.h"

namespace tarnwick::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

using Handler = void (*)(int);

// The signals that mean "stop"; those the system does not have are left out. On
// Windows Ctrl-C and Ctrl-Break come as console events, handled with the others.
constexpr int kSignals[] = {
#if !defined(_WIN32)
    SIGINT,
#endif
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
#ifdef SIGQUIT
    SIGQUIT,
#endif
#ifdef SIGPIPE
    SIGPIPE,
#endif
};
constexpr std::size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];
Handler previous[kSignalCount] = {};

extern "C" void OnInterrupt(int signal) {
  interrupted = 1;
#ifdef SIGPIPE
  // Every later write to a closed pipe raises it again; those writes fail instead.
  if (signal == SIGPIPE) return;
#endif
  // The next one ends the process as if no handler had been installed.
  std::signal(signal, SIG_DFL);
}

void OnConsoleEvent() { interrupted = 1; }

}  // namespace

InterruptionScope::InterruptionScope() {
  interrupted = 0;
  for (std::size_t i = 0; i < kSignalCount; ++i) previous[i] = std::signal(kSignals[i], OnInterrupt);
  platform::OnConsoleInterrupt(OnConsoleEvent);
}

InterruptionScope::~InterruptionScope() {
  platform::OnConsoleInterrupt(nullptr);
  for (std::size_t i = 0; i < kSignalCount; ++i)
    std::signal(kSignals[i], previous[i] == SIG_ERR ? SIG_DFL : previous[i]);
}

bool InterruptionScope::Interrupted() { return interrupted != 0; }

}  // namespace tarnwick::cli
