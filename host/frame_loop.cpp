// The desktop frame loop: render, swap, sleep until the next update is due,
// poll events, follow the focus, then catch up with the update schedule.
// Runs until the window closes. Relies on the GLFW 2.7 layer.
#include "host/game.h"
#include "host/glfw27.h"

using namespace glfw27;

void VXGlfwGame::Run() {
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

void VXGlfwGame::RenderFrame() {
  RenderGame();
  if (observer && started) observer->Rendered();
  glfwSwapBuffers();
}

void VXGlfwGame::SleepUntilDue() {
  if (nextUpdateTime == 0) return;
  double delay = nextUpdateTime - glfwGetTime();
  if (delay > 0) glfwSleep(delay);
}

// Blocks while suspended: nothing is due until focus comes back.
void VXGlfwGame::ProcessEvents() {
  if (suspended) glfwWaitEvents();
  else glfwPollEvents();
}
