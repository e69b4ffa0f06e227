// The input device's state changes and queries, and the `vx_input_*` module
// functions the game calls. Events arrive from the host between updates;
// joysticks are polled through the host at the start of every update.
#include "input/input_device.h"

#include "host/app.h"
#include "host/game.h"

c_InputDevice* vx_input_device = nullptr;

namespace {
constexpr int kKeyLeftButton = 1;

bool IsKeyCode(int code) { return code >= 1 && code < kKeyCodeCount; }
}  // namespace

c_JoyState* c_JoyState::m_new() {
  gc_assign(stickX, Array<float>(kJoySticks));
  gc_assign(stickY, Array<float>(kJoySticks));
  gc_assign(stickZ, Array<float>(kJoySticks));
  gc_assign(buttonDown, Array<bool>(kJoyButtonsPerPad));
  return this;
}

void c_JoyState::mark() {
  gc_enqueue(stickX.rep);
  gc_enqueue(stickY.rep);
  gc_enqueue(stickZ.rep);
  gc_enqueue(buttonDown.rep);
}

c_InputDevice* c_InputDevice::m_new() {
  gc_assign(joypads, Array<c_JoyState*>(kJoyPadCount));
  for (int i = 0; i < kJoyPadCount; ++i) gc_assign(joypads[i], gc_new<c_JoyState>()->m_new());
  gc_assign(keyIsDown, Array<bool>(kKeyCodeCount));
  gc_assign(hitQueue, Array<int>(kHitQueueCapacity));
  gc_assign(hitCounts, Array<int>(kKeyCodeCount));
  gc_assign(charBuffer, Array<int>(kCharBufferCapacity));
  gc_assign(fingerX, Array<float>(kFingerPositions));
  gc_assign(fingerY, Array<float>(kFingerPositions));
  return this;
}

void c_InputDevice::mark() {
  gc_enqueue(joypads.rep);
  gc_enqueue(keyIsDown.rep);
  gc_enqueue(hitQueue.rep);
  gc_enqueue(hitCounts.rep);
  gc_enqueue(charBuffer.rep);
  gc_enqueue(fingerX.rep);
  gc_enqueue(fingerY.rep);
}

int c_InputDevice::MirrorOf(int code) {
  if (code == kKeyLeftButton) return kKeyTouchFirst;
  if (code == kKeyTouchFirst) return kKeyLeftButton;
  return 0;
}

void c_InputDevice::p_KeyEvent(int event, int code) {
  switch (event) {
    case c_VXGameEvent::KeyDown:
      if (keyIsDown[code]) return;
      keyIsDown[code] = true;
      p_PutKeyHit(code);
      if (int mirror = MirrorOf(code)) {
        keyIsDown[mirror] = true;
        p_PutKeyHit(mirror);
      }
      return;
    case c_VXGameEvent::KeyUp:
      if (!keyIsDown[code]) return;
      keyIsDown[code] = false;
      if (int mirror = MirrorOf(code)) keyIsDown[mirror] = false;
      return;
    case c_VXGameEvent::KeyChar:
      if (charWrite < kCharBufferCapacity) charBuffer[charWrite++] = code;
      return;
    default:
      return;
  }
}

void c_InputDevice::p_PutKeyHit(int code) {
  if (hitQueueLength >= kHitQueueCapacity) return;
  hitCounts[code] += 1;
  hitQueue[hitQueueLength++] = code;
}

void c_InputDevice::StorePointer(int finger, float x, float y) {
  fingerX[finger] = x;
  fingerY[finger] = y;
  if (finger == 0) {
    pointerX = x;
    pointerY = y;
  }
}

void c_InputDevice::p_MouseEvent(int event, int button, float x, float y) {
  if (event == c_VXGameEvent::MouseDown) {
    p_KeyEvent(c_VXGameEvent::KeyDown, kKeyMouseFirst + button);
    StorePointer(0, x, y);
  } else if (event == c_VXGameEvent::MouseUp) {
    p_KeyEvent(c_VXGameEvent::KeyUp, kKeyMouseFirst + button);
  } else if (event == c_VXGameEvent::MouseMove) {
    StorePointer(0, x, y);
  }
}

// Fingers beyond the key space are dropped, and only fingers 0..31 have a
// place for their position: a bad finger number never writes outside them.
void c_InputDevice::p_TouchEvent(int event, int finger, float x, float y) {
  if (finger < 0 || finger > kTouchFingerLast) return;
  bool positioned = finger < kFingerPositions;
  if (event == c_VXGameEvent::TouchDown) {
    p_KeyEvent(c_VXGameEvent::KeyDown, kKeyTouchFirst + finger);
    ++touchesStarted;
    if (positioned) StorePointer(finger, x, y);
  } else if (event == c_VXGameEvent::TouchUp) {
    p_KeyEvent(c_VXGameEvent::KeyUp, kKeyTouchFirst + finger);
  } else if (event == c_VXGameEvent::TouchMove) {
    if (positioned) StorePointer(finger, x, y);
  }
}

float c_InputDevice::p_TouchX(int finger) {
  return finger >= 0 && finger < kFingerPositions ? fingerX[finger] : 0;
}

float c_InputDevice::p_TouchY(int finger) {
  return finger >= 0 && finger < kFingerPositions ? fingerY[finger] : 0;
}

void c_InputDevice::p_MotionEvent(int event, int data, float x, float y, float z) {
  if (event != c_VXGameEvent::MotionAccel) return;
  accelerationX = x;
  accelerationY = y;
  accelerationZ = z;
}

// Polls the pads in order until one is missing; button edges become hits.
void c_InputDevice::p_BeginUpdate() {
  for (int joystick = 0; joystick < kJoyPadCount; ++joystick) {
    c_JoyState* pad = joypads[joystick];
    if (!VXGame::_game->PollJoystick(joystick, pad->stickX, pad->stickY, pad->stickZ, pad->buttonDown)) return;
    for (int button = 0; button < kJoyButtonsPerPad; ++button) {
      int code = kKeyJoyFirst + kJoyButtonsPerPad * joystick + button;
      if (!pad->buttonDown[button]) {
        keyIsDown[code] = false;
      } else if (!keyIsDown[code]) {
        keyIsDown[code] = true;
        p_PutKeyHit(code);
      }
    }
  }
}

void c_InputDevice::p_EndUpdate() {
  for (int i = 0; i < hitQueueLength; ++i) hitCounts[hitQueue[i]] = 0;
  hitQueueLength = 0;
  touchesStarted = 0;
  charRead = 0;
  charWrite = 0;
}

bool c_InputDevice::p_SetKeyboardEnabled(bool enabled) {
  VXGame::_game->SetKeyboardEnabled(enabled);
  return true;
}

bool c_InputDevice::p_KeyDown(int code) { return IsKeyCode(code) && keyIsDown[code]; }

int c_InputDevice::p_KeyHit(int code) { return IsKeyCode(code) ? hitCounts[code] : 0; }

int c_InputDevice::p_GetChar() {
  if (charRead == charWrite) return 0;
  return charBuffer[charRead++];
}

float c_InputDevice::p_JoyX(int stick, int joystick) { return joypads[joystick]->stickX[stick]; }
float c_InputDevice::p_JoyY(int stick, int joystick) { return joypads[joystick]->stickY[stick]; }

// --- Module functions ------------------------------------------------------

namespace {
int JoyCode(int button, int joystick) { return kKeyJoyFirst + kJoyButtonsPerPad * joystick + button; }
}  // namespace

bool vx_input_KeyDown(int key) { return vx_input_device->p_KeyDown(key); }
int vx_input_KeyHit(int key) { return vx_input_device->p_KeyHit(key); }
int vx_input_GetChar() { return vx_input_device->p_GetChar(); }
bool vx_input_EnableKeyboard() { return vx_input_device->p_SetKeyboardEnabled(true); }
bool vx_input_DisableKeyboard() { return vx_input_device->p_SetKeyboardEnabled(false); }
float vx_input_MouseX() { return vx_input_device->p_MouseX(); }
float vx_input_MouseY() { return vx_input_device->p_MouseY(); }
bool vx_input_MouseDown(int button) { return vx_input_device->p_KeyDown(kKeyMouseFirst + button); }
int vx_input_MouseHit(int button) { return vx_input_device->p_KeyHit(kKeyMouseFirst + button); }

bool vx_input_TouchDown(int finger) {
  return finger >= 0 && finger <= kTouchFingerLast && vx_input_device->p_KeyDown(kKeyTouchFirst + finger);
}

bool vx_input_JoyDown(int button, int joystick) {
  return vx_input_device->p_KeyDown(JoyCode(button, joystick));
}
int vx_input_JoyHit(int button, int joystick) { return vx_input_device->p_KeyHit(JoyCode(button, joystick)); }
float vx_input_JoyX(int stick, int joystick) { return vx_input_device->p_JoyX(stick, joystick); }
float vx_input_JoyY(int stick, int joystick) { return vx_input_device->p_JoyY(stick, joystick); }
float vx_input_AccelX() { return vx_input_device->p_AccelX(); }
float vx_input_AccelY() { return vx_input_device->p_AccelY(); }
float vx_input_AccelZ() { return vx_input_device->p_AccelZ(); }
float vx_input_TouchX(int finger) { return vx_input_device->p_TouchX(finger); }
float vx_input_TouchY(int finger) { return vx_input_device->p_TouchY(finger); }
int vx_input_TouchesStarted() { return vx_input_device->touchesStarted; }
bool vx_input_HasTouchScreen() { return VXGame::_game != nullptr && VXGame::_game->HasTouchScreen(); }

void vx_input_SetInputDevice(c_InputDevice* device) { gc_assign(vx_input_device, device); }

void vx_input_Init() {
  static bool rooted = false;
  if (!rooted) {
    gc_add_root(vx_input_device);
    rooted = true;
  }
  vx_input_device = nullptr;
}
