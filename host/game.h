// The host: `VXGame` (state, update rate, guarded dispatch to the delegate),
// `VXGlfwGame` (window, clock, events, frame loop on the GLFW 2.7 interface)
// and `VXTarvikGame` (the process entry). Also the delegate interface and the
// native display-mode records. Relies on runtime/ objects, strings and errors.
#pragma once

#include <cstdio>

#include "runtime/errors.h"
#include "runtime/gc.h"
#include "runtime/string.h"

// Bits per colour channel of every window the host opens.
constexpr int kColourBits = 8;
// The size of the window the host opens at start.
constexpr int kStartWidth = 640;
constexpr int kStartHeight = 480;

// Receiver of every host callback; each operation does nothing here.
class VXGameDelegate : public Object {
 public:
  virtual void StartGame() {}
  virtual void SuspendGame() {}
  virtual void ResumeGame() {}
  virtual void UpdateGame() {}
  virtual void RenderGame() {}
  virtual void KeyEvent(int event, int data) {}
  virtual void MouseEvent(int event, int data, float x, float y) {}
  virtual void TouchEvent(int event, int data, float x, float y) {}
  virtual void MotionEvent(int event, int data, float x, float y, float z) {}
  virtual void DiscardGraphics() {}
};

// Watches the frame loop from outside the application, as a replay or a
// recorder does: told after every update the application ran, after every
// render (before the buffers swap) and of every input event the host passes on.
class VXLoopObserver {
 public:
  virtual ~VXLoopObserver() = default;
  virtual void Updated() {}
  virtual void Rendered() {}
  virtual void KeyEventSent(int event, int data) {}
  virtual void MouseEventSent(int event, int data, float x, float y) {}
  virtual void TouchEventSent(int event, int data, float x, float y) {}
  virtual void MotionEventSent(float x, float y, float z) {}
};

// A display mode as the host reports it; this host fills width and height.
class VXDisplayMode : public Object {
 public:
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  int refreshRate = 0;
  int modeFlags = 0;
};

// A GLFW video mode with its colour bits.
class VXGlfwVideoMode : public Object {
 public:
  int width = 0;
  int height = 0;
  int redBits = 0;
  int greenBits = 0;
  int blueBits = 0;
};

// Called once the frame loop has ended with the exit status so far; what it
// returns becomes the program's exit status.
using VXEndHandler = int (*)(int status);

class VXGame {
 public:
  VXGame();
  virtual ~VXGame() = default;

  virtual void SetDelegate(VXGameDelegate* delegate);
  virtual VXGameDelegate* Delegate();
  virtual void SetKeyboardEnabled(bool enabled);
  virtual bool KeyboardEnabled();
  virtual void SetUpdateRate(int rate);
  virtual int UpdateRate();
  virtual bool Started();
  virtual bool Suspended();
  virtual int Millisecs();
  virtual void GetDate(Array<int> date);
  virtual int SaveState(String state);
  virtual String LoadState();
  virtual String LoadString(String path);
  virtual bool PollJoystick(int joystick, Array<float> stickX, Array<float> stickY, Array<float> stickZ,
                            Array<bool> buttonDown);
  virtual void OpenUrl(String url);
  virtual void SetWindowTitle(String title);
  virtual void SetAppName(String name);
  virtual void SetMouseVisible(bool visible);
  // True when the device has a touch screen; a desktop's window has none.
  virtual bool HasTouchScreen();
  // Window pixels per point of the page's layout (CSS pixel) in a browser; 1 on the desktop.
  virtual double PixelRatio();
  virtual int GetDeviceWidth();
  virtual int GetDeviceHeight();
  virtual void SetDeviceWindow(int width, int height, int flags);
  virtual Array<VXDisplayMode*> GetDisplayModes();
  virtual VXDisplayMode* GetDesktopMode();
  virtual void SetSwapInterval(int interval);
  virtual String PathToFilePath(String path);
  virtual FILE* OpenFile(String path, String mode);
  virtual unsigned char* LoadData(String path, int* length);
  virtual unsigned char* LoadAudioData(String path, int* length, int* channels, int* bytesPerSample,
                                       int* hertz);
  [[noreturn]] virtual void Die(ThrowableObject* exception);
  virtual void gc_collect();
  virtual void StartGame();
  virtual void SuspendGame();
  virtual void ResumeGame();
  virtual void UpdateGame();
  virtual void RenderGame();
  virtual void KeyEvent(int event, int data);
  virtual void MouseEvent(int event, int data, float x, float y);
  virtual void TouchEvent(int event, int data, float x, float y);
  virtual void MotionEvent(int event, int data, float x, float y, float z);
  virtual void DiscardGraphics();

  static VXGame* _game;
  // At most one observer; null when nothing watches.
  static VXLoopObserver* observer;

 protected:
  VXGameDelegate* delegate = nullptr;
  bool keyboardEnabled = false;
  int updateRate = 0;
  bool started = false;
  bool suspended = false;
};

class VXGlfwGame : public VXGame {
 public:
  VXGlfwGame();

  void SetUpdateRate(int rate) override;
  int Millisecs() override;
  bool PollJoystick(int joystick, Array<float> stickX, Array<float> stickY, Array<float> stickZ,
                    Array<bool> buttonDown) override;
  void OpenUrl(String url) override;
  void SetWindowTitle(String title) override;
  void SetAppName(String name) override;
  void SetMouseVisible(bool visible) override;
  bool HasTouchScreen() override;
  double PixelRatio() override;
  int GetDeviceWidth() override;
  int GetDeviceHeight() override;
  void SetDeviceWindow(int width, int height, int flags) override;
  Array<VXDisplayMode*> GetDisplayModes() override;
  VXDisplayMode* GetDesktopMode() override;
  void SetSwapInterval(int interval) override;
  String PathToFilePath(String path) override;
  unsigned char* LoadAudioData(String path, int* length, int* channels, int* bytesPerSample,
                               int* hertz) override;

  virtual void SetGlfwWindow(int width, int height, int redBits, int greenBits, int blueBits, int alphaBits,
                             int depthBits, int stencilBits, bool fullscreen);
  virtual VXGlfwVideoMode* GetGlfwDesktopMode();
  // Whether the window fills the screen now, whoever changed it last.
  virtual bool GetGlfwFullscreen();
  virtual Array<VXGlfwVideoMode*> GetGlfwVideoModes();
  virtual void Run();
  // Suspends or resumes when the window's focus changed. The loop checks every
  // turn; a page checks at once when it is hidden, since it gets no turns then.
  void CheckFocus();
  // Closes the window system once the loop is over and gives the exit status:
  // the end handler's answer, else 0, or kStatusAppFailed (host/app.h) when
  // the program failed; the handler is handed that status.
  int EndRun();
  VXEndHandler endHandler = nullptr;

  // The GLFW callbacks: window events turned into host key and mouse events.
  static void OnKey(int key, int action);
  static void OnChar(int character, int action);
  static void OnMouseButton(int button, int action);
  static void OnMousePos(int x, int y);
  static void OnTouch(int finger, int action, int x, int y);
  static void OnMotion(float x, float y, float z);
  static int OnWindowClose();

  // Framework key code of a GLFW key, 0 when it has none.
  static int TransKey(int key);
  // Character sent with a special key's press, 0 when it sends none.
  static int KeyToChar(int key);

  static VXGlfwGame* _glfwGame;

  double UpdatePeriod() const { return updatePeriod; }
  double NextUpdateTime() const { return nextUpdateTime; }
  int SwapInterval() const { return swapInterval; }

 protected:
  double updatePeriod = 0;
  double nextUpdateTime = 0;
  int swapInterval = 1;
  // The program's name, which its windows present as their class, and the
  // title every window opens with: the name, until the program sets a title.
  String appName;
  String windowTitle;
  bool titleSet = false;

 private:
  // The steps of one frame-loop turn.
  void RenderFrame();
  void SleepUntilDue();
  void ProcessEvents();
  void RunDueUpdates();
  // One turn of the browser's frame loop, called back by the page.
  static void BrowserTurn(void* game);
  // Sends a KeyUp for every key the keyboard reports held.
  void ReleaseHeldKeys();
};

class VXTarvikGame : public VXGlfwGame {
 public:
  // The whole life of the process; returns the exit status of `main`. In the
  // browser the frame loop outlives `main`, so work that must follow the loop
  // goes in `onEnd` rather than after this call.
  static int Main(int argc, char** argv, VXEndHandler onEnd = nullptr);
};

// Requests to end the process from outside the window (a signal on Linux, a
// console's Ctrl+C or close on Windows): the first is taken at the loop's next
// turn as the window's close request, so the program ends the way its close
// button ends it; a second ends the process at once.
void vxHostWatchEndRequests();
// True once for each request that arrived since the last call.
bool vxHostTakeEndRequest();

// Window generation: raised after every window (re)creation so textures know
// their context is gone. Read by the render device.
extern int glfwGraphicsSeq;
