// An sfxr-style effect voice: one oscillator (square, saw, triangle, sine or
// noise) whose pitch slides, wobbles and jumps, shaped by an attack /
// sustain / decay envelope with a punch and by simple filters. Effects are
// built by mixing a few voices (sfx_bank.cpp).
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

enum class Wave { Square, Saw, Triangle, Sine, Noise };

struct Voice {
  Wave wave = Wave::Square;
  float frequency = 440;     // Hz at the start
  float slide = 0;           // octaves per second
  float slideAccel = 0;      // octaves per second per second
  float minFrequency = 20;   // the slide stops here
  float duty = 0.5f;         // square: share of the period that is high
  float dutySweep = 0;       // per second
  float jumpAt = 0;          // seconds; 0: no jump
  float jumpRatio = 1;       // frequency multiplier from jumpAt on
  float vibratoDepth = 0;    // semitones
  float vibratoRate = 0;     // Hz
  float repeatEvery = 0;     // seconds; the pitch settings restart this often
  float attack = 0.0f;       // seconds
  float sustain = 0.05f;     // seconds
  float decay = 0.2f;        // seconds
  float punch = 0;           // extra level at the start of the sustain, fading out over it
  float lowPass = 0;         // Hz; 0: off
  float lowPassSweep = 0;    // octaves per second
  float highPass = 0;        // Hz; 0: off
  float volume = 1;
  uint32_t seed = 1;         // noise
};

// The voice's samples at kSampleRate, as long as its envelope.
std::vector<float> render(const Voice& voice);

// Adds `part` x gain into `mix` starting `at` seconds in, growing `mix` as needed.
void mixIn(std::vector<float>& mix, const std::vector<float>& part, float at, float gain = 1.0f);

// Scales to the given peak and fades the first and last milliseconds so the
// effect starts and ends without a click.
void finish(std::vector<float>& samples, float peak);

}  // namespace assetgen
