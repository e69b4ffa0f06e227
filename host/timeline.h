// An input timeline: what reaches the host from outside — keys and typed
// characters in the framework's 512-code key space, the pointer, fingers on a
// touch screen, the device's acceleration, joysticks, focus, window size, the
// close request — each keyed to the update before
// which it happens. Read from and written as text, one event per line.
// Relies on nothing but the standard library.
#pragma once

#include <string>
#include <vector>

enum class TimelineKind {
  KeyDown, KeyUp, Char,
  MouseMove, MouseDown, MouseUp,
  TouchDown, TouchUp, TouchMove, Motion,
  JoyConnect, JoyDisconnect, JoyAxis, JoyButton,
  FocusLost, FocusGained,
  Resize, Close, End,
};

// One line: the update, the kind and its arguments: whole numbers in a, b, c
// in their order, pointer and finger coordinates in x, y, an axis position in
// value, an acceleration in x, y, z.
struct TimelineEvent {
  long update = 0;
  TimelineKind kind = TimelineKind::End;
  int a = 0, b = 0, c = 0;
  float x = 0, y = 0, z = 0, value = 0;
};

// Limits of the key space and of the joysticks a timeline may name.
constexpr int kTimelineKeyCodes = 512;
constexpr int kTimelinePads = 16;
constexpr int kTimelinePadInputs = 32;
constexpr int kTimelineMouseButtons = 3;
constexpr int kTimelineFingers = 32;
// The largest acceleration a line may give, in g: far beyond any hand.
constexpr float kTimelineMaxAcceleration = 64;

// The last update a timeline may name: a day of play at 60 updates a second.
// A larger number would keep a replay waiting for ever.
constexpr long kTimelineMaxUpdate = 24L * 60 * 60 * 60;
// The largest timeline text read: hours of constant pointer motion, recorded,
// fit with room to spare, and the events parsed from it stay within a few
// hundred megabytes.
constexpr long kTimelineMaxBytes = 32L << 20;

// Parses a whole timeline. On a bad line (or a text over kTimelineMaxBytes)
// fills `error` with its number and what is wrong, and returns false;
// `events` then holds the lines before it.
bool tvParseTimeline(const std::string& text, std::vector<TimelineEvent>* events, std::string* error);

// The line for one event, without its newline; parsing it gives the event back.
std::string tvFormatTimelineEvent(const TimelineEvent& event);
