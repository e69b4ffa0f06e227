// Menu hardware: "common/Buttons" (64 x 64 x 16; 0-5 difficulty plates, 8, 9,
// 10 three concentric gear layers the menu turns against each other, 12 the
// framework's mark beside "Coded in") and "common/circle" (256 x 256 x 4;
// 1 the hub under the options gear, 3 the difficulty wheel).
#include "images.h"

#include "motifs.h"
#include "palette.h"
#include "sheet.h"
#include "stroke_font.h"

namespace assetgen {

namespace {

// A plate: a rectangle with chamfered corners around `c`.
Path plateOutline(Vec2 c, float w, float h, float chamfer) {
  float x0 = c.x - w / 2, x1 = c.x + w / 2, y0 = c.y - h / 2, y1 = c.y + h / 2;
  return {{x0 + chamfer, y0}, {x1 - chamfer, y0}, {x1, y0 + chamfer}, {x1, y1 - chamfer},
          {x1 - chamfer, y1}, {x0 + chamfer, y1}, {x0, y1 - chamfer}, {x0, y0 + chamfer}};
}

// A difficulty plate with `pips` dots along its foot.
void drawPlate(Frame& f, Colour colour, int pips) {
  Vec2 c = f.centre();
  Path outline = plateOutline(c, 58, 28, 7);
  body(f, outline, {colour * 0.2f, 0.85f}, neon(colour, 1.6f, 1.6f, 0.5f));
  stroke(f, plateOutline(c, 50, 20, 4.5f), true, hairline(colour, 0.8f, 0.45f));
  for (int i = 0; i < pips; ++i) glowDot(f, c + Vec2{(i - (pips - 1) * 0.5f) * 5.0f, 11.0f}, 0.9f, kWhite, 0.9f);
}

void drawGearLayer(Frame& f, int layer) {
  Vec2 c = f.centre();
  if (layer == 0) {
    Path teeth = gearOutline(c, 29, 25, 16);
    fillLoops(f, {teeth, regularPolygon(c, 20.5f, 48)}, {kCyan * 0.25f, 0.8f});
    stroke(f, teeth, true, neon(kCyan, 1.4f, 1.3f, 0.45f));
    strokeCircle(f, c, 20.5f, neon(kCyan, 1.1f, 1.0f, 0.4f));
  } else if (layer == 1) {
    Path teeth = gearOutline(c, 18.5f, 15, 10, 18);
    fillLoops(f, {teeth, regularPolygon(c, 10.5f, 36)}, {kSkyBlue * 0.3f, 0.8f});
    stroke(f, teeth, true, neon(kIce, 1.3f, 1.2f, 0.45f));
    strokeCircle(f, c, 10.5f, neon(kIce, 1.0f, 0.9f, 0.4f));
    for (int k = 0; k < 3; ++k) glowDot(f, polar(c, 12.8f, 120.0f * k), 0.9f, kWhite, 1.0f);
  } else {
    Path teeth = gearOutline(c, 8.8f, 6.4f, 6, 30);
    body(f, teeth, {kGold * 0.3f, 0.9f}, neon(kGold, 1.3f, 1.2f, 0.5f));
    glowDot(f, c, 1.8f, kWhite, 1.0f);
  }
}

// The framework's mark: a hexagon around a T.
void drawFrameworkMark(Frame& f) {
  Vec2 c = f.centre();
  body(f, regularPolygon(c, 15, 6, 30), {kNight, 0.8f}, neon(kCyan, 1.6f, 1.6f, 0.5f));
  for (const Path& p : strokeText("T", c + Vec2{-5.5f, -8.0f}, 16, 0)) stroke(f, p, false, neon(kWhite, 2.2f, 1.2f));
}

void drawButtonFrame(Frame& f, int index) {
  const Colour plates[6] = {kLime, kCyan, kRed, kViolet, kGold, kSkyBlue};
  Vec2 c = f.centre();
  if (index < 6) {
    drawPlate(f, plates[index], index % 3 + 1 + (index / 3) * 3);
  } else if (index == 6) {  // a locked plate
    drawPlate(f, Colour{0.5f, 0.52f, 0.6f}, 0);
    stroke(f, arc(c + Vec2{0, -3}, 4.0f, -90, 90, 10), false, neon(kIce, 1.4f, 1.0f));
    body(f, roundedRect(c.x - 6, c.y - 3, 12, 9, 1.5f), {kIce, 0.8f}, neon(kIce, 1.0f, 0.8f));
  } else if (index == 7) {  // a plain white plate, for tinting
    drawPlate(f, kWhite, 0);
  } else if (index <= 10) {
    drawGearLayer(f, index - 8);
  } else if (index == 11) {  // the gear layers assembled
    for (int layer = 0; layer < 3; ++layer) drawGearLayer(f, layer);
  } else if (index == 12) {
    drawFrameworkMark(f);
  } else if (index <= 14) {  // back and forward plates
    drawPlate(f, kCyan, 0);
    float s = index == 13 ? -1.0f : 1.0f;
    stroke(f, {c + Vec2{-s * 4, -7}, c + Vec2{s * 4, 0}, c + Vec2{-s * 4, 7}}, false, neon(kWhite, 2.0f, 1.4f));
  } else {  // confirm plate
    drawPlate(f, kLime, 0);
    stroke(f, {c + Vec2{-6, 0}, c + Vec2{-2, 5}, c + Vec2{6.5f, -5}}, false, neon(kWhite, 2.0f, 1.4f));
  }
}

void drawHub(Frame& f) {
  Vec2 c = f.centre();
  radialDisc(f, c, 112, kNight * 1.6f, kNight, 0.85f, 0.7f);
  strokeCircle(f, c, 112, neon(kCyan, 3.0f, 3.5f, 0.5f));
  strokeCircle(f, c, 94, hairline(kCyan, 1.5f, 0.5f));
  for (int k = 0; k < 24; ++k) {
    Stroke tick = hairline(kIce, k % 6 == 0 ? 3.0f : 1.6f, k % 6 == 0 ? 0.9f : 0.5f);
    stroke(f, {polar(c, 98, 15.0f * k), polar(c, k % 6 == 0 ? 108.0f : 104.0f, 15.0f * k)}, false, tick);
  }
}

// The difficulty wheel: the menu draws its items on this band, 116..183
// screen units from the hub at scale 1.5625, i.e. 74..117 units here.
void drawWheel(Frame& f) {
  Vec2 c = f.centre();
  Vec2 cp = f.toPixel(c);
  float scale = f.scale;
  paintField(f, {c.x - 124, c.y - 124, c.x + 124, c.y + 124}, Blend::Over,
             [&](float px, float py) { return std::fabs(std::hypot(px - cp.x, py - cp.y) - 97.0f * scale) - 25.0f * scale; },
             [&](Vec2, float d) { return premul(kNight, 0.55f * std::clamp(0.5f - d, 0.0f, 1.0f)); });
  strokeCircle(f, c, 122, neon(kCyan, 2.6f, 3.0f, 0.5f));
  strokeCircle(f, c, 72, neon(kViolet, 1.6f, 2.0f, 0.4f));
  for (int k = 0; k < 45; ++k) {
    bool major = k % 4 == 0;  // every 32 degrees, the item spacing
    stroke(f, {polar(c, major ? 108.0f : 114.0f, 8.0f * k), polar(c, 119, 8.0f * k)}, false,
           hairline(kIce, major ? 2.4f : 1.2f, major ? 0.9f : 0.5f));
  }
  for (int k = 0; k < 12; ++k)
    stroke(f, {polar(c, 30, 30.0f * k + 15), polar(c, 70, 30.0f * k + 15)}, false, hairline(kViolet, 1.5f, 0.35f));
  for (int k = 0; k < 3; ++k) glowDot(f, polar(c, 97, 120.0f * k + 4), 2.2f, kWhite, 0.8f);
}

void drawCircleFrame(Frame& f, int index) {
  Vec2 c = f.centre();
  switch (index) {
    case 0:  // a soft shadow disc
      radialDisc(f, c, 120, kNight, kNight, 0.75f, 0.0f);
      break;
    case 1:
      drawHub(f);
      break;
    case 2:  // a dashed orbit ring
      for (int k = 0; k < 36; ++k) stroke(f, arc(c, 116, 10.0f * k + 1.5f, 10.0f * k + 6.5f, 4), false, neon(kCyan, 2.0f, 2.0f, 0.45f));
      break;
    default:
      drawWheel(f);
      break;
  }
}

}  // namespace

void writeButtons(const std::filesystem::path& dataDir) {
  writeSheet(dataDir, {"common/Buttons", 64, 64, 16, 4}, drawButtonFrame);
}

void writeCircle(const std::filesystem::path& dataDir) {
  writeSheet(dataDir, {"common/circle", 256, 256, 4, 2}, drawCircleFrame);
}

}  // namespace assetgen
