// Instruments of the tune: band-limited (PolyBLEP) saw and pulse
// oscillators through two-pole low-pass filters for the lead, bass, pads and
// arpeggio, and noise and pitched sines for the drums. Noise is seeded from
// the note so every render is the same.
#include "instruments.h"

#include <algorithm>
#include <cmath>

#include "rng.h"
#include "wav_write.h"

namespace assetgen {

namespace {

constexpr float kTwoPi = 6.28318530718f;
constexpr float kRate = static_cast<float>(kSampleRate);

float hz(float midiNote) { return 440.0f * std::exp2((midiNote - 69.0f) / 12.0f); }

// The PolyBLEP correction that smooths a jump at phase 0 (dt: phase step).
float blep(float t, float dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0f;
  }
  if (t > 1.0f - dt) {
    t = (t - 1.0f) / dt;
    return t * t + t + t + 1.0f;
  }
  return 0.0f;
}

class Oscillator {
 public:
  float saw(float dt) {
    float v = 2.0f * phase_ - 1.0f - blep(phase_, dt);
    advance(dt);
    return v;
  }
  float pulse(float dt, float duty) {
    float shifted = phase_ + (1.0f - duty);
    if (shifted >= 1.0f) shifted -= 1.0f;
    float v = (phase_ < duty ? 1.0f : -1.0f) + blep(phase_, dt) - blep(shifted, dt);
    advance(dt);
    return v;
  }
  float sine(float dt) {
    float v = std::sin(kTwoPi * phase_);
    advance(dt);
    return v;
  }

 private:
  void advance(float dt) {
    phase_ += dt;
    if (phase_ >= 1.0f) phase_ -= 1.0f;
  }
  float phase_ = 0;
};

// Two cascaded one-pole low-pass filters.
class LowPass {
 public:
  float operator()(float x, float cutoff) {
    float a = 1.0f - std::exp(-kTwoPi * std::min(cutoff, kRate * 0.45f) / kRate);
    s1_ += (x - s1_) * a;
    s2_ += (s1_ - s2_) * a;
    return s2_;
  }

 private:
  float s1_ = 0, s2_ = 0;
};

class HighPass {
 public:
  explicit HighPass(float cutoff) : a_(std::exp(-kTwoPi * cutoff / kRate)) {}
  float operator()(float x) {
    y_ = a_ * (y_ + x - x_);
    x_ = x;
    return y_;
  }

 private:
  float a_, x_ = 0, y_ = 0;
};

// Attack, decay to a sustain level, release after `held` seconds.
float adsr(float t, float held, float attack, float decay, float sustain, float release) {
  auto level = [&](float u) {
    if (u < attack) return u / attack;
    return sustain + (1.0f - sustain) * std::exp(-(u - attack) / decay);
  };
  if (t < held) return level(t);
  return level(held) * std::max(0.0f, 1.0f - (t - held) / release);
}

std::vector<float> lead(const Note& n, float held) {
  const float release = 0.12f;
  std::vector<float> out(static_cast<size_t>((held + release) * kRate));
  Oscillator a, b;
  LowPass lp;
  float f = hz(static_cast<float>(n.pitch));
  for (size_t i = 0; i < out.size(); ++i) {
    float t = i / kRate;
    float vibrato = std::exp2(0.2f / 12.0f * std::min(1.0f, std::max(0.0f, t - 0.18f) * 4.0f) * std::sin(kTwoPi * 5.5f * t));
    float dt = f * vibrato / kRate;
    float s = 0.6f * a.pulse(dt * std::exp2(0.07f / 12.0f), 0.5f) + 0.5f * b.pulse(dt * std::exp2(-0.07f / 12.0f), 0.28f);
    s = lp(s, 2400.0f + 2600.0f * std::exp(-t / 0.25f));
    out[i] = s * adsr(t, held, 0.008f, 0.15f, 0.7f, release) * n.velocity;
  }
  return out;
}

std::vector<float> bass(const Note& n, float held) {
  const float release = 0.05f;
  std::vector<float> out(static_cast<size_t>((held + release) * kRate));
  Oscillator saw, sub;
  LowPass lp;
  float dt = hz(static_cast<float>(n.pitch)) / kRate;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = i / kRate;
    float s = lp(saw.saw(dt), 180.0f + 1500.0f * n.velocity * std::exp(-t / 0.08f)) + 0.6f * sub.sine(dt);
    out[i] = s * adsr(t, held, 0.004f, 0.2f, 0.75f, release) * n.velocity;
  }
  return out;
}

std::vector<float> pad(const Note& n, float held) {
  const float release = 0.6f;
  std::vector<float> out(static_cast<size_t>((held + release) * kRate));
  Oscillator a, b;
  LowPass lp;
  float f = hz(static_cast<float>(n.pitch)) / kRate;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = i / kRate;
    float s = a.saw(f * std::exp2(0.12f / 12.0f)) + b.saw(f * std::exp2(-0.12f / 12.0f));
    s = lp(s, 900.0f + 300.0f * std::sin(kTwoPi * 0.25f * t));
    out[i] = s * adsr(t, held, 0.35f, 0.5f, 0.8f, release) * n.velocity;
  }
  return out;
}

std::vector<float> arp(const Note& n, float held) {
  std::vector<float> out(static_cast<size_t>(0.22f * kRate));
  Oscillator o;
  LowPass lp;
  float dt = hz(static_cast<float>(n.pitch)) / kRate;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = i / kRate;
    float env = std::min(1.0f, t / 0.002f) * std::exp(-t / 0.07f);
    out[i] = lp(o.pulse(dt, 0.25f), 4500.0f) * env * n.velocity;
  }
  return out;
}

std::vector<float> drum(const Note& n) {
  Rng noise(static_cast<uint64_t>(n.step) * 16 + static_cast<uint64_t>(n.part));
  float length = n.part == Part::Kick ? 0.45f : n.part == Part::Snare ? 0.28f : n.part == Part::ClosedHat ? 0.07f
               : n.part == Part::OpenHat ? 0.45f : 2.2f;
  std::vector<float> out(static_cast<size_t>(length * kRate));
  Oscillator tone;
  HighPass snareHp(1400), hatHp(7500), crashHp(4500);
  LowPass lp;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = i / kRate;
    // Never start or stop with a jump: a 1.5 ms ramp in, 10 ms out.
    float fade = std::min({1.0f, t / 0.0015f, (length - t) / 0.01f});
    float s = 0;
    switch (n.part) {
      case Part::Kick: {
        float f = 48.0f + 120.0f * std::exp(-t / 0.032f);
        s = tone.sine(f / kRate) * std::exp(-t / 0.26f);
        if (t < 0.004f) s += noise.signedUnit() * 0.5f * (1.0f - t / 0.004f);
        break;
      }
      case Part::Snare:
        s = 0.75f * lp(snareHp(noise.signedUnit()), 9000.0f) * std::exp(-t / 0.085f) +
            0.55f * tone.sine(185.0f / kRate) * std::exp(-t / 0.045f);
        break;
      case Part::ClosedHat: s = hatHp(noise.signedUnit()) * std::exp(-t / 0.018f); break;
      case Part::OpenHat: s = hatHp(noise.signedUnit()) * std::exp(-t / 0.14f); break;
      default: s = crashHp(noise.signedUnit()) * std::exp(-t / 0.6f); break;
    }
    out[i] = s * fade * n.velocity;
  }
  return out;
}

}  // namespace

std::vector<float> playNote(const Note& note, double seconds) {
  float held = static_cast<float>(seconds);
  switch (note.part) {
    case Part::Lead: return lead(note, held);
    case Part::Bass: return bass(note, held);
    case Part::Pad: return pad(note, held);
    case Part::Arp: return arp(note, held);
    default: return drum(note);
  }
}

}  // namespace assetgen
