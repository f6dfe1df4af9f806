#include <signal.h>

#include <csignal>

#include "os/reload_signal.h"

namespace zanhost {

namespace {

volatile std::sig_atomic_t reloadAsked = 0;

void OnHangUp(int) {
  reloadAsked = 1;
}

}  // namespace

void CatchReloadSignal() {
  struct sigaction action {};
  action.sa_handler = OnHangUp;
  sigemptyset(&action.sa_mask);
  // A wait that the signal interrupts goes on.
  action.sa_flags = SA_RESTART;
  sigaction(SIGHUP, &action, nullptr);
}

bool TakeReloadRequest() {
  if (reloadAsked == 0) return false;
  reloadAsked = 0;
  return true;
}

}  // namespace zanhost
