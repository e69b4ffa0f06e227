// The input device fed through the host's GLFW callbacks: hits and held keys
// across updates, the character buffer, special characters, the mouse and
// finger 0 mirroring, fingers and motion, queue limits and out-of-range
// queries.
#include <gtest/gtest.h>

#include "host/app.h"
#include "host/glfw27.h"
#include "input/input_device.h"
#include "input/keys.h"

using namespace glfw27;

namespace {

// Passes host events straight to an input device, as the game's delegate does.
class InputOnlyDelegate : public VXGameDelegate {
 public:
  c_InputDevice* input = nullptr;
  void KeyEvent(int event, int data) override { input->p_KeyEvent(event, data); }
  void MouseEvent(int event, int data, float x, float y) override { input->p_MouseEvent(event, data, x, y); }
  void TouchEvent(int event, int data, float x, float y) override { input->p_TouchEvent(event, data, x, y); }
  void MotionEvent(int event, int data, float x, float y, float z) override {
    input->p_MotionEvent(event, data, x, y, z);
  }
  void mark() override { gc_enqueue_ref(input); }
};

class InputDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gc_init();
    host = new VXGlfwGame;
    vxInitFramework();
    delegate = gc_new<InputOnlyDelegate>();
    delegate->input = gc_new<c_InputDevice>()->m_new();
    vx_input_SetInputDevice(delegate->input);
    host->SetDelegate(delegate);
    host->StartGame();
  }
  // One update as the delegate brackets it.
  void EndUpdate() { vx_input_device->p_EndUpdate(); }
  std::vector<int> Chars() {
    std::vector<int> out;
    while (int c = vx_input_GetChar()) out.push_back(c);
    return out;
  }

  VXGlfwGame* host = nullptr;
  InputOnlyDelegate* delegate = nullptr;
};

TEST_F(InputDeviceTest, KeyPressedAndReleasedBetweenUpdatesReadsOneHitAndUp) {
  VXGlfwGame::OnKey('Z', GLFW_PRESS);
  VXGlfwGame::OnKey('Z', GLFW_RELEASE);
  EXPECT_EQ(vx_input_KeyHit(90), 1);
  EXPECT_FALSE(vx_input_KeyDown(90));
  EndUpdate();
  EXPECT_EQ(vx_input_KeyHit(90), 0);
}

TEST_F(InputDeviceTest, HeldKeyIsHitOnlyInTheFirstUpdateAndRepeatsAreAbsorbed) {
  VXGlfwGame::OnKey(GLFW_KEY_LCTRL, GLFW_PRESS);
  EXPECT_EQ(vx_input_KeyHit(17), 1);
  EndUpdate();
  VXGlfwGame::OnKey(GLFW_KEY_LCTRL, GLFW_PRESS);
  VXGlfwGame::OnKey(GLFW_KEY_RCTRL, GLFW_PRESS);
  EXPECT_EQ(vx_input_KeyHit(17), 0);
  EXPECT_TRUE(vx_input_KeyDown(17));
}

TEST_F(InputDeviceTest, SpecialKeysSendTheirCharacters) {
  VXGlfwGame::OnKey(GLFW_KEY_ENTER, GLFW_PRESS);
  VXGlfwGame::OnKey(GLFW_KEY_LEFT, GLFW_PRESS);
  VXGlfwGame::OnKey(GLFW_KEY_DEL, GLFW_PRESS);
  VXGlfwGame::OnKey(GLFW_KEY_INSERT, GLFW_PRESS);
  VXGlfwGame::OnKey(GLFW_KEY_ESC, GLFW_PRESS);
  EXPECT_TRUE(vx_input_KeyDown(13));
  EXPECT_TRUE(vx_input_KeyDown(37));
  EXPECT_TRUE(vx_input_KeyDown(46));
  EXPECT_EQ(Chars(), (std::vector<int>{13, 65573, 127, 65581, 27}));
}

TEST_F(InputDeviceTest, TypedLowerCaseLetterIsKeyOfTheCapitalAndItsOwnCharacter) {
  VXGlfwGame::OnKey('A', GLFW_PRESS);
  VXGlfwGame::OnChar('a', GLFW_PRESS);
  VXGlfwGame::OnChar('a', GLFW_RELEASE);
  EXPECT_TRUE(vx_input_KeyDown(65));
  EXPECT_FALSE(vx_input_KeyDown(97));
  EXPECT_EQ(Chars(), std::vector<int>{97});
}

TEST_F(InputDeviceTest, TranslationCoversTheTableAndNothingElse) {
  EXPECT_EQ(VXGlfwGame::TransKey('7'), '7');
  EXPECT_EQ(VXGlfwGame::TransKey('\''), 222);
  EXPECT_EQ(VXGlfwGame::TransKey('~'), 192);
  EXPECT_EQ(VXGlfwGame::TransKey(GLFW_KEY_F1), 112);
  EXPECT_EQ(VXGlfwGame::TransKey(GLFW_KEY_F12), 123);
  EXPECT_EQ(VXGlfwGame::TransKey(GLFW_KEY_KP_0 + 1), 97);
  EXPECT_EQ(VXGlfwGame::TransKey(GLFW_KEY_KP_DECIMAL), 110);
  EXPECT_EQ(VXGlfwGame::TransKey(GLFW_KEY_RSHIFT), 16);
  for (int key : {int{'a'}, int{'z'}, GLFW_KEY_LALT, GLFW_KEY_RALT, GLFW_KEY_F12 + 1, GLFW_KEY_F25, GLFW_KEY_KP_EQUAL,
                  GLFW_KEY_KP_ENTER, GLFW_KEY_MENU, -1, 0, 31, 400})
    EXPECT_EQ(VXGlfwGame::TransKey(key), 0) << key;
  VXGlfwGame::OnKey(GLFW_KEY_LALT, GLFW_PRESS);
  EXPECT_EQ(delegate->input->hitQueueLength, 0);
}

TEST_F(InputDeviceTest, LeftClickIsAlsoFingerZero) {
  host->MouseEvent(4, 0, 10, 20);
  EXPECT_EQ(vx_input_MouseHit(0), 1);
  EXPECT_EQ(vx_input_KeyHit(384), 1);
  EXPECT_TRUE(vx_input_TouchDown(0));
  EXPECT_EQ(vx_input_MouseX(), 10);
  EXPECT_EQ(vx_input_MouseY(), 20);
  host->MouseEvent(5, 0, 30, 40);
  EXPECT_FALSE(vx_input_MouseDown(0));
  EXPECT_FALSE(vx_input_TouchDown(0));
  EXPECT_EQ(vx_input_MouseX(), 10);
  host->MouseEvent(6, -1, 5, 6);
  EXPECT_EQ(delegate->input->fingerX[0], 5);
  EXPECT_EQ(delegate->input->fingerY[0], 6);
}

// A touch is told from a click by the touches that began; a finger number
// the positions have no place for never writes one.
TEST_F(InputDeviceTest, FingersKeepTheirPlacesTouchesAreToldFromClicksAndBadFingersWriteNothing) {
  EXPECT_FALSE(vx_input_HasTouchScreen());
  VXGlfwGame::OnTouch(3, GLFW_PRESS, 10, 20);
  VXGlfwGame::OnTouch(3, GLFW_MOVE, 11, 21);
  EXPECT_EQ(vx_input_KeyHit(vx_input_TouchKey(3)), 1);
  EXPECT_TRUE(vx_input_TouchDown(3));
  EXPECT_EQ(vx_input_TouchX(3), 11);
  EXPECT_EQ(vx_input_TouchY(3), 21);
  EXPECT_EQ(vx_input_TouchesStarted(), 1);
  VXGlfwGame::OnTouch(3, GLFW_RELEASE, 50, 50);
  EXPECT_FALSE(vx_input_TouchDown(3));
  EXPECT_EQ(vx_input_TouchX(3), 11);
  EndUpdate();
  host->MouseEvent(4, 0, 10, 20);
  EXPECT_EQ(vx_input_KeyHit(384), 1);
  EXPECT_EQ(vx_input_TouchesStarted(), 0);
  EndUpdate();
  VXGlfwGame::OnTouch(kFingerPositions, GLFW_PRESS, 1, 1);
  EXPECT_EQ(delegate->input->hitQueueLength, 0);
  delegate->input->p_TouchEvent(7, kFingerPositions + 8, 1, 1);
  EXPECT_TRUE(vx_input_TouchDown(kFingerPositions + 8));
  EXPECT_EQ(vx_input_TouchX(kFingerPositions + 8), 0);
  delegate->input->p_TouchEvent(7, kTouchFingerLast + 1, 1, 1);
  delegate->input->p_TouchEvent(9, -1, 1, 1);
  EXPECT_EQ(delegate->input->hitQueueLength, 1);
  VXGlfwGame::OnMotion(0.25f, -1, 0.5f);
  EXPECT_EQ(vx_input_AccelX(), 0.25f);
  EXPECT_EQ(vx_input_AccelY(), -1);
  EXPECT_EQ(vx_input_AccelZ(), 0.5f);
}

TEST_F(InputDeviceTest, MouseButtonsAboveMiddleProduceNothing) {
  VXGlfwGame::OnMouseButton(3, GLFW_PRESS);
  EXPECT_EQ(delegate->input->hitQueueLength, 0);
}

TEST_F(InputDeviceTest, HitsBeyondTheQueueAndCharactersBeyondTheBufferAreLost) {
  for (int i = 0; i < 40; ++i) {
    VXGlfwGame::OnKey(GLFW_KEY_SPACE, GLFW_PRESS);
    VXGlfwGame::OnKey(GLFW_KEY_SPACE, GLFW_RELEASE);
    VXGlfwGame::OnChar('0' + i, GLFW_PRESS);
  }
  EXPECT_EQ(vx_input_KeyHit(32), 33);
  std::vector<int> chars = Chars();
  ASSERT_EQ(chars.size(), 32u);
  EXPECT_EQ(chars.front(), '0');
  EXPECT_EQ(chars.back(), '0' + 31);
  EndUpdate();
  EXPECT_EQ(vx_input_KeyHit(32), 0);
  EXPECT_EQ(vx_input_GetChar(), 0);
}

TEST_F(InputDeviceTest, QueriesOutsideTheKeySpaceAnswerNothing) {
  EXPECT_FALSE(vx_input_KeyDown(0));
  EXPECT_FALSE(vx_input_KeyDown(512));
  EXPECT_EQ(vx_input_KeyHit(-5), 0);
  EXPECT_FALSE(vx_input_MouseDown(511));
  EXPECT_FALSE(vx_input_TouchDown(128));
  EXPECT_FALSE(vx_input_TouchDown(-1));
  EXPECT_FALSE(vx_input_JoyDown(0, 8));
  EXPECT_EQ(vx_input_JoyHit(31, 7), 0);
}

TEST_F(InputDeviceTest, EventsBeforeTheGameStartsAreNotDelivered) {
  VXGlfwGame* fresh = new VXGlfwGame;
  fresh->SetDelegate(delegate);
  VXGlfwGame::OnKey('Q', GLFW_PRESS);
  EXPECT_FALSE(vx_input_KeyDown('Q'));
  VXGlfwGame::_glfwGame = host;
}

}  // namespace
