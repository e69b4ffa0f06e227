// The desktop host's window input: GLFW 2.7 key codes translated into the
// framework key space, the characters special keys send, and the key,
// character and mouse callbacks that feed the host's guarded events.
#include <array>

#include "host/app.h"
#include "host/game.h"
#include "host/glfw27.h"

using namespace glfw27;

namespace {
constexpr int kTableSize = GLFW_KEY_LAST + 1;  // 326 entries, one per GLFW key
constexpr int kTableFirst = 32;
constexpr int kTableLast = GLFW_KEY_KP_DECIMAL;
constexpr int kMouseButtonLast = GLFW_MOUSE_BUTTON_MIDDLE;
constexpr int kCharOffset = 65536;  // special characters above the Unicode range
constexpr int kCodeDelete = 46;
constexpr int kCharDelete = 127;
constexpr int kNoButton = -1;

// Framework codes of keys other than digits and capital letters.
struct Translation {
  int glfwKey, code;
};
constexpr Translation kTranslations[] = {
    {' ', 32},  {'"', 222}, {'\'', 222}, {',', 188}, {'-', 189}, {'.', 190}, {'/', 191}, {';', 186},
    {'=', 187}, {'[', 219}, {'\\', 220}, {']', 221}, {'`', 192}, {'~', 192},
    {GLFW_KEY_ESC, 27},         {GLFW_KEY_UP, 38},        {GLFW_KEY_DOWN, 40},      {GLFW_KEY_LEFT, 37},
    {GLFW_KEY_RIGHT, 39},       {GLFW_KEY_LSHIFT, 16},    {GLFW_KEY_RSHIFT, 16},    {GLFW_KEY_LCTRL, 17},
    {GLFW_KEY_RCTRL, 17},       {GLFW_KEY_TAB, 9},        {GLFW_KEY_ENTER, 13},     {GLFW_KEY_BACKSPACE, 8},
    {GLFW_KEY_INSERT, 45},      {GLFW_KEY_DEL, 46},       {GLFW_KEY_PAGEUP, 33},    {GLFW_KEY_PAGEDOWN, 34},
    {GLFW_KEY_HOME, 36},        {GLFW_KEY_END, 35},       {GLFW_KEY_KP_DIVIDE, 111},
    {GLFW_KEY_KP_MULTIPLY, 106}, {GLFW_KEY_KP_SUBTRACT, 109}, {GLFW_KEY_KP_ADD, 107},
    {GLFW_KEY_KP_DECIMAL, 110},
};
constexpr int kFunctionKeyCode = 112;  // F1; F1..F12 run on to 123
constexpr int kKeypadDigitCode = 96;   // keypad 0; keypad digits run on to 105

constexpr std::array<unsigned char, kTableSize> BuildTable() {
  std::array<unsigned char, kTableSize> t{};
  for (const Translation& tr : kTranslations) t[tr.glfwKey] = static_cast<unsigned char>(tr.code);
  for (int i = 0; GLFW_KEY_F1 + i <= GLFW_KEY_F12; ++i)
    t[GLFW_KEY_F1 + i] = static_cast<unsigned char>(kFunctionKeyCode + i);
  for (int i = 0; GLFW_KEY_KP_0 + i <= GLFW_KEY_KP_9; ++i)
    t[GLFW_KEY_KP_0 + i] = static_cast<unsigned char>(kKeypadDigitCode + i);
  return t;
}
constexpr std::array<unsigned char, kTableSize> kKeyTable = BuildTable();

// Codes whose press also sends a character: 8, 9, 13, 27 as themselves,
// the navigation keys 33..40 and Insert above the Unicode range, Delete as 127.
constexpr int kNavigationFirst = 33, kNavigationLast = 40, kCodeInsert = 45;
}  // namespace

int VXGlfwGame::TransKey(int key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return key;
  if (key >= kTableFirst && key <= kTableLast) return kKeyTable[key];
  return 0;
}

int VXGlfwGame::KeyToChar(int key) {
  switch (key) {
    case 8:
    case 9:
    case 13:
    case 27:
      return key;
    case kCodeDelete:
      return kCharDelete;
    case kCodeInsert:
      return key + kCharOffset;
    default:
      if (key >= kNavigationFirst && key <= kNavigationLast) return key + kCharOffset;
      return 0;
  }
}

void VXGlfwGame::OnKey(int key, int action) {
  int code = TransKey(key);
  if (!code) return;
  if (action == GLFW_RELEASE) {
    _glfwGame->KeyEvent(c_VXGameEvent::KeyUp, code);
  } else if (action == GLFW_PRESS) {
    _glfwGame->KeyEvent(c_VXGameEvent::KeyDown, code);
    if (int chr = KeyToChar(code)) _glfwGame->KeyEvent(c_VXGameEvent::KeyChar, chr);
  }
}

void VXGlfwGame::OnChar(int character, int action) {
  if (action == GLFW_PRESS) _glfwGame->KeyEvent(c_VXGameEvent::KeyChar, character);
}

void VXGlfwGame::OnMouseButton(int button, int action) {
  if (button < 0 || button > kMouseButtonLast) return;
  int x = 0, y = 0;
  glfwGetMousePos(&x, &y);
  int event = action == GLFW_RELEASE ? c_VXGameEvent::MouseUp : c_VXGameEvent::MouseDown;
  _glfwGame->MouseEvent(event, button, static_cast<float>(x), static_cast<float>(y));
}

void VXGlfwGame::OnMousePos(int x, int y) {
  _glfwGame->MouseEvent(c_VXGameEvent::MouseMove, kNoButton, static_cast<float>(x), static_cast<float>(y));
}

// Fingers the layer cannot number (beyond its 32) never reach the game.
void VXGlfwGame::OnTouch(int finger, int action, int x, int y) {
  if (finger < 0 || finger >= GLFW_MAX_FINGERS) return;
  int event = action == GLFW_PRESS     ? c_VXGameEvent::TouchDown
              : action == GLFW_RELEASE ? c_VXGameEvent::TouchUp
                                       : c_VXGameEvent::TouchMove;
  _glfwGame->TouchEvent(event, finger, static_cast<float>(x), static_cast<float>(y));
}

void VXGlfwGame::OnMotion(float x, float y, float z) {
  _glfwGame->MotionEvent(c_VXGameEvent::MotionAccel, 0, x, y, z);
}
