// The GLFW 2.7 interface in the browser, over emscripten's HTML5 calls: the
// page's canvas is the one window (a WebGL 1 context), sized to fill the page
// or, on a page that asks for it, to the size the program sets; keys are
// translated from the browser's physical key codes, the focus follows the
// page being shown and the canvas holding the keyboard, full screen is the
// browser's, pads with the standard layout are presented as gamepads, touches
// on the canvas are numbered fingers and device motion is the acceleration.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "host/glfw27.h"

namespace glfw27 {
namespace {

constexpr const char* kCanvas = "#canvas";
constexpr double kMillisPerSecond = 1000.0;
constexpr int kMaxPads = GLFW_JOYSTICK_LAST + 1;

// Mouse buttons as the browser numbers them.
constexpr int kDomButtonLeft = 0, kDomButtonMiddle = 1, kDomButtonRight = 2;

// The standard pad layout's buttons and axes, as the browser numbers them.
constexpr int kStdA = 0, kStdB = 1, kStdX = 2, kStdY = 3, kStdLeftBumper = 4, kStdRightBumper = 5,
              kStdLeftTrigger = 6, kStdRightTrigger = 7, kStdBack = 8, kStdStart = 9, kStdLeftThumb = 10,
              kStdRightThumb = 11, kStdUp = 12, kStdDown = 13, kStdLeft = 14, kStdRight = 15, kStdGuide = 16;
constexpr int kStdAxes = 4;
// GamepadReading's button order, each from this standard button.
constexpr int kReadingButtonSource[kGamepadButtons] = {
    kStdA,     kStdB,         kStdX,          kStdY,  kStdLeftBumper, kStdRightBumper, kStdBack, kStdStart,
    kStdGuide, kStdLeftThumb, kStdRightThumb, kStdUp, kStdRight,      kStdDown,        kStdLeft,
};
constexpr int kReadingLeftTrigger = 4, kReadingRightTrigger = 5;

// The browser gives acceleration in metres per second squared; the framework in g.
constexpr double kStandardGravity = 9.80665;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

struct State {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
  bool opened = false;
  bool fullscreen = false;
  bool keyRepeat = false;
  bool autoPoll = true;
  bool pageVisible = true;
  bool canvasFocused = true;
  // The page keeps the canvas at the size the program sets instead of
  // filling the browser window (a replay needs the recorded sizes).
  bool fixedSize = false;
  int width = 0, height = 0;
  int mouseX = 0, mouseY = 0;
  GLFWkeyfun keyfun = nullptr;
  GLFWcharfun charfun = nullptr;
  GLFWmousebuttonfun mousebuttonfun = nullptr;
  GLFWmouseposfun mouseposfun = nullptr;
  GLFWtouchfun touchfun = nullptr;
  GLFWmotionfun motionfun = nullptr;
  std::string title = "Tarvik";
  unsigned char held[GLFW_KEY_LAST + 1] = {};
  // The browser's identifier of the touch each finger number carries.
  bool fingerUsed[GLFW_MAX_FINGERS] = {};
  long fingerTouch[GLFW_MAX_FINGERS] = {};
  int fingerX[GLFW_MAX_FINGERS] = {}, fingerY[GLFW_MAX_FINGERS] = {};
};
State state;

// --- Key numbering --------------------------------------------------------

struct CodeKey {
  const char* code;
  int key27;
};

// The browser's physical key names with their 2.7 keys; printable keys are
// the characters they give on a US layout, as 2.7 numbered them.
constexpr CodeKey kCodeKeys[] = {
    {"Space", GLFW_KEY_SPACE}, {"Quote", '\''}, {"Comma", ','}, {"Minus", '-'}, {"Period", '.'},
    {"Slash", '/'}, {"Semicolon", ';'}, {"Equal", '='}, {"BracketLeft", '['}, {"Backslash", '\\'},
    {"BracketRight", ']'}, {"Backquote", '`'}, {"IntlBackslash", '<'},
    {"Escape", GLFW_KEY_ESC}, {"ArrowUp", GLFW_KEY_UP}, {"ArrowDown", GLFW_KEY_DOWN},
    {"ArrowLeft", GLFW_KEY_LEFT}, {"ArrowRight", GLFW_KEY_RIGHT}, {"ShiftLeft", GLFW_KEY_LSHIFT},
    {"ShiftRight", GLFW_KEY_RSHIFT}, {"ControlLeft", GLFW_KEY_LCTRL}, {"ControlRight", GLFW_KEY_RCTRL},
    {"AltLeft", GLFW_KEY_LALT}, {"AltRight", GLFW_KEY_RALT}, {"Tab", GLFW_KEY_TAB},
    {"Enter", GLFW_KEY_ENTER}, {"Backspace", GLFW_KEY_BACKSPACE}, {"Insert", GLFW_KEY_INSERT},
    {"Delete", GLFW_KEY_DEL}, {"PageUp", GLFW_KEY_PAGEUP}, {"PageDown", GLFW_KEY_PAGEDOWN},
    {"Home", GLFW_KEY_HOME}, {"End", GLFW_KEY_END}, {"NumpadDivide", GLFW_KEY_KP_DIVIDE},
    {"NumpadMultiply", GLFW_KEY_KP_MULTIPLY}, {"NumpadSubtract", GLFW_KEY_KP_SUBTRACT},
    {"NumpadAdd", GLFW_KEY_KP_ADD}, {"NumpadDecimal", GLFW_KEY_KP_DECIMAL},
    {"NumpadEqual", GLFW_KEY_KP_EQUAL}, {"NumpadEnter", GLFW_KEY_KP_ENTER},
    {"NumLock", GLFW_KEY_KP_NUM_LOCK}, {"CapsLock", GLFW_KEY_CAPS_LOCK},
    {"ScrollLock", GLFW_KEY_SCROLL_LOCK}, {"Pause", GLFW_KEY_PAUSE}, {"MetaLeft", GLFW_KEY_LSUPER},
    {"MetaRight", GLFW_KEY_RSUPER}, {"OSLeft", GLFW_KEY_LSUPER}, {"OSRight", GLFW_KEY_RSUPER},
    {"ContextMenu", GLFW_KEY_MENU},
};
constexpr int kFunctionKeys = GLFW_KEY_F25 - GLFW_KEY_F1 + 1;

bool StartsWith(const char* text, const char* prefix, const char** rest) {
  size_t n = std::strlen(prefix);
  if (std::strncmp(text, prefix, n) != 0) return false;
  *rest = text + n;
  return true;
}

// A number of one or two decimal digits that fills `text`, or -1.
int SmallNumber(const char* text) {
  int n = 0, digits = 0;
  for (; *text >= '0' && *text <= '9' && digits < 2; ++text, ++digits) n = n * 10 + (*text - '0');
  return digits > 0 && *text == 0 ? n : -1;
}

int KeyFromCode(const char* code) {
  const char* rest = nullptr;
  if (StartsWith(code, "Key", &rest) && rest[0] >= 'A' && rest[0] <= 'Z' && rest[1] == 0) return rest[0];
  if (StartsWith(code, "Digit", &rest) && rest[0] >= '0' && rest[0] <= '9' && rest[1] == 0) return rest[0];
  if (StartsWith(code, "Numpad", &rest) && rest[0] >= '0' && rest[0] <= '9' && rest[1] == 0)
    return GLFW_KEY_KP_0 + (rest[0] - '0');
  if (code[0] == 'F') {
    int n = SmallNumber(code + 1);
    if (n >= 1 && n <= kFunctionKeys) return GLFW_KEY_F1 + n - 1;
  }
  for (const CodeKey& k : kCodeKeys)
    if (std::strcmp(k.code, code) == 0) return k.key27;
  return GLFW_KEY_UNKNOWN;
}

// The one code point of a key's text, or 0 when it is not a single character.
int SingleCodePoint(const char* utf8) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8);
  int length = s[0] < 0x80 ? 1 : s[0] >= 0xF0 ? 4 : s[0] >= 0xE0 ? 3 : s[0] >= 0xC0 ? 2 : 0;
  if (length == 0 || s[0] == 0) return 0;
  int cp = length == 1 ? s[0] : s[0] & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  return s[length] == 0 && cp >= ' ' ? cp : 0;
}

// Keys the browser keeps for itself: reload and the developer tools.
bool LeftToBrowser(int key27, const EmscriptenKeyboardEvent* e) {
  if (e->ctrlKey || e->metaKey) return true;
  return key27 == GLFW_KEY_F1 + 4 || key27 == GLFW_KEY_F1 + 11;
}

void Release(int key27) {
  if (!state.held[key27]) return;
  state.held[key27] = 0;
  if (state.keyfun) state.keyfun(key27, GLFW_RELEASE);
}

void LiftFinger(int finger) {
  if (!state.fingerUsed[finger]) return;
  state.fingerUsed[finger] = false;
  if (state.touchfun) state.touchfun(finger, GLFW_RELEASE, state.fingerX[finger], state.fingerY[finger]);
}

// Every key and finger still held goes up, as a window that loses the
// keyboard sees.
void ReleaseAll() {
  for (int k = 0; k <= GLFW_KEY_LAST; ++k) Release(k);
  for (int f = 0; f < GLFW_MAX_FINGERS; ++f) LiftFinger(f);
}

// --- Page events ------------------------------------------------------------

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* e, void*) {
  int key27 = KeyFromCode(e->code);
  if (key27 == GLFW_KEY_UNKNOWN) return EM_FALSE;
  if (!e->repeat || state.keyRepeat) {
    state.held[key27] = 1;
    if (state.keyfun) state.keyfun(key27, GLFW_PRESS);
  }
  // Characters come with the key press: stopping the browser's own handling
  // of the key would also stop its separate character event.
  int cp = e->ctrlKey || e->altKey || e->metaKey ? 0 : SingleCodePoint(e->key);
  if (cp && state.charfun) state.charfun(cp, GLFW_PRESS);
  return LeftToBrowser(key27, e) ? EM_FALSE : EM_TRUE;
}

EM_BOOL OnKeyUp(int, const EmscriptenKeyboardEvent* e, void*) {
  int key27 = KeyFromCode(e->code);
  if (key27 == GLFW_KEY_UNKNOWN) return EM_FALSE;
  Release(key27);
  return LeftToBrowser(key27, e) ? EM_FALSE : EM_TRUE;
}

// The pointer in drawing-buffer pixels: the page lays the canvas out in its
// own units, which the device pixel ratio scales.
void TrackMouse(const EmscriptenMouseEvent* e) {
  double cssWidth = 0, cssHeight = 0;
  emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight);
  double sx = cssWidth > 0 ? state.width / cssWidth : 1, sy = cssHeight > 0 ? state.height / cssHeight : 1;
  state.mouseX = static_cast<int>(e->targetX * sx);
  state.mouseY = static_cast<int>(e->targetY * sy);
}

int ButtonOf(unsigned short domButton) {
  if (domButton == kDomButtonLeft) return GLFW_MOUSE_BUTTON_LEFT;
  if (domButton == kDomButtonRight) return GLFW_MOUSE_BUTTON_RIGHT;
  if (domButton == kDomButtonMiddle) return GLFW_MOUSE_BUTTON_MIDDLE;
  return -1;
}

EM_BOOL OnMouseButton(int type, const EmscriptenMouseEvent* e, void*) {
  TrackMouse(e);
  int button = ButtonOf(e->button);
  if (button < 0 || !state.mousebuttonfun) return EM_FALSE;
  state.mousebuttonfun(button, type == EMSCRIPTEN_EVENT_MOUSEDOWN ? GLFW_PRESS : GLFW_RELEASE);
  return EM_FALSE;
}

EM_BOOL OnMouseMove(int, const EmscriptenMouseEvent* e, void*) {
  TrackMouse(e);
  if (state.mouseposfun) state.mouseposfun(state.mouseX, state.mouseY);
  return EM_FALSE;
}

// The finger number a touch carries, -1 when it has none.
int FingerOf(long touch) {
  for (int f = 0; f < GLFW_MAX_FINGERS; ++f)
    if (state.fingerUsed[f] && state.fingerTouch[f] == touch) return f;
  return -1;
}

// A new touch takes the lowest free finger number; -1 when all 32 are down.
int TakeFinger(long touch) {
  for (int f = 0; f < GLFW_MAX_FINGERS; ++f) {
    if (state.fingerUsed[f]) continue;
    state.fingerUsed[f] = true;
    state.fingerTouch[f] = touch;
    return f;
  }
  return -1;
}

// Each changed touch becomes a finger pressed, moved or lifted, at its place
// in drawing-buffer pixels as the pointer is. The browser neither scrolls nor
// makes mouse events of it: a touch presses once.
EM_BOOL OnTouch(int type, const EmscriptenTouchEvent* e, void*) {
  double cssWidth = 0, cssHeight = 0;
  emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight);
  double sx = cssWidth > 0 ? state.width / cssWidth : 1, sy = cssHeight > 0 ? state.height / cssHeight : 1;
  for (int i = 0; i < e->numTouches; ++i) {
    const EmscriptenTouchPoint& t = e->touches[i];
    if (!t.isChanged) continue;
    int x = static_cast<int>(t.targetX * sx), y = static_cast<int>(t.targetY * sy);
    int finger = FingerOf(t.identifier);
    if (type == EMSCRIPTEN_EVENT_TOUCHSTART && finger < 0) {
      finger = TakeFinger(t.identifier);
      if (finger < 0) continue;
      state.fingerX[finger] = x;
      state.fingerY[finger] = y;
      if (state.touchfun) state.touchfun(finger, GLFW_PRESS, x, y);
      continue;
    }
    if (finger < 0) continue;
    state.fingerX[finger] = x;
    state.fingerY[finger] = y;
    if (type == EMSCRIPTEN_EVENT_TOUCHEND || type == EMSCRIPTEN_EVENT_TOUCHCANCEL) {
      if (state.touchfun) state.touchfun(finger, GLFW_MOVE, x, y);
      LiftFinger(finger);
    } else if (state.touchfun) {
      state.touchfun(finger, GLFW_MOVE, x, y);
    }
  }
  return EM_TRUE;
}

EM_JS(int, tarvik_screen_angle, (), {
  if (screen.orientation && typeof screen.orientation.angle === 'number') return screen.orientation.angle;
  return typeof window.orientation === 'number' ? window.orientation : 0;
});

// The device's axes (x right, y up its natural edge) turned to the screen as
// it is held (x right, y down), in g.
EM_BOOL OnDeviceMotion(int, const EmscriptenDeviceMotionEvent* e, void*) {
  constexpr int kWithGravity = EMSCRIPTEN_DEVICE_MOTION_EVENT_SUPPORTS_ACCELERATION_INCLUDING_GRAVITY;
  if (!state.motionfun || !(e->supportedFields & kWithGravity)) return EM_FALSE;
  double angle = tarvik_screen_angle() * kRadiansPerDegree;
  double ax = e->accelerationIncludingGravityX, ay = e->accelerationIncludingGravityY;
  double right = ax * std::cos(angle) - ay * std::sin(angle);
  double up = ax * std::sin(angle) + ay * std::cos(angle);
  state.motionfun(static_cast<float>(right / kStandardGravity), static_cast<float>(-up / kStandardGravity),
                  static_cast<float>(e->accelerationIncludingGravityZ / kStandardGravity));
  return EM_FALSE;
}

EM_BOOL OnFocus(int type, const EmscriptenFocusEvent*, void*) {
  state.canvasFocused = type == EMSCRIPTEN_EVENT_FOCUS;
  if (!state.canvasFocused) ReleaseAll();
  return EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
  state.pageVisible = !e->hidden;
  if (!state.pageVisible) ReleaseAll();
  return EM_FALSE;
}

// --- Canvas size --------------------------------------------------------------

EM_JS(int, tarvik_page_fixes_canvas_size, (), { return Module['tarvikFixedCanvasSize'] ? 1 : 0; });
// The canvas gets at most this many pixels a point of the page's layout. A
// phone's screen has about three, finer than the eye tells apart at arm's
// length, and every frame would fill more than twice the pixels of two.
constexpr double kMostCanvasRatio = 2.0;
EM_JS(double, tarvik_device_pixel_ratio, (), { return window.devicePixelRatio || 1; });
EM_JS(int, tarvik_screen_width, (double ratio), { return Math.round(screen.width * ratio); });
EM_JS(int, tarvik_screen_height, (double ratio), { return Math.round(screen.height * ratio); });
double tarvik_pixel_ratio() { return std::min(tarvik_device_pixel_ratio(), kMostCanvasRatio); }
EM_JS(void, tarvik_show_cursor, (int visible), {
  var canvas = document.getElementById('canvas');
  if (canvas) canvas.style.cursor = visible ? "" : "none";
});

void SetCanvasSize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  state.width = width;
  state.height = height;
  emscripten_set_canvas_element_size(kCanvas, width, height);
}

// A canvas that fills the page gets as many pixels as the page shows it with.
void FitCanvasToPage() {
  if (state.fixedSize || state.fullscreen) return;
  double cssWidth = 0, cssHeight = 0;
  emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight);
  double ratio = tarvik_pixel_ratio();
  SetCanvasSize(static_cast<int>(cssWidth * ratio + 0.5), static_cast<int>(cssHeight * ratio + 0.5));
}

EM_BOOL OnResize(int, const EmscriptenUiEvent*, void*) {
  FitCanvasToPage();
  return EM_FALSE;
}

// The browser resized the canvas to the screen, or put it back.
EM_BOOL OnFullscreenCanvasResized(int, const void*, void*) {
  int w = 0, h = 0;
  emscripten_get_canvas_element_size(kCanvas, &w, &h);
  state.width = w;
  state.height = h;
  return EM_FALSE;
}

EM_BOOL OnFullscreenChange(int, const EmscriptenFullscreenChangeEvent* e, void*) {
  // Leaving by the browser's own key ends full screen here too.
  if (!e->isFullscreen) {
    state.fullscreen = false;
    FitCanvasToPage();
  }
  return EM_FALSE;
}

void EnterFullscreen() {
  state.fullscreen = true;
  if (state.fixedSize) {
    SetCanvasSize(tarvik_screen_width(tarvik_pixel_ratio()), tarvik_screen_height(tarvik_pixel_ratio()));
    return;
  }
  EmscriptenFullscreenStrategy strategy;
  std::memset(&strategy, 0, sizeof strategy);
  strategy.scaleMode = EMSCRIPTEN_FULLSCREEN_SCALE_STRETCH;
  strategy.canvasResolutionScaleMode = EMSCRIPTEN_FULLSCREEN_CANVAS_SCALE_HIDEF;
  strategy.filteringMode = EMSCRIPTEN_FULLSCREEN_FILTERING_NEAREST;
  strategy.canvasResizedCallback = OnFullscreenCanvasResized;
  // Browsers grant full screen only inside a key or pointer handler; the
  // game asks during its update, so the request waits for the next one
  // (the release of the key that asked).
  emscripten_request_fullscreen_strategy(kCanvas, EM_TRUE, &strategy);
}

void LeaveFullscreen() {
  if (!state.fullscreen) return;
  state.fullscreen = false;
  if (!state.fixedSize) emscripten_exit_fullscreen();
}

void InstallPageCallbacks() {
  emscripten_set_keydown_callback(kCanvas, nullptr, EM_TRUE, OnKeyDown);
  emscripten_set_keyup_callback(kCanvas, nullptr, EM_TRUE, OnKeyUp);
  emscripten_set_mousedown_callback(kCanvas, nullptr, EM_TRUE, OnMouseButton);
  emscripten_set_mouseup_callback(kCanvas, nullptr, EM_TRUE, OnMouseButton);
  emscripten_set_mousemove_callback(kCanvas, nullptr, EM_TRUE, OnMouseMove);
  emscripten_set_touchstart_callback(kCanvas, nullptr, EM_TRUE, OnTouch);
  emscripten_set_touchmove_callback(kCanvas, nullptr, EM_TRUE, OnTouch);
  emscripten_set_touchend_callback(kCanvas, nullptr, EM_TRUE, OnTouch);
  emscripten_set_touchcancel_callback(kCanvas, nullptr, EM_TRUE, OnTouch);
  emscripten_set_devicemotion_callback(nullptr, EM_TRUE, OnDeviceMotion);
  emscripten_set_focus_callback(kCanvas, nullptr, EM_TRUE, OnFocus);
  emscripten_set_blur_callback(kCanvas, nullptr, EM_TRUE, OnFocus);
  emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, OnVisibility);
  emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnResize);
  emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE,
                                           OnFullscreenChange);
}

// --- Default sources --------------------------------------------------------

class PageEvents : public EventSource {
 public:
  double Time() override { return emscripten_get_now() / kMillisPerSecond; }
  // The page cannot block: its frames come when the browser calls.
  void Sleep(double) override {}
  void PollEvents() override { emscripten_sample_gamepad_data(); }
  void WaitEvents() override { emscripten_sample_gamepad_data(); }
  int KeyState(int key) override {
    if (key < 0 || key > GLFW_KEY_LAST) return GLFW_RELEASE;
    return state.held[key] ? GLFW_PRESS : GLFW_RELEASE;
  }
  int WindowParam(int param) override {
    if (param == GLFW_OPENED) return state.opened;
    if (param == GLFW_ACTIVE) return state.opened && state.pageVisible && state.canvasFocused;
    if (param == GLFW_ICONIFIED) return state.opened && !state.pageVisible;
    return 0;
  }
};

class PageGamepads : public JoystickSource {
 public:
  bool Present(int joy) override { return Read(joy); }
  bool Gamepad(int joy, GamepadReading* out) override {
    if (!Read(joy) || std::strcmp(pad.mapping, "standard") != 0) return false;
    for (int i = 0; i < kGamepadButtons; ++i) out->buttons[i] = Digital(kReadingButtonSource[i]);
    for (int i = 0; i < kStdAxes; ++i) out->axes[i] = i < pad.numAxes ? static_cast<float>(pad.axis[i]) : 0;
    // Triggers are pressure buttons here; a gamepad's trigger axes rest at -1.
    out->axes[kReadingLeftTrigger] = static_cast<float>(Analog(kStdLeftTrigger) * 2 - 1);
    out->axes[kReadingRightTrigger] = static_cast<float>(Analog(kStdRightTrigger) * 2 - 1);
    return true;
  }
  const float* Axes(int joy, int* count) override {
    *count = 0;
    if (!Read(joy)) return nullptr;
    *count = pad.numAxes < kMaxRaw ? pad.numAxes : kMaxRaw;
    for (int i = 0; i < *count; ++i) axes[i] = static_cast<float>(pad.axis[i]);
    return axes;
  }
  const unsigned char* Buttons(int joy, int* count) override {
    *count = 0;
    if (!Read(joy)) return nullptr;
    *count = pad.numButtons < kMaxRaw ? pad.numButtons : kMaxRaw;
    for (int i = 0; i < *count; ++i) buttons[i] = pad.digitalButton[i] ? GLFW_PRESS : GLFW_RELEASE;
    return buttons;
  }

 private:
  static constexpr int kMaxRaw = 64;
  bool Read(int joy) {
    if (joy < 0 || joy >= kMaxPads || joy >= emscripten_get_num_gamepads()) return false;
    return emscripten_get_gamepad_status(joy, &pad) == EMSCRIPTEN_RESULT_SUCCESS && pad.connected;
  }
  unsigned char Digital(int b) const { return b < pad.numButtons && pad.digitalButton[b] ? 1 : 0; }
  double Analog(int b) const { return b < pad.numButtons ? pad.analogButton[b] : 0; }

  EmscriptenGamepadEvent pad;
  float axes[kMaxRaw];
  unsigned char buttons[kMaxRaw];
};

PageEvents pageEvents;
PageGamepads pageGamepads;

}  // namespace

int glfwInit() {
  state.fixedSize = tarvik_page_fixes_canvas_size() != 0;
  InstallPageCallbacks();
  emscripten_sample_gamepad_data();
  return 1;
}

void glfwTerminate() { glfwCloseWindow(); }

// The canvas keeps one WebGL context for the whole page: a window opened
// again (full screen and back) draws with it again.
int glfwOpenWindow(int width, int height, int redbits, int greenbits, int bluebits, int alphabits,
                   int depthbits, int stencilbits, int mode) {
  if (state.opened) return 0;
  if (!state.context) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = alphabits > 0;
    attributes.depth = depthbits > 0;
    attributes.stencil = stencilbits > 0;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    state.context = emscripten_webgl_create_context(kCanvas, &attributes);
    if (state.context <= 0) {
      state.context = 0;
      return 0;
    }
  }
  emscripten_webgl_make_context_current(state.context);
  emscripten_set_window_title(state.title.c_str());
  state.opened = true;
  if (mode == GLFW_FULLSCREEN) {
    EnterFullscreen();
  } else {
    LeaveFullscreen();
    if (state.fixedSize) SetCanvasSize(width, height);
    else FitCanvasToPage();
  }
  return 1;
}

void glfwOpenWindowHint(int, int) {}

void glfwCloseWindow() {
  ReleaseAll();
  state.opened = false;
}

void glfwSetWindowTitle(const char* title) {
  state.title = title;
  if (state.opened) emscripten_set_window_title(title);
}

// A page's tab is the browser's: it has no class of its own to present.
void glfwSetWindowClass(const char*) {}

// A request waiting for the key that grants it counts as full screen; leaving
// by the browser's own key clears it (OnFullscreenChange).
int glfwGetWindowFullscreen() { return state.opened && state.fullscreen ? 1 : 0; }

void glfwGetWindowSize(int* width, int* height) {
  *width = state.opened ? state.width : 0;
  *height = state.opened ? state.height : 0;
}

// Only a canvas of the program's own size can be given one.
void glfwSetWindowSize(int width, int height) {
  if (state.opened && state.fixedSize && !state.fullscreen) SetCanvasSize(width, height);
}

void glfwSetWindowPos(int, int) {}

// The browser shows what was drawn once the frame's callback returns.
void glfwSwapBuffers() {
  if (state.autoPoll) glfwPollEvents();
}

void glfwSwapInterval(int) {}

// A page has no close button of its own to report: closing the tab ends it.
void glfwSetWindowCloseCallback(GLFWwindowclosefun) {}

// The screen is the one mode the page can have.
int glfwGetVideoModes(GLFWvidmode* list, int maxcount) {
  if (maxcount <= 0) return 0;
  glfwGetDesktopMode(list);
  return 1;
}

void glfwGetDesktopMode(GLFWvidmode* mode) {
  *mode = {tarvik_screen_width(tarvik_pixel_ratio()), tarvik_screen_height(tarvik_pixel_ratio()), 8, 8, 8};
}

void glfwGetMousePos(int* xpos, int* ypos) {
  *xpos = state.mouseX;
  *ypos = state.mouseY;
}

void glfwSetKeyCallback(GLFWkeyfun cbfun) { state.keyfun = cbfun; }
void glfwSetCharCallback(GLFWcharfun cbfun) { state.charfun = cbfun; }
void glfwSetMouseButtonCallback(GLFWmousebuttonfun cbfun) { state.mousebuttonfun = cbfun; }
void glfwSetMousePosCallback(GLFWmouseposfun cbfun) { state.mouseposfun = cbfun; }
void glfwSetTouchCallback(GLFWtouchfun cbfun) { state.touchfun = cbfun; }
void glfwSetMotionCallback(GLFWmotionfun cbfun) { state.motionfun = cbfun; }

EM_JS(int, tarvik_has_touch_screen, (), {
  return (navigator.maxTouchPoints > 0 || 'ontouchstart' in window) ? 1 : 0;
});

int glfwHasTouchScreen() { return tarvik_has_touch_screen(); }
double glfwGetPixelRatio() { return tarvik_pixel_ratio(); }

void glfwEnable(int token) {
  if (token == GLFW_KEY_REPEAT) state.keyRepeat = true;
  else if (token == GLFW_AUTO_POLL_EVENTS) state.autoPoll = true;
  else if (token == GLFW_MOUSE_CURSOR) tarvik_show_cursor(1);
}

void glfwDisable(int token) {
  if (token == GLFW_KEY_REPEAT) state.keyRepeat = false;
  else if (token == GLFW_AUTO_POLL_EVENTS) state.autoPoll = false;
  else if (token == GLFW_MOUSE_CURSOR) tarvik_show_cursor(0);
}

EventSource* glfwWindowSystemEvents() { return &pageEvents; }
JoystickSource* glfwDeviceJoysticks() { return &pageGamepads; }

}  // namespace glfw27
