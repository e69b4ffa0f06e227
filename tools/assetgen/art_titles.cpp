// Title art: "logo" (256 x 128, the title "SKARNEL" shown at 1.5 times on the
// menu), "common/ZUNDLogo" (256 x 256, our studio's mark: shown at twice its
// size on the loading screen, where the spinner circles it at 84..108 units
// from the middle, and small on the side panel) and "menu" (256 x 256 x 4,
// scenes of the game's world).
#include "images.h"

#include "motifs.h"
#include "palette.h"
#include "sheet.h"
#include "stroke_font.h"

namespace assetgen {

namespace {

// Text in neon: a wide soft stroke under a narrow hot one, coloured from
// `left` to `right` across the text.
void neonText(Frame& f, const std::vector<Path>& strokes, float x0, float x1, Colour left, Colour right, float width) {
  for (const Path& p : strokes) {
    float mid = 0;
    for (Vec2 v : p) mid += v.x;
    float t = std::clamp((mid / p.size() - x0) / (x1 - x0), 0.0f, 1.0f);
    Colour c = mix(left, right, t);
    stroke(f, p, false, neon(c, width, width * 1.3f, 0.55f));
    Stroke core = neon(mix(c, kWhite, 0.6f), width * 0.4f, 0);
    core.hot = 1.0f;
    stroke(f, p, false, core);
  }
}

// An ellipse as a closed path, tilted by `tilt` degrees.
Path ellipse(Vec2 c, float rx, float ry, float tilt, int steps = 96) {
  Path out;
  for (int i = 0; i < steps; ++i) {
    float a = 2 * kPi * i / steps;
    out.push_back(rotate(c + Vec2{std::cos(a) * rx, std::sin(a) * ry}, c, tilt));
  }
  return out;
}

void drawTitle(Frame& f, int) {
  Vec2 c = f.centre();
  const float height = 42, gap = 5.5f, slant = 0.16f;
  float width = strokeTextWidth("SKARNEL", height, gap);
  float x0 = c.x - width / 2 - height * slant / 2;
  // The satellites' orbit sweeps behind the letters.
  Path orbit = ellipse(c + Vec2{0, 6}, 118, 24, -7);
  stroke(f, orbit, true, neon(kViolet, 1.3f, 1.6f, 0.35f));
  Vec2 sat = orbit[10];
  glowDot(f, sat, 3.0f, kMagenta, 0.7f);
  glowDot(f, sat, 1.4f, kWhite, 1.0f);
  neonText(f, strokeText("SKARNEL", {x0, c.y - height / 2 - 4}, height, gap, slant), x0, x0 + width, kCyan, kMagenta, 3.4f);
  // A rule under the title with the ship riding on it.
  stroke(f, {{c.x - 92, c.y + 33}, {c.x + 92, c.y + 33}}, false, hairline(kIce, 1.0f, 0.6f));
  drawShip(f, {c.x + 100, c.y + 33}, 11, kMint, 1.1f, 1.0f);
}

void drawStudioLogo(Frame& f, int) {
  Vec2 c = f.centre();
  Vec2 emblem = c + Vec2{0, -26};
  // A moon lit from the upper left, crossed by a tilted orbit with a spark on it.
  glowDot(f, emblem, 34, kGold, 0.25f);
  Path moon = regularPolygon(emblem, 40, 96);
  PathField moonField(f, moon, true, 1.0f);
  Vec2 light = emblem + Vec2{-16, -18};
  paintField(f, boundsOf(moon, 1), Blend::Over, moonField, [&](Vec2 p, float d) {
    float t = std::clamp(length(p - light) / 70.0f, 0.0f, 1.0f);
    return premul(mix(mix(kGold, kWhite, 0.25f), kEmber * 0.3f, t), std::clamp(0.5f - d, 0.0f, 1.0f));
  });
  stroke(f, moon, true, neon(kGold, 2.0f, 3.0f, 0.45f));
  // Only the near half of the orbit passes in front of the moon.
  Path orbit = ellipse(emblem, 62, 15, -18);
  auto inFront = [&](Vec2 p) { return rotate(p, emblem, 18).y > emblem.y || length(p - emblem) > 41; };
  for (const Path& run : runsOf(orbit, inFront)) stroke(f, run, false, neon(kMagenta, 2.2f, 2.4f, 0.5f));
  glowDot(f, orbit[60], 4.0f, kMagenta, 0.6f);
  glowDot(f, orbit[60], 2.0f, kWhite, 1.0f);
  // The wordmark.
  const float height = 30, gap = 8;
  float width = strokeTextWidth("ZUND", height, gap);
  float x0 = c.x - width / 2;
  neonText(f, strokeText("ZUND", {x0, c.y + 36}, height, gap), x0, x0 + width, kGold, kMagenta, 4.0f);
}

// Scenes for the menu sheet: a ringed planet, the satellites' figure-eight,
// a field of rocks and the ship under way.
void drawMenuScene(Frame& f, int index) {
  Vec2 c = f.centre();
  Rng rng(4000 + index);
  for (int i = 0; i < 40; ++i) glowDot(f, {rng.range(8, 248), rng.range(8, 248)}, rng.range(0.5f, 1.1f), kIce, rng.range(0.3f, 0.8f));
  if (index == 0) {
    Path ringBack = ellipse(c, 110, 26, -15);
    stroke(f, ringBack, true, neon(kAmber, 3.0f, 3.0f, 0.4f));
    glowDot(f, c, 52, kViolet, 0.3f);
    Path planet = regularPolygon(c, 62, 120);
    PathField field(f, planet, true, 1.0f);
    paintField(f, boundsOf(planet, 1), Blend::Over, field, [&](Vec2 p, float d) {
      float t = std::clamp(length(p - (c + Vec2{-24, -24})) / 110.0f, 0.0f, 1.0f);
      float band = 0.5f + 0.5f * std::sin((p.y - c.y) * 0.22f + (p.x - c.x) * 0.06f);
      Colour col = mix(mix(kViolet, kSkyBlue, band * 0.5f), kNight, t);
      return premul(col, std::clamp(0.5f - d, 0.0f, 1.0f));
    });
    stroke(f, planet, true, neon(kViolet, 2.0f, 4.0f, 0.4f));
    // The front half of the ring passes over the planet.
    auto inFront = [&](Vec2 p) { return rotate(p, c, 15).y > c.y; };
    for (const Path& run : runsOf(ringBack, inFront)) stroke(f, run, false, neon(kGold, 3.0f, 3.0f, 0.5f));
  } else if (index == 1) {
    Path figure;
    for (int i = 0; i <= 200; ++i) {
      float a = 360.0f * i / 200;
      figure.push_back(c + Vec2{std::sin(a * kPi / 180) * 100, std::sin(2 * a * kPi / 180) * 70});
    }
    stroke(f, figure, false, neon(kViolet, 1.4f, 2.0f, 0.35f));
    for (int k = 0; k < 4; ++k) {
      Vec2 at = figure[k * 50 + 12];
      for (int layer = 0; layer < 3; ++layer) drawSatelliteLayer(f, layer, at, 15, k * 37.0f);
    }
  } else if (index == 2) {
    for (int i = 0; i < 9; ++i) {  // one rock to each cell of a 3 x 3 grid
      float r = rng.range(14, 32);
      Vec2 at{48.0f + 80 * (i % 3) + rng.range(-8, 8), 48.0f + 80 * (i / 3) + rng.range(-8, 8)};
      drawRock(f, rng, at, r, i % 3 == 0 ? kEmber : i % 3 == 1 ? kAmber : mix(kAmber, kGold, 0.5f), 2.0f);
    }
  } else {
    for (int k = 0; k < 12; ++k) glowDot(f, c + Vec2{0, 40.0f + k * 9}, 8.0f - k * 0.5f, k < 3 ? kGold : kEmber, 0.45f - k * 0.03f);
    drawShip(f, c + Vec2{0, -10}, 110, kMint, 5.0f, 4.5f);
  }
}

}  // namespace

void writeTitleLogo(const std::filesystem::path& dataDir) { writeSheet(dataDir, {"logo", 256, 128, 1, 1}, drawTitle); }

void writeStudioLogo(const std::filesystem::path& dataDir) {
  writeSheet(dataDir, {"common/ZUNDLogo", 256, 256, 1, 1}, drawStudioLogo);
}

void writeMenu(const std::filesystem::path& dataDir) { writeSheet(dataDir, {"menu", 256, 256, 4, 2}, drawMenuScene); }

}  // namespace assetgen
