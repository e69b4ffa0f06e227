// The browser's frame loop: the page calls one turn per displayed frame, and
// a turn is the desktop loop's turn (sleep until due, events, focus, updates,
// render) run only once an update is due, since the browser's own clock
// cannot be slept. A clock that sleeping steps (a replay's) is always due, so
// a fast replay runs as many turns as fit in one frame; while the program
// awaits a data file a turn only draws. Relies on the GLFW 2.7
// layer and on emscripten's main-loop calls.
#include <emscripten.h>

#include <cstdlib>

#include "host/game.h"
#include "host/glfw27.h"
#include "storage/module.h"

using namespace glfw27;

namespace {
// Share of an update period by which a frame may come early and still run
// the update: the page's frames jitter around the display's rate, and a frame
// just short of due would otherwise wait a whole frame more.
constexpr double kEarlyShare = 0.25;
// Wall time one page frame may spend on turns before the page gets to draw.
constexpr double kFrameBudgetMillis = 15.0;
// Ask the page for a frame per display refresh.
constexpr int kFramesAtDisplayRate = 0;
constexpr int kSimulateInfiniteLoop = 1;
}  // namespace

// A hidden page gets no frames, so the focus is followed from the events
// themselves: the game suspends (and saves) before the tab goes away.
extern "C" EMSCRIPTEN_KEEPALIVE void tarvik_focus_changed() {
  if (VXGlfwGame::_glfwGame) VXGlfwGame::_glfwGame->CheckFocus();
}

// Listens after the GLFW layer's own listeners, which record the new focus.
EM_JS(void, tarvik_follow_focus, (), {
  var changed = function () { Module['_tarvik_focus_changed'](); };
  document.addEventListener('visibilitychange', changed);
  var canvas = document.getElementById('canvas');
  if (canvas) {
    canvas.addEventListener('blur', changed);
    canvas.addEventListener('focus', changed);
  }
});

void VXGlfwGame::Run() {
  SetGlfwWindow(kStartWidth, kStartHeight, kColourBits, kColourBits, kColourBits, 0, 0, 0, false);
  StartGame();
  tarvik_follow_focus();
  // The desktop loop draws once before its first update; so does this one.
  RenderFrame();
  emscripten_set_main_loop_arg(BrowserTurn, this, kFramesAtDisplayRate, kSimulateInfiniteLoop);
}

void VXGlfwGame::BrowserTurn(void* arg) {
  VXGlfwGame* game = static_cast<VXGlfwGame*>(arg);
  double start = emscripten_get_now();
  do {
    if (!glfwGetWindowParam(GLFW_OPENED)) {
      emscripten_cancel_main_loop();
      std::exit(game->EndRun());
    }
    game->SleepUntilDue();
    double slack = game->updatePeriod * kEarlyShare;
    bool due = game->nextUpdateTime == 0 || game->suspended || glfwGetTime() + slack >= game->nextUpdateTime;
    if (!due) return;
    game->ProcessEvents();
    game->CheckFocus();
    if (!game->suspended) game->RunDueUpdates();
    game->RenderFrame();
  } while (emscripten_get_now() - start < kFrameBudgetMillis && !game->suspended && !vx_data_Awaiting());
}

// Events reach the page between frames; a replay hands over its due ones here.
void VXGlfwGame::ProcessEvents() {
  if (suspended) glfwWaitEvents();
  else glfwPollEvents();
}
