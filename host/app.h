// The application layer: the base class `c_App` the game derives from, the
// delegate `c_GameDelegate` that turns host callbacks into application and
// device calls, the event codes, display modes and the `vx_app_*` module.
// Relies on host/game.h, the runtime, the graphics and input devices.
#pragma once

#include "host/game.h"
#include "runtime/containers.h"

class gxtkGraphics;
class gxtkAudio;
class c_InputDevice;

// The application base; the game overrides the five callbacks. A program
// may also override p_OnClose and p_OnBack: they run when the window's close
// button (or a request to end the process) and the back key arrive, and end
// the process only when the base version is called, so an override can save
// first, or return without it to keep running.
class c_App : public Object {
 public:
  c_App* m_new();
  virtual void p_OnCreate() {}
  virtual void p_OnSuspend() {}
  virtual void p_OnResume() {}
  virtual void p_OnUpdate() {}
  virtual void p_OnRender() {}
  void p_OnResize() {}
  void p_OnLoading() {}
  virtual void p_OnClose();
  virtual void p_OnBack();
};

// The event codes passed through the host's event operations.
class c_VXGameEvent : public Object {
 public:
  static constexpr int KeyDown = 1;
  static constexpr int KeyUp = 2;
  static constexpr int KeyChar = 3;
  static constexpr int MouseDown = 4;
  static constexpr int MouseUp = 5;
  static constexpr int MouseMove = 6;
  static constexpr int TouchDown = 7;
  static constexpr int TouchUp = 8;
  static constexpr int TouchMove = 9;
  static constexpr int MotionAccel = 10;
};

// Key codes the delegate answers itself.
constexpr int kKeyCodeBack = 416;
constexpr int kKeyCodeClose = 432;

// Render modes answered by the graphics device's BeginRender.
constexpr int kRenderModeNone = 0;
constexpr int kRenderModeLoading = 2;

class c_GameDelegate : public VXGameDelegate {
 public:
  gxtkGraphics* graphics = nullptr;
  gxtkAudio* audio = nullptr;
  c_InputDevice* input = nullptr;

  c_GameDelegate* m_new() { return this; }
  void StartGame() override;
  void SuspendGame() override;
  void ResumeGame() override;
  void UpdateGame() override;
  void RenderGame() override;
  void KeyEvent(int event, int data) override;
  void MouseEvent(int event, int data, float x, float y) override;
  void TouchEvent(int event, int data, float x, float y) override;
  void MotionEvent(int event, int data, float x, float y, float z) override;
  void DiscardGraphics() override;
  void mark() override;
};

class c_DisplayMode : public Object {
 public:
  int width = 0;
  int height = 0;
  c_DisplayMode* m_new(int width, int height);
  c_DisplayMode* m_new2() { return this; }
};

// The display-mode containers.
class c_Stack : public c_NumberedStack<c_DisplayMode*> {
 public:
  c_Stack* m_new() { return this; }
};
using c_Node = c_NodeOf<c_DisplayMode>;
class c_Map : public c_MapOf<c_DisplayMode> {};
class c_IntMap : public c_IntMapOf<c_DisplayMode> {
 public:
  c_IntMap* m_new() { return this; }
};

// Module state of the application layer.
extern c_App* vx_app__app;
extern c_GameDelegate* vx_app__delegate;
extern VXGame* vx_app__game;
extern int vx_app__devWidth;
extern int vx_app__devHeight;
extern Array<c_DisplayMode*> vx_app__displayModes;
extern c_DisplayMode* vx_app__desktopMode;
extern int vx_app__updateRate;

// Sets the framework's module globals; the application's vxInit calls it first.
void vxInitFramework();

// Provided by the application: its module initialiser and its main, which
// constructs the application object.
void vxInit();
void vxMain();

void vx_app_SetUpdateRate(int rate);
// Names the application's window, the open one and every one opened later.
void vx_app_SetWindowTitle(const String& title);
// Names the program: the class its windows present to the desktop (which
// groups windows by it) and, until it sets a title, their title. Without it
// the name is the executable's. Call it in vxMain to name the first window.
void vx_app_SetAppName(const String& name);
// Keeps the state file in the per-user state folder for `name`
// ($XDG_STATE_HOME/name or ~/.local/state/name, made private when missing)
// instead of the working directory; false, with a line on standard output,
// when that folder cannot be made. Call it before the first load.
bool vx_app_UseStateFolder(const String& name);
// Copies every line the program prints into the file `name` beside the state
// file (in the state folder when the program uses one), so a program whose
// output nobody sees leaves it where it can be read: a fresh file each run,
// the previous run's kept as name + ".old", at most 1 MiB a run. Lines
// printed before the call are copied too; call it after
// vx_app_UseStateFolder. False, with a line on standard output, when the
// file cannot be made.
bool vx_app_KeepLog(const String& name);
// Opens the window again, width x height pixels, full screen at that size
// when `flags` holds kWindowFullscreen, and reads the size it got.
constexpr int kWindowFullscreen = 1;
void vx_app_SetDeviceWindow(int width, int height, int flags);
int vx_app_Millisecs();
int vx_app_DeviceWidth();
int vx_app_DeviceHeight();
// Window pixels per point of the page's layout: in a browser its device pixel
// ratio, at most 2 (a phone's screen, of about 3, gets a canvas of 2 a point);
// 1 on the desktop.
float vx_app_PixelRatio();
void vx_app_ValidateDeviceWindow(bool notify);
[[noreturn]] void vx_app_EndApp();

// The exit status of a program that vx_app_FailApp ended.
constexpr int kStatusAppFailed = 1;
// Ends the program for a reason its player must see and can mend, such as a
// data file it cannot run without. The message (lines split at "\n") is
// printed and shown: in a windowed Windows program in a message box, else
// on a screen of its own in the window, written with the built-in letters
// (graphics/builtin_font.h), since the program's own font may be the file
// that is missing. The program ends with kStatusAppFailed once the player
// closes the box or the window, or presses a key. The call returns, but the
// application is neither updated nor drawn nor told anything from then on;
// sound stops. Only the first failure is shown.
void vx_app_FailApp(const String& message);
bool vx_app_Failed();
// The failure screen's steps, which the delegate runs in place of the
// application's once it failed.
void vxFailureUpdate(c_InputDevice* input);
void vxFailureKeyEvent(int event, int data);
void vxFailureRender(gxtkGraphics* graphics);
void vx_app_EnumDisplayModes();
