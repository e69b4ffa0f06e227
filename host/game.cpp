// The host object and the frame loop: state tests and the guarded dispatch of
// every callback to the delegate (one collector step after each), the update
// schedule, focus suspend and resume. Relies on the GLFW 2.7 layer for time
// and events, and on storage/ for the file operations.
#include "host/game.h"

#include <cstdlib>
#include <ctime>

#include "host/app.h"
#include "host/glfw27.h"
#include "storage/files.h"
#include "storage/module.h"

using namespace glfw27;

VXGame* VXGame::_game = nullptr;
VXGlfwGame* VXGlfwGame::_glfwGame = nullptr;
VXLoopObserver* VXGame::observer = nullptr;

namespace {
constexpr int kMaxCatchUpUpdates = 4;
constexpr double kMillisPerSecond = 1000.0;
constexpr int kDateFields = 7;
constexpr int kYearBase = 1900;
}  // namespace

// --- VXGame -----------------------------------------------------------------

VXGame::VXGame() { _game = this; }

void VXGame::SetDelegate(VXGameDelegate* d) { delegate = d; }
VXGameDelegate* VXGame::Delegate() { return delegate; }
void VXGame::SetKeyboardEnabled(bool enabled) { keyboardEnabled = enabled; }
bool VXGame::KeyboardEnabled() { return keyboardEnabled; }
void VXGame::SetUpdateRate(int rate) { updateRate = rate; }
int VXGame::UpdateRate() { return updateRate; }
bool VXGame::Started() { return started; }
bool VXGame::Suspended() { return suspended; }
int VXGame::Millisecs() { return 0; }

// Year, month, day, hour, minute, second and 0, as many as the array holds.
void VXGame::GetDate(Array<int> date) {
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  const int fields[kDateFields] = {local.tm_year + kYearBase, local.tm_mon + 1, local.tm_mday,
                                   local.tm_hour, local.tm_min, local.tm_sec, 0};
  int n = date.Length() < kDateFields ? date.Length() : kDateFields;
  for (int i = 0; i < n; ++i) date[i] = fields[i];
}

int VXGame::SaveState(String state) { return tvWriteStateFile(PathToFilePath(tvStateFilePath()), state); }
String VXGame::LoadState() {
  FILE* file = tvOpenStateFile(PathToFilePath(tvStateFilePath()));
  return file ? tvReadStateText(file) : String();
}

String VXGame::LoadString(String path) { return tvLoadMappedText(PathToFilePath(path)); }

bool VXGame::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) { return false; }
void VXGame::OpenUrl(String) {}
void VXGame::SetWindowTitle(String) {}
void VXGame::SetAppName(String) {}
void VXGame::SetMouseVisible(bool) {}
bool VXGame::HasTouchScreen() { return false; }
double VXGame::PixelRatio() { return 1.0; }
int VXGame::GetDeviceWidth() { return 0; }
int VXGame::GetDeviceHeight() { return 0; }
void VXGame::SetDeviceWindow(int, int, int) {}
Array<VXDisplayMode*> VXGame::GetDisplayModes() { return Array<VXDisplayMode*>(); }
VXDisplayMode* VXGame::GetDesktopMode() { return nullptr; }
void VXGame::SetSwapInterval(int) {}
String VXGame::PathToFilePath(String path) { return path; }

FILE* VXGame::OpenFile(String path, String mode) { return tvOpenMappedFile(PathToFilePath(path), mode); }

unsigned char* VXGame::LoadData(String path, int* length) { return tvLoadMappedData(PathToFilePath(path), length); }

unsigned char* VXGame::LoadAudioData(String, int*, int*, int*, int*) { return nullptr; }

void VXGame::Die(ThrowableObject*) {
  vxPrint("Tarvik Runtime Error : Uncaught Tarvik Exception");
  vxFreeDescriptorReserve();
  std::exit(-1);
}

// The delegate is reached only through the host, so it is kept alive here.
void VXGame::gc_collect() {
  if (delegate && gc_is_unmarked(delegate)) gc_mark(delegate);
  ::gc_collect();
}

// The guarded dispatch: an escaping framework exception ends the process,
// otherwise the collector takes one step.
#define VX_GUARDED(call)              \
  do {                                \
    try {                             \
      call;                           \
    } catch (ThrowableObject * ex) {  \
      Die(ex);                        \
    }                                 \
    gc_collect();                     \
  } while (0)

void VXGame::StartGame() {
  if (started) return;
  started = true;
  VX_GUARDED(delegate->StartGame());
}

void VXGame::SuspendGame() {
  if (!started || suspended) return;
  suspended = true;
  VX_GUARDED(delegate->SuspendGame());
}

void VXGame::ResumeGame() {
  if (!started || !suspended) return;
  suspended = false;
  VX_GUARDED(delegate->ResumeGame());
}

void VXGame::UpdateGame() {
  if (!started || suspended) return;
  VX_GUARDED(delegate->UpdateGame());
  if (observer) observer->Updated();
}

void VXGame::RenderGame() {
  if (!started) return;
  VX_GUARDED(delegate->RenderGame());
}

void VXGame::KeyEvent(int event, int data) {
  if (!started) return;
  if (observer) observer->KeyEventSent(event, data);
  VX_GUARDED(delegate->KeyEvent(event, data));
}

void VXGame::MouseEvent(int event, int data, float x, float y) {
  if (!started) return;
  if (observer) observer->MouseEventSent(event, data, x, y);
  VX_GUARDED(delegate->MouseEvent(event, data, x, y));
}

void VXGame::TouchEvent(int event, int data, float x, float y) {
  if (!started) return;
  if (observer) observer->TouchEventSent(event, data, x, y);
  VX_GUARDED(delegate->TouchEvent(event, data, x, y));
}

void VXGame::MotionEvent(int event, int data, float x, float y, float z) {
  if (!started) return;
  if (observer && event == c_VXGameEvent::MotionAccel) observer->MotionEventSent(x, y, z);
  VX_GUARDED(delegate->MotionEvent(event, data, x, y, z));
}

void VXGame::DiscardGraphics() {
  if (!started) return;
  VX_GUARDED(delegate->DiscardGraphics());
}

#undef VX_GUARDED

// --- VXGlfwGame: clock and schedule ------------------------------------------

// Every program is known by its own name until it gives another.
VXGlfwGame::VXGlfwGame() : appName(tvProgramName()), windowTitle(appName) {
  _glfwGame = this;
  glfwSetWindowClass(appName.ToUtf8().c_str());
}

void VXGlfwGame::SetUpdateRate(int rate) {
  VXGame::SetUpdateRate(rate);
  if (rate != 0) updatePeriod = 1.0 / rate;
  nextUpdateTime = 0;
}

int VXGlfwGame::Millisecs() { return static_cast<int>(glfwGetTime() * kMillisPerSecond); }

// The desktop mapping of storage/, whose application folder is worked out
// once for the whole process.
String VXGlfwGame::PathToFilePath(String path) { return tvDesktopFilePath(path); }

// --- VXGlfwGame: steps of the frame loop both platforms share ---------------

void VXGlfwGame::RenderFrame() {
  RenderGame();
  if (observer && started) observer->Rendered();
  glfwSwapBuffers();
}

// Steps a replay's clock too; in the browser the page's own clock ignores it.
void VXGlfwGame::SleepUntilDue() {
  if (nextUpdateTime == 0) return;
  double delay = nextUpdateTime - glfwGetTime();
  if (delay > 0) glfwSleep(delay);
}

// --- VXGlfwGame: focus and the update schedule -------------------------------

// Suspends or resumes on a focus change; each change restarts the schedule.
void VXGlfwGame::CheckFocus() {
  if (glfwGetWindowParam(GLFW_ACTIVE)) {
    if (!suspended) return;
    ResumeGame();
  } else {
    if (suspended) return;
    SuspendGame();
  }
  nextUpdateTime = 0;
}

// One update per frame at rate 0; otherwise up to four to catch up with the
// schedule, dropping any backlog beyond that.
// While the program awaits a data file no update runs and none is owed: the
// schedule starts afresh once the file is here, as after a suspension.
void VXGlfwGame::RunDueUpdates() {
  if (vx_data_Awaiting()) {
    nextUpdateTime = 0;
    return;
  }
  if (updateRate == 0) {
    UpdateGame();
    return;
  }
  if (nextUpdateTime == 0) nextUpdateTime = glfwGetTime();
  for (int i = 0; i < kMaxCatchUpUpdates; ++i) {
    UpdateGame();
    if (nextUpdateTime == 0) return;
    nextUpdateTime += updatePeriod;
    if (nextUpdateTime > glfwGetTime()) return;
  }
  nextUpdateTime = 0;
}
