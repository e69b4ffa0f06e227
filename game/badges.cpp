// Badge notices: each queued badge slides in at the bottom left as a small
// box with its name and icon, stays a few seconds and slides out again.
// Relies on game/app.h (drawing toolkit, the badge queue and texts).
#include "game/app.h"

namespace {

constexpr int kShownSlots = 13;
constexpr float kRowHeight = 34;
constexpr float kBoxWidth = 160;
constexpr float kBoxHeight = 32;
constexpr float kBoxAlpha = 0.8f;
constexpr float kSlideSpeed = 16;
constexpr int kSlideOutAfter = 230;
constexpr float kSlideOutEnd = 3680;       // kSlideSpeed x the timer at which the box is gone
constexpr int kClearAfter = 240;
constexpr float kNameX = 16;
constexpr float kNameY = 4;
constexpr int kBadgeIcons = 64;
constexpr float kIconX = 144;
constexpr float kIconY = 16;
constexpr float kIconSize = 0.5f;

}  // namespace

void c_MyApp::p_ShowBadges() {
  for (int r = 0; r < kShownSlots; ++r) {
    if (m_badgeTimers[r] <= 0) continue;
    int timer = ++m_badgeTimers[r];
    if (timer > kClearAfter) {
      m_badgeTimers[r] = 0;
      m_badgeQueue[r] = 0;
      continue;
    }
    float y = vx_Velmar_jscrh - kRowHeight * r - kRowHeight;
    float x = kSlideSpeed * timer - kBoxWidth;
    if (x > 0) x = 0;
    if (timer > kSlideOutAfter) x = kSlideOutEnd - kSlideSpeed * timer;
    int badge = m_badgeQueue[r];
    p_ResetDraw();
    p_SetCol(0, 0, 80, kBoxAlpha);
    p_Rect(x, y, kBoxWidth, kBoxHeight);
    p_ResetDraw();
    p_Text(x + kNameX, y + kNameY, p_BadgeName(badge), 0, 0, 0);
    if (badge >= 0 && badge < kBadgeIcons) {
      p_SetSize(kIconSize, kAbsentF);
      p_DrawImg(kSlotBadges, x + kIconX, y + kIconY, badge);
    }
    p_ResetDraw();
  }
}
