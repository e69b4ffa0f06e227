// The composition. Melodies are written as sixteen tokens per bar: a note
// name starts a note, "." holds it, "-" is silence. Bass, pads, arpeggio and
// drums are generated from the chord of each bar and the section it is in.
#include "music_score.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace assetgen {

namespace {

// One chord per bar.
const char* const kChords[kBars] = {
    "Am", "F",  "C",  "G",                          // intro
    "Am", "F",  "C",  "G",  "Am", "F", "G", "E",    // theme A
    "F",  "G",  "Em", "Am", "Dm", "F", "G", "E",    // theme B
    "Am", "F",  "C",  "G",  "Am", "F", "G", "E",    // theme A again
    "F",  "G",  "Am", "E",                          // turnaround
};

const char* const kThemeA[8] = {
    "A4 . . . C5 . E5 . . . D5 . C5 . B4 .",  "C5 . . . A4 . . . F4 . A4 . C5 . . .",
    "E5 . . . G5 . E5 . D5 . . . C5 . D5 .",  "D5 . . . B4 . . . G4 . . . - . . .",
    "A4 . . . C5 . E5 . A5 . . . G5 . E5 .",  "F5 . . . E5 . C5 . A4 . . . C5 . . .",
    "B4 . . . D5 . G5 . F5 . . . D5 . B4 .",  "G#4 . . . . . B4 . E5 . . . - . . .",
};

const char* const kThemeB[8] = {
    "A5 . . . . . G5 . F5 . . . E5 . F5 .",   "G5 . . . . . F5 . D5 . . . B4 . D5 .",
    "E5 . . . . . D5 . B4 . . . G4 . B4 .",   "C5 . . . . . . . A4 . . . - . . .",
    "D5 . F5 . A5 . . . G5 . F5 . E5 . D5 .", "C5 . . . A4 . C5 . F5 . . . E5 . F5 .",
    "G5 . . . F5 . D5 . B4 . D5 . G5 . . .",  "G#5 . . . . . . . E5 . . . B4 . . .",
};

const char* const kTurnaround[4] = {
    "C5 . . . . . . . A4 . . . . . . .", "B4 . . . . . . . D5 . . . . . . .",
    "E5 . . . . . . . . . . . . . . .",  "- . . . . . . . . . . . . . . .",
};

enum Section { kIntro, kThemeA1, kThemeB1, kThemeA2, kTurn };

Section sectionOf(int bar) {
  if (bar < 4) return kIntro;
  if (bar < 12) return kThemeA1;
  if (bar < 20) return kThemeB1;
  if (bar < 28) return kThemeA2;
  return kTurn;
}

int pitchClass(char letter) {
  static const int classes[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  return classes[letter - 'A'];
}

// "C#5" -> 73.
int parsePitch(const std::string& name) {
  int pc = pitchClass(name[0]);
  size_t i = 1;
  if (name[i] == '#') {
    ++pc;
    ++i;
  }
  return 12 * (std::atoi(name.c_str() + i) + 1) + pc;
}

// The chord's root pitch class and whether it is minor.
void chordOf(int bar, int& root, bool& minor) {
  const char* name = kChords[bar];
  root = pitchClass(name[0]);
  minor = name[1] == 'm';
}

// Chord tones (root, third, fifth) as pitch classes.
void chordTones(int bar, int tones[3]) {
  int root;
  bool minor;
  chordOf(bar, root, minor);
  tones[0] = root;
  tones[1] = (root + (minor ? 3 : 4)) % 12;
  tones[2] = (root + 7) % 12;
}

// The lowest note of pitch class `pc` at or above `floor`.
int above(int pc, int floor) { return floor + ((pc - floor) % 12 + 12) % 12; }

void addMelodyBar(std::vector<Note>& notes, Part part, int bar, const char* tokens, float velocity, int transpose = 0) {
  std::istringstream in(tokens);
  std::string token;
  int step = 0, open = -1;
  auto close = [&](int end) {
    if (open >= 0) notes.back().length = end - notes.back().step;
    open = -1;
  };
  for (; in >> token; ++step) {
    if (token == ".") continue;
    close(bar * kStepsPerBar + step);
    if (token == "-") continue;
    notes.push_back({part, bar * kStepsPerBar + step, 1, parsePitch(token) + transpose, velocity});
    open = step;
  }
  if (step != kStepsPerBar) {
    std::fprintf(stderr, "assetgen: bar %d of the tune has %d steps\n", bar + 1, step);
    std::abort();
  }
  close((bar + 1) * kStepsPerBar);
}

void addBass(std::vector<Note>& notes, int bar) {
  int root, tones[3];
  bool minor;
  chordOf(bar, root, minor);
  chordTones(bar, tones);
  int low = above(root, 28), fifth = above(tones[2], low);
  int b = bar * kStepsPerBar;
  auto add = [&](int step, int length, int pitch, float v) { notes.push_back({Part::Bass, b + step, length, pitch, v}); };
  Section s = sectionOf(bar);
  if (s == kIntro && bar < 2) {
    add(0, 16, low, 0.9f);
  } else if (s == kThemeB1) {
    add(0, 6, low, 0.9f);
    add(6, 2, low, 0.7f);
    add(8, 4, fifth, 0.8f);
    add(12, 4, low + 12, 0.75f);
  } else {
    add(0, 3, low, 0.95f);
    add(3, 3, low, 0.7f);
    add(6, 2, low + 12, 0.8f);
    add(8, 3, low, 0.9f);
    add(11, 3, fifth, 0.7f);
    add(14, 2, low + 12, 0.8f);
  }
}

void addPad(std::vector<Note>& notes, int bar) {
  int tones[3];
  chordTones(bar, tones);
  for (int pc : tones) notes.push_back({Part::Pad, bar * kStepsPerBar, kStepsPerBar, above(pc, 55), 0.8f});
}

void addArp(std::vector<Note>& notes, int bar, float velocity) {
  int tones[3];
  chordTones(bar, tones);
  int low = above(tones[0], 57);
  const int up[4] = {low, above(tones[1], low), above(tones[2], low), low + 12};
  const int order[8] = {0, 1, 2, 3, 2, 1, 2, 1};
  for (int step = 0; step < kStepsPerBar; ++step)
    notes.push_back({Part::Arp, bar * kStepsPerBar + step, 1, up[order[step % 8]] + (step >= 8 && bar % 2 ? 12 : 0),
                     velocity * (step % 4 == 0 ? 1.0f : 0.75f)});
}

void addDrums(std::vector<Note>& notes, int bar) {
  int b = bar * kStepsPerBar;
  auto hit = [&](Part part, int step, float v) { notes.push_back({part, b + step, 1, 0, v}); };
  Section s = sectionOf(bar);
  bool fill = bar == 3 || bar == 11 || bar == 19 || bar == 27;
  if (bar == 4 || bar == 12 || bar == 20) hit(Part::Crash, 0, 0.8f);
  switch (s) {
    case kIntro:
      hit(Part::Kick, 0, 1.0f);
      hit(Part::Kick, 8, 0.9f);
      if (bar >= 2) hit(Part::Kick, 6, 0.7f);
      if (bar >= 1)
        for (int i = 0; i < 16; i += 2) hit(Part::ClosedHat, i, i % 4 ? 0.6f : 0.9f);
      if (bar >= 2) hit(Part::Snare, 12, 0.8f);
      break;
    case kThemeB1:
      hit(Part::Kick, 0, 1.0f);
      hit(Part::Kick, 10, 0.85f);
      hit(Part::Snare, 8, 0.9f);
      for (int i = 0; i < 16; ++i) hit(Part::ClosedHat, i, i % 4 == 0 ? 0.8f : i % 2 ? 0.35f : 0.55f);
      break;
    case kThemeA1:
    case kThemeA2:
      hit(Part::Kick, 0, 1.0f);
      hit(Part::Kick, 6, 0.75f);
      hit(Part::Kick, 8, 0.9f);
      if (bar % 2) hit(Part::Kick, 10, 0.7f);
      if (s == kThemeA2) hit(Part::Kick, 14, 0.6f);
      hit(Part::Snare, 4, 0.9f);
      if (!fill) hit(Part::Snare, 12, 0.9f);
      for (int i = 0; i < 14; i += 2) hit(Part::ClosedHat, i, i % 4 ? 0.55f : 0.85f);
      hit(Part::OpenHat, 14, 0.6f);
      break;
    case kTurn:
      hit(Part::Kick, 0, 1.0f);
      if (bar < 31) {
        hit(Part::Kick, 8, 0.9f);
        hit(Part::Snare, 12, 0.8f);
        for (int i = 0; i < 16; i += 2) hit(Part::ClosedHat, i, i % 4 ? 0.5f : 0.8f);
      } else {
        for (int i = 8; i < 16; ++i) hit(Part::Snare, i, 0.35f + 0.06f * (i - 8));
      }
      break;
  }
  if (fill)
    for (int i = 12; i < 16; ++i) hit(Part::Snare, i, 0.55f + 0.12f * (i - 12));
}

}  // namespace

std::vector<Note> composeSatellites() {
  std::vector<Note> notes;
  for (int bar = 0; bar < kBars; ++bar) {
    Section s = sectionOf(bar);
    addBass(notes, bar);
    addPad(notes, bar);
    addDrums(notes, bar);
    if (s == kThemeA1) addMelodyBar(notes, Part::Lead, bar, kThemeA[bar - 4], 0.9f);
    if (s == kThemeB1) addMelodyBar(notes, Part::Lead, bar, kThemeB[bar - 12], 0.85f);
    if (s == kThemeA2) addMelodyBar(notes, Part::Lead, bar, kThemeA[bar - 20], 0.95f);
    if (s == kTurn) addMelodyBar(notes, Part::Lead, bar, kTurnaround[bar - 28], 0.8f);
    if ((s == kIntro && bar >= 2) || s == kThemeA2 || s == kTurn) addArp(notes, bar, 0.8f);
    if (s == kThemeB1) addArp(notes, bar, 0.5f);
  }
  return notes;
}

}  // namespace assetgen
