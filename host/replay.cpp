// The replay source: a virtual clock stepped only by the frame loop's sleeps,
// timeline events handed to the host just before the update they are keyed
// to, the real window polled with its input callbacks muted, and in live play
// every event the window system delivers written back as a timeline line.
#include "host/replay.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>

#include "graphics/frame_capture.h"

using namespace glfw27;

namespace {
constexpr double kClockStart = 1.0;       // seconds; 0 reads as "no schedule" to the loop
constexpr double kMaxLagSeconds = 0.25;   // live play behind by more starts its pacing afresh
constexpr double kNanosPerSecond = 1e9;
constexpr int kEventKeyDown = 1, kEventKeyUp = 2, kEventKeyChar = 3;
constexpr int kEventMouseDown = 4, kEventMouseUp = 5, kEventMouseMove = 6;
constexpr int kEventTouchDown = 7, kEventTouchUp = 8, kEventTouchMove = 9, kEventMotionAccel = 10;
constexpr int kNoButton = -1;

double WallSeconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / kNanosPerSecond;
}

void SleepWall(double seconds) {
  timespec t;
  t.tv_sec = static_cast<time_t>(seconds);
  t.tv_nsec = static_cast<long>((seconds - static_cast<double>(t.tv_sec)) * kNanosPerSecond);
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}
}  // namespace

VXReplay::VXReplay(std::vector<TimelineEvent> events, ReplayOptions opts)
    : timeline(std::move(events)), options(std::move(opts)), now(kClockStart) {}

VXReplay::VXReplay(FILE* out, ReplayOptions opts) : record(out), options(std::move(opts)), now(kClockStart) {}

VXReplay::~VXReplay() { Uninstall(); }

void VXReplay::Install() {
  glfwSetEventSource(this);
  glfwSetJoystickSource(this);
  VXGame::observer = this;
}

void VXReplay::Uninstall() {
  if (VXGame::observer != this) return;
  glfwSetEventSource(nullptr);
  glfwSetJoystickSource(nullptr);
  VXGame::observer = nullptr;
}

bool VXReplay::TimelineDone() const {
  if (record || next < timeline.size()) return false;
  if (timeline.empty()) return true;
  bool suspended = VXGame::_game && VXGame::_game->Suspended();
  return updates > timeline.back().update || suspended;
}

std::vector<long> VXReplay::MissingFrames() const {
  std::vector<long> out;
  for (long n : options.frames)
    if (!framesWritten.count(n)) out.push_back(n);
  return out;
}

// --- Clock -------------------------------------------------------------------

double VXReplay::Time() { return now; }

void VXReplay::Sleep(double seconds) {
  if (seconds <= 0) return;
  now += seconds;
  if (!options.fast) PaceWallClock();
}

// Keeps the virtual clock level with the wall clock; a machine that fell far
// behind is not made to rush, so the game's pace stays even.
void VXReplay::PaceWallClock() {
  double wall = WallSeconds();
  if (wallAnchor < 0 || wall - (wallAnchor + now - virtualAnchor) > kMaxLagSeconds) {
    wallAnchor = wall;
    virtualAnchor = now;
    return;
  }
  double ahead = wallAnchor + (now - virtualAnchor) - wall;
  if (ahead > 0) SleepWall(ahead);
}

// --- Window events -------------------------------------------------------------

void VXReplay::PollEvents() {
  if (glfwGraphicsSeq != windowGeneration) {
    // A new window starts with every key up, as a real one does.
    windowGeneration = glfwGraphicsSeq;
    for (bool& h : held) h = false;
  }
  if (record) {
    delivering = true;
    glfwWindowSystemEvents()->PollEvents();
    delivering = false;
    NoteLiveWindowSize();
    return;
  }
  PollWindowSystemQuietly();
  DeliverDue();
}

// While suspended a live window blocks for its next event; a replay never
// waits: what is due is delivered at once.
void VXReplay::WaitEvents() {
  if (!record) {
    PollEvents();
    return;
  }
  delivering = true;
  glfwWindowSystemEvents()->WaitEvents();
  delivering = false;
  NoteLiveWindowSize();
}

// The window is kept serviced, but a replay's input comes from its timeline
// alone.
void VXReplay::PollWindowSystemQuietly() {
  glfwSetKeyCallback(nullptr);
  glfwSetCharCallback(nullptr);
  glfwSetMouseButtonCallback(nullptr);
  glfwSetMousePosCallback(nullptr);
  glfwSetTouchCallback(nullptr);
  glfwSetMotionCallback(nullptr);
  glfwWindowSystemEvents()->PollEvents();
  glfwSetKeyCallback(VXGlfwGame::OnKey);
  glfwSetCharCallback(VXGlfwGame::OnChar);
  glfwSetMouseButtonCallback(VXGlfwGame::OnMouseButton);
  glfwSetMousePosCallback(VXGlfwGame::OnMousePos);
  glfwSetTouchCallback(VXGlfwGame::OnTouch);
  glfwSetMotionCallback(VXGlfwGame::OnMotion);
}

// A focus change ends the batch: the loop must see it before the events
// that followed it, as it did when they were recorded. While suspended no
// update runs, so what follows comes in order whatever its number.
void VXReplay::DeliverDue() {
  bool suspended = VXGame::_game->Suspended();
  while (next < timeline.size() && (timeline[next].update <= updates || suspended)) {
    const TimelineEvent& e = timeline[next++];
    Deliver(e);
    if (e.kind == TimelineKind::FocusLost || e.kind == TimelineKind::FocusGained) return;
  }
}

void VXReplay::Deliver(const TimelineEvent& e) {
  VXGame* game = VXGame::_game;
  switch (e.kind) {
    case TimelineKind::KeyDown:
      held[e.a] = true;
      game->KeyEvent(kEventKeyDown, e.a);
      break;
    case TimelineKind::KeyUp:
      held[e.a] = false;
      game->KeyEvent(kEventKeyUp, e.a);
      break;
    case TimelineKind::Char:
      game->KeyEvent(kEventKeyChar, e.a);
      break;
    case TimelineKind::MouseMove:
      game->MouseEvent(kEventMouseMove, kNoButton, e.x, e.y);
      break;
    case TimelineKind::MouseDown:
      game->MouseEvent(kEventMouseDown, e.a, e.x, e.y);
      break;
    case TimelineKind::MouseUp:
      game->MouseEvent(kEventMouseUp, e.a, e.x, e.y);
      break;
    case TimelineKind::TouchDown:
      game->TouchEvent(kEventTouchDown, e.a, e.x, e.y);
      break;
    case TimelineKind::TouchUp:
      game->TouchEvent(kEventTouchUp, e.a, e.x, e.y);
      break;
    case TimelineKind::TouchMove:
      game->TouchEvent(kEventTouchMove, e.a, e.x, e.y);
      break;
    case TimelineKind::Motion:
      game->MotionEvent(kEventMotionAccel, 0, e.x, e.y, e.z);
      break;
    case TimelineKind::JoyConnect:
      pads[e.a].present = true;
      pads[e.a].axes.assign(e.b, 0.0f);
      pads[e.a].buttons.assign(e.c, GLFW_RELEASE);
      break;
    case TimelineKind::JoyDisconnect:
      pads[e.a] = Pad();
      break;
    case TimelineKind::JoyAxis:
      if (e.b < static_cast<int>(pads[e.a].axes.size())) pads[e.a].axes[e.b] = e.value;
      break;
    case TimelineKind::JoyButton:
      if (e.b < static_cast<int>(pads[e.a].buttons.size()))
        pads[e.a].buttons[e.b] = e.c ? GLFW_PRESS : GLFW_RELEASE;
      break;
    case TimelineKind::FocusLost:
      active = false;
      break;
    case TimelineKind::FocusGained:
      active = true;
      break;
    case TimelineKind::Resize:
      glfwSetWindowSize(e.a, e.b);
      break;
    case TimelineKind::Close:
      VXGlfwGame::OnWindowClose();
      break;
    case TimelineKind::End:
      break;
  }
}

int VXReplay::WindowParam(int param) {
  EventSource* live = glfwWindowSystemEvents();
  if (param == GLFW_OPENED) return live->WindowParam(param) && !TimelineDone();
  if (!record) return param == GLFW_ACTIVE ? active : 0;
  int value = live->WindowParam(param);
  if (param == GLFW_ACTIVE && (value != 0) != active) {
    active = value != 0;
    TimelineEvent e;
    e.kind = active ? TimelineKind::FocusGained : TimelineKind::FocusLost;
    Write(e);
  }
  return value;
}

// A replayed key reads held from its key-down to its key-up, within one window.
int VXReplay::KeyState(int key) {
  if (record) return glfwWindowSystemEvents()->KeyState(key);
  int code = VXGlfwGame::TransKey(key);
  return code > 0 && code < kTimelineKeyCodes && held[code] ? GLFW_PRESS : GLFW_RELEASE;
}

// --- Joysticks -----------------------------------------------------------------

bool VXReplay::Present(int joy) {
  if (joy < 0 || joy >= kTimelinePads) return false;
  if (record) SampleLivePad(joy);
  return pads[joy].present;
}

bool VXReplay::Gamepad(int, GamepadReading*) { return false; }

const float* VXReplay::Axes(int joy, int* count) {
  *count = 0;
  if (joy < 0 || joy >= kTimelinePads || !pads[joy].present) return nullptr;
  *count = static_cast<int>(pads[joy].axes.size());
  return pads[joy].axes.data();
}

const unsigned char* VXReplay::Buttons(int joy, int* count) {
  *count = 0;
  if (joy < 0 || joy >= kTimelinePads || !pads[joy].present) return nullptr;
  *count = static_cast<int>(pads[joy].buttons.size());
  return pads[joy].buttons.data();
}

// The game reads a pad during its update, so what it reads is written keyed
// to that update and a replay hands the same values over just before it.
void VXReplay::SampleLivePad(int joy) {
  // Read once per update, so one update never sees two readings of a pad.
  if (padSampledAfter[joy] == updates + 1) return;
  padSampledAfter[joy] = updates + 1;
  JoystickSource* device = glfwDeviceJoysticks();
  Pad& pad = pads[joy];
  if (!device->Present(joy)) {
    if (pad.present) {
      pad = Pad();
      TimelineEvent e;
      e.kind = TimelineKind::JoyDisconnect;
      e.a = joy;
      Write(e);
    }
    return;
  }
  std::vector<float> axes;
  std::vector<unsigned char> buttons;
  GamepadReading g;
  if (device->Gamepad(joy, &g)) {
    axes.resize(kPresentedPadAxes);
    buttons.resize(kPresentedPadButtons);
    glfwPresentGamepad(g, axes.data(), buttons.data());
  } else {
    int na = 0, nb = 0;
    const float* a = device->Axes(joy, &na);
    const unsigned char* b = device->Buttons(joy, &nb);
    if (a) axes.assign(a, a + std::min(na, kTimelinePadInputs));
    if (b) buttons.assign(b, b + std::min(nb, kTimelinePadInputs));
  }
  if (!pad.present || pad.axes.size() != axes.size() || pad.buttons.size() != buttons.size()) {
    pad.present = true;
    pad.axes.assign(axes.size(), 0.0f);
    pad.buttons.assign(buttons.size(), GLFW_RELEASE);
    TimelineEvent e;
    e.kind = TimelineKind::JoyConnect;
    e.a = joy;
    e.b = static_cast<int>(axes.size());
    e.c = static_cast<int>(buttons.size());
    Write(e);
  }
  for (size_t i = 0; i < axes.size(); ++i) {
    if (axes[i] == pad.axes[i]) continue;
    pad.axes[i] = axes[i];
    TimelineEvent e;
    e.kind = TimelineKind::JoyAxis;
    e.a = joy;
    e.b = static_cast<int>(i);
    e.value = axes[i];
    Write(e);
  }
  for (size_t i = 0; i < buttons.size(); ++i) {
    unsigned char b = buttons[i] ? GLFW_PRESS : GLFW_RELEASE;
    if (b == pad.buttons[i]) continue;
    pad.buttons[i] = b;
    TimelineEvent e;
    e.kind = TimelineKind::JoyButton;
    e.a = joy;
    e.b = static_cast<int>(i);
    e.c = b == GLFW_PRESS;
    Write(e);
  }
}

// A size the player gave the window is written; a new window the game opened
// itself (full screen and back) is not, since the replay opens it too.
void VXReplay::NoteLiveWindowSize() {
  int w = 0, h = 0;
  glfwGetWindowSize(&w, &h);
  bool changed = w != liveWidth || h != liveHeight;
  bool reopened = glfwGraphicsSeq != sizeGeneration;
  sizeGeneration = glfwGraphicsSeq;
  liveWidth = w;
  liveHeight = h;
  if (!changed || reopened || w <= 0 || h <= 0) return;
  TimelineEvent e;
  e.kind = TimelineKind::Resize;
  e.a = w;
  e.b = h;
  Write(e);
}

void VXReplay::Write(TimelineEvent e) {
  if (!record) return;
  e.update = updates;
  std::fprintf(record, "%s\n", tvFormatTimelineEvent(e).c_str());
  std::fflush(record);
}

// --- Loop observer ---------------------------------------------------------------

void VXReplay::Updated() { ++updates; }

void VXReplay::Rendered() {
  ++frames;
  if (!options.frames.count(updates) || framesWritten.count(updates) || framesFailed.count(updates)) return;
  // The program reports a failed write once the run is over, with the others.
  (tvWriteFramePng(FramePath(updates)) ? framesWritten : framesFailed).insert(updates);
}

std::string VXReplay::FramePath(long n) const {
  return options.frameFolder + "/frame-" + std::to_string(n) + ".png";
}

void VXReplay::KeyEventSent(int event, int data) {
  if (!delivering) return;
  TimelineEvent e;
  e.kind = event == kEventKeyDown ? TimelineKind::KeyDown
           : event == kEventKeyUp ? TimelineKind::KeyUp
                                  : TimelineKind::Char;
  e.a = data;
  if (event == kEventKeyChar || (data > 0 && data < kTimelineKeyCodes)) Write(e);
}

void VXReplay::MouseEventSent(int event, int data, float x, float y) {
  if (!delivering) return;
  TimelineEvent e;
  e.kind = event == kEventMouseDown ? TimelineKind::MouseDown
           : event == kEventMouseUp ? TimelineKind::MouseUp
                                    : TimelineKind::MouseMove;
  e.a = data;
  e.x = x;
  e.y = y;
  Write(e);
}

void VXReplay::TouchEventSent(int event, int data, float x, float y) {
  if (!delivering) return;
  TimelineEvent e;
  e.kind = event == kEventTouchDown ? TimelineKind::TouchDown
           : event == kEventTouchUp ? TimelineKind::TouchUp
                                    : TimelineKind::TouchMove;
  e.a = data;
  e.x = x;
  e.y = y;
  if (data >= 0 && data < kTimelineFingers) Write(e);
}

// A reading is kept within what a timeline line may hold, so the recording
// replays; a sensor's non-number reads as 0.
void VXReplay::MotionEventSent(float x, float y, float z) {
  if (!delivering) return;
  auto held = [](float v) {
    return std::isfinite(v) ? std::clamp(v, -kTimelineMaxAcceleration, kTimelineMaxAcceleration) : 0.0f;
  };
  TimelineEvent e;
  e.kind = TimelineKind::Motion;
  e.x = held(x);
  e.y = held(y);
  e.z = held(z);
  Write(e);
}
