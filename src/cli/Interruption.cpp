#include "cli/Interruption.h"

#include <csignal>

namespace tarnwick::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

using Handler = void (*)(int);
Handler previousInt = SIG_DFL;
Handler previousTerm = SIG_DFL;

extern "C" void OnInterrupt(int signal) {
  interrupted = 1;
  // The next one ends the process as if no handler had been installed.
  std::signal(signal, SIG_DFL);
}

}  // namespace

InterruptionScope::InterruptionScope() {
  interrupted = 0;
  previousInt = std::signal(SIGINT, OnInterrupt);
  previousTerm = std::signal(SIGTERM, OnInterrupt);
}

InterruptionScope::~InterruptionScope() {
  std::signal(SIGINT, previousInt == SIG_ERR ? SIG_DFL : previousInt);
  std::signal(SIGTERM, previousTerm == SIG_ERR ? SIG_DFL : previousTerm);
}

bool InterruptionScope::Interrupted() { return interrupted != 0; }

}  // namespace tarnwick::cli
