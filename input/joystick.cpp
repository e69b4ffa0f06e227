// Joystick polling for the desktop host: present GLFW joysticks packed into
// the four framework pads (`pjoys`), raw axes and buttons mapped onto the
// framework pad through one of two layouts. Relies on the GLFW 2.7 layer.
#include "host/game.h"
#include "host/glfw27.h"
#include "input/input_device.h"

using namespace glfw27;

// GLFW joystick number of each framework pad, -1 for none.
int pjoys[kJoyPadCount] = {-1, -1, -1, -1};

namespace {
constexpr int kMaxAxes = 6;
constexpr int kMaxButtons = 32;
constexpr int kLayoutButtons = 14;
constexpr int kLayoutAButtonCount = 14;  // the pad reporting 14 buttons and 5 axes
constexpr int kLayoutAAxisCount = 5;

// Axis codes: the high bits pick the conversion, the low four the source.
constexpr int kSourceMask = 0x0F;
constexpr int kAsIs = 0x00;
constexpr int kHalfPlus = 0x10;
constexpr int kHalfMinus = 0x20;
constexpr int kNegated = 0x40;
constexpr int kButtonAsAxis = 0x80;

struct Layout {
  int axes[kMaxAxes];
  int buttons[kLayoutButtons];
};
// Negative button sources count from the end of the reported buttons.
constexpr Layout kLayoutA = {{0x00, 0x01, 0x02, 0x04, 0x43, 0x42},
                             {0, 1, 2, 3, 4, 5, 6, 7, -4, -3, -2, -1, 8, 9}};
constexpr Layout kLayoutB = {{0x00, 0x01, 0x86, 0x02, 0x43, 0x87},
                             {1, 2, 0, 3, 4, 5, 8, 9, -4, -3, -2, -1, 10, 11}};

bool RawPressed(const unsigned char* raw, int count, int index) {
  return index >= 0 && index < count && raw[index] == GLFW_PRESS;
}

float ConvertAxis(int code, const float* axes, const unsigned char* raw, int buttonCount) {
  int n = code & kSourceMask;
  switch (code & ~kSourceMask) {
    case kHalfPlus:
      return (axes[n] + 1.0f) * 0.5f;
    case kHalfMinus:
      return (1.0f - axes[n]) * 0.5f;
    case kNegated:
      return -axes[n];
    case kButtonAsAxis:
      return RawPressed(raw, buttonCount, n) ? 1.0f : 0.0f;
    case kAsIs:
    default:
      return axes[n];
  }
}

void ScanJoysticks() {
  int slot = 0;
  for (int j = 0; j <= GLFW_JOYSTICK_LAST && slot < kJoyPadCount; ++j)
    if (glfwGetJoystickParam(j, GLFW_PRESENT)) pjoys[slot++] = j;
  while (slot < kJoyPadCount) pjoys[slot++] = -1;
}
}  // namespace

bool VXGlfwGame::PollJoystick(int joystick, Array<float> stickX, Array<float> stickY, Array<float> stickZ,
                              Array<bool> buttonDown) {
  if (joystick == 0) ScanJoysticks();
  if (joystick < 0 || joystick >= kJoyPadCount) return false;
  int j = pjoys[joystick];
  if (j == -1) return false;

  float axes[kMaxAxes] = {};
  unsigned char raw[kMaxButtons] = {};
  int axisCount = glfwGetJoystickPos(j, axes, kMaxAxes);
  int buttonCount = glfwGetJoystickButtons(j, raw, kMaxButtons);
  const Layout& layout =
      (buttonCount == kLayoutAButtonCount && axisCount == kLayoutAAxisCount) ? kLayoutA : kLayoutB;

  float out[kMaxAxes];
  for (int i = 0; i < kMaxAxes; ++i) out[i] = ConvertAxis(layout.axes[i], axes, raw, buttonCount);
  stickX[0] = out[0];
  stickY[0] = out[1];
  stickZ[0] = out[2];
  stickX[1] = out[3];
  stickY[1] = out[4];
  stickZ[1] = out[5];

  for (int i = 0; i < buttonDown.Length(); ++i) buttonDown[i] = false;
  for (int i = 0; i < kLayoutButtons; ++i) {
    int source = layout.buttons[i];
    if (source < 0) source += buttonCount;
    buttonDown[i] = RawPressed(raw, buttonCount, source);
  }
  return true;
}
