// The main menu (mode 1): title, the side panel with the score lists and,
// when opened, the credits roll, statistics and the ring of ovals; the options
// gear; the difficulty wheel with its drag, spring-back and touch choice; and
// the menu keys with their repeat. Relies on game/app.h (drawing toolkit, game
// keys, sounds, the score lists of the saved state) and runtime/ errors.
#include <cmath>

#include "game/app.h"
#include "game/common.h"
#include "host/app.h"
#include "runtime/errors.h"

namespace {

constexpr float kKeepAlpha = -123.0f;
constexpr int kMenuBgRed = 0;
constexpr int kMenuBgGreen = 10;
constexpr int kMenuBgBlue = 20;
constexpr float kStarTurn = 0.25f;
constexpr float kIntroStep = 0.25f;        // the intro counter is an int: this lifts it by one

constexpr int kFocusGear = 0;
constexpr int kFocusWheel = 1;
constexpr int kFocusPanel = 2;
constexpr int kChoiceQuit = -1;            // console build only
constexpr int kChoiceEasy = 0;
constexpr int kChoiceHard = 2;

// Title and side panel.
constexpr float kPanelBaseWidth = 140;
constexpr float kTitleSize = 1.5f;
constexpr float kTitleShare = 0.55f;
constexpr float kTitleTop = 80;
constexpr float kTitleIntroLift = 12;
constexpr float kPanelIntroSlide = 8;
constexpr float kPanelTop = -128;
constexpr float kPanelOverhang = 32;
constexpr float kPanelBarWidth = 3;
constexpr float kPanelBarAlpha = 0.2f;
constexpr float kPanelShadeAlpha = 0.45f;
constexpr float kPanelShadeAlphaFocused = 0.75f;
constexpr float kMakerLogoY = 32;
constexpr float kMakerLogoSize = 0.25f;
constexpr float kMakerLogoSizeFocused = 0.35f;
constexpr int kPlayIconFrame = 3;
constexpr float kPlayIconSize = 3;
constexpr float kPlayIconAlpha = 0.5f;
constexpr float kPlayIconLift = 48;
constexpr float kPlayIconReach = 128;

// Score lists.
constexpr int kListRowsMax = 10;
constexpr float kListTextSize = 1.5f;
constexpr float kListBottomMargin = 90;
constexpr float kListIndent = 20;
constexpr float kListIntroSlide = 4;
constexpr float kBestListY = 60;
constexpr float kRecentListDrop = 20;
constexpr int kListDigits = 11;
// A screen too short for ten rows of each list at full size shows them at a
// smaller size, one list under the other: two headings, twenty rows and a
// blank line between the lists, ending this far above the bottom.
constexpr float kListMinTextSize = 1;
constexpr int kCompactHeadingLines = 1;
constexpr int kCompactBlankLines = 1;
constexpr float kCompactListExtraLines = 2 * kCompactHeadingLines + kCompactBlankLines;
constexpr float kCompactListLines = 2 * kListRowsMax + kCompactListExtraLines;
constexpr float kCompactListBottomInset = 10;

// Gear and wheel.
constexpr float kHubInsetX = 38;
constexpr float kHubInsetY = 64;
constexpr float kHubIntroX = 12;
constexpr float kHubIntroY = 8;
constexpr int kCircleGearFrame = 1;
constexpr int kCircleWheelFrame = 3;
constexpr float kGearBackSize = 0.5f;
constexpr float kGearAlphaFocused = 0.8f;
constexpr float kGearAlpha = 0.25f;
constexpr int kGearFrames[] = {8, 9, 10};
constexpr float kGearTurns[] = {1, -2, 4};
constexpr float kGearSize = 1.5f;
constexpr float kGearTurnPerUpdate = 0.3f;
constexpr float kGearReach = 64;
constexpr float kWheelSize = 1.5625f;
constexpr float kWheelStepAngle = -32;     // target angle per choice
constexpr float kDragReach = 500;
constexpr float kDragGain = 0.25f;
constexpr float kSpinLimit = 40;
constexpr float kSpinDragMark = 1;
constexpr int kLatchDragging = -1;
constexpr float kSpinDecay = 0.75f;
constexpr float kSpinStop = 1;
constexpr float kWheelEase = 8;
constexpr float kWheelSnap = 0.5f;
constexpr float kItemSpacing = 32;
constexpr float kItemBaseAngle = 48;
constexpr float kItemFocusAngle = 45;      // items near this angle stand out
constexpr float kItemDistance = 116;
constexpr float kItemBulge = 1.5f;
constexpr float kItemTilt = 55;
constexpr float kItemSizeChosen = 1.75f;
constexpr float kItemSize = 0.75f;
constexpr float kItemNameScale = 1.5f;
constexpr float kItemAlphaUnfocused = 0.3f;
constexpr int kItemFrames = 6;
constexpr int kQuitItemFrame = 1;
constexpr float kSpinMoving = 0.05f;
constexpr float kSpringSpeed = 4;
constexpr float kRangeLow = 30;
constexpr float kRangeHigh = 60;
constexpr float kRangeFar = 200;
constexpr float kTouchStartReach2 = 2048;
constexpr float kTouchChooseReach2 = 1352;
constexpr float kDescriptionMinWidth = 600;
constexpr float kDescriptionX = 240;
constexpr float kDescriptionLift = 52;
constexpr float kDescriptionIntro = 3;
constexpr float kDescriptionSize = 1.5f;

// Key repeat: the first step at once, then gaps of 31, 19, 7 and 4.
constexpr float kRepeatFirstDelay = 30;
constexpr float kRepeatDelayDrop = 12;
constexpr float kRepeatDelayMin = 3;

// Credits, statistics and the ring of ovals.
constexpr int kCreditLines = 56;           // the 57th line, "End", is never shown
constexpr float kCreditDrift = 0.3f;
constexpr float kCreditHurry = 1.5f;
constexpr float kCreditLineHeight = 16;
constexpr int kCreditFirstRow = -3;
constexpr int kCreditLastRow = 4;
constexpr float kCreditInset = 160;
constexpr float kCreditDrop = 24;
constexpr float kCreditFadeSpan = 40;
constexpr float kCreditFadeStart = 0.2f;
constexpr float kCreditAlign = 0.8f;
constexpr float kStatsInset = 20;
constexpr float kStatsTop = 16;
constexpr float kStatsGapBeforeHeading = 16;
constexpr float kStatsGapAfterHeading = 12;
constexpr int kOvalCount = 11;
constexpr float kOvalRadius = 32;
constexpr float kOvalAlpha = 0.3f;
constexpr float kOvalGrey = 0.3f * 255;
constexpr float kOvalRing = 100;
constexpr float kOvalInset = 150;
constexpr float kOvalTurn = 4;
constexpr int kOvalSpacing = 6;
constexpr int kCodedInFrame = 12;
constexpr float kCodedInShare = 0.3f;
constexpr float kCodedInLift = 64;
constexpr float kCodedInTextX = 32;
constexpr float kCodedInTextY = 16;
constexpr float kCodedInUrlY = 28;
const char* const kFrameworkAddress = "tarvik.example.org";

// Lowest choice the keys and the wheel may reach.
int LowestChoice() { return vx_Velmar_isOuya == 1 ? kChoiceQuit : kChoiceEasy; }

// Angle of wheel item k (clockwise from straight up) at the displayed angle.
float ItemAngle(int k, float wheelAngle) { return kItemSpacing * k + kItemBaseAngle + wheelAngle; }

}  // namespace

void c_MyApp::p_Menu() {
  if (m_menuChoice > kChoiceHard) m_menuChoice = kChoiceHard;
  p_DoBG(kMenuBgRed, kMenuBgGreen, kMenuBgBlue, kKeepAlpha);
  p_DoStarRot(kStarTurn);
  if (m_menuIntro < 0) m_menuIntro = static_cast<int>(m_menuIntro + kIntroStep);
  float panel = m_panelWidth + kPanelBaseWidth;
  m_difficulty = ClampInt(m_menuChoice + 1, kDifficultyEasy, kDifficultyHard);

  p_MenuBackKey();
  p_MenuTitle(panel);
  p_MenuSidePanel(panel);
  if (m_optionOpen == 0) p_MenuScoreLists(panel);
  float hubX = kHubIntroX * m_menuIntro + kHubInsetX;
  float hubY = H() - kHubInsetY - kHubIntroY * m_menuIntro;
  p_MenuGear(hubX, hubY);
  p_MenuWheel(hubX, hubY);
  p_MenuKeys();
  m_difficulty = ClampInt(m_menuChoice + 1, kDifficultyEasy, kDifficultyHard);
  if (m_panelOpen == 1) p_MenuPanelContents(panel);
  p_ResetDraw();
}

// A pointer press inside the box centred on (cx, cy).
int c_MyApp::p_MenuPress(float cx, float cy, float w, float h) {
  return m_mouseDown > 0 && p_MouseIn_Centered(cx, cy, w, h) == 1 ? 1 : 0;
}

// Back quits the desktop game; the console asks first.
void c_MyApp::p_MenuBackKey() {
  if (m_keyLatch != 0 || m_pointerLatch != 0) return;
  if (vx_Velmar_isOuya == 1) {
    if (p_PlayKeyAll(kGameKeyConsoleBack, 1) > 0 || p_PlayKey(kGameKeyBack, 1, -1) > 0) {
      m_mode = kModeConsoleQuit;
      m_keyLatch = 1;
      m_pointerLatch = 1;
    }
    return;
  }
  if (p_PlayKeyAll(kGameKeyBack, 1) > 0) vxError(String());
}

void c_MyApp::p_MenuTitle(float panel) {
  p_ResetDraw();
  p_SetSize(kTitleSize, kAbsentF);
  p_DrawImg(kSlotLogo, (W() - panel) * kTitleShare, m_menuIntro * kTitleIntroLift + kTitleTop, 0);
  p_ResetDraw();
}

// The shaded column at the right: focus and opening by press, the play icon.
void c_MyApp::p_MenuSidePanel(float panel) {
  bool focused = m_menuFocus == kFocusPanel;
  float left = W() - panel - kPanelIntroSlide * m_menuIntro;
  float tall = H() - kPanelTop;
  p_ResetDraw();
  p_Alpha(focused ? 1.0f : kPanelBarAlpha);
  p_Rect(left - 2, kPanelTop, kPanelBarWidth, tall);
  p_SetCol(0, 0, 0, focused ? kPanelShadeAlphaFocused : kPanelShadeAlpha);
  p_Rect(left, kPanelTop, panel + kPanelOverhang, tall);
  p_SetCol(255, 255, 255, 1);
  p_SetSize(focused ? kMakerLogoSizeFocused : kMakerLogoSize, kAbsentF);
  p_DrawImg(kSlotMakerLogo, W() - panel / 2, kMakerLogoY, 0);

  bool free = m_keyLatch == 0 && m_pointerLatch == 0 && m_optionOpen == 0 && m_panelOpen == 0;
  if (free && p_MenuPress(left + (panel + kPanelOverhang) / 2, H() / 2, panel + kPanelOverhang, tall) == 1) {
    m_keyLatch = 1;
    m_pointerLatch = 1;
    if (!focused) {
      m_menuFocus = kFocusPanel;
      p_PlaySFX(kSfxCursor, 1);
    } else {
      p_MenuConfirm();
    }
  }

  float iconX = W() - panel / 2, iconY = H() - kPlayIconLift;
  p_ResetDraw();
  p_SetSize(kPlayIconSize, kAbsentF);
  p_SetCol(100, 255, 100, m_menuFocus == kFocusWheel ? kPlayIconAlpha : 0.0f);
  p_DrawImg(kSlotIcons, iconX, iconY, kPlayIconFrame);
  bool closed = m_optionOpen == 0 && m_panelOpen == 0;
  if (m_keyLatch == 0 && m_pointerLatch == 0 && closed &&
      p_MenuPress(iconX, iconY, kPlayIconReach, kPlayIconReach) == 1) {
    m_menuFocus = kFocusWheel;
    p_MenuConfirm();
  }
  p_ResetDraw();
}

// "Top n" and "Last n" over the rows that fit under half the screen; where
// fewer than ten would fit there, both lists shrink to show all ten.
void c_MyApp::p_MenuScoreLists(float panel) {
  int fontLine = m_imageInfo[m_fontSlot * kImageInfoStride + kInfoFrameHeight];
  float line = static_cast<float>(fontLine > 0 ? fontLine : kFontLineHeight);
  int rows = static_cast<int>(std::floor((H() - kListBottomMargin - H() / 2) / (kListTextSize * line)));
  rows = ClampInt(rows, 1, kListRowsMax);
  float size = kListTextSize;
  float recentY = H() / 2 + kRecentListDrop;
  if (rows < kListRowsMax) {
    float room = H() - kBestListY - kCompactListBottomInset;
    float fit = room / (kCompactListLines * line);
    if (fit >= kListMinTextSize) {
      size = std::fmin(fit, kListTextSize);
      rows = kListRowsMax;
    } else {
      size = kListMinTextSize;
      int perList = static_cast<int>(std::floor((room / (size * line) - kCompactListExtraLines) / 2));
      rows = ClampInt(perList, 1, kListRowsMax);
    }
    recentY = kBestListY + (kCompactHeadingLines + rows + kCompactBlankLines) * size * line;
  }
  int best = (m_difficulty - 1) * kScoresPerList;
  float x = W() - panel - kListIntroSlide * m_menuIntro + kListIndent;

  p_ResetDraw();
  p_SetSize(size, kAbsentF);
  p_SetCol(255, 200, 100, 1);
  p_Text(x, kBestListY, p_MenuScoreText(best, rows, "Top ", "Highscore"), 0, 1, 0);
  p_SetCol(200, 255, 100, 1);
  p_Text(x, recentY, p_MenuScoreText(best + kRecentScoresOffset, rows, "Last ", "Last"), 0, 1, 0);
  p_ResetDraw();
}

String c_MyApp::p_MenuScoreText(int first, int rows, const char* heading, const char* singleHeading) {
  String text = rows == 1 ? String(singleHeading) : String(heading) + String(rows);
  for (int k = 0; k < rows; ++k) text += String("\\n") + p_rstr(m_highScores[first + k], kListDigits, String(" "));
  return text;
}

// The options gear at the wheel's hub; a press opens the option box.
void c_MyApp::p_MenuGear(float hubX, float hubY) {
  bool focused = m_menuFocus == kFocusGear;
  p_ResetDraw();
  p_SetSize(kGearBackSize, kAbsentF);
  p_Alpha(focused ? kGearAlphaFocused : kGearAlpha);
  p_DrawImg(kSlotCircle, hubX, hubY, kCircleGearFrame);
  p_SetSize(kGearSize, kAbsentF);
  for (int i = 0; i < 3; ++i) {
    p_SetRot(kGearTurns[i] * m_gearAngle);
    p_DrawImg(kSlotButtons, hubX, hubY, kGearFrames[i]);
  }
  if (!focused) m_gearAngle = std::fmod(m_gearAngle + kGearTurnPerUpdate, kFullTurn);

  bool closed = m_optionOpen == 0 && m_panelOpen == 0;
  if (m_keyLatch == 0 && m_pointerLatch == 0 && closed && p_MenuPress(hubX, hubY, kGearReach, kGearReach) == 1) {
    m_optionOpen = 1;
    m_optionCursor = 0;
    p_PlaySFX(kSfxCursor, 1);
    m_keyLatch = 1;
    m_pointerLatch = 1;
  }
  p_ResetDraw();
}

void c_MyApp::p_MenuWheel(float hubX, float hubY) {
  int choiceBefore = m_menuChoice;
  p_MenuWheelDrag(hubX, hubY);

  if (m_wheelSpin != 0) {
    m_wheelTarget += m_wheelSpin;
    m_wheelSpin *= kSpinDecay;
    if (std::fabs(m_wheelSpin) < kSpinStop) m_wheelSpin = 0;
  }
  m_wheelAngle += (m_wheelTarget - m_wheelAngle) / kWheelEase;
  if (std::fabs(m_wheelTarget - m_wheelAngle) < kWheelSnap) m_wheelAngle = m_wheelTarget;

  p_ResetDraw();
  p_SetSize(kWheelSize, kAbsentF);
  p_SetRot(m_wheelAngle);
  if (m_menuFocus != kFocusWheel) p_Alpha(kItemAlphaUnfocused);
  p_DrawImg(kSlotCircle, hubX, hubY, kCircleWheelFrame);
  p_MenuWheelItems(hubX, hubY, choiceBefore);

  if (m_menuFocus == kFocusWheel && W() > kDescriptionMinWidth && m_menuChoice >= 0) {
    p_ResetDraw();
    p_SetSize(kDescriptionSize, kAbsentF);
    p_Text(kDescriptionX, H() - kDescriptionLift - kDescriptionIntro * m_menuIntro,
           vx_Velmar_MenuSet[2 * m_menuChoice + 1], 0, 1, 0);
  }
  p_ResetDraw();
}

// A pointer held on the wheel (outside the gear) spins it by its movement.
void c_MyApp::p_MenuWheelDrag(float hubX, float hubY) {
  if (m_mouseDown == 0) {
    m_wheelDragHeld = 0;
    m_touchChoicePending = 0;
    return;
  }
  bool onWheel = std::fabs(m_mouseX - hubX) < kDragReach / 2 && std::fabs(m_mouseY - hubY) < kDragReach / 2;
  bool onGear = std::fabs(m_mouseX - hubX) < kGearReach / 2 && std::fabs(m_mouseY - hubY) < kGearReach / 2;
  if (!onWheel || onGear) return;
  if (m_wheelDragHeld == 1) {
    float change = kDragGain * ((m_mouseX - m_wheelDragX) + (m_mouseY - m_wheelDragY));
    m_wheelSpin = std::fmax(-kSpinLimit, std::fmin(kSpinLimit, m_wheelSpin + change));
    if (std::fabs(change) > kSpinDragMark) {
      m_keyLatch = kLatchDragging;
      m_pointerLatch = kLatchDragging;
    }
    m_menuFocus = kFocusWheel;
  }
  m_wheelDragX = m_mouseX;
  m_wheelDragY = m_mouseY;
  m_wheelDragHeld = 1;
}

// Draws the items, springs the wheel back into range, and lets the item at
// about 45 degrees or a touched item become the choice.
void c_MyApp::p_MenuWheelItems(float hubX, float hubY, int choiceBefore) {
  bool focused = m_menuFocus == kFocusWheel;
  bool moving = std::fabs(m_wheelSpin) > kSpinMoving;
  if (moving) {
    float last = ItemAngle(kChoiceHard, m_wheelAngle), first = ItemAngle(kChoiceEasy, m_wheelAngle);
    if (last < kRangeLow || last > kRangeFar) m_wheelSpin = kSpringSpeed;
    if (first > kRangeHigh && first < kRangeFar) m_wheelSpin = -kSpringSpeed;
  }
  for (int k = LowestChoice(); k <= kChoiceHard; ++k) {
    float g = ItemAngle(k, m_wheelAngle);
    float off = std::fabs(g - kItemFocusAngle);
    float distance = kItemDistance + (off <= kItemFocusAngle ? kItemBulge * (kItemFocusAngle - off) : 0.0f);
    float x = hubX + distance * SinDeg(g), y = hubY - distance * CosDeg(g);
    float size = k == m_menuChoice ? kItemSizeChosen : kItemSize;

    p_ResetDraw();
    p_SetRot((g - kItemTilt) / 2);
    p_SetSize(size, kAbsentF);
    if (!focused) p_Alpha(kItemAlphaUnfocused);
    if (k == kChoiceQuit) {
      p_SetCol(255, 180, 180, kAbsentF);
      p_DrawImg(kSlotIcons, x, y, kQuitItemFrame);
    } else {
      p_DrawImg(kSlotButtons, x, y, k % kItemFrames);
      p_SetSize(size * kItemNameScale, kAbsentF);
      p_Text(x, y, vx_Velmar_MenuSet[2 * (k % 3)], 1, 1, 0);
    }

    if (moving && g > kRangeLow && g < kRangeHigh && k != choiceBefore &&
        (m_touchChoicePending == 0 || std::abs(k - choiceBefore) > 1)) {
      m_menuChoice = k;
      p_PlaySFX(kSfxCursor, 1);
    }

    if (m_mouseDown == 0 || m_keyLatch != 0 || m_pointerLatch != 0 || m_touchChoicePending != 0) continue;
    for (int f = 0; f < kTouchSlots; ++f) {
      if (m_touchX[f] == kAbsent || m_touchY[f] == kAbsent) continue;
      float dx = m_touchX[f] - x, dy = m_touchY[f] - y, d2 = dx * dx + dy * dy;
      if (k == m_menuChoice && d2 < kTouchStartReach2) {
        m_menuFocus = kFocusWheel;
        p_MenuConfirm();
        return;
      }
      if (k != m_menuChoice && d2 < kTouchChooseReach2) {
        m_menuChoice = k;
        m_menuFocus = kFocusWheel;
        m_touchChoicePending = 1;
        p_PlaySFX(kSfxCursor, 1);
        break;
      }
    }
  }
}

// Up and down step the choice with key repeat; left and right move the focus;
// the confirm keys act on the focused column.
void c_MyApp::p_MenuKeys() {
  if (m_optionOpen != 0 || m_panelOpen != 0) return;
  bool up = p_PlayKeyAll(kGameKeyUp, 1) > 0, down = p_PlayKeyAll(kGameKeyDown, 1) > 0;
  float& countdown = m_play[kPlayMenuRepeatCountdown];
  float& delay = m_play[kPlayMenuRepeatDelay];
  if (!up && !down) {
    countdown = 0;
    delay = kRepeatFirstDelay;
  } else {
    countdown -= 1;
    if (countdown < 0) m_keyLatch = 0;
  }
  if (m_keyLatch != 0 || m_pointerLatch != 0) return;

  if ((up || down) && countdown < 1) {
    m_menuChoice = ClampInt(m_menuChoice + (down ? 1 : -1), LowestChoice(), kChoiceHard);
    countdown = delay;
    delay = std::fmax(delay - kRepeatDelayDrop, kRepeatDelayMin);
    m_keyLatch = 1;
    m_pointerLatch = 1;
    m_wheelTarget = kWheelStepAngle * m_menuChoice;
    p_PlaySFX(kSfxCursor, 1);
    return;
  }
  bool left = p_PlayKeyAll(kGameKeyLeft, 1) > 0, right = p_PlayKeyAll(kGameKeyRight, 1) > 0;
  if (left || right) {
    m_menuFocus = ClampInt(m_menuFocus + (right ? 1 : -1), kFocusGear, kFocusPanel);
    m_keyLatch = 1;
    m_pointerLatch = 1;
    p_PlaySFX(kSfxCursor, 1);
    return;
  }
  if (p_PlayKeyAll(kGameKeyFire, 1) > 0 || p_PlayKeyAll(kGameKeyThrust, 1) > 0 ||
      p_PlayKeyAll(kGameKeyButton12, 1) > 0) {
    m_keyLatch = 1;
    m_pointerLatch = 1;
    p_MenuConfirm();
  }
}

// Confirm on the focused column: options, side panel, or the chosen round.
void c_MyApp::p_MenuConfirm() {
  p_PlaySFX(kSfxConfirm, 1);
  if (m_menuFocus == kFocusGear) {
    m_optionOpen = 1;
    m_optionCursor = 0;
  } else if (m_menuFocus == kFocusPanel) {
    m_panelOpen = 1;
    p_PlaySFX(kSfxCursor, 1);
  } else {
    p_MenuStartRound();
  }
}

// Starts the chosen round, remembering how the player last gave input.
void c_MyApp::p_MenuStartRound() {
  if (m_menuChoice == kChoiceQuit) vxError(String());
  if (m_mouseDown > 0) {
    m_inputKind = kInputKindTouch;
  } else {
    bool keyboard = false;
    for (int key = kGameKeyFire; key <= kGameKeyButton15; ++key)
      if (p_PlayKey(key, 1, -1) > 0) keyboard = true;
    m_inputKind = keyboard ? kInputKindKeyboard : kInputKindJoypad;
  }
  m_difficulty = ClampInt(m_menuChoice + 1, kDifficultyEasy, kDifficultyHard);
  m_wheelTarget = kWheelStepAngle * m_menuChoice;
  m_mode = kModeStartRound;
}

// ---------------------------------------------------------------------------
// The opened side panel
// ---------------------------------------------------------------------------

void c_MyApp::p_MenuPanelContents(float panel) {
  float slide = (W() - kPanelBaseWidth) - m_panelWidth;
  p_MenuCredits(slide);
  p_MenuStats(slide);
  p_MenuOvals(panel);

  bool anyConfirm = false;
  for (int key = kGameKeyFire; key <= kGameKeyButton13; ++key)
    if (p_PlayKeyAll(key, 1) > 0) anyConfirm = true;
  if (m_keyLatch == 0 && m_pointerLatch == 0 && (anyConfirm || m_mouseHit > 0 || m_mouseDown > 0)) {
    m_panelOpen = 0;
    p_PlaySFX(kSfxCursor, 1);
    m_keyLatch = 1;
    m_pointerLatch = 1;
  }

  float left = W() - panel - kPanelIntroSlide * m_menuIntro;
  float x = left + kCodedInShare * panel, y = H() - kCodedInLift;
  p_ResetDraw();
  p_DrawImg(kSlotButtons, x, y, kCodedInFrame);
  p_Text(x + kCodedInTextX, y + kCodedInTextY, String("Coded in"), 0, 1, 0);
  p_Text(x + kCodedInTextX, y + kCodedInTextY + kCodedInUrlY, String(kFrameworkAddress), 0, 1, 0);
  p_ResetDraw();
}

// Eight lines of the endless credits roll, fading at the top and bottom.
void c_MyApp::p_MenuCredits(float slide) {
  m_creditScroll -= kCreditDrift;
  if (p_PlayKeyAll(kGameKeyUp, 1) > 0 || p_PlayKeyAll(kGameKeyDown, 1) > 0) m_creditScroll -= kCreditHurry;
  while (m_creditScroll < -kCreditLineHeight) {
    m_creditScroll += kCreditLineHeight;
    m_creditLine += 1;
  }
  p_ResetDraw();
  for (int k = kCreditFirstRow; k <= kCreditLastRow; ++k) {
    float t = std::fabs((m_creditScroll + kCreditLineHeight * k) / kCreditFadeSpan) - kCreditFadeStart;
    float alpha = 1, shift = 0;
    if (t > 1) {
      alpha = 0;
      shift = kCreditDrop;
    } else if (t >= 0) {
      alpha = 1 - t;
      shift = kCreditDrop * t;
    }
    int line = ((k + m_creditLine) % kCreditLines + kCreditLines) % kCreditLines;
    p_Alpha(alpha);
    p_Text(W() - kCreditInset + slide, H() / 2 + kCreditDrop + kCreditLineHeight * k + m_creditScroll - shift,
           vx_Velmar_CreditText[line], kCreditAlign, kCreditAlign, 0);
  }
  p_ResetDraw();
}

// Virtual size, window size and the smoothed rates, right-aligned.
void c_MyApp::p_MenuStats(float slide) {
  struct Row {
    String text;
    bool heading;
  };
  const Row rows[] = {
      {String("Debug Stats"), true},
      {String("Engine"), true},
      {String(static_cast<int>(std::floor(W()))) + String("x") + String(static_cast<int>(std::floor(H()))), false},
      {String("Screen"), true},
      {String(vx_app__devWidth) + String("x") + String(vx_app__devHeight), false},
      {String("FPS"), true},
      {String(m_updateFps) + String(" : ") + String(m_renderFps), false},
  };
  p_ResetDraw();
  float y = kStatsTop;
  bool afterHeading = false;
  for (const Row& row : rows) {
    if (&row != rows) y += (row.heading || !afterHeading) ? kStatsGapBeforeHeading : kStatsGapAfterHeading;
    p_Text(W() - kStatsInset + slide, y, row.text, 2, 1, 0);
    afterHeading = row.heading;
  }
}

// Eleven translucent ovals circling with the credits roll.
void c_MyApp::p_MenuOvals(float panel) {
  p_ResetDraw();
  float cx = 2 * W() - panel - kOvalInset, cy = H() / 2;
  for (int i = 0; i < kOvalCount; ++i) {
    float a = kOvalTurn * (m_creditLine - m_creditScroll / kCreditLineHeight + kOvalSpacing * i);
    if (i == 0 || i == kOvalCount - 1)
      p_SetCol(kOvalGrey, kOvalGrey, kOvalGrey, kOvalAlpha);
    else
      p_Ink(i, 1);
    p_Alpha(kOvalAlpha);
    p_Oval(cx + kOvalRing * SinDeg(a), cy - kOvalRing * CosDeg(a), kOvalRadius, kOvalRadius);
  }
  p_ResetDraw();
}
