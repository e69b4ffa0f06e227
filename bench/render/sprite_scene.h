// The sprite scene every render contender draws: one 144 x 144 texture of
// sixteen 36 x 36 frames, and per sprite a frame, a moving position, a turn,
// a scale, a tint and an alpha, all from a fixed seed so every program draws
// exactly the same pictures. Also the timing and window constants they share.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace scene {

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;
constexpr int kFrameSize = 36;
constexpr int kFramesAcross = 4;
constexpr int kFrameCount = kFramesAcross * kFramesAcross;
constexpr int kAtlasSize = kFrameSize * kFramesAcross;
constexpr int kWarmupFrames = 10;
constexpr float kSmallSpritePixels = 2.0f;

// The two measured scenes: fill-bound (the display list's capacity of full
// sized sprites) and submit-bound (many 2 x 2 pixel sprites).
struct Workload {
  const char* name;
  int sprites;
  int frames;
  bool tiny;
};
constexpr Workload kSprites2500 = {"sprites_2500", 2500, 60, false};
constexpr Workload kSubmit20000 = {"submit_20000", 20000, 60, true};

struct Sprite {
  int frame;
  float x, y, vx, vy;
  float rotation, spin;
  float scale;
  float red, green, blue, alpha;
};

// A small fixed-seed generator, so every contender builds the same scene.
struct Random {
  uint32_t state = 12345;
  float Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / static_cast<float>(1u << 24);
  }
  float Range(float lo, float hi) { return lo + (hi - lo) * Next(); }
};

inline std::vector<Sprite> MakeSprites(const Workload& w) {
  Random r;
  std::vector<Sprite> sprites(static_cast<size_t>(w.sprites));
  for (size_t i = 0; i < sprites.size(); ++i) {
    Sprite& s = sprites[i];
    s.frame = static_cast<int>(i % kFrameCount);
    s.x = r.Range(0, kWindowWidth);
    s.y = r.Range(0, kWindowHeight);
    s.vx = r.Range(-2, 2);
    s.vy = r.Range(-2, 2);
    s.rotation = r.Range(0, 360);
    s.spin = r.Range(-3, 3);
    s.scale = w.tiny ? kSmallSpritePixels / kFrameSize : r.Range(0.6f, 1.4f);
    s.red = r.Range(128, 255);
    s.green = r.Range(128, 255);
    s.blue = r.Range(128, 255);
    s.alpha = r.Range(0.5f, 1);
  }
  return sprites;
}

// Where a sprite is in frame `f`: it moves and turns every frame and wraps
// around the window.
struct Placement {
  float x, y, rotation;
};
inline Placement Place(const Sprite& s, int f) {
  float x = std::fmod(s.x + s.vx * static_cast<float>(f) + kWindowWidth, static_cast<float>(kWindowWidth));
  float y = std::fmod(s.y + s.vy * static_cast<float>(f) + kWindowHeight, static_cast<float>(kWindowHeight));
  return {x, y, s.rotation + s.spin * static_cast<float>(f)};
}

// The atlas as straight (not premultiplied) RGBA bytes: each frame a soft
// disc of its own colour with a darker ring, transparent outside.
inline std::vector<unsigned char> MakeAtlas() {
  std::vector<unsigned char> px(static_cast<size_t>(kAtlasSize) * kAtlasSize * 4);
  for (int y = 0; y < kAtlasSize; ++y)
    for (int x = 0; x < kAtlasSize; ++x) {
      int frame = (y / kFrameSize) * kFramesAcross + x / kFrameSize;
      float dx = static_cast<float>(x % kFrameSize) - kFrameSize / 2 + 0.5f;
      float dy = static_cast<float>(y % kFrameSize) - kFrameSize / 2 + 0.5f;
      float d = std::sqrt(dx * dx + dy * dy) / (kFrameSize / 2);
      unsigned char* p = &px[(static_cast<size_t>(y) * kAtlasSize + x) * 4];
      p[0] = static_cast<unsigned char>(80 + frame * 10);
      p[1] = static_cast<unsigned char>(d > 0.7f ? 60 : 220);
      p[2] = static_cast<unsigned char>(255 - frame * 12);
      p[3] = static_cast<unsigned char>(d >= 1 ? 0 : (1 - d * d) * 255);
    }
  return px;
}

// Processor time of the whole process, every thread (the rasteriser's
// threads included). On these shared machines wall time swings with other
// processes' load; the work a contender costs does not.
inline double Now() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The workload named on the command line ("sprites_2500" or "submit_20000").
inline const Workload* WorkloadFromArgs(int argc, char** argv) {
  if (argc < 2) return nullptr;
  if (std::strcmp(argv[1], kSprites2500.name) == 0) return &kSprites2500;
  if (std::strcmp(argv[1], kSubmit20000.name) == 0) return &kSubmit20000;
  return nullptr;
}

// Every contender prints one line: the processor seconds its measured frames took.
inline void Report(double seconds) { std::printf("TIME %.6f\n", seconds); }

}  // namespace scene
