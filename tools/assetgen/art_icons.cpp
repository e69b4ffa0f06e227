// Interface icons: "common/icons" (32 x 32 x 16; 0 pause, 1 end game or
// quit, 3 play, 6 highlight ring, 11 a life; the rest further symbols) and
// "common/dpad" (32 x 32 x 16; the on-screen pad in a 3 x 3 block: 1 up,
// 4 left, 5 centre, 6 right, 9 down; diagonals in the corners; buttons after:
// 3 fire, a cross-hair, and 11 thrust, two chevrons).
// The game tints these (the play icon green, the ring yellow), so they are
// drawn in white light with a cool halo.
#include "images.h"

#include "motifs.h"
#include "palette.h"
#include "sheet.h"

namespace assetgen {

namespace {

Stroke symbolLine() { return neon(kWhite, 2.0f, 1.5f, 0.5f); }
Stroke ringLine() { return neon(kIce, 1.3f, 1.3f, 0.4f); }

void buttonRing(Frame& f, Vec2 c) {
  fillCircle(f, c, 13.0f, {kNight, 0.55f});
  strokeCircle(f, c, 13.0f, ringLine());
}

void speaker(Frame& f, Vec2 c) {
  body(f, {c + Vec2{-7, -2.5f}, c + Vec2{-4, -2.5f}, c + Vec2{0, -6}, c + Vec2{0, 6}, c + Vec2{-4, 2.5f}, c + Vec2{-7, 2.5f}},
       {kWhite, 0.35f}, neon(kWhite, 1.5f, 1.2f));
}

void gearSymbol(Frame& f, Vec2 c) {
  stroke(f, gearOutline(c, 8.5f, 6.3f, 8), true, neon(kWhite, 1.5f, 1.2f));
  strokeCircle(f, c, 2.6f, neon(kWhite, 1.4f, 1.0f));
}

void drawIcon(Frame& f, int index) {
  Vec2 c = f.centre();
  Stroke line = symbolLine();
  if (index != 6 && index != 11) buttonRing(f, c);
  switch (index) {
    case 0:  // pause
      for (float x : {-3.5f, 3.5f}) stroke(f, {c + Vec2{x, -5.5f}, c + Vec2{x, 5.5f}}, false, neon(kWhite, 3.0f, 1.5f));
      break;
    case 1:  // end game or quit: the power symbol
      stroke(f, arc(c + Vec2{0, 1}, 6.5f, 35, 325, 24), false, line);
      stroke(f, {c + Vec2{0, -7.5f}, c + Vec2{0, 0.5f}}, false, line);
      break;
    case 2:  // restart: a turning arrow
      stroke(f, arc(c, 6.5f, 60, 330, 24), false, line);
      fill(f, {polar(c, 6.5f, 60) + Vec2{-3.5f, -2.5f}, polar(c, 6.5f, 60) + Vec2{3.0f, -1.0f}, polar(c, 6.5f, 60) + Vec2{-1.0f, 4.0f}},
           {kWhite, 1});
      break;
    case 3:  // play
      body(f, {c + Vec2{-4.5f, -7.5f}, c + Vec2{8, 0}, c + Vec2{-4.5f, 7.5f}}, {kWhite, 0.35f}, line);
      break;
    case 4:  // options
      gearSymbol(f, c);
      break;
    case 5:  // sound on
      speaker(f, c + Vec2{1, 0});
      stroke(f, arc(c + Vec2{1, 0}, 4.5f, 50, 130, 10), false, neon(kWhite, 1.3f, 1.0f));
      stroke(f, arc(c + Vec2{1, 0}, 8.0f, 45, 135, 12), false, neon(kWhite, 1.3f, 1.0f));
      break;
    case 6:  // highlight ring with four ticks
      strokeCircle(f, c, 12.5f, neon(kWhite, 1.4f, 1.6f, 0.6f));
      for (int k = 0; k < 4; ++k) stroke(f, {polar(c, 9.5f, 45 + 90 * k), polar(c, 12.5f, 45 + 90 * k)}, false, neon(kWhite, 1.2f, 1.0f));
      break;
    case 7:  // recentre: crosshair
      strokeCircle(f, c, 5.0f, line);
      for (int k = 0; k < 4; ++k) stroke(f, {polar(c, 2.0f, 90 * k), polar(c, 9.0f, 90 * k)}, false, neon(kWhite, 1.3f, 1.0f));
      break;
    case 8:  // music
      stroke(f, {c + Vec2{-3, 5}, c + Vec2{-3, -6}, c + Vec2{5, -8}, c + Vec2{5, 3}}, false, neon(kWhite, 1.5f, 1.2f));
      fillCircle(f, c + Vec2{-5, 5}, 2.4f, {kWhite, 1});
      fillCircle(f, c + Vec2{3, 3}, 2.4f, {kWhite, 1});
      break;
    case 9:  // full screen: four corner brackets
      for (int k = 0; k < 4; ++k) {
        float sx = (k & 1) ? 1.0f : -1.0f, sy = (k & 2) ? 1.0f : -1.0f;
        stroke(f, {c + Vec2{sx * 7, sy * 3}, c + Vec2{sx * 7, sy * 7}, c + Vec2{sx * 3, sy * 7}}, false, line);
      }
      break;
    case 10:  // back
      stroke(f, {c + Vec2{7, 0}, c + Vec2{-6, 0}}, false, line);
      stroke(f, {c + Vec2{-1, -5.5f}, c + Vec2{-6.5f, 0}, c + Vec2{-1, 5.5f}}, false, line);
      break;
    case 11:  // a life: the ship
      drawShip(f, c, 24.0f, kMint, 2.0f, 1.8f);
      break;
    case 12:  // trophy
      stroke(f, {c + Vec2{-5, -7}, c + Vec2{5, -7}, c + Vec2{4, -1}, c + Vec2{0, 2}, c + Vec2{-4, -1}, c + Vec2{-5, -7}}, false, line);
      stroke(f, {c + Vec2{0, 2}, c + Vec2{0, 6}}, false, line);
      stroke(f, {c + Vec2{-4, 7}, c + Vec2{4, 7}}, false, line);
      break;
    case 13:  // information
      fillCircle(f, c + Vec2{0, -6}, 1.5f, {kWhite, 1});
      stroke(f, {c + Vec2{-2, -2}, c + Vec2{0, -2}, c + Vec2{0, 6.5f}}, false, line);
      break;
    case 14:  // confirm: check mark
      stroke(f, {c + Vec2{-6, 0}, c + Vec2{-2, 5}, c + Vec2{6.5f, -5}}, false, line);
      break;
    default:  // cancel: cross
      stroke(f, {c + Vec2{-5, -5}, c + Vec2{5, 5}}, false, line);
      stroke(f, {c + Vec2{5, -5}, c + Vec2{-5, 5}}, false, line);
      break;
  }
}

// The pad's keys: a rounded key with an arrow, or the round centre.
void drawPadKey(Frame& f, Vec2 c, Vec2 dir) {
  Path key = roundedRect(c.x - 12, c.y - 12, 24, 24, 5.0f);
  body(f, key, {kNight, 0.6f}, neon(kIce, 1.3f, 1.2f, 0.4f));
  Vec2 d = dir * (1.0f / length(dir)), m{-d.y, d.x};
  body(f, {c + d * 6.5f, c - d * 4.5f + m * 5.0f, c - d * 4.5f - m * 5.0f}, {kWhite, 0.8f}, neon(kWhite, 1.2f, 1.0f));
}

enum class PadSymbol { kDot, kFire, kThrust };

void drawPadButton(Frame& f, Vec2 c, PadSymbol symbol) {
  fillCircle(f, c, 12.0f, {kNight, 0.6f});
  strokeCircle(f, c, 12.0f, neon(kIce, 1.5f, 1.4f, 0.45f));
  switch (symbol) {
    case PadSymbol::kFire:  // a cross-hair: a ring with four ticks
      strokeCircle(f, c, 4.5f, symbolLine());
      for (Vec2 d : {Vec2{1, 0}, Vec2{-1, 0}, Vec2{0, 1}, Vec2{0, -1}})
        stroke(f, {c + d * 2.0f, c + d * 7.5f}, false, symbolLine());
      break;
    case PadSymbol::kThrust:  // two chevrons pointing ahead
      for (float y : {-1.0f, 4.0f})
        stroke(f, {c + Vec2{-5, y + 2}, c + Vec2{0, y - 3}, c + Vec2{5, y + 2}}, false, symbolLine());
      break;
    case PadSymbol::kDot:
      fillCircle(f, c, 4.0f, {kWhite, 0.9f});
      break;
  }
}

void drawDpadFrame(Frame& f, int index) {
  Vec2 c = f.centre();
  if (index < 11 && index % 4 != 3) {
    int col = index % 4, row = index / 4;
    if (col == 1 && row == 1) {  // centre
      fillCircle(f, c, 9.0f, {kNight, 0.6f});
      strokeCircle(f, c, 9.0f, neon(kIce, 1.3f, 1.2f, 0.4f));
      glowDot(f, c, 2.5f, kWhite, 0.9f);
    } else {
      drawPadKey(f, c, Vec2{static_cast<float>(col - 1), static_cast<float>(row - 1)});
    }
    return;
  }
  switch (index) {
    case 3: drawPadButton(f, c, PadSymbol::kFire); break;
    case 7:  // recentre the tilt
      drawPadButton(f, c, PadSymbol::kDot);
      strokeCircle(f, c, 6.5f, neon(kWhite, 1.0f, 0.8f));
      break;
    case 11: drawPadButton(f, c, PadSymbol::kThrust); break;
    default: drawPadButton(f, c, PadSymbol::kDot); break;
  }
}

}  // namespace

void writeIcons(const std::filesystem::path& dataDir) { writeSheet(dataDir, {"common/icons", 32, 32, 16, 4}, drawIcon); }

void writeDpad(const std::filesystem::path& dataDir) { writeSheet(dataDir, {"common/dpad", 32, 32, 16, 4}, drawDpadFrame); }

}  // namespace assetgen
