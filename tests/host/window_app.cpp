// A small application for the window tests: it reports on standard output
// what the framework hands it (start, key hits with their held state,
// characters, focus changes, update pacing) and re-creates its window (R
// windowed, F full screen) or quits on keys, so a test can drive the real
// host with real X events. After K it refuses the next close request; any
// other close request saves the state file before the process ends.
#include <cstdio>
#include <string>

#include "host/app.h"
#include "storage/module.h"
#include "input/input_device.h"

namespace {
constexpr int kRate = 60;
constexpr int kKeyF4 = 115;
constexpr int kKeyR = 82;
constexpr int kKeyH = 72;
constexpr int kKeyF = 70;
constexpr int kKeyK = 75;
constexpr int kWindowWidth = 640, kWindowHeight = 480;

void Say(const char* format, int a = 0, int b = 0, int c = 0) {
  std::printf(format, a, b, c);
  std::printf("\n");
  std::fflush(stdout);
}

class WindowApp : public c_App {
 public:
  int updates = 0;
  bool refuseClose = false;

  void p_OnCreate() override {
    vx_app_SetUpdateRate(kRate);
    Say("ready %d %d", vx_app_DeviceWidth(), vx_app_DeviceHeight());
  }
  void p_OnUpdate() override {
    if (++updates % kRate == 0) Say("updates %d at %d", updates, vx_app_Millisecs());
    for (int code = 1; code < kKeyCodeCount; ++code)
      if (int hits = vx_input_KeyHit(code)) Say("hit %d %d %d", code, hits, vx_input_KeyDown(code));
    while (int c = vx_input_GetChar()) Say("char %d", c);
    if (vx_input_KeyHit(kKeyF4)) vx_app_EndApp();
    if (vx_input_KeyHit(kKeyK)) {
      refuseClose = true;
      Say("keeping");
    }
    if (vx_input_KeyHit(kKeyR)) {
      vx_app_SetDeviceWindow(kWindowWidth, kWindowHeight, 0);
      Say("recreated %d", vx_input_KeyDown(kKeyH));
    }
    if (vx_input_KeyHit(kKeyF)) {
      VXDisplayMode* desktop = vx_app__game->GetDesktopMode();
      vx_app_SetDeviceWindow(desktop->width, desktop->height, kWindowFullscreen);
      Say("fullscreen %d %d", vx_app__game->GetDeviceWidth(), vx_app__game->GetDeviceHeight());
    }
  }
  void p_OnSuspend() override { Say("suspend %d", updates); }
  void p_OnResume() override { Say("resume %d", updates); }
  void p_OnClose() override {
    if (refuseClose) {
      refuseClose = false;
      Say("close refused");
      return;
    }
    vx_app_SaveState(String("saved on close: f\xC3\xBCr sp\xC3\xA4ter \xF0\x9F\x98\x80"));
    Say("close saved");
    c_App::p_OnClose();
  }
};
}  // namespace

// Named "Skarnel" unless started with --unnamed, which leaves the name the
// framework gives a program that names nothing.
static bool named = true;

void vxInit() { vxInitFramework(); }
void vxMain() {
  if (named) vx_app_SetAppName(String("Skarnel"));
  gc_new<WindowApp>()->m_new();
}

int main(int argc, char** argv) {
  named = !(argc > 1 && std::string(argv[1]) == "--unnamed");
  return VXTarvikGame::Main(argc, argv);
}
