// Fatal faults on Linux and in the browser: a bad memory access, an illegal
// instruction or an arithmetic fault arrives as a signal and is reported as
// a runtime error by name, so the stop protocol sees it like any other.
#include <csignal>

#include "runtime/errors.h"

void sighandler(int sig) {
  const char* what = "Unknown signal";
  if (sig == SIGSEGV) what = "Memory access violation";
  else if (sig == SIGILL) what = "Illegal instruction";
  else if (sig == SIGFPE) what = "Floating point exception";
  dbg_error(what);
}

void vxInstallSignalHandlers() {
  std::signal(SIGSEGV, sighandler);
  std::signal(SIGILL, sighandler);
  std::signal(SIGFPE, sighandler);
}
