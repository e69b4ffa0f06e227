// Text in the sprite font: per-letter spacing, the button-icon escapes with
// their blink, the written "\n" line break, rotated and aligned layout, and
// the left-padding of numbers. Glyphs become ordinary image commands of the
// display list. Relies on game/app.h and the host clock.
#include "game/app.h"
#include "game/common.h"
#include "host/app.h"

namespace {

constexpr Char kEscape = 0x00AC;           // "¬": the next letter names an icon
constexpr Char kBackslash = '\\';
constexpr Char kLineBreakLetter = 'n';
constexpr int kFirstGlyphCode = 32;        // frame n of the font is character n + 32
constexpr int kLastGlyph = 127;
constexpr int kNullGlyph = -kFirstGlyphCode;
constexpr int kEscapeMeasureAdjust = 2;    // an escape measures narrower than it draws
constexpr int kKeyboardIconShift = 16;     // keyboard icons sit 16 glyphs after the pad icons
constexpr int kBlinkPeriodMillis = 500;
constexpr int kBlinkOnMillis = 200;

// Spacing added to the font's advance for one character.
int LetterAdjust(Char c) {
  switch (c) {
    case 'm': case 'w': return 2;
    case 'M': case 'W': return 1;
    case 'i': case 'f': case 'l': return -3;
    case 'j': case 'k': case 'n': case 'r': case 's': case 't': case 'z': return -1;
    default: return 0;
  }
}

struct EscapeIcon {
  Char letter;
  int glyph;
  int blinkGlyph;                          // 0: the icon does not blink
  int adjust;
};

constexpr EscapeIcon kEscapeIcons[] = {
    {'A', 107, 104, 4}, {'D', 108, 104, 4}, {'S', 106, 104, 4}, {'W', 105, 104, 4},
    {'I', 99, 109, 4},  {'J', 96, 109, 4},  {'K', 97, 109, 4},  {'L', 98, 109, 4},
    {'U', 100, 110, 6}, {'O', 101, 110, 6}, {'Q', 102, 0, 4},   {'E', 103, 0, 4},
    {'F', 104, 0, 4}};
constexpr int kOtherEscapeAdjust = 4;

}  // namespace

// The glyph an escape letter draws now: the blink frame during the blink phase
// on a joypad, the keyboard set when the last input was the keyboard.
int c_MyApp::p_EscapeGlyph(int letter, int* adjust) {
  int glyph = letter, blinkGlyph = 0;
  *adjust = kOtherEscapeAdjust;
  for (const EscapeIcon& icon : kEscapeIcons) {
    if (icon.letter == letter) {
      glyph = icon.glyph;
      blinkGlyph = icon.blinkGlyph;
      *adjust = icon.adjust;
      break;
    }
  }
  bool blinking = vx_app_Millisecs() % kBlinkPeriodMillis < kBlinkOnMillis && m_inputKind == kInputKindJoypad;
  if (blinkGlyph != 0 && blinking) return blinkGlyph;
  if (m_inputKind == kInputKindKeyboard) glyph += kKeyboardIconShift;
  return glyph;
}

// The leading space is counted, the last character is not, and an escape counts
// the advance plus two.
int c_MyApp::p_TextWidth(const String& s) {
  int advance = m_imageInfo[m_fontSlot * kImageInfoStride + kInfoFrameWidth];
  int width = 0;
  for (int i = 0; i < s.Length() - 1; ++i) {
    int adjust;
    if (s[i] == kEscape) {
      adjust = kEscapeMeasureAdjust;
      ++i;
    } else {
      adjust = LetterAdjust(s[i]);
    }
    width = static_cast<int>(static_cast<float>(width) + static_cast<float>(advance + adjust) * m_drawSizeX);
  }
  return width;
}

void c_MyApp::p_Text(float x, float y, String text, float alignX, float alignY, int slotOffset) {
  String s = String(" ") + text;
  int advance = m_imageInfo[m_fontSlot * kImageInfoStride + kInfoFrameWidth];
  int lineHeight = m_imageInfo[m_fontSlot * kImageInfoStride + kInfoFrameHeight];
  float sx = m_drawSizeX, sy = m_drawSizeY;
  float width = static_cast<float>(p_TextWidth(s));

  float theta = -m_drawRot * kDegToRad;
  float ux = Cos(theta), uy = Sin(theta);
  float vx = -uy, vy = ux;
  float h = static_cast<float>(lineHeight) * sy;
  float along = width * alignX * 0.5f, down = h * (alignY - 1) * 0.5f;
  float originX = x - ux * along - vx * down, originY = y - uy * along - vy * down;
  float penX = originX, penY = originY;
  int line = 0;

  int i = 0;
  while (i < s.Length()) {
    int glyph, adjust;
    bool escaped = s[i] == kEscape;
    if (escaped) {
      ++i;
      if (i >= s.Length()) break;
      glyph = p_EscapeGlyph(s[i], &adjust);
    } else {
      glyph = s[i] - kFirstGlyphCode;
      adjust = LetterAdjust(s[i]);
    }
    if (!escaped && s[i] == kBackslash && i + 1 < s.Length() && s[i + 1] == kLineBreakLetter) {
      ++line;
      float lineDown = static_cast<float>(line) * static_cast<float>(lineHeight + adjust) * sy;
      float step = static_cast<float>(advance + adjust) * sx;
      penX = originX + vx * lineDown + ux * step;
      penY = originY + vy * lineDown + uy * step;
      i += 2;
      continue;
    }
    if (glyph == kNullGlyph) {
      ++i;
      continue;
    }
    if (glyph >= 1 && glyph <= kLastGlyph) p_DrawImg(m_fontSlot + slotOffset, penX, penY, static_cast<float>(glyph));
    float step = static_cast<float>(advance + adjust) * sx;
    penX += ux * step;
    penY += uy * step;
    ++i;
  }
}

String c_MyApp::p_rstr(int value, int width, String pad) {
  String s;
  for (int k = 0; k <= width; ++k) s += pad;
  s += String(value);
  if (width <= 0 || width >= s.Length()) return s;
  return s.Slice(s.Length() - width);
}
