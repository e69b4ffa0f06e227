// The busiest play field the game meets: a Hard round with every object slot
// in use (rocks with bullets among them), the stars a round has and its whole
// particle table full of what shot rocks leave (a popup of their points and
// their sparks), so the display list holds what real play can ask of it. Shared by the update and playback benchmarks;
// relies on game/app.h and a scripted host clock.
#pragma once

#include <algorithm>

#include "game/app.h"
#include "game/common.h"
#include "host/app.h"
#include "host/game.h"
#include "input/input_device.h"

namespace busy_round {

constexpr int kRockColumns = 13;
constexpr int kBulletsOnRocks = 6;
// What one rock shot in play leaves (game/playfield.cpp): its points, shown
// as a one-glyph popup, and its white sparks, nine each way.
constexpr int kRockPoints = 5;
constexpr int kSparksPerShot = 18;
constexpr int kColourWhite = 9;
constexpr int kClockStepMs = 16;

class ScriptedHost : public VXGame {
 public:
  int now = 0;
  int Millisecs() override { return now += kClockStepMs; }
};

// Fills the tables of a fresh c_MyApp; Restore() puts them back so repeated
// updates do the same work.
struct Scene {
  ScriptedHost host;
  c_MyApp* app = nullptr;
  Array<float> objects, stars, particles, play;

  // Call after gc_init() (and after the graphics module when images are to be loaded).
  void Build() {
    vx_app__game = &host;
    vx_input_SetInputDevice(gc_new<c_InputDevice>()->m_new());
    app = gc_new<c_MyApp>();
    app->m_difficulty = kDifficultyHard;
    app->m_fontSlot = kSlotFont;
    app->m_imageInfo[kSlotFont * kImageInfoStride + kInfoFrameWidth] = kFontAdvance;
    app->m_imageInfo[kSlotFont * kImageInfoStride + kInfoFrameHeight] = kFontLineHeight;
    app->p_LoadGame();
    app->p_ResetStars(kStartStars);
    app->p_ResetParticles(kStartParticleCount);
    for (int i = 0; i < kObjectSlotsInPlay; ++i) {
      float x = 60 + 40 * (i % kRockColumns), y = 40 + 50 * (i / kRockColumns);
      app->p_SpawnRock(x, y, static_cast<float>(i * 37 % 360), 3 + i % 3);
    }
    for (int b = 0; b < kBulletsOnRocks; ++b) {
      int o = (kObjectSlotsInPlay - 1 - b) * kObjectStride;
      app->m_objects[o + kObjKind] = kObjKindBullet;
      app->m_objects[o + kObjX] = app->m_objects[b * kObjectStride + kObjX];
      app->m_objects[o + kObjY] = app->m_objects[b * kObjectStride + kObjY];
    }
    for (int shot = 0; app->p_FreeParticle() >= 0; ++shot) {
      float x = 60 + 40 * (shot % kRockColumns), y = 40 + 50 * (shot / kRockColumns);
      app->p_Gimme(kRockPoints, x, y);
      for (int s = 0; s < kSparksPerShot; ++s)
        app->p_ThrowParticle(x, y, kPartKindSpark, kColourWhite, kAbsentF, kAbsentF);
    }
    objects = Copy(app->m_objects);
    stars = Copy(app->m_stars);
    particles = Copy(app->m_particles);
    play = Copy(app->m_play);
  }

  static Array<float> Copy(const Array<float>& a) { return Array<float>(a.Data(), a.Length()); }
  static void Restore(Array<float>& to, const Array<float>& from) {
    std::copy(from.begin(), from.end(), to.begin());
  }
  void Restore() {
    Restore(app->m_objects, objects);
    Restore(app->m_stars, stars);
    Restore(app->m_particles, particles);
    Restore(app->m_play, play);
    app->m_score = 0;
  }
  // One play update: the field moves and the frame's display list is built.
  void Update() {
    app->p_Game();
    app->p_InGame();
  }
};

}  // namespace busy_round
