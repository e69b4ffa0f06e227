// Effect sheets: "splodge" (16 clouds of rock debris, 32 x 32, drawn by the
// game at scale 2 and half alpha), "parts" (256 sparks and stars, 8 x 8,
// tinted by the particle palette, so drawn near white) and "common/light"
// (4 soft lights, 32 x 32, white for tinting).
#include "images.h"

#include "motifs.h"
#include "palette.h"
#include "sheet.h"

namespace assetgen {

namespace {

void drawDebris(Frame& f, int index) {
  Rng rng(2000 + index);
  Vec2 c = f.centre();
  glowDot(f, c, 6.0f + rng.range(0, 2), kEmber, 0.22f);
  int shards = 5 + rng.between(0, 3);
  float turn = rng.range(0, 360);
  for (int i = 0; i < shards; ++i) {
    float dist = rng.range(3.0f, 10.5f);
    Vec2 at = polar(c, dist, turn + i * 360.0f / shards + rng.range(-20, 20));
    float size = rng.range(2.0f, 4.2f) * (1.0f - dist / 28.0f);
    Path shard = rockOutline(rng, at, size, 3 + rng.between(0, 2), 0.3f);
    Colour col = mix(kAmber, kEmber, rng.unit());
    body(f, shard, {mix(kSoot, col, 0.35f), 0.9f}, neon(col, 0.7f, 0.7f, 0.4f));
  }
  for (int i = 0; i < 5; ++i) glowDot(f, polar(c, rng.range(3, 13), rng.range(0, 360)), 0.6f, kGold, 0.8f);
}

// One spark or star; the kind cycles with the frame number so any random
// frame the game picks is as likely to be any kind.
void drawPart(Frame& f, int index) {
  f.edgeFade = 0.75f;
  Rng rng(3000 + index);
  Vec2 c = f.centre();
  // A faint cast keeps stars from looking flat; tints multiply it away for sparks.
  const Colour casts[4] = {kWhite, {0.9f, 0.95f, 1.0f}, {1.0f, 0.97f, 0.88f}, {1.0f, 0.92f, 0.97f}};
  Colour cast = casts[(index / 8) % 4];
  float size = 0.6f + 0.4f * ((index / 32) % 8) / 7.0f;  // 0.6 .. 1.0
  switch (index % 8) {
    case 0:
    case 1:
    case 2:  // round glow
      glowDot(f, c, 1.5f * size + 0.3f, cast, 1.0f);
      glowDot(f, c, 0.7f * size + 0.2f, kWhite, 1.0f);
      break;
    case 3:
    case 4: {  // four-point sparkle
      float turn = rng.range(0, 90);
      for (int k = 0; k < 2; ++k) {
        Vec2 a = polar(c, 3.4f * size, turn + 90 * k), b = polar(c, 3.4f * size, turn + 90 * k + 180);
        Stroke ray = neon(cast, 0.55f, 0.5f, 0.5f);
        ray.hot = 0.8f;
        stroke(f, {a, b}, false, ray);
      }
      glowDot(f, c, 0.7f * size, kWhite, 1.0f);
      break;
    }
    case 5:  // six-ray star
      for (int k = 0; k < 3; ++k)
        stroke(f, {polar(c, 3.0f * size, k * 60.0f), polar(c, 3.0f * size, k * 60.0f + 180)}, false,
               neon(cast, 0.45f, 0.45f, 0.4f));
      glowDot(f, c, 0.8f * size, kWhite, 1.0f);
      break;
    case 6: {  // streak
      float turn = rng.range(0, 180);
      Stroke s = neon(cast, 0.8f * size + 0.2f, 0.6f, 0.5f);
      s.hot = 0.7f;
      stroke(f, {polar(c, 2.8f, turn), polar(c, 2.8f, turn + 180)}, false, s);
      break;
    }
    default:  // diamond
      body(f, regularPolygon(c, 2.6f * size + 0.4f, 4, rng.range(0, 90)), {cast, 0.6f}, neon(cast, 0.5f, 0.5f, 0.5f));
      break;
  }
}

void drawLight(Frame& f, int index) {
  Vec2 c = f.centre();
  switch (index) {
    case 0:  // soft round light
      glowDot(f, c, 6.0f, kWhite, 0.9f);
      break;
    case 1:  // flare: a light with four long rays
      glowDot(f, c, 3.0f, kWhite, 1.0f);
      for (int k = 0; k < 2; ++k) {
        Stroke ray = neon(kWhite, 0.8f, 1.0f, 0.5f);
        ray.hot = 1.0f;
        stroke(f, {polar(c, 14, k * 90.0f), polar(c, 14, k * 90.0f + 180)}, false, ray);
      }
      break;
    case 2:  // halo ring
      strokeCircle(f, c, 10.0f, neon(kWhite, 1.6f, 2.2f, 0.5f));
      break;
    default: {  // lens streak
      Stroke streak = neon(kWhite, 1.2f, 1.6f, 0.6f);
      streak.hot = 1.0f;
      stroke(f, {{2, c.y}, {f.designWidth() - 2, c.y}}, false, streak);
      glowDot(f, c, 3.0f, kWhite, 0.9f);
      break;
    }
  }
}

}  // namespace

void writeSplodge(const std::filesystem::path& dataDir) { writeSheet(dataDir, {"splodge", 32, 32, 16, 4}, drawDebris); }

void writeParts(const std::filesystem::path& dataDir) { writeSheet(dataDir, {"parts", 8, 8, 256, 16}, drawPart); }

void writeLight(const std::filesystem::path& dataDir) { writeSheet(dataDir, {"common/light", 32, 32, 4, 4}, drawLight); }

}  // namespace assetgen
