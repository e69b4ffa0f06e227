// The GLFW 2.7 interface over GLFW 3.3 on the desktop: one implicit window,
// key codes translated both ways, key repeat folded into presses, the close
// callback's answer honoured, GLFW's gamepads as the joystick source and
// SDL_GAMECONTROLLERCONFIG mappings applied at start.
#include "host/glfw27.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>

// The 2.7 names are captured here: GLFW 3's header reuses some of them as macros.
namespace v27 {
using namespace glfw27;
constexpr int kRelease = GLFW_RELEASE;
constexpr int kPress = GLFW_PRESS;
constexpr int kKeyUnknown = GLFW_KEY_UNKNOWN;
constexpr int kKeyLast = GLFW_KEY_LAST;
constexpr int kKeyEsc = GLFW_KEY_ESC, kKeyF1 = GLFW_KEY_F1, kKeyF25 = GLFW_KEY_F25;
constexpr int kKeyUp = GLFW_KEY_UP, kKeyDown = GLFW_KEY_DOWN, kKeyLeft = GLFW_KEY_LEFT,
              kKeyRight = GLFW_KEY_RIGHT;
constexpr int kKeyLShift = GLFW_KEY_LSHIFT, kKeyRShift = GLFW_KEY_RSHIFT,
              kKeyLCtrl = GLFW_KEY_LCTRL, kKeyRCtrl = GLFW_KEY_RCTRL, kKeyLAlt = GLFW_KEY_LALT,
              kKeyRAlt = GLFW_KEY_RALT;
constexpr int kKeyTab = GLFW_KEY_TAB, kKeyEnter = GLFW_KEY_ENTER,
              kKeyBackspace = GLFW_KEY_BACKSPACE, kKeyInsert = GLFW_KEY_INSERT,
              kKeyDel = GLFW_KEY_DEL, kKeyPageUp = GLFW_KEY_PAGEUP,
              kKeyPageDown = GLFW_KEY_PAGEDOWN, kKeyHome = GLFW_KEY_HOME, kKeyEnd = GLFW_KEY_END;
constexpr int kKeyKp0 = GLFW_KEY_KP_0, kKeyKpDivide = GLFW_KEY_KP_DIVIDE,
              kKeyKpMultiply = GLFW_KEY_KP_MULTIPLY, kKeyKpSubtract = GLFW_KEY_KP_SUBTRACT,
              kKeyKpAdd = GLFW_KEY_KP_ADD, kKeyKpDecimal = GLFW_KEY_KP_DECIMAL,
              kKeyKpEqual = GLFW_KEY_KP_EQUAL, kKeyKpEnter = GLFW_KEY_KP_ENTER,
              kKeyKpNumLock = GLFW_KEY_KP_NUM_LOCK, kKeyCapsLock = GLFW_KEY_CAPS_LOCK,
              kKeyScrollLock = GLFW_KEY_SCROLL_LOCK, kKeyPause = GLFW_KEY_PAUSE,
              kKeyLSuper = GLFW_KEY_LSUPER, kKeyRSuper = GLFW_KEY_RSUPER, kKeyMenu = GLFW_KEY_MENU;
constexpr int kFullscreen = GLFW_FULLSCREEN;
constexpr int kOpened = GLFW_OPENED, kActive = GLFW_ACTIVE, kIconified = GLFW_ICONIFIED;
constexpr int kHintRefreshRate = GLFW_REFRESH_RATE, kHintNoResize = GLFW_WINDOW_NO_RESIZE;
constexpr int kMouseCursor = GLFW_MOUSE_CURSOR, kKeyRepeat = GLFW_KEY_REPEAT,
              kAutoPollEvents = GLFW_AUTO_POLL_EVENTS;
}  // namespace v27

#include <GLFW/glfw3.h>

namespace glfw27 {
namespace {

constexpr int kPrintableLast = 255;      // 2.7 printable keys are Latin-1 codes
constexpr double kNanosPerSecond = 1e9;
constexpr const char* kDefaultTitle = "GLFW Window";
constexpr const char* kGamepadConfigVariable = "SDL_GAMECONTROLLERCONFIG";

// The one window and the 2.7 state around it.
struct State {
  GLFWwindow* window = nullptr;
  bool keyRepeat = false;
  bool autoPoll = true;
  bool cursorVisible = true;
  int hintRefreshRate = 0;
  bool hintNoResize = false;
  int lastMouseX = 0, lastMouseY = 0;
  GLFWkeyfun keyfun = nullptr;
  GLFWcharfun charfun = nullptr;
  GLFWmousebuttonfun mousebuttonfun = nullptr;
  GLFWmouseposfun mouseposfun = nullptr;
  GLFWwindowclosefun closefun = nullptr;
  // Kept across windows: every window opens with the last title and class set.
  std::string title = kDefaultTitle;
  std::string windowClass = kDefaultTitle;
  int keyFrom3[GLFW_KEY_LAST + 1];
  int keyTo3[v27::kKeyLast + 1];
};
State state;

// --- Key numbering --------------------------------------------------------

struct KeyPair {
  int key3, key27;
};

// Special keys with a fixed partner; F1..F25 and the keypad digits run in
// parallel and are added in BuildKeyTables.
constexpr KeyPair kSpecialKeys[] = {
    {GLFW_KEY_ESCAPE, v27::kKeyEsc},
    {GLFW_KEY_UP, v27::kKeyUp},
    {GLFW_KEY_DOWN, v27::kKeyDown},
    {GLFW_KEY_LEFT, v27::kKeyLeft},
    {GLFW_KEY_RIGHT, v27::kKeyRight},
    {GLFW_KEY_LEFT_SHIFT, v27::kKeyLShift},
    {GLFW_KEY_RIGHT_SHIFT, v27::kKeyRShift},
    {GLFW_KEY_LEFT_CONTROL, v27::kKeyLCtrl},
    {GLFW_KEY_RIGHT_CONTROL, v27::kKeyRCtrl},
    {GLFW_KEY_LEFT_ALT, v27::kKeyLAlt},
    {GLFW_KEY_RIGHT_ALT, v27::kKeyRAlt},
    {GLFW_KEY_TAB, v27::kKeyTab},
    {GLFW_KEY_ENTER, v27::kKeyEnter},
    {GLFW_KEY_BACKSPACE, v27::kKeyBackspace},
    {GLFW_KEY_INSERT, v27::kKeyInsert},
    {GLFW_KEY_DELETE, v27::kKeyDel},
    {GLFW_KEY_PAGE_UP, v27::kKeyPageUp},
    {GLFW_KEY_PAGE_DOWN, v27::kKeyPageDown},
    {GLFW_KEY_HOME, v27::kKeyHome},
    {GLFW_KEY_END, v27::kKeyEnd},
    {GLFW_KEY_KP_DIVIDE, v27::kKeyKpDivide},
    {GLFW_KEY_KP_MULTIPLY, v27::kKeyKpMultiply},
    {GLFW_KEY_KP_SUBTRACT, v27::kKeyKpSubtract},
    {GLFW_KEY_KP_ADD, v27::kKeyKpAdd},
    {GLFW_KEY_KP_DECIMAL, v27::kKeyKpDecimal},
    {GLFW_KEY_KP_EQUAL, v27::kKeyKpEqual},
    {GLFW_KEY_KP_ENTER, v27::kKeyKpEnter},
    {GLFW_KEY_NUM_LOCK, v27::kKeyKpNumLock},
    {GLFW_KEY_CAPS_LOCK, v27::kKeyCapsLock},
    {GLFW_KEY_SCROLL_LOCK, v27::kKeyScrollLock},
    {GLFW_KEY_PAUSE, v27::kKeyPause},
    {GLFW_KEY_LEFT_SUPER, v27::kKeyLSuper},
    {GLFW_KEY_RIGHT_SUPER, v27::kKeyRSuper},
    {GLFW_KEY_MENU, v27::kKeyMenu},
};
constexpr int kFunctionKeyCount = v27::kKeyF25 - v27::kKeyF1 + 1;
constexpr int kKeypadDigitCount = 10;

void Pair(int key3, int key27) {
  state.keyFrom3[key3] = key27;
  state.keyTo3[key27] = key3;
}

void BuildKeyTables() {
  for (int& k : state.keyFrom3) k = v27::kKeyUnknown;
  for (int& k : state.keyTo3) k = GLFW_KEY_UNKNOWN;
  // GLFW 3's printable keys are the same upper-case characters 2.7 used.
  for (int k = GLFW_KEY_SPACE; k <= kPrintableLast && k <= GLFW_KEY_WORLD_2; ++k) Pair(k, k);
  for (const KeyPair& p : kSpecialKeys) Pair(p.key3, p.key27);
  for (int i = 0; i < kFunctionKeyCount; ++i) Pair(GLFW_KEY_F1 + i, v27::kKeyF1 + i);
  for (int i = 0; i < kKeypadDigitCount; ++i) Pair(GLFW_KEY_KP_0 + i, v27::kKeyKp0 + i);
}

int KeyFrom3(int key3) {
  if (key3 < 0 || key3 > GLFW_KEY_LAST) return v27::kKeyUnknown;
  return state.keyFrom3[key3];
}

// --- Callbacks from GLFW 3 ------------------------------------------------

void KeyTrampoline(GLFWwindow*, int key, int, int action, int) {
  int key27 = KeyFrom3(key);
  if (key27 == v27::kKeyUnknown || !state.keyfun) return;
  if (action == GLFW_REPEAT) {
    if (!state.keyRepeat) return;
    action = GLFW_PRESS;
  }
  state.keyfun(key27, action == GLFW_PRESS ? v27::kPress : v27::kRelease);
}

void CharTrampoline(GLFWwindow*, unsigned int codepoint) {
  if (state.charfun) state.charfun(static_cast<int>(codepoint), v27::kPress);
}

void MouseButtonTrampoline(GLFWwindow*, int button, int action, int) {
  if (state.mousebuttonfun)
    state.mousebuttonfun(button, action == GLFW_PRESS ? v27::kPress : v27::kRelease);
}

void CursorPosTrampoline(GLFWwindow*, double x, double y) {
  state.lastMouseX = static_cast<int>(x);
  state.lastMouseY = static_cast<int>(y);
  if (state.mouseposfun) state.mouseposfun(state.lastMouseX, state.lastMouseY);
}

// Without a callback the window closes; with one, its answer decides.
void CloseTrampoline(GLFWwindow* window) {
  if (state.closefun) glfwSetWindowShouldClose(window, state.closefun() ? GLFW_TRUE : GLFW_FALSE);
}

void InstallCallbacks(GLFWwindow* window) {
  ::glfwSetKeyCallback(window, KeyTrampoline);
  ::glfwSetCharCallback(window, CharTrampoline);
  ::glfwSetMouseButtonCallback(window, MouseButtonTrampoline);
  ::glfwSetCursorPosCallback(window, CursorPosTrampoline);
  ::glfwSetWindowCloseCallback(window, CloseTrampoline);
}

// --- Default sources ------------------------------------------------------

class WindowSystemEvents : public EventSource {
 public:
  double Time() override { return ::glfwGetTime(); }
  void Sleep(double seconds) override {
    if (seconds <= 0) return;
    timespec t;
    t.tv_sec = static_cast<time_t>(seconds);
    t.tv_nsec = static_cast<long>((seconds - static_cast<double>(t.tv_sec)) * kNanosPerSecond);
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
  }
  void PollEvents() override { ::glfwPollEvents(); }
  void WaitEvents() override { ::glfwWaitEvents(); }
  int KeyState(int key) override {
    if (!state.window || key < 0 || key > v27::kKeyLast) return v27::kRelease;
    int key3 = state.keyTo3[key];
    if (key3 == GLFW_KEY_UNKNOWN) return v27::kRelease;
    return ::glfwGetKey(state.window, key3) == GLFW_PRESS ? v27::kPress : v27::kRelease;
  }
  int WindowParam(int param) override {
    GLFWwindow* w = state.window;
    if (param == v27::kOpened) return w && !glfwWindowShouldClose(w);
    if (!w) return 0;
    if (param == v27::kActive) return glfwGetWindowAttrib(w, GLFW_FOCUSED);
    if (param == v27::kIconified) return glfwGetWindowAttrib(w, GLFW_ICONIFIED);
    return 0;
  }
};

class GlfwJoysticks : public JoystickSource {
 public:
  bool Present(int joy) override { return glfwJoystickPresent(joy); }
  bool Gamepad(int joy, GamepadReading* out) override {
    GLFWgamepadstate s;
    if (!glfwGetGamepadState(joy, &s)) return false;
    for (int i = 0; i < kGamepadAxes; ++i) out->axes[i] = s.axes[i];
    for (int i = 0; i < kGamepadButtons; ++i) out->buttons[i] = s.buttons[i];
    return true;
  }
  const float* Axes(int joy, int* count) override { return glfwGetJoystickAxes(joy, count); }
  const unsigned char* Buttons(int joy, int* count) override {
    return ::glfwGetJoystickButtons(joy, count);
  }
};

void ApplyGamepadConfig() {
  if (const char* mappings = std::getenv(kGamepadConfigVariable))
    glfwUpdateGamepadMappings(mappings);
}

}  // namespace

int glfwInit() {
  if (!::glfwInit()) return 0;
  BuildKeyTables();
  ApplyGamepadConfig();
  return 1;
}

void glfwTerminate() {
  ::glfwTerminate();
  state.window = nullptr;
}

int glfwOpenWindow(int width, int height, int redbits, int greenbits, int bluebits, int alphabits,
                   int depthbits, int stencilbits, int mode) {
  if (state.window) return 0;
  glfwDefaultWindowHints();
  glfwWindowHint(GLFW_RED_BITS, redbits);
  glfwWindowHint(GLFW_GREEN_BITS, greenbits);
  glfwWindowHint(GLFW_BLUE_BITS, bluebits);
  glfwWindowHint(GLFW_ALPHA_BITS, alphabits);
  glfwWindowHint(GLFW_DEPTH_BITS, depthbits);
  glfwWindowHint(GLFW_STENCIL_BITS, stencilbits);
  glfwWindowHint(GLFW_RESIZABLE, state.hintNoResize ? GLFW_FALSE : GLFW_TRUE);
  if (state.hintRefreshRate > 0) glfwWindowHint(GLFW_REFRESH_RATE, state.hintRefreshRate);
  glfwWindowHintString(GLFW_X11_CLASS_NAME, state.windowClass.c_str());
  glfwWindowHintString(GLFW_X11_INSTANCE_NAME, state.windowClass.c_str());
  // Hints last for one window, as 2.7 had them.
  state.hintRefreshRate = 0;
  state.hintNoResize = false;
  GLFWmonitor* monitor = mode == v27::kFullscreen ? glfwGetPrimaryMonitor() : nullptr;
  GLFWwindow* window = glfwCreateWindow(width, height, state.title.c_str(), monitor, nullptr);
  if (!window) return 0;
  state.window = window;
  // GLFW 3 focuses only windowed windows; without a window manager nothing
  // else would give a full-screen one the keyboard, and the game would
  // suspend at once and never see a key again.
  glfwFocusWindow(window);
  glfwMakeContextCurrent(window);
  InstallCallbacks(window);
  glfwSetInputMode(window, GLFW_CURSOR, state.cursorVisible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
  return 1;
}

void glfwOpenWindowHint(int target, int hint) {
  if (target == v27::kHintRefreshRate) state.hintRefreshRate = hint;
  else if (target == v27::kHintNoResize) state.hintNoResize = hint != 0;
}

void glfwCloseWindow() {
  if (!state.window) return;
  glfwDestroyWindow(state.window);
  state.window = nullptr;
}

void glfwSetWindowTitle(const char* title) {
  state.title = title;
  if (state.window) ::glfwSetWindowTitle(state.window, title);
}

void glfwSetWindowClass(const char* name) { state.windowClass = name; }

int glfwGetWindowFullscreen() { return state.window && glfwGetWindowMonitor(state.window) ? 1 : 0; }

void glfwGetWindowSize(int* width, int* height) {
  *width = 0;
  *height = 0;
  if (state.window) ::glfwGetWindowSize(state.window, width, height);
}

void glfwSetWindowSize(int width, int height) {
  if (state.window) ::glfwSetWindowSize(state.window, width, height);
}

void glfwSetWindowPos(int x, int y) {
  if (state.window) ::glfwSetWindowPos(state.window, x, y);
}

void glfwSwapBuffers() {
  if (state.window) ::glfwSwapBuffers(state.window);
  if (state.autoPoll) glfwPollEvents();
}

void glfwSwapInterval(int interval) {
  if (state.window) ::glfwSwapInterval(interval);
}

void glfwSetWindowCloseCallback(GLFWwindowclosefun cbfun) { state.closefun = cbfun; }

int glfwGetVideoModes(GLFWvidmode* list, int maxcount) {
  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  if (!monitor || maxcount <= 0) return 0;
  int count = 0;
  const ::GLFWvidmode* modes = ::glfwGetVideoModes(monitor, &count);
  if (!modes) return 0;
  int n = count < maxcount ? count : maxcount;
  for (int i = 0; i < n; ++i)
    list[i] = {modes[i].width, modes[i].height, modes[i].redBits, modes[i].blueBits, modes[i].greenBits};
  return n;
}

void glfwGetDesktopMode(GLFWvidmode* mode) {
  *mode = {0, 0, 0, 0, 0};
  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  const ::GLFWvidmode* m = monitor ? glfwGetVideoMode(monitor) : nullptr;
  if (m) *mode = {m->width, m->height, m->redBits, m->blueBits, m->greenBits};
}

void glfwGetMousePos(int* xpos, int* ypos) {
  if (state.window) {
    double x = 0, y = 0;
    glfwGetCursorPos(state.window, &x, &y);
    state.lastMouseX = static_cast<int>(x);
    state.lastMouseY = static_cast<int>(y);
  }
  *xpos = state.lastMouseX;
  *ypos = state.lastMouseY;
}

void glfwSetKeyCallback(GLFWkeyfun cbfun) { state.keyfun = cbfun; }
void glfwSetCharCallback(GLFWcharfun cbfun) { state.charfun = cbfun; }
void glfwSetMouseButtonCallback(GLFWmousebuttonfun cbfun) { state.mousebuttonfun = cbfun; }
void glfwSetMousePosCallback(GLFWmouseposfun cbfun) { state.mouseposfun = cbfun; }

// A desktop window has no touch screen or motion sensor to report.
void glfwSetTouchCallback(GLFWtouchfun) {}
void glfwSetMotionCallback(GLFWmotionfun) {}
int glfwHasTouchScreen() { return 0; }
// A desktop window's pixels are the ones its size is given in.
double glfwGetPixelRatio() { return 1.0; }

void glfwEnable(int token) {
  if (token == v27::kKeyRepeat) state.keyRepeat = true;
  else if (token == v27::kAutoPollEvents) state.autoPoll = true;
  else if (token == v27::kMouseCursor) {
    state.cursorVisible = true;
    if (state.window) glfwSetInputMode(state.window, GLFW_CURSOR, GLFW_CURSOR_NORMAL);
  }
}

void glfwDisable(int token) {
  if (token == v27::kKeyRepeat) state.keyRepeat = false;
  else if (token == v27::kAutoPollEvents) state.autoPoll = false;
  else if (token == v27::kMouseCursor) {
    state.cursorVisible = false;
    if (state.window) glfwSetInputMode(state.window, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
  }
}

// Never destroyed: when the process exits while the frame loop still runs
// (an error ends it from another thread), the loop may poll them after the
// static objects are gone.
EventSource* glfwWindowSystemEvents() {
  static WindowSystemEvents* events = new WindowSystemEvents;
  return events;
}
JoystickSource* glfwDeviceJoysticks() {
  static GlfwJoysticks* joysticks = new GlfwJoysticks;
  return joysticks;
}

}  // namespace glfw27
