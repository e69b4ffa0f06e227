// The pause menu over a stopped round: the darkening that slides in and out
// with the menu, a decorative figure the arrows reshape, "PAUSED", and the
// resume, end-game and options items. Relies on game/app.h (drawing toolkit,
// p_Button, game keys, sounds; the option box opens over it).
#include <cmath>

#include "game/app.h"
#include "game/common.h"

namespace {

constexpr int kKeep = -123;
constexpr float kDarkenShare = 0.8f;       // full darkening would need 0.8 of the height
constexpr int kPauseOpening = 1;
constexpr int kPauseClosing = -1;
constexpr int kSlideStep = 24;
constexpr int kClosedBelow = -32;
constexpr int kHiddenBelow = -63;
constexpr int kHiddenY = -64;

// The figure: three angles, a trail of points kept in the pause table.
constexpr float kAngle1Turn = 1;
constexpr float kAngle3Turn = 1.5f;
constexpr float kRadiusStep = 1;
constexpr float kRadiusShare = 0.45f;
constexpr float kRadiusMargin = 96;
constexpr float kStepChange = 0.25f;
constexpr float kStepMax = 128;
constexpr int kTrailPoints = 100;
constexpr float kArm1 = 0.55f;
constexpr float kArm2 = 0.45f;
constexpr float kLineOffset = 0.5f;
constexpr float kHueStep = 3.6f;
constexpr float kHueThird = 120;
constexpr float kHalfColour = 127.5f;
constexpr float kFigureTextSize = 2;
constexpr float kFigureTextAlpha = 0.8f;
constexpr float kFigureTextInset = 8;

// Title and items.
constexpr float kTitleOffset = 96;
constexpr float kTitleSize = 4;
constexpr float kItemX = 64;
constexpr float kResumeY = 196;
constexpr float kEndY = 96;
constexpr float kOptionsY = 296;
constexpr float kPortraitEndLift = 24;
constexpr float kPortraitOptionsLift = 96;
constexpr int kResumeFrame = 3;
constexpr int kEndFrame = 1;
constexpr int kHighlightFrame = 6;
constexpr float kHighlightSize = 2.5f;
constexpr float kIconSize = 2;
constexpr int kGearFrames[] = {8, 9, 10};
constexpr float kGearTurns[] = {-0.66f, 0.33f, 1};
constexpr float kGearTurnPerUpdate = 0.2f;
constexpr int kCursorEnd = -1;
constexpr int kCursorResume = 0;
constexpr int kCursorOptions = 1;
constexpr float kSoundVolume = 0.5f;
constexpr float kRateUp = 0.8f;
constexpr float kRateDown = 1.2f;
constexpr float kRateEnd = 0.5f;

}  // namespace

void c_MyApp::p_PauseMenu() {
  p_DoBG(kKeep, kKeep, kKeep, kKeep);
  p_SetCol(0, 0, 0, std::fabs(static_cast<float>(m_pauseY)) / (kDarkenShare * H()));
  p_Rect(0, 0, W(), H());
  p_PauseSlide();
  p_PauseFigure();
  p_ResetDraw();
  p_SetSize(kTitleSize, kAbsentF);
  p_Text(W() / 2 + kTitleOffset, H() / 2, String("PAUSED"), 1, 1, 0);
  p_PauseItems();
  p_ResetDraw();
}

// Opening slides the menu in to half the height; closing slides it out and
// then lets play run again.
void c_MyApp::p_PauseSlide() {
  int half = static_cast<int>(H() / 2);
  if (m_pauseState == kPauseOpening) {
    m_pauseY += kSlideStep;
    if (m_pauseY > half) m_pauseY = half;
  } else if (m_pauseState == kPauseClosing) {
    bool hidden = m_pauseY < kHiddenBelow;
    m_pauseY -= kSlideStep;
    if (m_pauseY < kClosedBelow || hidden) m_paused = 0;
  }
}

// A trail of the last hundred points of three turning arms, in rainbow colours.
void c_MyApp::p_PauseFigure() {
  float maxRadius = kRadiusShare * std::fmin(H(), W()) - kRadiusMargin;
  if (p_PlayKeyAll(kGameKeyUp, 1) > 0) m_pauseRadius += kRadiusStep;
  if (p_PlayKeyAll(kGameKeyDown, 1) > 0) m_pauseRadius -= kRadiusStep;
  if (p_PlayKeyAll(kGameKeyLeft, 1) > 0) m_pauseStep -= kStepChange;
  if (p_PlayKeyAll(kGameKeyRight, 1) > 0) m_pauseStep += kStepChange;
  m_pauseRadius = std::fmax(0.0f, std::fmin(m_pauseRadius, std::fmax(0.0f, maxRadius)));
  m_pauseStep = std::fmax(0.0f, std::fmin(m_pauseStep, kStepMax));

  m_pauseAngle1 = std::fmod(m_pauseAngle1 + kAngle1Turn, kFullTurn);
  m_pauseAngle2 = std::fmod(m_pauseAngle2 + m_pauseStep, kFullTurn);
  m_pauseAngle3 = std::fmod(m_pauseAngle3 + kAngle3Turn, kFullTurn);
  float cx = W() / 2 + kTitleOffset, cy = H() / 2, r = m_pauseRadius;
  m_pauseTable[2 * m_pauseHead] = cx + r * (kArm1 * SinDeg(m_pauseAngle1) + kArm2 * SinDeg(m_pauseAngle2));
  m_pauseTable[2 * m_pauseHead + 1] = cy - r * (kArm1 * CosDeg(m_pauseAngle3) + kArm2 * CosDeg(m_pauseAngle2));
  m_pauseHead = (m_pauseHead + 1) % kTrailPoints;
  if (m_pausePoints < kTrailPoints) ++m_pausePoints;

  p_ResetDraw();
  for (int i = 1; i < m_pausePoints; ++i) {
    int a = (m_pauseHead - m_pausePoints + i - 1 + kTrailPoints) % kTrailPoints;
    int b = (a + 1) % kTrailPoints;
    float hue = kHueStep * i + m_pauseAngle1;
    p_SetCol(kHalfColour + kHalfColour * SinDeg(hue), kHalfColour + kHalfColour * SinDeg(hue + kHueThird),
             kHalfColour + kHalfColour * SinDeg(hue + 2 * kHueThird), static_cast<float>(i) / m_pausePoints);
    float x1 = m_pauseTable[2 * a], y1 = m_pauseTable[2 * a + 1];
    float x2 = m_pauseTable[2 * b], y2 = m_pauseTable[2 * b + 1];
    p_Line(x1, y1, x2, y2);
    p_Line(x1 + kLineOffset, y1 + kLineOffset, x2 + kLineOffset, y2 + kLineOffset);
  }
  p_ResetDraw();
  p_SetCol(100, 255, 100, kFigureTextAlpha);
  p_SetSize(kFigureTextSize, kAbsentF);
  p_Text(W() - kFigureTextInset, H() - kFigureTextInset,
         String(m_pauseStep) + String(":") + String(static_cast<int>(m_pauseRadius)), 2, 2, 0);
}

// Resume, end game and options, by click, by the focused item and confirm,
// or resume by the back key anywhere.
void c_MyApp::p_PauseItems() {
  float resumeX = kItemX - (H() / 2 - m_pauseY);
  // A landscape screen stacks the items down the left edge, except for a
  // touch player, whose pad rests in the bottom-left corner: the items then
  // gather round the middle as on an upright screen, clear of the pad.
  bool landscape = H() <= W() && m_touchMode == 0;
  float endX = landscape ? resumeX : W() / 2 - kTitleOffset;
  float endY = landscape ? kEndY : m_pauseY - kPortraitEndLift;
  float gearX = landscape ? resumeX : W() / 2 + kTitleOffset;
  float gearY = landscape ? kOptionsY : m_pauseY - kPortraitOptionsLift;

  struct Spot {
    int cursor;
    float x, y;
  };
  const Spot spots[] = {{kCursorEnd, endX, endY}, {kCursorResume, resumeX, kResumeY}, {kCursorOptions, gearX, gearY}};
  for (const Spot& s : spots) {
    if (m_pauseCursor != s.cursor) continue;
    p_ResetDraw();
    p_SetCol(255, 255, 0, kAbsentF);
    p_SetSize(kHighlightSize, kAbsentF);
    p_DrawImg(kSlotIcons, s.x, s.y, kHighlightFrame);
  }

  p_ResetDraw();
  p_SetSize(kIconSize, kAbsentF);
  int resumeHit = p_Button(kSlotIcons, resumeX, kResumeY, kResumeFrame);
  int endHit = p_Button(kSlotIcons, endX, endY, kEndFrame);
  p_ResetDraw();
  int gearHit = 0;
  for (int i = 0; i < 3; ++i) {
    p_SetRot(kGearTurns[i] * m_gearAngle);
    gearHit = p_Button(kSlotButtons, gearX, gearY, kGearFrames[i]);
  }
  if (m_optionOpen == 0) m_gearAngle += kGearTurnPerUpdate;
  p_ResetDraw();

  if (m_pauseState != kPauseOpening || m_optionOpen != 0) return;
  bool keysFree = m_keyLatch == 0;
  bool pointerFree = m_pointerLatch == 0;
  bool confirm = keysFree && p_PlayKeyAll(kGameKeyFire, 1) > 0;

  if (keysFree && (p_PlayKeyAll(kGameKeyUp, 1) > 0 || p_PlayKeyAll(kGameKeyDown, 1) > 0)) {
    bool up = p_PlayKeyAll(kGameKeyUp, 1) > 0;
    int next = m_pauseCursor + (up ? -1 : 1);
    m_pauseCursor = next < kCursorEnd ? kCursorEnd : (next > kCursorOptions ? kCursorOptions : next);
    p_PlaySFX(kSfxCursor, up ? kRateUp : kRateDown, kSoundVolume, 0);
    m_keyLatch = 1;
    return;
  }
  if ((pointerFree && resumeHit == 1) || (confirm && m_pauseCursor == kCursorResume) ||
      (keysFree && p_PlayKeyAll(kGameKeyBack, 1) > 0)) {
    m_pauseState = kPauseClosing;
    p_PlaySFX(kSfxConfirm, 1, kSoundVolume, 0);
  } else if ((pointerFree && endHit == 1) || (confirm && m_pauseCursor == kCursorEnd)) {
    m_paused = 0;
    m_pauseState = kPauseClosing;
    m_pauseY = kHiddenY;
    m_gameOver = 1;
    m_quitRound = -1;
    p_PlaySFX(kSfxConfirm, kRateEnd, kSoundVolume, 0);
  } else if (pointerFree && gearHit == 1) {
    m_optionOpen = 1;
    m_optionCursor = 0;
    p_PlaySFX(kSfxCursor, 1);
  } else if (confirm && m_pauseCursor == kCursorOptions) {
    m_optionOpen = 1;
    m_optionCursor = 0;
    p_PlaySFX(kSfxConfirm, 1, kSoundVolume, 0);
  } else {
    return;
  }
  m_keyLatch = 1;
  m_pointerLatch = 1;
}
