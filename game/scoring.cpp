// Scoring: the heads-up score line with the next place to beat and the life
// icons, place names, the rank of the current score, the game-over overlay
// and its counters, and the return to the menu that records the score.
// Reads the high-score tables kept in c_MyApp.
#include <cmath>

#include "game/app.h"
#include "game/common.h"

namespace {
constexpr int kScoreDigits = 8;
constexpr int kCatchUpDivisor = 6;
constexpr int kCatchUpSnap = 5;
constexpr float kHudAlpha = 0.8f;
constexpr float kHudMargin = 16;
constexpr float kHudPlaceY = 34;
// A touch player's pause button stands at the score's corner, fully lit:
// the score lines move right of it.
constexpr float kTouchHudShift = 24;
constexpr float kLifeIconY = 24;
constexpr float kLifeIconSpacing = 16;
constexpr int kLifeIconFrame = 11;
constexpr float kLifeIconScale = 0.75f;
constexpr int kLastNthPlace = 30;
constexpr int kOverCountEnd = 90;           // updates from the last hit to the menu
constexpr int kOverCountAfterReturn = 73;   // where the fade over the menu starts
constexpr int kOverFadeStep = 2;
constexpr float kDarkenPerUpdate = 40;
constexpr float kDarkenMax = 0.7f;
constexpr int kBannerSpeed = 12;
constexpr float kBannerStop = 0.45f;
constexpr float kBannerLowRow = 0.55f;
constexpr float kBannerHalfHeight = 8;
constexpr float kBannerAlpha = 0.5f;
constexpr float kTitleScale = 4;
constexpr float kTitleLeft = 0.35f;
constexpr float kTitleRight = 0.65f;
constexpr float kRankRise = 1.5f;

}  // namespace

// ---------------------------------------------------------------------------
// Heads-up display
// ---------------------------------------------------------------------------

void c_MyApp::p_ScoreDisplay() {
  m_shownScore -= (m_shownScore - m_score) / kCatchUpDivisor;
  if (std::abs(m_shownScore - m_score) <= kCatchUpSnap) m_shownScore = m_score;
  if (m_hideHud == 1) return;

  float left = kHudMargin + (m_inputKind == kInputKindTouch ? kTouchHudShift : 0);
  p_ResetDraw();
  p_SetSize(2, kAbsentF);
  p_SetCol(100, 255, 100, kHudAlpha);
  p_Text(left, kHudMargin, p_rstr(m_shownScore, kScoreDigits, String("0")), 0, 1, 0);

  // The best place the score has not yet passed (the top entry is never compared).
  int b = kScoresPerList * (m_difficulty - 1);
  int place = kScoresPerList;
  int target = m_highScores[b + kScoresPerList - 1];
  for (int k = kScoresPerList - 1; k >= 1; --k) {
    if (m_highScores[b + k] < m_score || m_highScores[b + k] == 0) {
      place = k - 1;
      target = m_highScores[b + k - 1];
    }
  }
  p_SetSize(1, kAbsentF);
  p_SetCol(255, 255, 100, kHudAlpha);
  p_Text(left, kHudPlaceY, p_Nth(place + 1) + String(" ") + p_rstr(target, kScoreDigits, String("0")), 0, 1, 0);

  p_ResetDraw();
  p_SetSize(kLifeIconScale, kAbsentF);
  p_Alpha(kHudAlpha);
  for (int i = 1; i <= m_play[kPlayLives]; ++i)
    p_DrawImg(kSlotIcons, W() - kHudMargin - kLifeIconSpacing * i, kLifeIconY, kLifeIconFrame);
  p_ResetDraw();
}

// ---------------------------------------------------------------------------
// Places
// ---------------------------------------------------------------------------

String c_MyApp::p_Nth(int n) {
  if (n < 1 || n > kLastNthPlace) return String();
  int tens = n / 10 % 10, ones = n % 10;
  const char* suffix = "th";
  if (tens != 1) {
    if (ones == 1) suffix = "st";
    else if (ones == 2) suffix = "nd";
    else if (ones == 3) suffix = "rd";
  }
  return String(n) + String(suffix);
}

// The place the current score earns; ties take the better place. Leaves it in m_i.
String c_MyApp::p_MyNth() {
  int b = kScoresPerList * (m_difficulty - 1);
  m_i = 0;
  for (int k = 1; k <= kScoresPerList; ++k) {
    if (m_score >= m_highScores[b + k - 1]) {
      m_i = k;
      break;
    }
  }
  if (m_i == 0) return String();
  if (m_i == 1) return String("1st!");
  return p_Nth(m_i);
}

// ---------------------------------------------------------------------------
// Game over
// ---------------------------------------------------------------------------

void c_MyApp::p_GameOver() {
  if (m_overTimer > 0) p_DrawGameOver();
  if (m_mode == kModePlaying) {
    m_overTimer += 1;
    if (m_overTimer >= kOverCountEnd) {
      m_mode = kModeBackToMenu;
      m_overTimer = kOverCountAfterReturn;
      if (vx_Velmar_HasMusicStream == 1) p_StopTune();
    }
  } else if (m_mode < kModeFirstPlayMode) {
    m_overTimer = m_overTimer > kOverFadeStep ? m_overTimer - kOverFadeStep : 0;
  }
}

// The darkening, the two banners, the title words and a new place.
void c_MyApp::p_DrawGameOver() {
  int g = m_overTimer;
  float w = W(), h = H();
  m_keyLatch = 1;
  m_pointerLatch = 1;
  p_ResetDraw();

  float edge = vx_Velmar_overscan + 1;
  p_SetCol(0, 0, 0, std::fmin(g / kDarkenPerUpdate, kDarkenMax));
  p_Rect(-edge, -edge, w + 2 * edge, h + 2 * edge);

  int y0 = static_cast<int>(std::fmin(static_cast<float>(kBannerSpeed * g), kBannerStop * h));
  p_SetCol(255, 255, 0, kBannerAlpha);
  p_Rect(-1, kBannerStop * h - kBannerHalfHeight, 2 * y0, 2 * kBannerHalfHeight);
  p_SetCol(255, 128, 0, kBannerAlpha);
  p_Rect(w - 2 * y0, kBannerLowRow * h - kBannerHalfHeight, 2 * y0 + 1, 2 * kBannerHalfHeight);

  bool quit = m_quitRound == -1;
  p_SetSize(kTitleScale, kAbsentF);
  p_SetCol(255, 180, 180, 1);
  p_Text(kTitleLeft * w, y0, String(quit ? "Quit" : "GAME"), 1, 1, 0);
  p_Text(kTitleRight * w, h - y0, String(quit ? "Game" : "OVER"), 1, 1, 0);

  String place = p_MyNth();
  if (m_i > 0) {
    float rankY = h - y0 / kRankRise;
    p_ResetDraw();
    p_SetCol(0, 125, 255, 0.5f);
    p_Rect(0.35f * w, rankY - 16, 0.3f * w, 32);
    p_SetSize(2, kAbsentF);
    p_SetCol(100, 255, 100, 1);
    p_Text(0.5f * w, rankY, String("New Highscore\\n           ") + place, 0.5f, 2, 0);
  }
  p_ResetDraw();
}

// ---------------------------------------------------------------------------
// Back to the menu
// ---------------------------------------------------------------------------

void c_MyApp::p_LoadMenu() {
  p_ResetStars(kStartStars);
  p_RecordScore();
  p_Save();
}

// Enters the final score: into the best list when it beats an entry (ties go
// below), and always as the newest of the last scores.
void c_MyApp::p_RecordScore() {
  int base = (m_difficulty - 1) * kScoresPerList;
  m_newRank = -1;
  m_scoreBase = base;
  for (int k = 0; k < kScoresPerList; ++k) {
    if (m_highScores[base + k] < m_score) {
      m_newRank = k;
      break;
    }
  }
  if (m_newRank >= 0) {
    for (int k = kScoresPerList - 1; k > m_newRank; --k) m_highScores[base + k] = m_highScores[base + k - 1];
    m_highScores[base + m_newRank] = m_score;
  }
  m_scoreBase = base + kRecentScoresOffset;
  for (int k = kScoresPerList - 1; k > 0; --k) m_highScores[m_scoreBase + k] = m_highScores[m_scoreBase + k - 1];
  m_highScores[m_scoreBase] = m_score;
}

void c_MyApp::p_GC_PostScore(int score, int board) {}
