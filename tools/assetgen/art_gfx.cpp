// "gfx", the play field sheet: 49 frames of 36 x 36. Frames 0-2 satellite
// layers, 7 ship, 8 pickup, 9 exhaust puff, 10 ring, 11 bullet, 14-34 rocks
// (sizes 5, 4, 3 x seven variants, drawn at scale 1 and sized to the
// collision half-widths 23, 20, 17); the other frames hold related extras.
#include "images.h"

#include "motifs.h"
#include "palette.h"
#include "sheet.h"

namespace assetgen {

namespace {

constexpr int kFirstRockFrame = 14;
constexpr int kRockVariants = 7;
// Mean rock radius by size: the collision half-width less the ship's own
// half-size (about 7 units at the ship's drawing scale 0.5) and the rim.
float rockRadius(int size) { return size == 5 ? 14.6f : size == 4 ? 11.9f : 9.2f; }
Colour rockColour(int size) { return size == 5 ? kEmber : size == 4 ? kAmber : mix(kAmber, kGold, 0.5f); }

void drawPickup(Frame& f, Vec2 c) {
  glowDot(f, c, 7.0f, kGold, 0.35f);
  Path gem = regularPolygon(c, 11.5f, 4);
  body(f, gem, {kGold * 0.25f, 0.85f}, neon(kGold, 1.6f, 1.8f, 0.6f));
  body(f, star(c, 7.0f, 2.4f, 4, 45), {kGold, 0.9f}, neon(mix(kGold, kWhite, 0.6f), 0.9f, 1.0f));
  for (int i = 0; i < 4; ++i) glowDot(f, polar(c, 14.5f, 45 + 90 * i), 0.9f, kWhite, 0.9f);
}

void drawBullet(Frame& f, Vec2 c, float length, float width) {
  Stroke bolt = neon(kGold, width, width * 0.9f, 0.7f);
  bolt.hot = 0.8f;
  stroke(f, {c + Vec2{0, -length * 0.5f}, c + Vec2{0, length * 0.5f}}, false, bolt);
  glowDot(f, c + Vec2{0, -length * 0.5f + 1.5f}, width * 0.6f, kWhite, 1.0f);
}

void drawExhaust(Frame& f, Vec2 c) {
  glowDot(f, c, 6.5f, kEmber, 0.8f);
  glowDot(f, c, 3.8f, kGold, 0.9f);
  glowDot(f, c, 1.8f, kWhite, 1.0f);
}

void drawFrame(Frame& f, int index) {
  Vec2 c = f.centre();
  Rng rng(1000 + index);
  if (index <= 2) {
    drawSatelliteLayer(f, index, c, 16.0f);
  } else if (index == 3) {  // the satellite's aura
    glowDot(f, c, 7.0f, kMagenta, 0.45f);
  } else if (index == 4) {  // ship under thrust
    drawShip(f, c + Vec2{0, -2}, 26.0f, kMint, 2.4f, 2.2f);
    stroke(f, {c + Vec2{-3, 12}, c + Vec2{0, 17}, c + Vec2{3, 12}}, false, neon(kGold, 1.6f, 1.5f));
  } else if (index == 5) {  // ship outline, for markers
    stroke(f, shipOutline(c, 28.0f), true, neon(kWhite, 2.2f, 1.8f));
  } else if (index == 6) {  // target reticle
    Stroke s = neon(kCyan, 1.4f, 1.2f);
    for (int i = 0; i < 4; ++i) stroke(f, arc(c, 12, i * 90 + 15, i * 90 + 75, 10), false, s);
    glowDot(f, c, 1.2f, kWhite, 1.0f);
  } else if (index == 7) {  // the ship, drawn at scale 0.5: heavy lines
    drawShip(f, c + Vec2{0, 0.5f}, 32.0f, kMint, 2.8f, 2.2f);
  } else if (index == 8) {
    drawPickup(f, c);
  } else if (index == 9) {
    drawExhaust(f, c);
  } else if (index == 10) {  // the pulse ring, scaled up to 8 times
    strokeCircle(f, c, 14.5f, neon(kIce, 1.3f, 1.2f, 0.5f));
  } else if (index == 11) {  // the bullet, drawn at scale 0.5
    drawBullet(f, c, 22.0f, 3.6f);
  } else if (index == 12) {  // plasma ball
    glowDot(f, c, 5.0f, kGold, 0.7f);
    glowDot(f, c, 2.5f, kWhite, 1.0f);
  } else if (index == 13) {  // shield bubble
    strokeCircle(f, c, 15.0f, neon(kMint, 1.0f, 1.6f, 0.4f));
    glowDot(f, c + Vec2{-6, -6}, 2.0f, kWhite, 0.6f);
  } else if (index < kFirstRockFrame + 3 * kRockVariants) {
    int size = 5 - (index - kFirstRockFrame) / kRockVariants;
    drawRock(f, rng, c, rockRadius(size), rockColour(size), 1.5f);
  } else if (index < 42) {  // pebbles, smaller than any rock
    drawRock(f, rng, c, 6.5f, kGold, 1.3f);
  } else {  // sparkles in the game's colours
    const Colour colours[7] = {kCyan, kMagenta, kGold, kMint, kViolet, kAmber, kWhite};
    Colour col = colours[index - 42];
    body(f, star(c, 13.0f, 3.0f, 4, index * 11.0f), {col * 0.5f, 0.6f}, neon(col, 1.2f, 1.4f));
    glowDot(f, c, 2.2f, kWhite, 1.0f);
  }
}

}  // namespace

void writeGfx(const std::filesystem::path& dataDir) {
  writeSheet(dataDir, {"gfx", 36, 36, 49, 7}, drawFrame);
}

}  // namespace assetgen
