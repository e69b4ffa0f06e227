// Replays and recordings of the real game: a clock that advances exactly one
// update period per update (so the frame loop runs one update per frame and
// never drops any), input from a timeline or from the live window written to
// one, and pictures of chosen frames. Installed as the GLFW 2.7 layer's event
// and joystick sources and as the host's loop observer.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/game.h"
#include "host/glfw27.h"
#include "host/timeline.h"

struct ReplayOptions {
  // Runs as fast as the machine allows instead of at the game's update rate.
  bool fast = false;
  // After how many updates the frame is written, to `frameFolder`/frame-N.png.
  std::set<long> frames;
  std::string frameFolder = ".";
};

class VXReplay : public glfw27::EventSource, public glfw27::JoystickSource, public VXLoopObserver {
 public:
  // Plays `timeline` back; the real window's own input is ignored.
  VXReplay(std::vector<TimelineEvent> timeline, ReplayOptions options);
  // Live play in the real window, each input event written to `record` (a
  // timeline) as it reaches the game; `options.fast` should be off for a player.
  VXReplay(FILE* record, ReplayOptions options);
  ~VXReplay() override;

  // Becomes the event source, joystick source and loop observer; Uninstall
  // puts the window system back.
  void Install();
  void Uninstall();

  long Updates() const { return updates; }
  long Frames() const { return frames; }
  // True once the timeline has run out (a replay ends there).
  bool TimelineDone() const;
  // The frames asked for that were never written, drawn or not.
  std::vector<long> MissingFrames() const;
  // True when frame `n` was drawn but its picture could not be written.
  bool FrameWriteFailed(long n) const { return framesFailed.count(n) != 0; }
  // Where the picture of the frame after `n` updates goes.
  std::string FramePath(long n) const;

  // The clock and the window events.
  double Time() override;
  void Sleep(double seconds) override;
  void PollEvents() override;
  void WaitEvents() override;
  int WindowParam(int param) override;
  int KeyState(int key) override;

  // Joysticks: every pad presented raw, as the timeline holds it.
  bool Present(int joy) override;
  bool Gamepad(int joy, glfw27::GamepadReading* out) override;
  const float* Axes(int joy, int* count) override;
  const unsigned char* Buttons(int joy, int* count) override;

  void Updated() override;
  void Rendered() override;
  void KeyEventSent(int event, int data) override;
  void MouseEventSent(int event, int data, float x, float y) override;
  void TouchEventSent(int event, int data, float x, float y) override;
  void MotionEventSent(float x, float y, float z) override;

 private:
  struct Pad {
    bool present = false;
    std::vector<float> axes;
    std::vector<unsigned char> buttons;
  };

  void DeliverDue();
  void Deliver(const TimelineEvent& e);
  void PollWindowSystemQuietly();
  void Write(TimelineEvent e);
  // Reads a live pad as the game will see it and records what changed.
  void SampleLivePad(int joy);
  void NoteLiveWindowSize();
  void PaceWallClock();

  std::vector<TimelineEvent> timeline;
  size_t next = 0;
  FILE* record = nullptr;
  ReplayOptions options;

  long updates = 0;
  long frames = 0;
  double now;
  double wallAnchor = -1, virtualAnchor = 0;
  bool active = true;
  bool delivering = false;
  bool held[kTimelineKeyCodes] = {};
  int windowGeneration = 0;
  int sizeGeneration = 0;
  int liveWidth = 0, liveHeight = 0;
  Pad pads[kTimelinePads];
  // The update count + 1 at which each live pad was last read; 0: never.
  long padSampledAfter[kTimelinePads] = {};
  std::set<long> framesWritten;
  std::set<long> framesFailed;
};
