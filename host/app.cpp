// The application layer: `c_App` registration, the delegate's device set-up
// and per-callback work, display-mode enumeration and the `vx_app_*`
// functions. Relies on the host, the graphics, audio and input devices.
#include "host/app.h"

#include <algorithm>

#include "audio/audio.h"
#include "graphics/graphics.h"
#include "input/input_device.h"
#include "storage/files.h"

c_App* vx_app__app = nullptr;
c_GameDelegate* vx_app__delegate = nullptr;
VXGame* vx_app__game = nullptr;
int vx_app__devWidth = 0;
int vx_app__devHeight = 0;
Array<c_DisplayMode*> vx_app__displayModes;
c_DisplayMode* vx_app__desktopMode = nullptr;
int vx_app__updateRate = 0;

namespace {
constexpr int kDefaultFontFirstChar = 32;
constexpr int kModeKeyShift = 16;  // display-mode key: width << 16 | height

void AddRoots() {
  static bool added = false;
  if (added) return;
  gc_add_root(vx_app__app);
  gc_add_root(vx_app__delegate);
  gc_add_root(vx_app__displayModes);
  gc_add_root(vx_app__desktopMode);
  added = true;
}
}  // namespace

void vxInitFramework() {
  AddRoots();
  vx_app__app = nullptr;
  vx_app__delegate = nullptr;
  vx_app__game = VXGame::_game;
  vx_graphics_Init();
  vx_audio_device = nullptr;
  vx_input_Init();
  vx_app__devWidth = 0;
  vx_app__devHeight = 0;
  vx_app__displayModes = Array<c_DisplayMode*>();
  vx_app__desktopMode = nullptr;
  vx_app__updateRate = 0;
}

// --- c_App -------------------------------------------------------------------

c_App* c_App::m_new() {
  if (vx_app__app) vxError("App has already been created");
  gc_assign(vx_app__app, this);
  gc_assign(vx_app__delegate, gc_new<c_GameDelegate>()->m_new());
  vx_app__game->SetDelegate(vx_app__delegate);
  return this;
}

void c_App::p_OnClose() { vx_app_EndApp(); }
void c_App::p_OnBack() { vx_app_EndApp(); }

// --- c_GameDelegate ------------------------------------------------------------

void c_GameDelegate::StartGame() {
  gc_assign(graphics, gc_new<gxtkGraphics>());
  vx_graphics_SetGraphicsDevice(graphics);
  vx_graphics_SetFont(nullptr, kDefaultFontFirstChar);
  gc_assign(audio, gc_new<gxtkAudio>());
  vx_audio_SetAudioDevice(audio);
  gc_assign(input, gc_new<c_InputDevice>()->m_new());
  vx_input_SetInputDevice(input);
  vx_app_ValidateDeviceWindow(false);
  vx_app_EnumDisplayModes();
  vx_app__app->p_OnCreate();
}

void c_GameDelegate::SuspendGame() {
  if (vx_app_Failed()) return;
  vx_app__app->p_OnSuspend();
  audio->Suspend();
}

void c_GameDelegate::ResumeGame() {
  if (vx_app_Failed()) return;
  audio->Resume();
  vx_app__app->p_OnResume();
}

void c_GameDelegate::UpdateGame() {
  vx_app_ValidateDeviceWindow(false);
  if (vx_app_Failed()) {
    vxFailureUpdate(input);
    return;
  }
  input->p_BeginUpdate();
  vx_app__app->p_OnUpdate();
  input->p_EndUpdate();
}

void c_GameDelegate::RenderGame() {
  vx_app_ValidateDeviceWindow(false);
  if (vx_app_Failed()) {
    vxFailureRender(graphics);
    return;
  }
  audio->StreamMusic();
  int mode = graphics->BeginRender();
  if (mode != kRenderModeNone) vx_graphics_BeginRender();
  if (mode != kRenderModeLoading) vx_app__app->p_OnRender();
  if (mode != kRenderModeNone) vx_graphics_EndRender();
  graphics->EndRender();
}

// Close and back end the process even when the key is already held.
void c_GameDelegate::KeyEvent(int event, int data) {
  input->p_KeyEvent(event, data);
  if (vx_app_Failed()) {
    vxFailureKeyEvent(event, data);
    return;
  }
  if (event != c_VXGameEvent::KeyDown) return;
  if (data == kKeyCodeClose) vx_app__app->p_OnClose();
  else if (data == kKeyCodeBack) vx_app__app->p_OnBack();
}

void c_GameDelegate::MouseEvent(int event, int data, float x, float y) { input->p_MouseEvent(event, data, x, y); }
void c_GameDelegate::TouchEvent(int event, int data, float x, float y) { input->p_TouchEvent(event, data, x, y); }
void c_GameDelegate::MotionEvent(int event, int data, float x, float y, float z) {
  input->p_MotionEvent(event, data, x, y, z);
}
void c_GameDelegate::DiscardGraphics() { graphics->DiscardGraphics(); }

void c_GameDelegate::mark() {
  gc_enqueue_ref(graphics);
  gc_enqueue_ref(audio);
  gc_enqueue_ref(input);
}

// --- Display modes -------------------------------------------------------------

c_DisplayMode* c_DisplayMode::m_new(int w, int h) {
  width = w;
  height = h;
  return this;
}

// Distinct sizes in the host's order, first occurrence kept.
void vx_app_EnumDisplayModes() {
  Array<VXDisplayMode*> modes = vx_app__game->GetDisplayModes();
  c_IntMap* seen = gc_new<c_IntMap>()->m_new();
  c_Stack* distinct = gc_new<c_Stack>()->m_new();
  for (int i = 0; i < modes.Length(); ++i) {
    VXDisplayMode* m = modes[i];
    int key = (m->width << kModeKeyShift) | m->height;
    if (seen->p_Contains(key)) continue;
    c_DisplayMode* mode = gc_new<c_DisplayMode>()->m_new(m->width, m->height);
    seen->p_Insert(key, mode);
    distinct->p_Push(mode);
  }
  gc_assign(vx_app__displayModes, distinct->p_ToArray());
  VXDisplayMode* desktop = vx_app__game->GetDesktopMode();
  if (desktop) gc_assign(vx_app__desktopMode, gc_new<c_DisplayMode>()->m_new(desktop->width, desktop->height));
  else gc_assign(vx_app__desktopMode, gc_new<c_DisplayMode>()->m_new(vx_app__devWidth, vx_app__devHeight));
}

// --- Module functions ------------------------------------------------------------

void vx_app_SetUpdateRate(int rate) {
  vx_app__updateRate = rate;
  vx_app__game->SetUpdateRate(rate);
}

void vx_app_SetWindowTitle(const String& title) { vx_app__game->SetWindowTitle(title); }
// Reaches the host directly: vxMain names the program before the
// application object, which connects the module to the host, exists.
void vx_app_SetAppName(const String& name) {
  if (VXGame::_game) VXGame::_game->SetAppName(name);
}

bool vx_app_UseStateFolder(const String& name) { return tvUseStateFolder(name); }

bool vx_app_KeepLog(const String& name) {
  String state = tvStateFilePath();
  int slash = std::max(state.FindFromEnd(String("/")), state.FindFromEnd(String("\\")));
  return tvKeepLog(state.Slice(0, slash + 1) + name);
}

void vx_app_SetDeviceWindow(int width, int height, int flags) {
  vx_app__game->SetDeviceWindow(width, height, flags);
  vx_app_ValidateDeviceWindow(true);
}

int vx_app_Millisecs() { return vx_app__game->Millisecs(); }
int vx_app_DeviceWidth() { return vx_app__devWidth; }
int vx_app_DeviceHeight() { return vx_app__devHeight; }
float vx_app_PixelRatio() { return vx_app__game ? static_cast<float>(vx_app__game->PixelRatio()) : 1.0f; }

// The resize notification would be p_OnResize, which is empty, so only the
// cached size changes.
void vx_app_ValidateDeviceWindow(bool notify) {
  int w = vx_app__game->GetDeviceWidth();
  int h = vx_app__game->GetDeviceHeight();
  if (w == vx_app__devWidth && h == vx_app__devHeight) return;
  vx_app__devWidth = w;
  vx_app__devHeight = h;
}

void vx_app_EndApp() { vxError(""); }
