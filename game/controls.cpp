// Player controls: the game keys resolved against keyboard, joystick buttons,
// sticks and virtual buttons; the ship's ramped steering; the touch hit tests;
// the full-screen switch; and the optional iCade, on-screen pad and tilt
// layers. Reads the input device through the vx_input_* module functions.
#include <cmath>

#include "game/app.h"
#include "game/common.h"
#include "host/game.h"
#include "input/input_device.h"

namespace {
// Framework key codes.
constexpr int kKeyBackspace = 8;
constexpr int kKeyEnter = 13;
constexpr int kKeyShift = 16;
constexpr int kKeyControl = 17;
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
constexpr int kKeyDelete = 46;
constexpr int kKeyTilde = 192;

constexpr float kStickKeyThreshold = 0.4f;
constexpr float kSteerDeadZone = 0.2f;
constexpr float kRampPress = 0.15f;
constexpr float kRampRelease = 0.2f;
constexpr float kIndicatorThreshold = 0.05f;
constexpr float kIndicatorInset = 64;
constexpr float kIndicatorReach = 52;
constexpr int kPadMargin = 32;
constexpr int kPadSizeMin = 8;
constexpr int kPadSizeMax = 25;
constexpr float kPadSizeUnit = 10;
constexpr float kPadArrowDistance = 32;
constexpr float kPadButtonSize = 32;
constexpr float kPadAlpha = 0.6f;
constexpr float kPadHandleScale = 3;
constexpr float kPadActionScale = 1.5f;
constexpr float kPadActionOffset = 24;
constexpr float kPadPinchStep = 16;
constexpr int kPadCentreFrame = 5;
constexpr int kPadFireFrame = 3;     // the action buttons' frames in the pad's sheet
constexpr int kPadThrustFrame = 11;
constexpr int kPadDragNone = 0;
constexpr int kPadDragMove = 1;
constexpr int kPadDragPinch = 2;
constexpr float kTiltEase = 0.25f;
constexpr float kTiltSnap = 0.005f;
constexpr float kTiltCorner = 24;
constexpr float kTiltReach = 20;
constexpr int kTiltButtonFrame = 7;
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;
constexpr int kMaxSources = 4;

// Every source of one game key.
struct GameKeySources {
  int key;
  int keyboard[kMaxSources];
  int buttons[kMaxSources];
  int virtualButtons[kMaxSources];
};

// -1 ends a list.
constexpr GameKeySources kSources[] = {
    {kGameKeyUp, {kKeyUp, 'W', -1}, {9, -1}, {0, -1}},
    {kGameKeyLeft, {kKeyLeft, 'A', -1}, {8, -1}, {3, -1}},
    {kGameKeyRight, {kKeyRight, 'D', -1}, {10, -1}, {5, -1}},
    {kGameKeyDown, {kKeyDown, 'S', -1}, {11, -1}, {8, -1}},
    {kGameKeyFire, {'Z', 'J', kKeySpace, kKeyEnter}, {0, -1}, {10, -1}},
    {kGameKeyThrust, {'X', 'K', kKeyControl, -1}, {1, -1}, {11, -1}},
    {kGameKeyButton12, {'C', 'L', kKeyShift, -1}, {2, -1}, {12, -1}},
    {kGameKeyButton13, {'V', 'I', -1}, {3, -1}, {13, -1}},
    {kGameKeyButton14, {'B', 'U', -1}, {4, -1}, {14, -1}},
    {kGameKeyButton15, {'N', 'O', -1}, {5, -1}, {15, -1}},
    {kGameKeyConsoleBack, {kKeyEscape, kKeyTilde, kKeyDelete, kKeyBackspace}, {6, 7, 14, -1}, {16, 17, 19, -1}},
    {kGameKeyBack, {kKeyEscape, kKeyTilde, kKeyDelete, kKeyBackspace}, {6, 7, 14, -1}, {16, 17, 19, -1}},
};

// The console build's back keys.
constexpr GameKeySources kConsoleSources[] = {
    {kGameKeyConsoleBack, {kKeyEscape, -1}, {6, -1}, {kVirtualButtonBack, -1}},
    {kGameKeyBack, {kKeyEscape, -1}, {6, 7, -1}, {kVirtualButtonBack, -1}},
};

const GameKeySources* SourcesOf(int key) {
  if (vx_Velmar_isOuya == 1) {
    for (const GameKeySources& s : kConsoleSources)
      if (s.key == key) return &s;
  }
  for (const GameKeySources& s : kSources)
    if (s.key == key) return &s;
  return nullptr;
}

// The keyboard keys an iCade cabinet leaves to the player: its own letters are buttons.
bool CountsUnderICade(int code) {
  switch (code) {
    case kKeyLeft: case kKeyUp: case kKeyRight: case kKeyDown:
    case kKeySpace: case kKeyEnter: case kKeyControl: case kKeyShift:
    case kKeyEscape: case kKeyDelete: case kKeyBackspace:
      return true;
    default:
      return false;
  }
}

// iCade letter pairs: the first presses the button, the second releases it.
struct ICadePair {
  char press;
  char release;
  int button;
};
constexpr ICadePair kICadePairs[] = {
    {'W', 'E', 0}, {'X', 'Z', 8},  {'A', 'Q', 3},  {'D', 'C', 5},  {'Y', 'T', 13}, {'U', 'F', 14},
    {'I', 'M', 15}, {'O', 'G', 16}, {'H', 'R', 10}, {'J', 'N', 11}, {'K', 'P', 12}, {'L', 'V', 17}};

}  // namespace

// ---------------------------------------------------------------------------
// Game keys
// ---------------------------------------------------------------------------

int c_MyApp::p_PlayKey(int key, int useStick, int player) {
  if (player < -1) return 0;
  const GameKeySources* src = SourcesOf(key);
  if (src == nullptr) return 0;
  bool keyboardOnly = player == -1;
  bool iCade = vx_Velmar_iCadeControls == 1;
  if (key == kGameKeyConsoleBack && (keyboardOnly || iCade)) return 0;
  for (int i = 0; i < kMaxSources && src->keyboard[i] >= 0; ++i) {
    if (iCade && !CountsUnderICade(src->keyboard[i])) continue;
    if (vx_input_KeyDown(src->keyboard[i])) return 1;
  }
  if (!keyboardOnly) {
    for (int i = 0; i < kMaxSources && src->buttons[i] >= 0; ++i)
      if (vx_input_JoyDown(src->buttons[i], player)) return 1;
    if (useStick == 1 && !iCade) {
      if (key == kGameKeyUp && p_StickY(0, player) < -kStickKeyThreshold) return 1;
      if (key == kGameKeyDown && p_StickY(0, player) > kStickKeyThreshold) return 1;
      if (key == kGameKeyLeft && p_StickX(0, player) < -kStickKeyThreshold) return 1;
      if (key == kGameKeyRight && p_StickX(0, player) > kStickKeyThreshold) return 1;
    }
  }
  for (int i = 0; i < kMaxSources && src->virtualButtons[i] >= 0; ++i)
    if (m_iCadeState[src->virtualButtons[i]] != 0) return 1;
  return 0;
}

int c_MyApp::p_PlayKeyAll(int key, int useStick) {
  int held = 0;
  for (int player = 0; player < kPlayerCount; ++player) held += p_PlayKey(key, useStick, player);
  return held;
}

// Sticks exist for joysticks 0..3 only; anything else reads as centred.
float c_MyApp::p_StickX(int stick, int player) {
  if (player < 0 || player >= kPlayerCount || stick < 0 || stick > 1) return 0;
  return vx_input_JoyX(stick, player);
}

float c_MyApp::p_StickY(int stick, int player) {
  if (player < 0 || player >= kPlayerCount || stick < 0 || stick > 1) return 0;
  float raw = vx_input_JoyY(stick, player);
  return m_settings[kSettingLeftStickY + stick] != 0 ? raw : -raw;
}

// ---------------------------------------------------------------------------
// Steering
// ---------------------------------------------------------------------------

// Ramps one axis: pressing moves it by kRampPress, letting go returns it to 0.
static void RampAxis(bool less, bool more, float* ramp, float* steer) {
  if (less) {
    *ramp -= kRampPress;
    *steer = *ramp;
  } else if (*ramp < 0) {
    *ramp = std::fmin(*ramp + kRampRelease, 0.0f);
    *steer = *ramp;
  }
  if (more) {
    *ramp += kRampPress;
    *steer = *ramp;
  } else if (*ramp > 0) {
    *ramp = std::fmax(*ramp - kRampRelease, 0.0f);
    *steer = *ramp;
  }
}

void c_MyApp::p_AnalogueControl() {
  m_steer = 0;
  m_steerY = 0;
  float x = p_StickX(0, 0);
  float y = p_StickY(0, 0);
  if (std::fabs(x) > kSteerDeadZone || std::fabs(y) > kSteerDeadZone) {
    m_steer = x;
    m_steerY = y;
  }
  RampAxis(p_PlayKey(kGameKeyUp, 0, 0) != 0, p_PlayKey(kGameKeyDown, 0, 0) != 0, &m_rampUpDown, &m_steerY);
  RampAxis(p_PlayKey(kGameKeyLeft, 0, 0) != 0, p_PlayKey(kGameKeyRight, 0, 0) != 0, &m_rampLeftRight, &m_steer);
  m_steer = Clamp(m_steer, -1, 1);
  m_steerY = Clamp(m_steerY, -1, 1);
  m_rampUpDown = Clamp(m_rampUpDown, -1, 1);
  m_rampLeftRight = Clamp(m_rampLeftRight, -1, 1);
  if (vx_Velmar_DebugMode == 1 && (std::fabs(m_steer) > kIndicatorThreshold || std::fabs(m_steerY) > kIndicatorThreshold)) {
    float cx = W() - kIndicatorInset, cy = H() - kIndicatorInset;
    p_SetCol(0, 180, 250, 0.5f);
    p_Oval(cx, cy, 12, 12);
    p_Oval(cx + kIndicatorReach * m_steer, cy + kIndicatorReach * m_steerY, 8, 8);
    p_ResetDraw();
  }
}

// ---------------------------------------------------------------------------
// Touch hit tests: any finger that is down
// ---------------------------------------------------------------------------

int c_MyApp::p_MouseIn(float x, float y, float w, float h) {
  for (int f = 0; f < kTouchSlots; ++f) {
    if (m_touchDown[f] == 0) continue;
    float fx = m_touchX[f], fy = m_touchY[f];
    if (x < fx && fx < x + w && y < fy && fy < y + h) return 1;
  }
  return 0;
}

int c_MyApp::p_MouseIn_Centered(float cx, float cy, float w, float h) {
  for (int f = 0; f < kTouchSlots; ++f) {
    if (m_touchDown[f] == 0) continue;
    float fx = m_touchX[f], fy = m_touchY[f];
    if (cx - w / 2 < fx && fx < cx + w / 2 && cy - h / 2 < fy && fy < cy + h / 2) return 1;
  }
  return 0;
}

int c_MyApp::p_MouseIn_Radius(float cx, float cy, float w, float h) {
  for (int f = 0; f < kTouchSlots; ++f) {
    if (m_touchDown[f] == 0) continue;
    float dx = m_touchX[f] - cx, dy = m_touchY[f] - cy;
    if (dx * dx + dy * dy <= (w / 2) * (w / 2) + (h / 2) * (h / 2)) return 1;
  }
  return 0;
}

// Draws the area, then tests it with a margin for fingertips.
int c_MyApp::p_Touch(float x, float y, float w, float h) {
  p_Rect(x, y, w, h);
  for (int f = 0; f < kTouchSlots; ++f) {
    if (m_touchDown[f] == 0) continue;
    float fx = m_touchX[f], fy = m_touchY[f];
    if (x - 6 < fx && fx < x + w + 12 && y - 6 < fy && fy < y + h + 12) return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Full screen
// ---------------------------------------------------------------------------

// The window system or the browser may have left full screen by itself:
// the flag follows the window, so the option box names the mode a press
// really switches to and the press always switches.
void c_MyApp::p_SyncFullscreen() {
  VXGlfwGame* host = VXGlfwGame::_glfwGame;
  if (host != nullptr) m_fullscreen = host->GetGlfwFullscreen() ? 1 : 0;
}

void c_MyApp::p_FullscreenFlip() {
  p_SyncFullscreen();
  m_fullscreen = 1 - m_fullscreen;
  VXGlfwGame* host = VXGlfwGame::_glfwGame;
  if (host == nullptr) return;
  VXGlfwVideoMode* desktop = host->GetGlfwDesktopMode();
  if (desktop == nullptr) return;
  if (m_fullscreen == 1)
    host->SetGlfwWindow(desktop->width, desktop->height, desktop->redBits, desktop->greenBits, desktop->blueBits, 0, 0,
                        0, true);
  else
    host->SetGlfwWindow(kWindowWidth, kWindowHeight, desktop->redBits, desktop->greenBits, desktop->blueBits, 0, 0, 0,
                        false);
}

// ---------------------------------------------------------------------------
// iCade
// ---------------------------------------------------------------------------

void c_MyApp::p_iCade(int on) {
  if (on == 1) {
    vx_input_EnableKeyboard();
    vx_Velmar_iCadeControls = 1;
    while (vx_input_GetChar() != 0) {
    }
  } else {
    vx_input_DisableKeyboard();
    vx_Velmar_iCadeControls = 0;
    for (int b = 0; b < kVirtualButtonBack; ++b) m_iCadeState[b] = 0;
  }
}

// Applies every queued iCade letter to the virtual buttons.
void c_MyApp::p_ReadICadeChars() {
  for (m_iCadeChar = vx_input_GetChar(); m_iCadeChar != 0; m_iCadeChar = vx_input_GetChar()) {
    int upper = m_iCadeChar >= 'a' && m_iCadeChar <= 'z' ? m_iCadeChar - 'a' + 'A' : m_iCadeChar;
    for (const ICadePair& pair : kICadePairs) {
      if (upper == pair.press) m_iCadeState[pair.button] = kVirtualButtonHeld;
      if (upper == pair.release) m_iCadeState[pair.button] = 0;
    }
  }
}

// ---------------------------------------------------------------------------
// On-screen pad
// ---------------------------------------------------------------------------

// Draws one pad button and presses its virtual button while a finger is on it.
void c_MyApp::p_PadButton(int slot, float x, float y, int frame, float size, int button) {
  p_DrawImg(slot, x, y, frame);
  if (m_paused == 0 && p_MouseIn_Centered(x, y, size, size) == 1) m_iCadeState[button] = kVirtualButtonPressed;
}

void c_MyApp::p_OnScreenControls() {
  float w = W(), h = H();
  m_settings[kSettingPadX] = ClampInt(m_settings[kSettingPadX], kPadMargin, static_cast<int>(w) - kPadMargin);
  m_settings[kSettingPadY] = ClampInt(m_settings[kSettingPadY], kPadMargin, static_cast<int>(h) - kPadMargin);
  m_settings[kSettingPadSize] = ClampInt(m_settings[kSettingPadSize], kPadSizeMin, kPadSizeMax);
  m_padX = m_settings[kSettingPadX];
  m_padY = static_cast<int>(h) - m_settings[kSettingPadY];
  m_padScale = m_settings[kSettingPadSize] / kPadSizeUnit;
  float s = m_padScale, x = m_padX, y = m_padY;
  float reach = kPadArrowDistance * s, size = kPadButtonSize * s;

  p_ResetDraw();
  p_Alpha(kPadAlpha);
  p_SetSize(s, kAbsentF);
  p_PadButton(kSlotDpad, x - reach, y, 4, size, kGameKeyLeft);
  p_PadButton(kSlotDpad, x, y - reach, 1, size, kGameKeyUp);
  p_PadButton(kSlotDpad, x, y + reach, 9, size, kGameKeyDown);
  p_PadButton(kSlotDpad, x + reach, y, 6, size, kGameKeyRight);
  if (m_paused == 1) {
    p_SetSize(kPadHandleScale, kAbsentF);
    p_DrawImg(kSlotDpad, x, y, kPadCentreFrame);
    p_DragPad(kPadButtonSize * kPadHandleScale);
  } else {
    m_padDrag = kPadDragNone;
    p_DrawImg(kSlotDpad, x, y, kPadCentreFrame);
  }

  float action = kPadActionScale * s, offset = kPadActionOffset * s;
  p_SetSize(action, kAbsentF);
  p_PadButton(kSlotDpad, w - (x - offset), y - offset, kPadFireFrame, kPadButtonSize * action, kGameKeyFire);
  p_PadButton(kSlotDpad, w - (x + offset), y + offset, kPadThrustFrame, kPadButtonSize * action, kGameKeyThrust);
  p_ResetDraw();
}

// While paused: one finger on the handle moves the pad, two fingers resize it.
// The fingers are whichever are down, and while they work the pad the pause
// menu's buttons under them stay untouched.
void c_MyApp::p_DragPad(float handleSize) {
  int fingers = 0, first = -1, second = -1;
  for (int f = 0; f < kTouchSlots; ++f) {
    if (m_touchDown[f] == 0) continue;
    ++fingers;
    if (first < 0) first = f;
    else if (second < 0) second = f;
  }
  if (fingers == 0) {
    m_padDrag = kPadDragNone;
    return;
  }
  if (fingers >= 2) {
    m_pointerLatch = 1;
    float distance = std::fabs(static_cast<float>(m_touchX[second] - m_touchX[first]));
    if (m_padDrag != kPadDragPinch) {
      m_padDrag = kPadDragPinch;
      m_padPinch = distance;
      return;
    }
    int change = static_cast<int>((distance - m_padPinch) / kPadPinchStep);
    if (change != 0) {
      m_settings[kSettingPadSize] += change;
      m_padPinch = distance;
    }
    return;
  }
  if (m_padDrag == kPadDragMove || p_MouseIn_Centered(m_padX, m_padY, handleSize, handleSize) == 1) {
    m_padDrag = kPadDragMove;
    m_pointerLatch = 1;
    m_settings[kSettingPadX] = m_touchX[first];
    m_settings[kSettingPadY] = static_cast<int>(H()) - m_touchY[first];
  }
}

// ---------------------------------------------------------------------------
// Tilt indicator
// ---------------------------------------------------------------------------

void c_MyApp::p_TiltControl() {
  float ax = vx_input_AccelX(), ay = vx_input_AccelY();
  m_tiltRawX = ax - m_tiltRestX;
  m_tiltRawY = ay - m_tiltRestY;
  m_tiltX += (m_tiltRawX - m_tiltX) * kTiltEase;
  m_tiltY += (m_tiltRawY - m_tiltY) * kTiltEase;
  if (std::fabs(m_tiltRawX - m_tiltX) < kTiltSnap) m_tiltX = m_tiltRawX;
  if (std::fabs(m_tiltRawY - m_tiltY) < kTiltSnap) m_tiltY = m_tiltRawY;
  float cx = kTiltCorner, cy = H() - kTiltCorner;
  if (p_Button(kSlotIcons, cx, cy, kTiltButtonFrame) == 1) {
    m_tiltRestX = ax;
    m_tiltRestY = ay;
  }
  p_SetCol(100, 255, 100, kPadAlpha);
  p_Oval(cx + kTiltReach * m_tiltX, cy + kTiltReach * m_tiltY, 4, 4);
  p_ResetDraw();
}
