// The replaceable sources behind the GLFW 2.7 calls, the same on every
// platform: the clock, events and window state come from the installed event
// source, joysticks from the installed joystick source, and a recognised
// gamepad is presented in the 14-button pad order. Each platform's layer
// supplies its own window-system source and device joysticks.
#include "host/glfw27.h"

namespace glfw27 {
namespace {

EventSource* events = nullptr;
JoystickSource* joysticks = nullptr;

EventSource* Events() { return events ? events : glfwWindowSystemEvents(); }
JoystickSource* Joysticks() { return joysticks ? joysticks : glfwDeviceJoysticks(); }

// Positions in a GamepadReading, in the standard layout its comment lists.
constexpr int kPadA = 0, kPadB = 1, kPadX = 2, kPadY = 3, kPadLeftBumper = 4, kPadRightBumper = 5,
              kPadBack = 6, kPadStart = 7, kPadLeftThumb = 9, kPadRightThumb = 10, kPadUp = 11,
              kPadRight = 12, kPadDown = 13, kPadLeft = 14;
constexpr int kPadAxisLeftX = 0, kPadAxisLeftY = 1, kPadAxisRightX = 2, kPadAxisRightY = 3,
              kPadAxisLeftTrigger = 4, kPadAxisRightTrigger = 5;

// Presented raw button i comes from this gamepad button.
constexpr int kPresentedButtonSource[kPresentedPadButtons] = {
    kPadA,    kPadB,         kPadX,          kPadY,  kPadLeftBumper, kPadRightBumper, kPadBack,
    kPadStart, kPadLeftThumb, kPadRightThumb, kPadLeft, kPadUp,      kPadRight,       kPadDown,
};

// Presented axes: 0 left x, 1 left y, 2 the triggers on one axis (left
// positive, right negative), 3 right y, 4 right x.
constexpr int kPresentedLeftX = 0, kPresentedLeftY = 1, kPresentedTriggers = 2,
              kPresentedRightY = 3, kPresentedRightX = 4;

void PresentAxes(const GamepadReading& g, float* out) {
  // Triggers rest at -1 and reach 1; on the shared axis each counts 0..1.
  float left = (g.axes[kPadAxisLeftTrigger] + 1.0f) * 0.5f;
  float right = (g.axes[kPadAxisRightTrigger] + 1.0f) * 0.5f;
  out[kPresentedLeftX] = g.axes[kPadAxisLeftX];
  out[kPresentedLeftY] = g.axes[kPadAxisLeftY];
  out[kPresentedTriggers] = left - right;
  out[kPresentedRightY] = g.axes[kPadAxisRightY];
  out[kPresentedRightX] = g.axes[kPadAxisRightX];
}

bool Known(int joy) { return joy >= 0 && joy <= GLFW_JOYSTICK_LAST && Joysticks()->Present(joy); }

}  // namespace

void glfwSetEventSource(EventSource* source) { events = source; }
void glfwSetJoystickSource(JoystickSource* source) { joysticks = source; }

double glfwGetTime() { return Events()->Time(); }
void glfwSleep(double time) { Events()->Sleep(time); }
void glfwPollEvents() { Events()->PollEvents(); }
void glfwWaitEvents() { Events()->WaitEvents(); }
int glfwGetKey(int key) { return Events()->KeyState(key); }
int glfwGetWindowParam(int param) { return Events()->WindowParam(param); }

int glfwGetJoystickParam(int joy, int param) {
  if (!Known(joy)) return 0;
  if (param == GLFW_PRESENT) return 1;
  GamepadReading g;
  bool pad = Joysticks()->Gamepad(joy, &g);
  int count = 0;
  if (param == GLFW_AXES) {
    if (pad) return kPresentedPadAxes;
    Joysticks()->Axes(joy, &count);
    return count;
  }
  if (param == GLFW_BUTTONS) {
    if (pad) return kPresentedPadButtons;
    Joysticks()->Buttons(joy, &count);
    return count;
  }
  return 0;
}

int glfwGetJoystickPos(int joy, float* pos, int numaxes) {
  if (!Known(joy)) return 0;
  GamepadReading g;
  if (Joysticks()->Gamepad(joy, &g)) {
    float presented[kPresentedPadAxes];
    unsigned char presentedButtons[kPresentedPadButtons];
    glfwPresentGamepad(g, presented, presentedButtons);
    int n = numaxes < kPresentedPadAxes ? numaxes : kPresentedPadAxes;
    for (int i = 0; i < n; ++i) pos[i] = presented[i];
    return n;
  }
  int count = 0;
  const float* axes = Joysticks()->Axes(joy, &count);
  if (!axes) return 0;
  int n = numaxes < count ? numaxes : count;
  for (int i = 0; i < n; ++i) pos[i] = axes[i];
  return n;
}

int glfwGetJoystickButtons(int joy, unsigned char* buttons, int numbuttons) {
  if (!Known(joy)) return 0;
  GamepadReading g;
  if (Joysticks()->Gamepad(joy, &g)) {
    float presentedAxes[kPresentedPadAxes];
    unsigned char presented[kPresentedPadButtons];
    glfwPresentGamepad(g, presentedAxes, presented);
    int n = numbuttons < kPresentedPadButtons ? numbuttons : kPresentedPadButtons;
    for (int i = 0; i < n; ++i) buttons[i] = presented[i];
    return n;
  }
  int count = 0;
  const unsigned char* raw = Joysticks()->Buttons(joy, &count);
  if (!raw) return 0;
  int n = numbuttons < count ? numbuttons : count;
  for (int i = 0; i < n; ++i) buttons[i] = raw[i] ? GLFW_PRESS : GLFW_RELEASE;
  return n;
}

void glfwPresentGamepad(const GamepadReading& reading, float* axes, unsigned char* buttons) {
  PresentAxes(reading, axes);
  for (int i = 0; i < kPresentedPadButtons; ++i)
    buttons[i] = reading.buttons[kPresentedButtonSource[i]] ? GLFW_PRESS : GLFW_RELEASE;
}

}  // namespace glfw27
