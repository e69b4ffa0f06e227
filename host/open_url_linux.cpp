// Opening a URL on the desktop: the desktop's own opener (xdg-open) gets the
// URL as one argument, never through a shell.
#include <sys/wait.h>
#include <unistd.h>

#include "host/game.h"

namespace {
constexpr const char* kBrowserOpener = "xdg-open";
constexpr int kExecFailedStatus = 127;
}  // namespace

// A middle child runs the opener and exits at once, so nothing is left to
// reap and the game does not wait for the browser.
void VXGlfwGame::OpenUrl(String url) {
  std::string narrow = url.ToNarrow();
  pid_t middle = fork();
  if (middle < 0) return;
  if (middle == 0) {
    if (fork() == 0) {
      execlp(kBrowserOpener, kBrowserOpener, narrow.c_str(), static_cast<char*>(nullptr));
      _exit(kExecFailedStatus);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(middle, &status, 0);
}
