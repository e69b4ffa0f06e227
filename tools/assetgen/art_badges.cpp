// "BadgesA": 64 badge icons, 64 x 64, shown at half size in the badge
// notices. Row r (frame / 8) sets the badge's shape and colour, column c
// (frame % 8) its emblem, so every badge is distinct.
#include "images.h"

#include "motifs.h"
#include "palette.h"
#include "sheet.h"

namespace assetgen {

namespace {

Path badgeShape(int kind, Vec2 c) {
  switch (kind) {
    case 0: return regularPolygon(c, 27, 48);
    case 1: return regularPolygon(c, 28, 6, 30);
    case 2: return {c + Vec2{-22, -24}, c + Vec2{22, -24}, c + Vec2{22, 2}, c + Vec2{0, 27}, c + Vec2{-22, 2}};  // shield
    case 3: return star(c, 29, 23, 8, 22.5f);
    case 4: return regularPolygon(c, 29, 4);
    case 5: return regularPolygon(c, 28, 8, 22.5f);
    case 6: return roundedRect(c.x - 24, c.y - 24, 48, 48, 8);
    default: return {c + Vec2{0, -28}, c + Vec2{27, 21}, c + Vec2{-27, 21}};
  }
}

void drawEmblem(Frame& f, int kind, Vec2 c) {
  Stroke line = neon(kWhite, 2.0f, 1.4f, 0.5f);
  switch (kind) {
    case 0: body(f, star(c, 12, 5, 5), {kWhite, 0.35f}, line); break;
    case 1: drawShip(f, c, 24, kWhite, 2.0f, 1.4f); break;
    case 2: {
      Rng rng(77);
      drawRock(f, rng, c, 11, kAmber, 1.8f);
      break;
    }
    case 3:
      for (int layer = 0; layer < 3; ++layer) drawSatelliteLayer(f, layer, c, 12.5f, 20);
      break;
    case 4:  // lightning
      body(f, {c + Vec2{3, -13}, c + Vec2{-6, 2}, c + Vec2{0, 2}, c + Vec2{-3, 13}, c + Vec2{7, -3}, c + Vec2{1, -3}}, {kWhite, 0.35f}, line);
      break;
    case 5:  // target
      strokeCircle(f, c, 11, line);
      strokeCircle(f, c, 5.5f, line);
      glowDot(f, c, 1.5f, kWhite, 1);
      break;
    case 6:  // crown
      body(f, {c + Vec2{-11, 8}, c + Vec2{-12, -6}, c + Vec2{-5, 0}, c + Vec2{0, -10}, c + Vec2{5, 0}, c + Vec2{12, -6}, c + Vec2{11, 8}},
           {kWhite, 0.35f}, line);
      break;
    default:  // rank chevrons
      for (int k = 0; k < 3; ++k)
        stroke(f, {c + Vec2{-10, -3.0f + 6 * k}, c + Vec2{0, -9.0f + 6 * k}, c + Vec2{10, -3.0f + 6 * k}}, false, line);
      break;
  }
}

void drawBadge(Frame& f, int index) {
  const Colour colours[8] = {kGold, kCyan, kMagenta, kLime, kAmber, kViolet, kSkyBlue, kRed};
  int row = index / 8, column = index % 8;
  Colour colour = colours[row];
  Vec2 c = f.centre();
  Path shape = badgeShape(row, c);
  body(f, shape, {colour * 0.22f, 0.92f}, neon(colour, 2.2f, 2.0f, 0.5f));
  stroke(f, scaled(shape, c, 0.84f), true, hairline(colour, 1.0f, 0.5f));
  drawEmblem(f, column, c + Vec2{0, row == 7 ? 4.0f : row == 2 ? -1.0f : 0.0f});
}

}  // namespace

void writeBadges(const std::filesystem::path& dataDir) { writeSheet(dataDir, {"BadgesA", 64, 64, 64, 8}, drawBadge); }

}  // namespace assetgen
