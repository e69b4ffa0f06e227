// The GLFW 2.7 interface the desktop host is written against, implemented
// over GLFW 3.3 (host/glfw27_glfw3.cpp): one window, 2.7 key numbering, 2.7 window
// parameters and joystick calls. Time, events and joysticks come from
// replaceable sources so tests can script them. Include this, never glfw3.h.
#pragma once

namespace glfw27 {

// Key and button actions.
constexpr int GLFW_RELEASE = 0;
constexpr int GLFW_PRESS = 1;

// Keyboard keys: printable keys are their upper-case Latin-1 codes; the
// special keys follow 256 in this order.
constexpr int GLFW_KEY_UNKNOWN = -1;
constexpr int GLFW_KEY_SPACE = 32;
constexpr int GLFW_KEY_SPECIAL = 256;
constexpr int GLFW_KEY_ESC = GLFW_KEY_SPECIAL + 1;
constexpr int GLFW_KEY_F1 = GLFW_KEY_SPECIAL + 2;
constexpr int GLFW_KEY_F12 = GLFW_KEY_SPECIAL + 13;
constexpr int GLFW_KEY_F25 = GLFW_KEY_SPECIAL + 26;
constexpr int GLFW_KEY_UP = GLFW_KEY_SPECIAL + 27;
constexpr int GLFW_KEY_DOWN = GLFW_KEY_SPECIAL + 28;
constexpr int GLFW_KEY_LEFT = GLFW_KEY_SPECIAL + 29;
constexpr int GLFW_KEY_RIGHT = GLFW_KEY_SPECIAL + 30;
constexpr int GLFW_KEY_LSHIFT = GLFW_KEY_SPECIAL + 31;
constexpr int GLFW_KEY_RSHIFT = GLFW_KEY_SPECIAL + 32;
constexpr int GLFW_KEY_LCTRL = GLFW_KEY_SPECIAL + 33;
constexpr int GLFW_KEY_RCTRL = GLFW_KEY_SPECIAL + 34;
constexpr int GLFW_KEY_LALT = GLFW_KEY_SPECIAL + 35;
constexpr int GLFW_KEY_RALT = GLFW_KEY_SPECIAL + 36;
constexpr int GLFW_KEY_TAB = GLFW_KEY_SPECIAL + 37;
constexpr int GLFW_KEY_ENTER = GLFW_KEY_SPECIAL + 38;
constexpr int GLFW_KEY_BACKSPACE = GLFW_KEY_SPECIAL + 39;
constexpr int GLFW_KEY_INSERT = GLFW_KEY_SPECIAL + 40;
constexpr int GLFW_KEY_DEL = GLFW_KEY_SPECIAL + 41;
constexpr int GLFW_KEY_PAGEUP = GLFW_KEY_SPECIAL + 42;
constexpr int GLFW_KEY_PAGEDOWN = GLFW_KEY_SPECIAL + 43;
constexpr int GLFW_KEY_HOME = GLFW_KEY_SPECIAL + 44;
constexpr int GLFW_KEY_END = GLFW_KEY_SPECIAL + 45;
constexpr int GLFW_KEY_KP_0 = GLFW_KEY_SPECIAL + 46;
constexpr int GLFW_KEY_KP_9 = GLFW_KEY_SPECIAL + 55;
constexpr int GLFW_KEY_KP_DIVIDE = GLFW_KEY_SPECIAL + 56;
constexpr int GLFW_KEY_KP_MULTIPLY = GLFW_KEY_SPECIAL + 57;
constexpr int GLFW_KEY_KP_SUBTRACT = GLFW_KEY_SPECIAL + 58;
constexpr int GLFW_KEY_KP_ADD = GLFW_KEY_SPECIAL + 59;
constexpr int GLFW_KEY_KP_DECIMAL = GLFW_KEY_SPECIAL + 60;
constexpr int GLFW_KEY_KP_EQUAL = GLFW_KEY_SPECIAL + 61;
constexpr int GLFW_KEY_KP_ENTER = GLFW_KEY_SPECIAL + 62;
constexpr int GLFW_KEY_KP_NUM_LOCK = GLFW_KEY_SPECIAL + 63;
constexpr int GLFW_KEY_CAPS_LOCK = GLFW_KEY_SPECIAL + 64;
constexpr int GLFW_KEY_SCROLL_LOCK = GLFW_KEY_SPECIAL + 65;
constexpr int GLFW_KEY_PAUSE = GLFW_KEY_SPECIAL + 66;
constexpr int GLFW_KEY_LSUPER = GLFW_KEY_SPECIAL + 67;
constexpr int GLFW_KEY_RSUPER = GLFW_KEY_SPECIAL + 68;
constexpr int GLFW_KEY_MENU = GLFW_KEY_SPECIAL + 69;
constexpr int GLFW_KEY_LAST = GLFW_KEY_MENU;

// Mouse buttons.
constexpr int GLFW_MOUSE_BUTTON_LEFT = 0;
constexpr int GLFW_MOUSE_BUTTON_RIGHT = 1;
constexpr int GLFW_MOUSE_BUTTON_MIDDLE = 2;

// Joysticks 0..15.
constexpr int GLFW_JOYSTICK_LAST = 15;

// glfwOpenWindow modes.
constexpr int GLFW_WINDOW = 0x00010001;
constexpr int GLFW_FULLSCREEN = 0x00010002;

// glfwGetWindowParam and glfwOpenWindowHint targets.
constexpr int GLFW_OPENED = 0x00020001;
constexpr int GLFW_ACTIVE = 0x00020002;
constexpr int GLFW_ICONIFIED = 0x00020003;
constexpr int GLFW_REFRESH_RATE = 0x0002000B;
constexpr int GLFW_WINDOW_NO_RESIZE = 0x00020012;

// glfwEnable / glfwDisable tokens.
constexpr int GLFW_MOUSE_CURSOR = 0x00030001;
constexpr int GLFW_KEY_REPEAT = 0x00030005;
constexpr int GLFW_AUTO_POLL_EVENTS = 0x00030006;

// glfwGetJoystickParam parameters.
constexpr int GLFW_PRESENT = 0x00050001;
constexpr int GLFW_AXES = 0x00050002;
constexpr int GLFW_BUTTONS = 0x00050003;

// A video mode; the colour bits come in the order red, blue, green.
struct GLFWvidmode {
  int Width, Height;
  int RedBits, BlueBits, GreenBits;
};

using GLFWkeyfun = void (*)(int key, int action);
using GLFWcharfun = void (*)(int character, int action);
using GLFWmousebuttonfun = void (*)(int button, int action);
using GLFWmouseposfun = void (*)(int x, int y);
using GLFWwindowclosefun = int (*)();
// Not in 2.7: a finger on a touch screen (index 0..31, kept from its press to
// its release) pressed, moved or released at a position in window pixels,
// and the device's acceleration in g along the screen's x (right), y (down)
// and z (out of the screen). Only a page on a touch device delivers them.
constexpr int GLFW_MOVE = 2;
constexpr int GLFW_MAX_FINGERS = 32;
using GLFWtouchfun = void (*)(int finger, int action, int x, int y);
using GLFWmotionfun = void (*)(float x, float y, float z);

int glfwInit();
void glfwTerminate();

int glfwOpenWindow(int width, int height, int redbits, int greenbits, int bluebits, int alphabits,
                   int depthbits, int stencilbits, int mode);
void glfwOpenWindowHint(int target, int hint);
void glfwCloseWindow();
void glfwSetWindowTitle(const char* title);
// Not in 2.7: the class every window opened from now on presents to the
// desktop (WM_CLASS on X11), by which the desktop groups its windows.
void glfwSetWindowClass(const char* name);
void glfwGetWindowSize(int* width, int* height);
// Not in 2.7: 1 while the window fills the screen, 0 otherwise. The window
// system, or a browser's own key, may end full screen without the program.
int glfwGetWindowFullscreen();
void glfwSetWindowSize(int width, int height);
void glfwSetWindowPos(int x, int y);
void glfwSwapBuffers();
void glfwSwapInterval(int interval);
int glfwGetWindowParam(int param);
void glfwSetWindowCloseCallback(GLFWwindowclosefun cbfun);

int glfwGetVideoModes(GLFWvidmode* list, int maxcount);
void glfwGetDesktopMode(GLFWvidmode* mode);

void glfwPollEvents();
void glfwWaitEvents();
int glfwGetKey(int key);
void glfwGetMousePos(int* xpos, int* ypos);
void glfwSetKeyCallback(GLFWkeyfun cbfun);
void glfwSetCharCallback(GLFWcharfun cbfun);
void glfwSetMouseButtonCallback(GLFWmousebuttonfun cbfun);
void glfwSetMousePosCallback(GLFWmouseposfun cbfun);
void glfwSetTouchCallback(GLFWtouchfun cbfun);
void glfwSetMotionCallback(GLFWmotionfun cbfun);
// Not in 2.7: 1 when the device has a touch screen, else 0.
int glfwHasTouchScreen();
// Not in 2.7: window pixels per point of the page's layout (in a browser its
// device pixel ratio, at most 2); 1 for a desktop window.
double glfwGetPixelRatio();

int glfwGetJoystickParam(int joy, int param);
int glfwGetJoystickPos(int joy, float* pos, int numaxes);
int glfwGetJoystickButtons(int joy, unsigned char* buttons, int numbuttons);

double glfwGetTime();
void glfwSleep(double time);

void glfwEnable(int token);
void glfwDisable(int token);

// --- Replaceable sources --------------------------------------------------

// Where the frame loop's clock and window events come from. The default reads
// the GLFW clock and the window system; a test installs a scripted one.
class EventSource {
 public:
  virtual ~EventSource() = default;
  virtual double Time() = 0;
  virtual void Sleep(double seconds) = 0;
  virtual void PollEvents() = 0;
  virtual void WaitEvents() = 0;
  // The window state behind GLFW_OPENED, GLFW_ACTIVE and GLFW_ICONIFIED.
  virtual int WindowParam(int param) = 0;
  // The state behind glfwGetKey for a 2.7 key; a scripted source holds none.
  virtual int KeyState(int key) { return GLFW_RELEASE; }
};

// Installs `source`; null puts the window system back.
void glfwSetEventSource(EventSource* source);
// The window system's own source, for a source that passes some of it on.
EventSource* glfwWindowSystemEvents();

// A gamepad reading in the standard layout: axes left x, left y, right x,
// right y, left trigger, right trigger (-1..1, y down positive); buttons A, B,
// X, Y, left bumper, right bumper, back, start, guide, left thumb, right
// thumb, pad up, right, down, left.
constexpr int kGamepadAxes = 6;
constexpr int kGamepadButtons = 15;
struct GamepadReading {
  float axes[kGamepadAxes];
  unsigned char buttons[kGamepadButtons];
};

// Where joystick readings come from. The default asks GLFW 3; tests install
// a fake with pads of their own.
class JoystickSource {
 public:
  virtual ~JoystickSource() = default;
  virtual bool Present(int joy) = 0;
  // Fills `out` and answers true when the pad is a recognised gamepad.
  virtual bool Gamepad(int joy, GamepadReading* out) = 0;
  // The raw axes and buttons as the device reports them; null when absent.
  virtual const float* Axes(int joy, int* count) = 0;
  virtual const unsigned char* Buttons(int joy, int* count) = 0;
};

// Installs `source`; null puts GLFW's joysticks back.
void glfwSetJoystickSource(JoystickSource* source);
// GLFW's own joysticks, for a source that passes them on.
JoystickSource* glfwDeviceJoysticks();

// The raw layout a recognised gamepad is presented in: the 14-button, 5-axis
// pad order (A, B, X, Y, left and right bumper, back, start, left and right
// thumb, pad left, up, right, down; axes left x, left y, triggers, right y,
// right x).
constexpr int kPresentedPadButtons = 14;
constexpr int kPresentedPadAxes = 5;

// A gamepad reading as it is presented: axes and buttons in the raw order above.
void glfwPresentGamepad(const GamepadReading& reading, float* axes, unsigned char* buttons);

}  // namespace glfw27
