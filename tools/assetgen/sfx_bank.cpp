// The game's sound effects, each a mix of a few effect voices:
// 001 ship hit, 002 shot, 003 pickup, 004 game over, 005-008 rock explosions
// (the game plays them at rates 0.6 to 1.2), 095 a power-up sweep (loaded,
// not played), 096 the start-up jingle, 098 confirm, 099 cursor move.
// Peaks stay below full scale; the busiest sounds are the quietest.
#include <cmath>
#include <string>

#include "audio.h"
#include "sfx_synth.h"
#include "wav_write.h"

namespace assetgen {

namespace {

// The frequency of MIDI note `n` (69 is A4, 440 Hz).
float midi(int n) { return 440.0f * std::exp2((n - 69) / 12.0f); }

std::vector<float> shipHit() {
  std::vector<float> mix;
  Voice crash{.wave = Wave::Noise, .frequency = 2400, .slide = -2.5f, .attack = 0.0f, .sustain = 0.08f, .decay = 0.5f,
              .punch = 0.6f, .lowPass = 5000, .lowPassSweep = -2.0f, .seed = 11};
  Voice wobble{.wave = Wave::Square, .frequency = 330, .slide = -2.2f, .duty = 0.3f, .vibratoDepth = 3.0f, .vibratoRate = 22,
               .attack = 0.0f, .sustain = 0.1f, .decay = 0.45f, .punch = 0.3f, .lowPass = 3000};
  mixIn(mix, render(crash), 0, 0.9f);
  mixIn(mix, render(wobble), 0, 0.6f);
  return mix;
}

std::vector<float> shot() {
  Voice pew{.wave = Wave::Square, .frequency = 1500, .slide = -5.0f, .minFrequency = 180, .duty = 0.2f, .dutySweep = 2.0f,
            .attack = 0.0f, .sustain = 0.025f, .decay = 0.12f, .punch = 0.4f, .lowPass = 7000, .highPass = 150};
  return render(pew);
}

std::vector<float> pickup() {
  std::vector<float> mix;
  Voice coin{.wave = Wave::Square, .frequency = midi(83), .duty = 0.5f, .jumpAt = 0.07f, .jumpRatio = 1.3348f,
             .attack = 0.0f, .sustain = 0.1f, .decay = 0.28f, .punch = 0.45f, .lowPass = 8000};
  Voice shine{.wave = Wave::Triangle, .frequency = midi(95), .jumpAt = 0.07f, .jumpRatio = 1.3348f, .vibratoDepth = 0.2f,
              .vibratoRate = 9, .attack = 0.01f, .sustain = 0.08f, .decay = 0.3f};
  mixIn(mix, render(coin), 0, 0.7f);
  mixIn(mix, render(shine), 0.02f, 0.4f);
  return mix;
}

std::vector<float> gameOver() {
  // A falling phrase that sags at the end: E4, D#4, D4, then C#4 sliding away.
  std::vector<float> mix;
  const int notes[4] = {64, 63, 62, 61};
  for (int i = 0; i < 4; ++i) {
    bool last = i == 3;
    Voice v{.wave = Wave::Saw, .frequency = midi(notes[i]), .slide = last ? -0.6f : 0.0f, .vibratoDepth = last ? 0.35f : 0.12f,
            .vibratoRate = 5.5f, .attack = 0.01f, .sustain = last ? 0.5f : 0.18f, .decay = last ? 0.55f : 0.1f,
            .lowPass = 1800, .lowPassSweep = last ? -1.0f : 0.0f};
    Voice sub{.wave = Wave::Square, .frequency = midi(notes[i] - 12), .slide = last ? -0.6f : 0.0f, .duty = 0.5f,
              .attack = 0.01f, .sustain = last ? 0.5f : 0.18f, .decay = last ? 0.55f : 0.1f, .lowPass = 900};
    mixIn(mix, render(v), i * 0.3f, 0.6f);
    mixIn(mix, render(sub), i * 0.3f, 0.35f);
  }
  return mix;
}

// Four distinct rock explosions: a sharp crack, a deep boom, a crunch and a
// double rumble.
std::vector<float> explosion(int kind) {
  std::vector<float> mix;
  Voice thump{.wave = Wave::Sine, .frequency = 110, .slide = -3.0f, .minFrequency = 35, .attack = 0.0f, .sustain = 0.03f,
              .decay = 0.35f, .punch = 0.5f};
  switch (kind) {
    case 0: {
      Voice crack{.wave = Wave::Noise, .frequency = 3200, .slide = -1.5f, .attack = 0.0f, .sustain = 0.03f, .decay = 0.4f,
                  .punch = 0.8f, .lowPass = 9000, .lowPassSweep = -3.0f, .seed = 21};
      mixIn(mix, render(crack), 0, 1.0f);
      mixIn(mix, render(thump), 0, 0.5f);
      break;
    }
    case 1: {
      Voice boom{.wave = Wave::Noise, .frequency = 900, .slide = -0.8f, .attack = 0.005f, .sustain = 0.1f, .decay = 0.75f,
                 .punch = 0.5f, .lowPass = 1600, .lowPassSweep = -1.2f, .seed = 22};
      thump.decay = 0.6f;
      mixIn(mix, render(boom), 0, 1.0f);
      mixIn(mix, render(thump), 0, 0.8f);
      break;
    }
    case 2: {
      Voice crunch{.wave = Wave::Noise, .frequency = 1800, .slide = -1.0f, .attack = 0.0f, .sustain = 0.06f, .decay = 0.45f,
                   .punch = 0.4f, .lowPass = 4500, .seed = 23};
      Voice grit{.wave = Wave::Square, .frequency = 140, .slide = -1.5f, .duty = 0.15f, .vibratoDepth = 4.0f, .vibratoRate = 31,
                 .attack = 0.0f, .sustain = 0.05f, .decay = 0.3f, .lowPass = 2500};
      mixIn(mix, render(crunch), 0, 0.9f);
      mixIn(mix, render(grit), 0, 0.45f);
      break;
    }
    default: {
      Voice rumble{.wave = Wave::Noise, .frequency = 1300, .slide = -1.2f, .repeatEvery = 0.16f, .attack = 0.0f,
                   .sustain = 0.12f, .decay = 0.55f, .punch = 0.3f, .lowPass = 2600, .lowPassSweep = -1.0f, .seed = 24};
      mixIn(mix, render(rumble), 0, 1.0f);
      mixIn(mix, render(thump), 0, 0.45f);
      mixIn(mix, render(thump), 0.16f, 0.35f);
      break;
    }
  }
  return mix;
}

std::vector<float> powerUp() {
  std::vector<float> mix;
  Voice rise{.wave = Wave::Square, .frequency = 220, .slide = 3.2f, .duty = 0.35f, .dutySweep = -0.3f, .vibratoDepth = 0.5f,
             .vibratoRate = 14, .attack = 0.02f, .sustain = 0.35f, .decay = 0.2f, .lowPass = 6000};
  Voice air{.wave = Wave::Noise, .frequency = 6000, .attack = 0.15f, .sustain = 0.2f, .decay = 0.2f, .lowPass = 800,
            .lowPassSweep = 4.0f, .seed = 31};
  mixIn(mix, render(rise), 0, 0.7f);
  mixIn(mix, render(air), 0, 0.35f);
  return mix;
}

std::vector<float> jingle() {
  // C major rising in two voices, then a held top note with a shimmer.
  std::vector<float> mix;
  const int melody[5] = {72, 76, 79, 84, 88};
  for (int i = 0; i < 5; ++i) {
    bool last = i == 4;
    Voice lead{.wave = Wave::Square, .frequency = midi(melody[i]), .duty = 0.3f, .vibratoDepth = last ? 0.2f : 0.0f,
               .vibratoRate = 6, .attack = 0.005f, .sustain = last ? 0.35f : 0.07f, .decay = last ? 0.5f : 0.12f,
               .punch = 0.3f, .lowPass = 6000};
    Voice bell{.wave = Wave::Triangle, .frequency = midi(melody[i] + 12), .attack = 0.0f, .sustain = 0.02f,
               .decay = last ? 0.8f : 0.3f};
    mixIn(mix, render(lead), i * 0.11f, 0.5f);
    mixIn(mix, render(bell), i * 0.11f, 0.3f);
  }
  Voice bass{.wave = Wave::Triangle, .frequency = midi(48), .attack = 0.01f, .sustain = 0.5f, .decay = 0.5f};
  mixIn(mix, render(bass), 0.44f, 0.6f);
  return mix;
}

std::vector<float> confirm() {
  std::vector<float> mix;
  for (int i = 0; i < 2; ++i) {
    Voice blip{.wave = Wave::Square, .frequency = midi(i == 0 ? 76 : 83), .duty = 0.4f, .attack = 0.0f, .sustain = 0.04f,
               .decay = 0.07f, .punch = 0.3f, .lowPass = 7000};
    mixIn(mix, render(blip), i * 0.06f, 0.6f);
  }
  return mix;
}

std::vector<float> cursor() {
  Voice tick{.wave = Wave::Square, .frequency = midi(88), .slide = -1.5f, .duty = 0.5f, .attack = 0.0f, .sustain = 0.012f,
             .decay = 0.035f, .punch = 0.2f, .lowPass = 6000};
  return render(tick);
}

struct Effect {
  int number;
  std::vector<float> (*make)();
  float peak;
};

}  // namespace

void writeSoundEffects(const std::filesystem::path& dataDir) {
  const Effect effects[] = {
      {1, shipHit, 0.85f},  {2, shot, 0.5f},
      {3, pickup, 0.7f},    {4, gameOver, 0.8f},
      {5, [] { return explosion(0); }, 0.8f}, {6, [] { return explosion(1); }, 0.85f},
      {7, [] { return explosion(2); }, 0.8f}, {8, [] { return explosion(3); }, 0.8f},
      {95, powerUp, 0.7f},  {96, jingle, 0.75f},
      {98, confirm, 0.6f},  {99, cursor, 0.5f},
  };
  for (const Effect& e : effects) {
    std::vector<float> samples = e.make();
    finish(samples, e.peak);
    char name[16];
    std::snprintf(name, sizeof name, "%03d.wav", e.number);
    writeWav(dataDir / "sfx" / name, samples);
  }
}

}  // namespace assetgen
