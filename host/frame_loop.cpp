// The desktop frame loop: render, swap, sleep until the next update is due,
// poll events, follow the focus, then catch up with the update schedule.
// Runs until the window closes. A request to end the process (SIGTERM, or
// SIGHUP when the session ends) is taken as the window's close request.
// Relies on the GLFW 2.7 layer.
#include <csignal>

#include "host/game.h"
#include "host/glfw27.h"

using namespace glfw27;

namespace {
volatile std::sig_atomic_t endRequested = 0;

// The first request becomes a close request at the next turn, so the program
// ends the way its close button ends it (and keeps what it keeps then); a
// second one ends the process at once, as if nothing had been installed.
void OnEndRequest(int signal) {
  endRequested = 1;
  std::signal(signal, SIG_DFL);
}
}  // namespace

void VXGlfwGame::Run() {
  std::signal(SIGTERM, OnEndRequest);
  std::signal(SIGHUP, OnEndRequest);
  SetGlfwWindow(kStartWidth, kStartHeight, kColourBits, kColourBits, kColourBits, 0, 0, 0, false);
  StartGame();
  while (glfwGetWindowParam(GLFW_OPENED)) {
    RenderFrame();
    SleepUntilDue();
    ProcessEvents();
    CheckFocus();
    if (suspended) continue;
    RunDueUpdates();
  }
}

// Blocks while suspended: nothing is due until focus comes back.
void VXGlfwGame::ProcessEvents() {
  if (suspended) glfwWaitEvents();
  else glfwPollEvents();
  if (endRequested) {
    endRequested = 0;
    OnWindowClose();
  }
}
