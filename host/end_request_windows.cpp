// Requests to end the process on Windows: Ctrl+C or Ctrl+Break in the console,
// its close button, logoff and shutdown. The console handler runs on a thread
// of its own and only sets a flag the frame loop reads. For a close, logoff
// or shutdown Windows ends the process once the handler returns, so the
// handler waits a little while the game saves and ends itself.
#include <windows.h>

#include <atomic>

#include "host/game.h"

namespace {
std::atomic<int> endRequests{0};
std::atomic<bool> requestTaken{false};
// Windows gives a closing console's process about five seconds.
constexpr DWORD kCloseGraceMillis = 4000;
constexpr DWORD kCloseWaitStepMillis = 50;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  // A second request: the default handler ends the process at once.
  if (endRequests.fetch_add(1) > 0) return FALSE;
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  for (DWORD waited = 0; waited < kCloseGraceMillis; waited += kCloseWaitStepMillis) Sleep(kCloseWaitStepMillis);
  return TRUE;
}
}  // namespace

void vxHostWatchEndRequests() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool vxHostTakeEndRequest() {
  if (endRequests.load() == 0 || requestTaken.load()) return false;
  requestTaken = true;
  return true;
}
