// Button icons of the game font. The escape letters name keys of the
// keyboard (J K L I U O Q E F W S A D) and, on a pad, the buttons the same
// game keys read: J K L I the face buttons 0..3 (A, B, X, Y), U and O the
// shoulder buttons, Q and E back and start, W S A D the d-pad directions and
// F the whole d-pad. An escape advances 11 units (13 for U and O), so icons
// are 9..11 units wide from column 2, centred on the capitals' middle row.
#include "font_icons.h"

#include "motifs.h"
#include "paint.h"
#include "palette.h"
#include "pixel_art.h"

namespace assetgen {

namespace {

constexpr Vec2 kIconCentre{7.5f, 7.5f};
constexpr Colour kKeyFace{0.9f, 0.92f, 0.97f};
constexpr Colour kKeyLip{0.48f, 0.52f, 0.62f};
constexpr Colour kInk{0.06f, 0.08f, 0.16f};
constexpr Colour kPadGrey{0.72f, 0.75f, 0.82f};

// Cells of the pad set and the keyboard set (the keyboard cell is the pad cell + 16).
enum PadCell {
  kFaceJ = 96, kFaceK, kFaceL, kFaceI, kShoulderU, kShoulderO, kBackQ, kStartE,
  kDpadF, kDpadW, kDpadS, kDpadA, kDpadD, kFaceFlash, kShoulderFlash, kPointer,
};
constexpr int kKeyboardOffset = 16;
constexpr char kKeyLetters[] = "JKLIUOQEFWSAD";

void shadowFill(Frame& f, const Path& outline) {
  fill(f, translated(outline, {1, 1}), {kShadowColour, kShadowAlpha});
}

void shadowDisc(Frame& f, Vec2 c, float r) { fillCircle(f, c + Vec2{1, 1}, r, {kShadowColour, kShadowAlpha}); }

// A disc lit from the upper left.
void gradientDisc(Frame& f, Vec2 c, float r, Colour colour) {
  Vec2 light = c + Vec2{-r * 0.45f, -r * 0.45f};
  Vec2 cp = f.toPixel(c);
  float rp = r * f.scale;
  paintField(f, {c.x - r - 1, c.y - r - 1, c.x + r + 1, c.y + r + 1}, Blend::Over,
             [&](float px, float py) { return std::hypot(px - cp.x, py - cp.y) - rp; },
             [&](Vec2 p, float d) {
               float t = std::clamp(length(p - light) / (r * 1.6f), 0.0f, 1.0f);
               return premul(mix(mix(colour, kWhite, 0.4f), colour * 0.75f, t), std::clamp(0.5f - d, 0.0f, 1.0f));
             });
}

// A face button: a coloured disc with its dark label (Xbox colours and letters).
void face(Frame& f, Colour colour, char label) {
  shadowDisc(f, kIconCentre, 5.0f);
  gradientDisc(f, kIconCentre, 5.0f, colour);
  drawBitmap(f, miniGlyph(label), 6, 5, kInk, 1.0f);
}

Path shoulderShape() { return roundedRect(2, 3, 11, 9, 3.0f); }

void shoulder(Frame& f, char side) {
  Path tab = shoulderShape();
  shadowFill(f, tab);
  fill(f, tab, {kPadGrey, 1});
  fill(f, roundedRect(2, 3, 11, 4, 2.0f), {mix(kPadGrey, kWhite, 0.5f), 0.8f});
  drawBitmap(f, miniGlyph(side), 4, 5, kInk, 1.0f);
  drawBitmap(f, miniGlyph('B'), 8, 5, kInk, 1.0f);
}

// The d-pad cross; `lit` is the arm shown pressed: 0 none, 1 up, 2 down, 3 left, 4 right.
void dpad(Frame& f, int lit) {
  const float a = 2.0f, e = 5.2f;  // half arm width, arm reach
  Vec2 c = kIconCentre;
  Path cross = {{c.x - a, c.y - e}, {c.x + a, c.y - e}, {c.x + a, c.y - a}, {c.x + e, c.y - a},
                {c.x + e, c.y + a}, {c.x + a, c.y + a}, {c.x + a, c.y + e}, {c.x - a, c.y + e},
                {c.x - a, c.y + a}, {c.x - e, c.y + a}, {c.x - e, c.y - a}, {c.x - a, c.y - a}};
  shadowFill(f, cross);
  fill(f, cross, {lit ? kPadGrey * 0.75f : kPadGrey, 1});
  if (lit) {
    const Vec2 dir[5] = {{0, 0}, {0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    Vec2 d = dir[lit], n{-d.y, d.x};
    Vec2 tip = c + d * e, base = c + d * (a * 0.6f);
    Path arm = {base + n * a, tip + n * a, tip - n * a, base - n * a};
    fill(f, arm, {kWhite, 1});
    glowDot(f, c + d * (e * 0.65f), 1.8f, kCyan, 0.5f);
  }
  fillCircle(f, c, 1.1f, {kInk, 0.7f});
}

void flashDisc(Frame& f) {
  shadowDisc(f, kIconCentre, 5.0f);
  fillCircle(f, kIconCentre, 5.0f, {kWhite, 1});
  strokeCircle(f, kIconCentre, 5.0f, neon(kIce, 0.8f, 1.2f, 0.6f));
}

void flashTab(Frame& f) {
  Path tab = shoulderShape();
  shadowFill(f, tab);
  fill(f, tab, {kWhite, 1});
  stroke(f, tab, true, neon(kIce, 0.8f, 1.2f, 0.6f));
}

// Back and start: small round buttons with a left arrow or three bars.
void smallButton(Frame& f, bool start) {
  shadowDisc(f, kIconCentre, 4.6f);
  gradientDisc(f, kIconCentre, 4.6f, kPadGrey);
  Vec2 c = kIconCentre;
  if (start) {
    for (int i = -1; i <= 1; ++i) fill(f, {{c.x - 2.5f, c.y + i * 2.0f - 0.5f}, {c.x + 2.5f, c.y + i * 2.0f - 0.5f},
                                          {c.x + 2.5f, c.y + i * 2.0f + 0.5f}, {c.x - 2.5f, c.y + i * 2.0f + 0.5f}},
                                      {kInk, 1});
  } else {
    fill(f, {{c.x - 2.8f, c.y}, {c.x + 2.0f, c.y - 2.8f}, {c.x + 2.0f, c.y + 2.8f}}, {kInk, 1});
  }
}

void pointer(Frame& f) {
  Path mouse = roundedRect(4, 2.5f, 7, 10, 3.4f);
  shadowFill(f, mouse);
  fill(f, mouse, {kPadGrey, 1});
  stroke(f, {{7.5f, 2.5f}, {7.5f, 6.5f}}, false, hairline(kInk, 0.8f));
  stroke(f, {{4.0f, 6.5f}, {11.0f, 6.5f}}, false, hairline(kInk, 0.8f));
}

// A keyboard key: light face over a darker lip, the letter in the face.
void keycap(Frame& f, char letter, float width, bool flash) {
  Path whole = roundedRect(2, 3, width, 10, 1.8f);
  shadowFill(f, whole);
  fill(f, whole, {flash ? kIce : kKeyLip, 1});
  fill(f, roundedRect(2, 3, width, 8.3f, 1.8f), {flash ? kWhite : kKeyFace, 1});
  if (flash) {
    stroke(f, whole, true, neon(kIce, 0.6f, 1.2f, 0.6f));
    return;
  }
  const Bitmap& g = glyph(letter);
  drawBitmap(f, g, 2 + (static_cast<int>(width) - g.width) / 2, 4, kInk, 1.0f);
}

float keyWidth(char letter) {
  if (letter == 'U' || letter == 'O') return 11;  // these escapes advance 13
  return static_cast<float>(glyph(letter).width + 4);
}

}  // namespace

void drawFontIcon(Frame& f, int cell) {
  if (cell >= kFirstIconCell + kKeyboardOffset) {
    int pad = cell - kKeyboardOffset;
    if (pad <= kDpadD) {
      char letter = kKeyLetters[pad - kFaceJ];
      keycap(f, letter, keyWidth(letter), false);
    } else if (pad == kFaceFlash) {
      keycap(f, ' ', 9, true);
    } else if (pad == kShoulderFlash) {
      keycap(f, ' ', 11, true);
    } else {
      drawShip(f, kIconCentre, 11.0f, kMint, 1.0f, 0.8f);
    }
    return;
  }
  switch (cell) {
    case kFaceJ: face(f, Colour{0.35f, 0.85f, 0.3f}, 'A'); break;
    case kFaceK: face(f, Colour{0.95f, 0.3f, 0.28f}, 'B'); break;
    case kFaceL: face(f, Colour{0.3f, 0.55f, 1.0f}, 'X'); break;
    case kFaceI: face(f, Colour{1.0f, 0.8f, 0.2f}, 'Y'); break;
    case kShoulderU: shoulder(f, 'L'); break;
    case kShoulderO: shoulder(f, 'R'); break;
    case kBackQ: smallButton(f, false); break;
    case kStartE: smallButton(f, true); break;
    case kDpadF: dpad(f, 0); break;
    case kDpadW: dpad(f, 1); break;
    case kDpadS: dpad(f, 2); break;
    case kDpadA: dpad(f, 3); break;
    case kDpadD: dpad(f, 4); break;
    case kFaceFlash: flashDisc(f); break;
    case kShoulderFlash: flashTab(f); break;
    default: pointer(f); break;
  }
}

}  // namespace assetgen
