// The key names of input/keys.h, which the examples and the guide use, are
// the codes the host really gives: each named key as the desktop host
// translates it, mouse buttons, joystick buttons and fingers as the input
// device files them.
#include <gtest/gtest.h>

#include "host/app.h"
#include "host/glfw27.h"
#include "input/keys.h"

using namespace glfw27;

namespace {

struct Named {
  int glfwKey, code;
};

TEST(KeyNames, EachNamedKeyIsTheCodeTheHostGivesThatKey) {
  const Named named[] = {
      {GLFW_KEY_BACKSPACE, kKeyBackspace}, {GLFW_KEY_TAB, kKeyTab},     {GLFW_KEY_ENTER, kKeyEnter},
      {GLFW_KEY_LSHIFT, kKeyShift},        {GLFW_KEY_RSHIFT, kKeyShift}, {GLFW_KEY_LCTRL, kKeyControl},
      {GLFW_KEY_RCTRL, kKeyControl},       {GLFW_KEY_ESC, kKeyEscape},   {' ', kKeySpace},
      {GLFW_KEY_PAGEUP, kKeyPageUp},       {GLFW_KEY_PAGEDOWN, kKeyPageDown},
      {GLFW_KEY_END, kKeyEnd},             {GLFW_KEY_HOME, kKeyHome},    {GLFW_KEY_LEFT, kKeyLeft},
      {GLFW_KEY_UP, kKeyUp},               {GLFW_KEY_RIGHT, kKeyRight},  {GLFW_KEY_DOWN, kKeyDown},
      {GLFW_KEY_INSERT, kKeyInsert},       {GLFW_KEY_DEL, kKeyDelete},   {'0', kKey0},
      {'9', kKey9},                        {'A', kKeyA},                 {'Z', kKeyZ},
      {GLFW_KEY_KP_0, kKeyPad0},           {GLFW_KEY_KP_MULTIPLY, kKeyPadMultiply},
      {GLFW_KEY_KP_ADD, kKeyPadAdd},       {GLFW_KEY_KP_SUBTRACT, kKeyPadSubtract},
      {GLFW_KEY_KP_DECIMAL, kKeyPadDecimal}, {GLFW_KEY_KP_DIVIDE, kKeyPadDivide},
      {GLFW_KEY_F1, kKeyF1},               {GLFW_KEY_F1 + 3, kKeyF4},       {GLFW_KEY_F12, kKeyF12},
      {';', kKeySemicolon},                {'=', kKeyEquals},            {',', kKeyComma},
      {'-', kKeyMinus},                    {'.', kKeyPeriod},            {'/', kKeySlash},
      {'`', kKeyBackquote},                {'[', kKeyOpenBracket},       {'\\', kKeyBackslash},
      {']', kKeyCloseBracket},             {'\'', kKeyQuote},
  };
  for (const Named& key : named) EXPECT_EQ(VXGlfwGame::TransKey(key.glfwKey), key.code) << "GLFW key " << key.glfwKey;
  EXPECT_EQ(kKeyZ - kKeyA, 25) << "the letters run on";
  EXPECT_EQ(kKeyF12 - kKeyF1, 11) << "the function keys run on";
  EXPECT_EQ(VXGlfwGame::TransKey(GLFW_KEY_LALT), 0) << "Alt has no code, so it has no name";
}

TEST(KeyNames, MouseJoystickAndFingerNamesAreTheCodesTheInputDeviceFiles) {
  gc_init();
  vxInitFramework();
  c_InputDevice* device = gc_new<c_InputDevice>()->m_new();
  gc_add_root(device);
  vx_input_SetInputDevice(device);
  const int glfwRightButton = 1;
  device->p_MouseEvent(c_VXGameEvent::MouseDown, glfwRightButton, 0, 0);
  EXPECT_TRUE(vx_input_KeyDown(kKeyMouseRight));
  EXPECT_FALSE(vx_input_KeyDown(kKeyMouseLeft));
  device->p_KeyEvent(c_VXGameEvent::KeyDown, vx_input_JoyKey(3, 2));
  EXPECT_TRUE(vx_input_JoyDown(3, 2));
  EXPECT_FALSE(vx_input_JoyDown(3, 1));
  EXPECT_FALSE(vx_input_JoyDown(2, 2));
  device->p_TouchEvent(c_VXGameEvent::TouchDown, 5, 0, 0);
  EXPECT_TRUE(vx_input_TouchDown(5));
  EXPECT_TRUE(vx_input_KeyDown(vx_input_TouchKey(5)));
}

}  // namespace
