// The input device: one 512-code key space for keyboard, mouse, joystick
// buttons and touch fingers, per-update hit counts and hit queue, the typed
// character buffer, pointer, joystick and accelerometer state, and the
// `vx_input_*` module functions. Relies on the runtime and the host.
#pragma once

#include "runtime/gc.h"

// The key space.
constexpr int kKeyCodeCount = 512;
constexpr int kKeyMouseFirst = 1;
constexpr int kKeyJoyFirst = 256;
constexpr int kKeyTouchFirst = 384;
constexpr int kJoyButtonsPerPad = 32;
constexpr int kJoyPadCount = 4;
constexpr int kJoySticks = 2;
constexpr int kTouchFingerLast = 127;
constexpr int kFingerPositions = 32;
constexpr int kHitQueueCapacity = 33;
constexpr int kCharBufferCapacity = 32;

class c_JoyState : public Object {
 public:
  Array<float> stickX;
  Array<float> stickY;
  Array<float> stickZ;
  Array<bool> buttonDown;

  c_JoyState* m_new();
  void mark() override;
};

class c_InputDevice : public Object {
 public:
  Array<c_JoyState*> joypads;
  Array<bool> keyIsDown;
  int hitQueueLength = 0;
  Array<int> hitQueue;
  Array<int> hitCounts;
  int charRead = 0;
  int charWrite = 0;
  Array<int> charBuffer;
  float pointerX = 0;
  float pointerY = 0;
  Array<float> fingerX;
  Array<float> fingerY;
  float accelerationX = 0;
  float accelerationY = 0;
  float accelerationZ = 0;
  // Touch presses since the last p_EndUpdate: how a program tells a touch from
  // the left mouse button, which finger 0 mirrors.
  int touchesStarted = 0;

  c_InputDevice* m_new();
  void mark() override;

  void p_KeyEvent(int event, int code);
  void p_PutKeyHit(int code);
  void p_MouseEvent(int event, int button, float x, float y);
  void p_TouchEvent(int event, int finger, float x, float y);
  void p_MotionEvent(int event, int data, float x, float y, float z);
  void p_BeginUpdate();
  void p_EndUpdate();
  bool p_SetKeyboardEnabled(bool enabled);
  bool p_KeyDown(int code);
  int p_KeyHit(int code);
  int p_GetChar();
  float p_MouseX() { return pointerX; }
  float p_MouseY() { return pointerY; }
  float p_JoyX(int stick, int joystick);
  float p_JoyY(int stick, int joystick);
  float p_AccelX() { return accelerationX; }
  float p_AccelY() { return accelerationY; }
  float p_AccelZ() { return accelerationZ; }
  float p_TouchX(int finger);
  float p_TouchY(int finger);

 private:
  // Key 1 (left button) and 384 (finger 0) are one control.
  static int MirrorOf(int code);
  void StorePointer(int finger, float x, float y);
};

extern c_InputDevice* vx_input_device;

bool vx_input_KeyDown(int key);
int vx_input_KeyHit(int key);
int vx_input_GetChar();
bool vx_input_EnableKeyboard();
bool vx_input_DisableKeyboard();
float vx_input_MouseX();
float vx_input_MouseY();
bool vx_input_MouseDown(int button);
int vx_input_MouseHit(int button);
bool vx_input_TouchDown(int finger);
bool vx_input_JoyDown(int button, int joystick);
int vx_input_JoyHit(int button, int joystick);
float vx_input_JoyX(int stick, int joystick);
float vx_input_JoyY(int stick, int joystick);
float vx_input_AccelX();
float vx_input_AccelY();
float vx_input_AccelZ();
// Finger 0..31's last position in window pixels (0 for other fingers).
float vx_input_TouchX(int finger);
float vx_input_TouchY(int finger);
// Touch presses since the previous update.
int vx_input_TouchesStarted();
// True when the device has a touch screen (false on the desktop builds).
bool vx_input_HasTouchScreen();
void vx_input_SetInputDevice(c_InputDevice* device);
// Sets the input module's globals to their start values.
void vx_input_Init();

// GLFW joystick number behind each framework pad, -1 for none; rebuilt
// whenever pad 0 is polled.
extern int pjoys[kJoyPadCount];
