// Joystick polling against a fake joystick source: the pad scan into the
// four framework pads, both raw layouts with their axis conversions and
// counted-from-the-end buttons, and recognised gamepads presented in the
// 14-button, 5-axis order.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "host/app.h"
#include "host/glfw27.h"
#include "input/input_device.h"

using namespace glfw27;

namespace {

struct FakePad {
  std::vector<float> axes;
  std::vector<unsigned char> buttons;
  bool gamepad = false;
  GamepadReading reading{};
};

class FakeJoysticks : public JoystickSource {
 public:
  std::map<int, FakePad> pads;
  bool Present(int joy) override { return pads.count(joy) != 0; }
  bool Gamepad(int joy, GamepadReading* out) override {
    if (!pads[joy].gamepad) return false;
    *out = pads[joy].reading;
    return true;
  }
  const float* Axes(int joy, int* count) override {
    *count = static_cast<int>(pads[joy].axes.size());
    return pads[joy].axes.data();
  }
  const unsigned char* Buttons(int joy, int* count) override {
    *count = static_cast<int>(pads[joy].buttons.size());
    return pads[joy].buttons.data();
  }
};

class JoystickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gc_init();
    host = new VXGlfwGame;
    vxInitFramework();
    vx_input_SetInputDevice(gc_new<c_InputDevice>()->m_new());
    glfwSetJoystickSource(&fake);
  }
  void TearDown() override { glfwSetJoystickSource(nullptr); }
  c_JoyState* Pad(int i) { return vx_input_device->joypads[i]; }
  // Polls pad 0 directly and answers its output buttons 0..13.
  std::vector<int> PollButtons() {
    c_JoyState* p = Pad(0);
    EXPECT_TRUE(host->PollJoystick(0, p->stickX, p->stickY, p->stickZ, p->buttonDown));
    std::vector<int> out;
    for (int i = 0; i < 32; ++i)
      if (p->buttonDown[i]) out.push_back(i);
    return out;
  }
  static std::vector<unsigned char> Pressed(int count, std::vector<int> which) {
    std::vector<unsigned char> b(count, GLFW_RELEASE);
    for (int i : which) b[i] = GLFW_PRESS;
    return b;
  }

  FakeJoysticks fake;
  VXGlfwGame* host = nullptr;
};

TEST_F(JoystickTest, PadsAtGlfwTwoAndFiveBecomePadsZeroAndOneAndTheScanStopsAtTheFirstGap) {
  fake.pads[2] = {{0.5f, 0, 0}, Pressed(12, {0})};
  fake.pads[5] = {{-0.25f, 0, 0}, Pressed(12, {})};
  Pad(3)->stickX[0] = 0.75f;
  vx_input_device->p_BeginUpdate();
  EXPECT_EQ(pjoys[0], 2);
  EXPECT_EQ(pjoys[1], 5);
  EXPECT_EQ(pjoys[2], -1);
  EXPECT_EQ(pjoys[3], -1);
  EXPECT_FLOAT_EQ(vx_input_JoyX(0, 0), 0.5f);
  EXPECT_FLOAT_EQ(vx_input_JoyX(0, 1), -0.25f);
  EXPECT_FLOAT_EQ(vx_input_JoyX(0, 3), 0.75f);  // never polled, keeps its state
  // Layout B: raw button 0 is output 2, joystick 0's key 256 + 2.
  EXPECT_EQ(vx_input_JoyHit(2, 0), 1);
  EXPECT_EQ(vx_input_KeyHit(256 + 2), 1);
}

TEST_F(JoystickTest, ButtonEdgesBecomeHitsAndReleasesClearTheKeyWithoutEvents) {
  fake.pads[0] = {{0, 0, 0}, Pressed(12, {1})};
  vx_input_device->p_BeginUpdate();
  EXPECT_EQ(vx_input_JoyHit(0, 0), 1);
  vx_input_device->p_EndUpdate();
  vx_input_device->p_BeginUpdate();
  EXPECT_EQ(vx_input_JoyHit(0, 0), 0);
  EXPECT_TRUE(vx_input_JoyDown(0, 0));
  fake.pads[0].buttons = Pressed(12, {});
  vx_input_device->p_BeginUpdate();
  EXPECT_FALSE(vx_input_JoyDown(0, 0));
}

TEST_F(JoystickTest, FourteenButtonFiveAxisPadUsesLayoutA) {
  fake.pads[0] = {{0.1f, 0.2f, 0.3f, -1.0f, 0.5f}, Pressed(14, {0, 7, 8, 9, 10, 13})};
  EXPECT_EQ(PollButtons(), (std::vector<int>{0, 7, 8, 11, 12, 13}));
  c_JoyState* p = Pad(0);
  EXPECT_FLOAT_EQ(p->stickX[0], 0.1f);
  EXPECT_FLOAT_EQ(p->stickY[0], 0.2f);
  EXPECT_FLOAT_EQ(p->stickZ[0], 0.3f);
  EXPECT_FLOAT_EQ(p->stickX[1], 0.5f);
  EXPECT_FLOAT_EQ(p->stickY[1], 1.0f);  // right stick up reads 1
  EXPECT_FLOAT_EQ(p->stickZ[1], -0.3f);
}

TEST_F(JoystickTest, OtherPadsUseLayoutBWithButtonsAsTriggerAxes) {
  fake.pads[0] = {{0.1f, 0.2f, 0.3f, 0.4f}, Pressed(16, {0, 1, 6, 11, 12, 15})};
  EXPECT_EQ(PollButtons(), (std::vector<int>{0, 2, 8, 11, 13}));
  c_JoyState* p = Pad(0);
  EXPECT_FLOAT_EQ(p->stickZ[0], 1.0f);  // raw button 6
  EXPECT_FLOAT_EQ(p->stickZ[1], 0.0f);  // raw button 7
  EXPECT_FLOAT_EQ(p->stickX[1], 0.3f);
  EXPECT_FLOAT_EQ(p->stickY[1], -0.4f);
}

TEST_F(JoystickTest, NegativeButtonSourcesCountFromTheEndOfTheReportedButtons) {
  fake.pads[0] = {{0, 0}, Pressed(20, {16, 19})};
  EXPECT_EQ(PollButtons(), (std::vector<int>{8, 11}));
  // With fewer than four buttons the counted-back sources fall outside and read up.
  fake.pads[0] = {{0, 0}, Pressed(2, {0, 1})};
  EXPECT_EQ(PollButtons(), (std::vector<int>{0, 2, 10, 11}));
}

TEST_F(JoystickTest, RecognisedGamepadIsPresentedInLayoutAOrder) {
  FakePad pad;
  pad.gamepad = true;
  pad.axes = {0, 0, 0, 0, 0, 0, 0, 0};  // the device's own report is not used
  pad.buttons = Pressed(17, {});
  pad.reading.axes[0] = 0.25f;   // left x
  pad.reading.axes[1] = -0.5f;   // left y, pushed up
  pad.reading.axes[2] = 0.75f;   // right x
  pad.reading.axes[3] = -1.0f;   // right y, pushed up
  pad.reading.axes[4] = 1.0f;    // left trigger fully in
  pad.reading.axes[5] = -1.0f;   // right trigger released
  for (int b : {0, 7, 9, 14}) pad.reading.buttons[b] = GLFW_PRESS;  // A, start, left thumb, pad left
  fake.pads[0] = pad;
  EXPECT_EQ(glfwGetJoystickParam(0, GLFW_BUTTONS), 14);
  EXPECT_EQ(glfwGetJoystickParam(0, GLFW_AXES), 5);
  EXPECT_EQ(PollButtons(), (std::vector<int>{0, 7, 8, 12}));
  c_JoyState* p = Pad(0);
  EXPECT_FLOAT_EQ(p->stickX[0], 0.25f);
  EXPECT_FLOAT_EQ(p->stickY[0], -0.5f);
  EXPECT_FLOAT_EQ(p->stickX[1], 0.75f);
  EXPECT_FLOAT_EQ(p->stickY[1], 1.0f);
  EXPECT_FLOAT_EQ(p->stickZ[0], 1.0f);
  EXPECT_FLOAT_EQ(p->stickZ[1], -1.0f);

  // The pad's up, right and down follow on outputs 9, 10 and 11.
  fake.pads[0].reading.buttons[14] = GLFW_RELEASE;
  for (int b : {11, 12, 13}) fake.pads[0].reading.buttons[b] = GLFW_PRESS;
  EXPECT_EQ(PollButtons(), (std::vector<int>{0, 7, 9, 10, 11, 12}));
}

TEST_F(JoystickTest, NoPadsMeansNothingIsPolledOrWritten) {
  Pad(0)->stickX[0] = 0.5f;
  vx_input_device->p_BeginUpdate();
  EXPECT_EQ(pjoys[0], -1);
  EXPECT_FLOAT_EQ(vx_input_JoyX(0, 0), 0.5f);
}

}  // namespace
