// The effect voice, sample by sample with 8-fold oversampling so that high
// notes and fast slides do not alias.
#include "sfx_synth.h"

#include <algorithm>
#include <cmath>

#include "rng.h"
#include "wav_write.h"

namespace assetgen {

namespace {

constexpr int kOversample = 8;
constexpr double kTwoPi = 6.283185307179586;

// A one-pole filter coefficient for a cutoff at `hz` and rate `rate`.
float onePole(float hz, float rate) { return 1.0f - std::exp(static_cast<float>(-kTwoPi) * hz / rate); }

}  // namespace

std::vector<float> render(const Voice& v) {
  const float rate = static_cast<float>(kSampleRate * kOversample);
  const float length = v.attack + v.sustain + v.decay;
  const int samples = static_cast<int>(length * kSampleRate);
  std::vector<float> out(samples);
  Rng noise(v.seed);
  double phase = 0;
  float noiseValue = noise.signedUnit();
  float low = 0, high = 0, highIn = 0;
  for (int i = 0; i < samples; ++i) {
    float sum = 0;
    for (int k = 0; k < kOversample; ++k) {
      float t = (static_cast<float>(i) * kOversample + k) / rate;
      float tp = v.repeatEvery > 0 ? std::fmod(t, v.repeatEvery) : t;
      // Pitch: slide, jump, vibrato.
      float f = v.frequency * std::exp2(v.slide * tp + 0.5f * v.slideAccel * tp * tp);
      if (v.jumpAt > 0 && tp >= v.jumpAt) f *= v.jumpRatio;
      f = std::max(f, v.minFrequency);
      if (v.vibratoDepth > 0) f *= std::exp2(v.vibratoDepth / 12.0f * std::sin(static_cast<float>(kTwoPi) * v.vibratoRate * t));
      double before = phase;
      phase += f / rate;
      if (phase >= 1.0) phase -= std::floor(phase);
      float p = static_cast<float>(phase);
      float s;
      switch (v.wave) {
        case Wave::Square: {
          float duty = std::clamp(v.duty + v.dutySweep * t, 0.05f, 0.95f);
          s = p < duty ? 0.6f : -0.6f;
          break;
        }
        case Wave::Saw: s = 1.0f - 2.0f * p; break;
        case Wave::Triangle: s = p < 0.5f ? 4.0f * p - 1.0f : 3.0f - 4.0f * p; break;
        case Wave::Sine: s = std::sin(static_cast<float>(kTwoPi) * p); break;
        default:
          // Noise: a new random level every half period, as sfxr does.
          if (std::floor(before * 2) != std::floor(phase * 2) || phase < before) noiseValue = noise.signedUnit();
          s = noiseValue;
          break;
      }
      // Filters.
      if (v.lowPass > 0) {
        float cutoff = std::min(v.lowPass * std::exp2(v.lowPassSweep * t), rate * 0.45f);
        low += (s - low) * onePole(cutoff, rate);
        s = low;
      }
      if (v.highPass > 0) {
        float a = 1.0f - onePole(v.highPass, rate);
        high = a * (high + s - highIn);
        highIn = s;
        s = high;
      }
      sum += s;
    }
    // Envelope.
    float t = static_cast<float>(i) / kSampleRate;
    float env;
    if (t < v.attack) {
      env = t / v.attack;
    } else if (t < v.attack + v.sustain) {
      env = 1.0f + v.punch * (1.0f - (t - v.attack) / v.sustain);
    } else {
      float d = 1.0f - (t - v.attack - v.sustain) / v.decay;
      env = d * d;
    }
    out[i] = sum / kOversample * env * v.volume;
  }
  return out;
}

void mixIn(std::vector<float>& mix, const std::vector<float>& part, float at, float gain) {
  size_t start = static_cast<size_t>(at * kSampleRate);
  if (mix.size() < start + part.size()) mix.resize(start + part.size());
  for (size_t i = 0; i < part.size(); ++i) mix[start + i] += part[i] * gain;
}

void finish(std::vector<float>& samples, float peak) {
  float top = 0;
  for (float s : samples) top = std::max(top, std::fabs(s));
  if (top <= 0) return;
  const size_t fadeIn = kSampleRate / 1000, fadeOut = kSampleRate * 8 / 1000;
  for (size_t i = 0; i < samples.size(); ++i) {
    float g = peak / top;
    if (i < fadeIn) g *= static_cast<float>(i) / fadeIn;
    size_t left = samples.size() - 1 - i;
    if (left < fadeOut) g *= static_cast<float>(left) / fadeOut;
    samples[i] *= g;
  }
}

}  // namespace assetgen
