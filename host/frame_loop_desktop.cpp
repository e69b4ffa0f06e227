// The desktop frame loop: render, swap, sleep until the next update is due,
// poll events, follow the focus, then catch up with the update schedule.
// Runs until the window closes. A request to end the process from outside
// the window (host/end_request*.cpp) is taken as the window's close request.
// Relies on the GLFW 2.7 layer.
#include "host/game.h"
#include "host/glfw27.h"

using namespace glfw27;

void VXGlfwGame::Run() {
  vxHostWatchEndRequests();
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
  if (vxHostTakeEndRequest()) OnWindowClose();
}
