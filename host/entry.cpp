// The process entry: GLFW, the host, the fatal-signal handler, the locale,
// the collector, the application's own initialiser and main, then the frame
// loop. The application supplies vxInit and vxMain.
#include <clocale>

#include "host/app.h"
#include "host/glfw27.h"

namespace {
constexpr int kStatusFailed = -1;
constexpr const char* kLocale = "en_US.UTF-8";
}  // namespace

int VXTarvikGame::Main(int argc, char** argv, VXEndHandler onEnd) {
  if (!glfw27::glfwInit()) {
    vxPrint("glfwInit failed");
    std::exit(kStatusFailed);
  }
  VXTarvikGame* game = new VXTarvikGame;
  game->endHandler = onEnd;
  try {
    vxInstallSignalHandlers();
    if (!std::setlocale(LC_CTYPE, kLocale)) std::setlocale(LC_CTYPE, "");
    gc_init();
    vxInit();
    gc_mark();
    vxMain();
  } catch (ThrowableObject* ex) {
    glfw27::glfwTerminate();
    game->Die(ex);
  }
  if (game->Delegate()) game->Run();
  return game->EndRun();
}

// A loop that ended on the failure screen (a replay's timeline ran out
// there) ends the program as the screen would have.
int VXGlfwGame::EndRun() {
  glfw27::glfwTerminate();
  int status = vx_app_Failed() ? kStatusAppFailed : 0;
  return endHandler ? endHandler(status) : status;
}
