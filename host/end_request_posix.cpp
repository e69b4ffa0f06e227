// Requests to end the process on Linux: SIGTERM, and SIGHUP when the session
// ends. The handler only sets a flag the frame loop reads; it then puts the
// default action back, so a second request ends the process at once.
#include <csignal>

#include "host/game.h"

namespace {
volatile std::sig_atomic_t endRequested = 0;

void OnEndRequest(int signal) {
  endRequested = 1;
  std::signal(signal, SIG_DFL);
}
}  // namespace

void vxHostWatchEndRequests() {
  std::signal(SIGTERM, OnEndRequest);
  std::signal(SIGHUP, OnEndRequest);
}

bool vxHostTakeEndRequest() {
  if (!endRequested) return false;
  endRequested = 0;
  return true;
}
