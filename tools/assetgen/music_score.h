// The tune "Satellites" as a list of notes: 32 bars of 4/4 at 120 beats a
// minute in A minor (64 seconds), in sixteenth-note steps. Intro (bars 1-4),
// theme A (5-12), theme B (13-20), theme A again over an arpeggio (21-28)
// and a turnaround (29-32) that leads back into the intro, so it loops.
#pragma once

#include <vector>

namespace assetgen {

inline constexpr int kStepsPerBar = 16;
inline constexpr int kBars = 32;
inline constexpr int kSongSteps = kStepsPerBar * kBars;
inline constexpr double kStepSeconds = 0.125;  // a sixteenth at 120 bpm

enum class Part { Lead, Bass, Pad, Arp, Kick, Snare, ClosedHat, OpenHat, Crash };

struct Note {
  Part part;
  int step;        // start, in steps from the top of the song
  int length;      // in steps
  int pitch;       // MIDI note number (drums: unused)
  float velocity;  // 0..1
};

std::vector<Note> composeSatellites();

}  // namespace assetgen
