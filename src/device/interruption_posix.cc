#include <signal.h>

#include <csignal>

#include "device/interruption.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t noted = 0;
struct sigaction saved[sizeof kSignals / sizeof kSignals[0]];

void Note(int signal) { noted = signal; }

}  // namespace

Interruption::Interruption() {
  noted = 0;
  struct sigaction action {};
  action.sa_handler = Note;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    sigaction(kSignals[i], &action, &saved[i]);
    // A signal the user has us ignore (nohup) stays ignored.
    if (saved[i].sa_handler == SIG_IGN) {
      sigaction(kSignals[i], &saved[i], nullptr);
    }
  }
}

Interruption::~Interruption() {
  for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    sigaction(kSignals[i], &saved[i], nullptr);
  }
}

bool Interruption::Requested() { return noted != 0; }

void Interruption::EndIfRequested() {
  if (noted == 0) return;
  const int signal = noted;
  for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    sigaction(kSignals[i], &saved[i], nullptr);
  }
  // As it came: the default ends the process; a handler of its own takes it.
  raise(signal);
}
