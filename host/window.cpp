// The desktop host's window: (re)creation with held keys released first,
// centring, title, swap interval and callbacks; window size, display and
// video modes, mouse cursor and the close button. Relies on the GLFW 2.7
// layer.
#include "host/app.h"
#include "host/game.h"
#include "host/glfw27.h"

using namespace glfw27;

namespace {
constexpr int kRefreshRateHint = 60;
constexpr int kMaxVideoModes = 1024;
constexpr int kFullscreenFlag = 1;
constexpr int kLastKeyToRelease = GLFW_KEY_LAST;
}  // namespace

void VXGlfwGame::ReleaseHeldKeys() {
  for (int key = 0; key <= kLastKeyToRelease; ++key) {
    int code = TransKey(key);
    if (code && glfwGetKey(key) == GLFW_PRESS) KeyEvent(c_VXGameEvent::KeyUp, code);
  }
}

void VXGlfwGame::SetGlfwWindow(int width, int height, int redBits, int greenBits, int blueBits, int alphaBits,
                               int depthBits, int stencilBits, bool fullscreen) {
  ReleaseHeldKeys();
  GLFWvidmode desktop;
  glfwGetDesktopMode(&desktop);
  glfwCloseWindow();

  // Titled before it opens: the layer gives every window, full screen ones
  // included, the last title set, so none ever shows a default name.
  glfwSetWindowTitle(windowTitle.ToUtf8().c_str());
  vxSetFailureBoxTitle(windowTitle);
  glfwOpenWindowHint(GLFW_REFRESH_RATE, kRefreshRateHint);
  glfwOpenWindowHint(GLFW_WINDOW_NO_RESIZE, false);
  glfwOpenWindow(width, height, redBits, greenBits, blueBits, alphaBits, depthBits, stencilBits,
                 fullscreen ? GLFW_FULLSCREEN : GLFW_WINDOW);
  ++glfwGraphicsSeq;

  if (!fullscreen) glfwSetWindowPos((desktop.Width - width) / 2, (desktop.Height - height) / 2);
  if (swapInterval >= 0) glfwSwapInterval(swapInterval);
  glfwEnable(GLFW_KEY_REPEAT);
  glfwDisable(GLFW_AUTO_POLL_EVENTS);

  glfwSetKeyCallback(OnKey);
  glfwSetCharCallback(OnChar);
  glfwSetMouseButtonCallback(OnMouseButton);
  glfwSetMousePosCallback(OnMousePos);
  glfwSetTouchCallback(OnTouch);
  glfwSetMotionCallback(OnMotion);
  glfwSetWindowCloseCallback(OnWindowClose);
}

void VXGlfwGame::SetDeviceWindow(int width, int height, int flags) {
  SetGlfwWindow(width, height, kColourBits, kColourBits, kColourBits, 0, 0, 0, (flags & kFullscreenFlag) != 0);
}

int VXGlfwGame::GetDeviceWidth() {
  int width = 0, height = 0;
  glfwGetWindowSize(&width, &height);
  return width;
}

int VXGlfwGame::GetDeviceHeight() {
  int width = 0, height = 0;
  glfwGetWindowSize(&width, &height);
  return height;
}

Array<VXDisplayMode*> VXGlfwGame::GetDisplayModes() {
  GLFWvidmode modes[kMaxVideoModes];
  int n = glfwGetVideoModes(modes, kMaxVideoModes);
  Array<VXDisplayMode*> out(n);
  for (int i = 0; i < n; ++i) {
    VXDisplayMode* mode = gc_new<VXDisplayMode>();
    mode->width = modes[i].Width;
    mode->height = modes[i].Height;
    out[i] = mode;
  }
  return out;
}

VXDisplayMode* VXGlfwGame::GetDesktopMode() {
  GLFWvidmode desktop;
  glfwGetDesktopMode(&desktop);
  VXDisplayMode* mode = gc_new<VXDisplayMode>();
  mode->width = desktop.Width;
  mode->height = desktop.Height;
  return mode;
}

namespace {
VXGlfwVideoMode* VideoModeOf(const GLFWvidmode& m) {
  VXGlfwVideoMode* mode = gc_new<VXGlfwVideoMode>();
  mode->width = m.Width;
  mode->height = m.Height;
  mode->redBits = m.RedBits;
  mode->greenBits = m.GreenBits;
  mode->blueBits = m.BlueBits;
  return mode;
}
}  // namespace

bool VXGlfwGame::GetGlfwFullscreen() { return glfwGetWindowFullscreen() != 0; }

VXGlfwVideoMode* VXGlfwGame::GetGlfwDesktopMode() {
  GLFWvidmode desktop;
  glfwGetDesktopMode(&desktop);
  return VideoModeOf(desktop);
}

Array<VXGlfwVideoMode*> VXGlfwGame::GetGlfwVideoModes() {
  GLFWvidmode modes[kMaxVideoModes];
  int n = glfwGetVideoModes(modes, kMaxVideoModes);
  Array<VXGlfwVideoMode*> out(n);
  for (int i = 0; i < n; ++i) out[i] = VideoModeOf(modes[i]);
  return out;
}

// A negative interval is remembered and never given to the driver.
void VXGlfwGame::SetSwapInterval(int interval) {
  swapInterval = interval;
  if (interval >= 0) glfwSwapInterval(interval);
}

void VXGlfwGame::SetMouseVisible(bool visible) {
  if (visible) glfwEnable(GLFW_MOUSE_CURSOR);
  else glfwDisable(GLFW_MOUSE_CURSOR);
}

bool VXGlfwGame::HasTouchScreen() { return glfwHasTouchScreen() != 0; }
double VXGlfwGame::PixelRatio() { return glfwGetPixelRatio(); }

void VXGlfwGame::SetWindowTitle(String title) {
  windowTitle = title;
  titleSet = true;
  glfwSetWindowTitle(windowTitle.ToUtf8().c_str());
  vxSetFailureBoxTitle(windowTitle);
}

// The class takes effect for windows opened from now on; the title at once.
void VXGlfwGame::SetAppName(String name) {
  appName = name;
  glfwSetWindowClass(appName.ToUtf8().c_str());
  if (titleSet) return;
  windowTitle = name;
  glfwSetWindowTitle(windowTitle.ToUtf8().c_str());
  vxSetFailureBoxTitle(windowTitle);
}

// The close button becomes the close key; the window stays open until the
// application ends the process.
int VXGlfwGame::OnWindowClose() {
  _glfwGame->KeyEvent(c_VXGameEvent::KeyDown, kKeyCodeClose);
  _glfwGame->KeyEvent(c_VXGameEvent::KeyUp, kKeyCodeClose);
  return false;
}
