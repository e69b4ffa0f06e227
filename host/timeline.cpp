// Timeline text: `update kind args...` per line, `#` starts a comment, blank
// lines are skipped; updates never go back. Every argument is checked against
// the range the host can deliver, so a bad file is refused before a replay.
#include "host/timeline.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace {

// Argument shapes: k key code, c character, p pad, n count of axes or
// buttons, i axis or button index, v axis value, s button state, m mouse
// button, f finger, x y pointer or finger coordinates, w h window size, g an
// acceleration (three of them fill x, y and z in turn).
struct KindInfo {
  TimelineKind kind;
  const char* name;
  const char* args;
};
constexpr KindInfo kKinds[] = {
    {TimelineKind::KeyDown, "key-down", "k"},        {TimelineKind::KeyUp, "key-up", "k"},
    {TimelineKind::Char, "char", "c"},               {TimelineKind::MouseMove, "mouse-move", "xy"},
    {TimelineKind::MouseDown, "mouse-down", "mxy"},  {TimelineKind::MouseUp, "mouse-up", "mxy"},
    {TimelineKind::TouchDown, "touch-down", "fxy"},  {TimelineKind::TouchUp, "touch-up", "fxy"},
    {TimelineKind::TouchMove, "touch-move", "fxy"},  {TimelineKind::Motion, "motion", "ggg"},
    {TimelineKind::JoyConnect, "joy-connect", "pnn"}, {TimelineKind::JoyDisconnect, "joy-disconnect", "p"},
    {TimelineKind::JoyAxis, "joy-axis", "piv"},      {TimelineKind::JoyButton, "joy-button", "pis"},
    {TimelineKind::FocusLost, "focus-lost", ""},     {TimelineKind::FocusGained, "focus-gained", ""},
    {TimelineKind::Resize, "resize", "wh"},          {TimelineKind::Close, "close", ""},
    {TimelineKind::End, "end", ""},
};

constexpr long kMaxCharacter = 0x10FFFF + 65536;  // special keys send characters above Unicode
constexpr long kMaxCoordinate = 1 << 16;
constexpr long kMaxWindowSide = 1 << 14;
constexpr int kMaxArgs = 3;
constexpr int kMebibyteShift = 20;

const KindInfo* InfoOf(TimelineKind kind) {
  for (const KindInfo& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

bool ParseLong(const std::string& word, long low, long high, long* out) {
  if (word.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(word.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < low || v > high) return false;
  *out = v;
  return true;
}

bool ParseFloat(const std::string& word, float low, float high, float* out) {
  if (word.empty()) return false;
  char* end = nullptr;
  float v = std::strtof(word.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v) || v < low || v > high) return false;
  *out = v;
  return true;
}

// The float an acceleration argument fills: x, y, then z.
float* AccelerationSlot(TimelineEvent* e, int index) {
  float* slots[] = {&e->x, &e->y, &e->z};
  return slots[index];
}

// Reads the argument of shape `shape` into the event; false with a reason.
// `slot` counts the whole numbers before it, `floatSlot` the accelerations.
bool ParseArg(char shape, const std::string& word, int slot, int floatSlot, TimelineEvent* e, std::string* why) {
  long n = 0;
  int* ints[kMaxArgs] = {&e->a, &e->b, &e->c};
  switch (shape) {
    case 'k':
      if (!ParseLong(word, 0, kTimelineKeyCodes - 1, &n)) return *why = "key code must be 0..511", false;
      break;
    case 'c':
      if (!ParseLong(word, 1, kMaxCharacter, &n)) return *why = "bad character code", false;
      break;
    case 'p':
      if (!ParseLong(word, 0, kTimelinePads - 1, &n)) return *why = "joystick must be 0..15", false;
      break;
    case 'n':
      if (!ParseLong(word, 0, kTimelinePadInputs, &n)) return *why = "a joystick has 0..32 axes and buttons", false;
      break;
    case 'i':
      if (!ParseLong(word, 0, kTimelinePadInputs - 1, &n)) return *why = "axis or button must be 0..31", false;
      break;
    case 's':
      if (!ParseLong(word, 0, 1, &n)) return *why = "button state must be 0 or 1", false;
      break;
    case 'm':
      if (!ParseLong(word, 0, kTimelineMouseButtons - 1, &n)) return *why = "mouse button must be 0..2", false;
      break;
    case 'f':
      if (!ParseLong(word, 0, kTimelineFingers - 1, &n)) return *why = "finger must be 0..31", false;
      break;
    case 'g':
      if (!ParseFloat(word, -kTimelineMaxAcceleration, kTimelineMaxAcceleration, AccelerationSlot(e, floatSlot)))
        return *why = "acceleration must be -64..64 g", false;
      return true;
    case 'w':
    case 'h':
      if (!ParseLong(word, 1, kMaxWindowSide, &n)) return *why = "window sides must be 1..16384", false;
      break;
    case 'v':
      if (!ParseFloat(word, -1, 1, &e->value)) return *why = "axis value must be -1..1", false;
      return true;
    case 'x':
    case 'y': {
      float* f = shape == 'x' ? &e->x : &e->y;
      if (!ParseFloat(word, -kMaxCoordinate, kMaxCoordinate, f)) return *why = "bad pointer coordinate", false;
      return true;
    }
  }
  *ints[slot] = static_cast<int>(n);
  return true;
}

// The words of a line, split at white space as a stream would split them.
std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::string_view::size_type i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    std::string_view::size_type first = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i > first) words.emplace_back(line.substr(first, i - first));
  }
  return words;
}

std::string Float(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", v);
  return text;
}

}  // namespace

bool tvParseTimeline(const std::string& text, std::vector<TimelineEvent>* events, std::string* error) {
  if (static_cast<long>(text.size()) > kTimelineMaxBytes) {
    *error = "a timeline holds at most " + std::to_string(kTimelineMaxBytes >> kMebibyteShift) + " MiB";
    return false;
  }
  long lineNumber = 0;
  long lastUpdate = 0;
  // Lines are read in place: a copy of a large text would double its cost.
  for (std::string::size_type start = 0; start < text.size();) {
    std::string::size_type stop = text.find('\n', start);
    if (stop == std::string::npos) stop = text.size();
    std::string_view line(text.data() + start, stop - start);
    start = stop + 1;
    ++lineNumber;
    auto fail = [&](const std::string& why) {
      *error = "line " + std::to_string(lineNumber) + ": " + why;
      return false;
    };
    // A NUL would end a word early for the number readers and hide the rest.
    if (line.find('\0') != std::string_view::npos) return fail("a NUL byte is not text");
    std::string_view::size_type hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    std::vector<std::string> w = Words(line);
    if (w.empty()) continue;
    TimelineEvent e;
    if (!ParseLong(w[0], 0, std::numeric_limits<long>::max(), &e.update))
      return fail("an update number (0 or more) comes first");
    if (e.update > kTimelineMaxUpdate)
      return fail("update numbers stop at " + std::to_string(kTimelineMaxUpdate) + ", a day of play");
    if (e.update < lastUpdate) return fail("updates must not go back");
    if (w.size() < 2) return fail("an event follows the update number");
    const KindInfo* info = nullptr;
    for (const KindInfo& k : kKinds)
      if (w[1] == k.name) info = &k;
    if (!info) return fail("unknown event '" + w[1] + "'");
    e.kind = info->kind;
    std::string_view shapes = info->args;
    if (w.size() - 2 != shapes.size()) {
      std::string why = info->name;
      why += " takes ";
      why += std::to_string(shapes.size());
      why += shapes.size() == 1 ? " argument" : " arguments";
      return fail(why);
    }
    int slot = 0, floatSlot = 0;
    for (size_t i = 0; i < shapes.size(); ++i) {
      std::string why;
      if (!ParseArg(shapes[i], w[i + 2], slot, floatSlot, &e, &why)) return fail(why);
      if (shapes[i] == 'g') ++floatSlot;
      else if (shapes[i] != 'x' && shapes[i] != 'y' && shapes[i] != 'v') ++slot;
    }
    lastUpdate = e.update;
    events->push_back(e);
  }
  return true;
}

std::string tvFormatTimelineEvent(const TimelineEvent& e) {
  const KindInfo* info = InfoOf(e.kind);
  std::string out = std::to_string(e.update);
  out += ' ';
  out += info->name;
  const int ints[kMaxArgs] = {e.a, e.b, e.c};
  int slot = 0, floatSlot = 0;
  const float accelerations[] = {e.x, e.y, e.z};
  for (const char* s = info->args; *s; ++s) {
    out += ' ';
    if (*s == 'x') out += Float(e.x);
    else if (*s == 'y') out += Float(e.y);
    else if (*s == 'v') out += Float(e.value);
    else if (*s == 'g') out += Float(accelerations[floatSlot++]);
    else out += std::to_string(ints[slot++]);
  }
  return out;
}
