// The console build's quit prompt (mode 4): a blue card over the last frame
// asking whether the back button really meant to quit. Relies on
// game/app.h (drawing toolkit, game keys) and runtime/ errors.
#include "game/app.h"
#include "runtime/errors.h"

namespace {

constexpr float kClearRed = 220;
constexpr float kClearGreen = 220;
constexpr float kClearBlue = 200;
constexpr float kPaintNothing = -1;        // clear alpha: the last frame stays
constexpr float kCardInset = 32;
constexpr float kDotInset = 48;
constexpr float kDotGap = 10;
constexpr float kDotAlpha = 0.4f;
constexpr float kTextX = 64;
constexpr float kTextTopShare = 0.3f;
constexpr float kHeadingSize = 3;
constexpr float kTextSize = 2;

struct PromptLine {
  const char* text;
  float gapBefore;
};
const PromptLine kLines[] = {{"The player is trying to quit", 36}, {"without using the lovely", 20},
                             {"quit button on the Menu.", 20},     {"What should I do?", 46},
                             {"Hit ^K to Quit", 38},              {"or ^J to Ignore", 20}};
constexpr int kIconEscape = 0xAC;          // "^" above stands for the icon escape

}  // namespace

void c_MyApp::p_OuyaQuit() {
  float w = vx_Velmar_jscrw, h = vx_Velmar_jscrh;
  p_CLS2D(kClearRed, kClearGreen, kClearBlue, kPaintNothing);
  p_SetCol(0, 0, 128, 1);
  p_Rect(kCardInset, kCardInset, w - 2 * kCardInset, h - 2 * kCardInset);
  p_SetCol(255, 0, 0, kDotAlpha);
  for (int r = 3; r >= 1; --r) p_Oval(w - kDotInset - kDotGap * (3 - r), h - kDotInset, r, r);

  p_ResetDraw();
  float y = kTextTopShare * h;
  p_SetSize(kHeadingSize, kAbsentF);
  p_Text(kTextX, y, String("Unexpected Quit"), 0, 1, 0);
  p_SetSize(kTextSize, kAbsentF);
  for (const PromptLine& line : kLines) {
    y += line.gapBefore;
    p_Text(kTextX, y, String(line.text).Replace(String("^"), String::FromChar(kIconEscape)), 0, 1, 0);
  }
  p_ResetDraw();

  if (m_keyLatch != 0 || m_pointerLatch != 0) return;
  if (p_PlayKeyAll(kGameKeyFire, 1) > 0) {
    m_mode = kModeMenu;
    m_keyLatch = 1;
    m_pointerLatch = 1;
  } else if (p_PlayKeyAll(kGameKeyThrust, 1) > 0 || p_PlayKeyAll(kGameKeyButton12, 1) > 0 ||
             p_PlayKeyAll(kGameKeyBack, 1) > 0) {
    vxError(String());
  }
}
