// The play field: round set-up, one update of ship, satellites, rocks,
// bullets, pickup, stars and particles, and the pause entry. Works on the
// object, star, particle and round tables of c_MyApp; draws only through the
// display list and reads input only through the game keys.
#include <cmath>

#include "game/app.h"
#include "game/common.h"
#include "host/app.h"

namespace {
constexpr float kWallInset = 8;
constexpr float kShipStartX = 32;
constexpr float kShipStartFacing = 90;
constexpr float kPickupInset = 32;          // pickup distance from its side wall
constexpr float kPickupStartTimer = 3000;   // 50 seconds of falling value
constexpr int kPickupTimerPerPoint = 25;
constexpr int kBonusMax = 99;
constexpr float kPickupReach = 48;
constexpr float kPickupTextDrop = 32;
constexpr int kSparkleEvery = 45;
constexpr float kSatSpeedEasy = 0.75f;
constexpr float kSatSpeedNormal = 1.0f;
constexpr float kSatSpeedHard = 1.25f;
constexpr float kSatSpeedUpPerCycle = 0.1f;
constexpr float kSatPhaseMillis = 30;
constexpr float kSatPhaseWrap = 5760;
constexpr float kSatEase = 0.0625f;
constexpr float kSatKnockBack = 2.5f;
constexpr float kSatReach = 16;
constexpr float kSatSpinPerMilli = 0.25f;
constexpr int kSatLayers = 3;
constexpr float kPathWidthShare = 0.2f;
constexpr float kPathHeightShare = 0.5f;
constexpr float kStarFieldSpeedShare = 0.25f;
constexpr int kHitTimerStart = 60;          // two seconds of tumble at half a step per update
constexpr float kHitTimerStep = 0.5f;
constexpr float kHitTimerOut = 40;          // held while out of lives
constexpr int kHitSparks = 49;
constexpr float kShipDrag = 0.985f;
constexpr float kShipTopSpeed = 1;
constexpr float kShipTopSpeedHard = 1.5f;
constexpr float kShipRestSpeed = 0.05f;
constexpr float kThrust = 0.15f;
constexpr float kThrustHard = 0.25f;
constexpr float kTurnRate = 4;
constexpr float kBulletSpeed = 10;
constexpr float kFireCooldown = 20;
constexpr float kBulletReach = 16;
constexpr float kBulletMargin = 64;         // freed this far outside the screen
constexpr int kStartLives = 3;
constexpr int kSplitPieces = 3;
constexpr int kShatterSparks = 9;
constexpr int kRockPoints = 5;
constexpr int kRockWaveSize = 5;
constexpr int kRockSmallest = 3;
constexpr int kWaveRocksPer = 4;            // one more rock per this many waves
constexpr float kDebrisFadeStep = 0.0025f;
constexpr float kDebrisDamping = 0.98f;
constexpr float kDebrisImpulse = 0.05f;
constexpr float kParticleFade = 0.01f;
constexpr float kPuffFade = 0.06f;
constexpr float kPopupRise = -0.25f;
constexpr int kColourWhite = 9;
constexpr int kColourYellow = 3;
constexpr int kSfxHit = 1;
constexpr int kSfxShot = 2;
constexpr int kSfxPickup = 3;
constexpr int kSfxGameOver = 4;
constexpr int kSfxShatterFirst = 5;
constexpr int kSfxShatterLast = 8;
constexpr float kPauseSoundVolume = 0.5f;
constexpr int kPauseButtonFrame = 0;
constexpr float kPauseButtonAt = 16;
constexpr float kPauseButtonFaint = 0.2f;
constexpr int kConsolePauseKey = 13;
constexpr int kFrameSatFirst = 0;
constexpr int kFrameShip = 7;
constexpr int kFramePuff = 9;
constexpr int kFrameRing = 10;
constexpr int kFrameBullet = 11;
constexpr int kFramePickup = 8;
constexpr int kRockFrameBase = 49;          // sizes 5, 4, 3 use frames 14, 21, 28 on
constexpr int kRockFramesPerSize = 7;
constexpr int kRockFrameOffsets = 6;
constexpr int kDebrisFrames = 15;
constexpr int kSparkFrames = 255;
constexpr int kBackgroundFullAlpha = -123;  // p_DoBG: draw the background opaque
constexpr int kFieldRed = 0;                // the field's deep blue background
constexpr int kFieldGreen = 10;
constexpr int kFieldBlue = 20;
// Highest satellite index and their spacing in degrees, by difficulty.
constexpr int kSatLastEasy = 2;
constexpr float kSatSpacingEasy = 120;
constexpr int kSatLastNormal = 3;
constexpr float kSatSpacingNormal = 90;
constexpr int kSatLastHard = 5;
constexpr float kSatSpacingHard = 60;
constexpr float kTumbleChangeChance = 2.0f / 16;   // per update, a new tumble spin
constexpr float kTumbleSpinMax = 5;
constexpr float kWaveSpread = 130;          // degrees of the fan a wave leaves in
constexpr float kWaveLeftmost = -155;       // fan toward the left from the right side
constexpr float kWaveRightmost = 25;        // fan toward the right from the left side
constexpr int kRoundStartCounter = 11;
constexpr int kMaxTableIndex = 499;         // star and particle counts accepted by the resets

float Rnd() { return vx_random_Rnd(); }

// Colour of a particle's palette index, 0..255 per channel.
void PaletteColour(int index, float* r, float* g, float* b) {
  static const float kPalette[9][3] = {
      {255, 25.5f, 25.5f}, {255, 127.5f, 25.5f}, {255, 255, 25.5f},
      {25.5f, 255, 25.5f}, {25.5f, 255, 255},   {25.5f, 25.5f, 255},
      {127.5f, 25.5f, 255}, {255, 25.5f, 127.5f}, {255, 255, 255}};
  if (index >= 1 && index <= 9) {
    *r = kPalette[index - 1][0];
    *g = kPalette[index - 1][1];
    *b = kPalette[index - 1][2];
  } else {
    *r = *g = *b = 76.5f;
  }
}

// Frees a table slot by zeroing all its entries.
void ClearSlot(Array<float>& table, int offset, int stride) {
  for (int e = 0; e < stride; ++e) table[offset + e] = 0;
}
}  // namespace

// ---------------------------------------------------------------------------
// Round set-up
// ---------------------------------------------------------------------------

void c_MyApp::p_LoadGame() {
  m_mode = kModePlaying;
  for (float& f : m_objects) f = 0;
  p_ResetStars(kStartStars);
  p_ResetParticles(kStartParticleCount);
  for (int i = 0; i < kPlayClearedFloats; ++i) m_play[i] = 0;
  m_paused = 0;
  m_score = 0;
  m_gameOver = 0;
  m_overTimer = 0;
  m_quitRound = 0;
  m_roundWork1 = m_roundWork2 = m_roundWork3 = m_roundWork4 = 0;

  float w = W(), h = H();
  m_play[kPlayShipX] = kShipStartX;
  m_play[kPlayShipY] = h / 2;
  m_play[kPlayShipFacing] = kShipStartFacing;
  m_play[kPlayPickupX] = w - kPickupInset;
  m_play[kPlayPickupY] = h / 2;
  m_play[kPlayPickupTimer] = kPickupStartTimer;
  m_play[kPlaySatSpeed] = m_difficulty == kDifficultyEasy   ? kSatSpeedEasy
                          : m_difficulty == kDifficultyHard ? kSatSpeedHard
                                                            : kSatSpeedNormal;
  m_play[kPlayLives] = kStartLives;
  for (int k = 0; k <= kSatMaxIndex; ++k) {
    int s = kPlaySatBase + kSatStride * k;
    m_play[s + kSatX] = m_play[s + kSatTargetX] = w / 2;
    m_play[s + kSatY] = m_play[s + kSatTargetY] = h / 2;
  }
  m_i = kRoundStartCounter;
  p_PlayTune(String("satellites"), 1);
  // Where a round's pictures come over a network, its first update waits for them.
  p_AwaitRoundImages();
}

// ---------------------------------------------------------------------------
// One update of play
// ---------------------------------------------------------------------------

void c_MyApp::p_Game() {
  p_DoBG(kFieldRed, kFieldGreen, kFieldBlue, kBackgroundFullAlpha);
  p_DoStarRot(m_play[kPlaySatSpeed] * kStarFieldSpeedShare);
  p_AnalogueControl();
  p_StepDebris();
  p_StepSatellites();
  p_StepHitTimer();
  p_StepShip();
  p_ShipControls();
  p_DrawShip();
  p_CheckOutOfLives();
  p_StepPickupValue();
  p_CollectPickup();
  p_StepRocksAndBullets();
  p_DrawPickup();
  p_ResetDraw();
  p_DoParticles(1);
  p_ScoreDisplay();
}

// Fades, slows and draws the pieces of shot rocks.
void c_MyApp::p_StepDebris() {
  for (int i = 0; i < kObjectSlotsInPlay; ++i) {
    int o = i * kObjectStride;
    if (m_objects[o + kObjKind] != kObjKindDebris) continue;
    m_objects[o + kObjSize] -= kDebrisFadeStep;
    if (m_objects[o + kObjSize] < 0) ClearSlot(m_objects, o, kObjectStride);
    m_objects[o + kObjVelX] *= kDebrisDamping;
    m_objects[o + kObjVelY] *= kDebrisDamping;
    m_objects[o + kObjSpin] *= kDebrisDamping;
    m_objects[o + kObjX] += m_objects[o + kObjVelX];
    m_objects[o + kObjY] += m_objects[o + kObjVelY];
    m_objects[o + kObjAngle] += m_objects[o + kObjSpin];
    p_SetSize(2, kAbsentF);
    p_SetRot(-m_objects[o + kObjAngle]);
    p_Alpha(m_objects[o + kObjSize] * 0.5f);
    p_DrawImg(kSlotSplodge, m_objects[o + kObjX], m_objects[o + kObjY], m_objects[o + kObjFrame]);
    p_Alpha(1);
  }
}

// Target point of a satellite at phase a (degrees) on the current path.
void c_MyApp::p_SatellitePathPoint(float a, float* x, float* y) {
  float ax = kPathWidthShare * W(), ay = kPathHeightShare * H();
  float px, py;
  switch (static_cast<int>(m_play[kPlayPathNumber])) {
    case 0:
      px = SinDeg(a) * ax;
      py = -CosDeg(a) * ay;
      m_play[kPlayPathWrapGuard] = 0;
      break;
    case 1:
      px = SinDeg(a) * ax;
      py = -CosDeg(2 * a) * ay;
      break;
    case 2:
      px = SinDeg(a / 2) * ax;
      py = -CosDeg(2 * a) * ay;
      break;
    case 3:
      px = SinDeg(a) * ax;
      py = CosDeg(2 * a) * ay;
      break;
    case 4:
      px = SinDeg(4 * a) * ax;
      py = -CosDeg(a / 2) * ay;
      break;
    case 5: {
      float u = 360 * CosDeg(a / 2);
      px = SinDeg(u) * ax;
      py = -CosDeg(u) * ay;
      break;
    }
    case 6: {
      float v = 360 * SinDeg(a / 4);
      float w = 360 * SinDeg(a / 2);
      px = SinDeg(v) * ax;
      py = -CosDeg(w) * ay;
      break;
    }
    case 7:
      px = SinDeg(2 * a) * SinDeg(a) * ax;
      py = -SinDeg(2 * a) * CosDeg(a) * ay;
      break;
    default:
      // The wrap path: the next pickup starts the cycle again, faster.
      px = SinDeg(2 * a) * ax;
      py = -CosDeg(a) * ay;
      if (m_play[kPlayPathWrapGuard] == 0) {
        m_play[kPlayPathWrapGuard] = 1;
        m_play[kPlayPathNumber] = -1;
        m_play[kPlaySatSpeed] += kSatSpeedUpPerCycle;
      }
      break;
  }
  *x = W() / 2 + px;
  *y = H() / 2 + py;
}

// Moves the satellite ring along its path, draws it and hits the ship.
void c_MyApp::p_StepSatellites() {
  p_ResetDraw();
  float spacing;
  if (m_difficulty == kDifficultyEasy) {
    m_satCount = kSatLastEasy;
    spacing = kSatSpacingEasy;
  } else if (m_difficulty == kDifficultyHard) {
    m_satCount = kSatLastHard;
    spacing = kSatSpacingHard;
  } else {
    m_satCount = kSatLastNormal;
    spacing = kSatSpacingNormal;
  }
  float now = static_cast<float>(vx_app_Millisecs());
  for (int k = 0; k <= m_satCount; ++k) {
    int s = kPlaySatBase + kSatStride * k;
    float t = std::fmod(now / kSatPhaseMillis * m_play[kPlaySatSpeed] + spacing * k, kSatPhaseWrap);
    float tx, ty;
    p_SatellitePathPoint(t, &tx, &ty);
    m_play[s + kSatTargetX] = tx;
    m_play[s + kSatTargetY] = ty;
    float stepX = -(m_play[s + kSatX] - tx) * kSatEase;
    float stepY = -(m_play[s + kSatY] - ty) * kSatEase;
    m_play[s + kSatX] += stepX;
    m_play[s + kSatY] += stepY;
    float x = m_play[s + kSatX], y = m_play[s + kSatY];
    for (int layer = 0; layer < kSatLayers; ++layer) {
      p_SetRot(now * kSatSpinPerMilli * (layer + 1) + t);
      p_DrawImg(kSlotGfx, x, y, kFrameSatFirst + layer);
    }
    if (std::fabs(x - m_play[kPlayShipX]) < kSatReach && std::fabs(y - m_play[kPlayShipY]) < kSatReach &&
        m_play[kPlayHitTimer] == 0) {
      p_ShipHit(stepX * kSatKnockBack, stepY * kSatKnockBack);
    }
  }
  p_SetRot(0);
}

// A contact: one life less, a knock in the given direction and a burst of sparks.
void c_MyApp::p_ShipHit(float velX, float velY) {
  m_play[kPlayHitTimer] = kHitTimerStart;
  m_play[kPlayLives] -= 1;
  m_play[kPlayShipVelX] = velX;
  m_play[kPlayShipVelY] = velY;
  for (int n = 0; n < kHitSparks; ++n) {
    int colour = p_Rand(1, 3);
    float heading = Rnd() * 360;
    float speed = Rnd() * 7 + 1;
    p_ThrowParticle(m_play[kPlayShipX], m_play[kPlayShipY], kPartKindSpark, colour, heading, speed);
  }
}

// Sounds the hit and counts the protection down.
void c_MyApp::p_StepHitTimer() {
  if (m_play[kPlayHitTimer] == kHitTimerStart) p_PlaySFX(kSfxHit, 1);
  m_play[kPlayHitTimer] -= kHitTimerStep;
  if (m_play[kPlayHitTimer] < 1) m_play[kPlayHitTimer] = 0;
}

// Moves the ship, bounces it off the walls, and applies drag, caps or tumble.
void c_MyApp::p_StepShip() {
  float w = W(), h = H();
  float& x = m_play[kPlayShipX];
  float& y = m_play[kPlayShipY];
  float& vx = m_play[kPlayShipVelX];
  float& vy = m_play[kPlayShipVelY];
  x += vx;
  y += vy;
  if (x < kWallInset) {
    x = kWallInset;
    vx = std::fabs(vx);
  }
  if (x > w - kWallInset) {
    x = w - kWallInset;
    vx = -std::fabs(vx);
  }
  if (y < kWallInset) {
    y = kWallInset;
    vy = std::fabs(vy);
  }
  if (y > h - kWallInset) {
    y = h - kWallInset;
    vy = -std::fabs(vy);
  }
  float heading = Atan2(vx, -vy) * kRadToDeg;
  float speed = std::sqrt(vx * vx + vy * vy) * kShipDrag;
  if (m_play[kPlayHitTimer] > 0) {
    m_play[kPlayShipFacing] += m_play[kPlayTumbleSpin];
    if (Rnd() < kTumbleChangeChance) m_play[kPlayTumbleSpin] = Rnd() * 2 * kTumbleSpinMax - kTumbleSpinMax;
  } else if (m_difficulty == kDifficultyHard && speed > kShipTopSpeedHard) {
    speed = kShipTopSpeedHard;
  } else {
    if (m_difficulty != kDifficultyHard && speed > kShipTopSpeed) speed = kShipTopSpeed;
    if (speed < kShipRestSpeed) speed = 0;
  }
  vx = SinDeg(heading) * speed;
  vy = -CosDeg(heading) * speed;
}

// Thrust, turn and fire, while the ship is under control.
void c_MyApp::p_ShipControls() {
  if (m_play[kPlayHitTimer] != 0) return;
  if (p_PlayKey(kGameKeyThrust, 1, 0)) {
    float f = m_play[kPlayShipFacing];
    float thrust = m_difficulty == kDifficultyHard ? kThrustHard : kThrust;
    m_play[kPlayShipVelX] += SinDeg(f) * thrust;
    m_play[kPlayShipVelY] -= CosDeg(f) * thrust;
    float heading = f + 180 + Rnd() * 4 - 2;
    float speed = Rnd() * 2 + 3;
    p_ThrowParticle(m_play[kPlayShipX], m_play[kPlayShipY], kPartKindPuff, kColourWhite, heading, speed);
  }
  m_play[kPlayShipFacing] += m_steer * kTurnRate;
  m_play[kPlayFireCooldown] -= 1;
  if (p_PlayKey(kGameKeyFire, 1, 0) && m_play[kPlayFireCooldown] < 1) {
    int slot = p_LowestFreeObject();
    m_lastSpawn = slot;
    if (slot < 0) return;
    float f = m_play[kPlayShipFacing];
    int o = slot * kObjectStride;
    m_objects[o + kObjKind] = kObjKindBullet;
    m_objects[o + kObjX] = m_play[kPlayShipX];
    m_objects[o + kObjY] = m_play[kPlayShipY];
    m_objects[o + kObjVelX] = SinDeg(f) * kBulletSpeed;
    m_objects[o + kObjVelY] = -CosDeg(f) * kBulletSpeed;
    m_objects[o + kObjAngle] = f;
    p_PlaySFX(kSfxShot, 1);
    m_play[kPlayFireCooldown] = kFireCooldown;
  }
}

// The ship turned clockwise by its facing, with its shield while protected.
void c_MyApp::p_DrawShip() {
  p_ResetDraw();
  p_SetSize(0.5f, kAbsentF);
  p_SetRot(m_play[kPlayShipFacing]);
  if (m_play[kPlayLives] > -1) {
    p_DrawImg(kSlotGfx, m_play[kPlayShipX], m_play[kPlayShipY], kFrameShip);
    if (m_play[kPlayHitTimer] > 0) {
      p_SetCol(160, 255, 160, std::fmin(m_play[kPlayHitTimer] / 30, 0.3f));
      p_Oval(m_play[kPlayShipX], m_play[kPlayShipY], 16, 16);
      p_SetCol(255, 255, 255, 1);
    }
  }
}

// Ends the round once the lives have run out, exactly once.
void c_MyApp::p_CheckOutOfLives() {
  if (m_play[kPlayLives] >= 0) return;
  m_play[kPlayHitTimer] = kHitTimerOut;
  if (m_gameOver != 0) return;
  m_gameOver = 1;
  p_PlaySFX(kSfxGameOver, 1);
  p_StopTune();
}

// The pickup's value falls from 99 to 0 over its timer.
void c_MyApp::p_StepPickupValue() {
  float& timer = m_play[kPlayPickupTimer];
  timer -= 1;
  if (timer < 0) {
    timer = 0;
    m_bonus = 0;
    return;
  }
  int value = static_cast<int>(timer) / kPickupTimerPerPoint;
  m_bonus = value < 0 ? 0 : (value > kBonusMax ? kBonusMax : value);
}

// Touching the pickup scores it, moves it across, advances the path and
// launches the next wave of rocks from its new place.
void c_MyApp::p_CollectPickup() {
  // A ship that is out of lives is gone: it drifts on unseen but scores nothing.
  if (m_play[kPlayLives] < 0) return;
  float& px = m_play[kPlayPickupX];
  float& py = m_play[kPlayPickupY];
  if (std::fabs(m_play[kPlayShipX] - px) >= kPickupReach || std::fabs(m_play[kPlayShipY] - py) >= kPickupReach)
    return;
  p_Gimme(m_bonus, px, py + kPickupTextDrop);
  p_PlaySFX(kSfxPickup, 1);
  float headingBase;
  if (px <= W() / 2) {
    px = W() - kPickupInset;
    headingBase = kWaveLeftmost;
  } else {
    px = kPickupInset;
    headingBase = kWaveRightmost;
  }
  m_play[kPlayPickupTimer] = kPickupStartTimer;
  m_play[kPlayPathNumber] += 1;
  float& wave = m_play[kPlayWaveCount];
  wave += 1;
  if (m_difficulty == kDifficultyEasy) wave -= 3;
  if (m_difficulty == kDifficultyHard) wave += 6;
  m_play[kPlayPickupSparkle] = 0;
  if (wave < 0) return;
  int rocks = static_cast<int>(std::floor(wave / kWaveRocksPer)) + 1;
  for (int n = 0; n < rocks; ++n) p_SpawnRockUnchecked(px, py, Rnd() * kWaveSpread + headingBase, kRockWaveSize);
}

// Rocks drift, spin and bounce; bullets fly and shatter the rocks they meet.
void c_MyApp::p_StepRocksAndBullets() {
  for (m_objIndex = 0; m_objIndex < kObjectSlotsInPlay; ++m_objIndex) {
    int kind = static_cast<int>(m_objects[m_objIndex * kObjectStride + kObjKind]);
    if (kind == kObjKindRock) p_StepRock(m_objIndex);
    else if (kind == kObjKindBullet) p_StepBullet(m_objIndex);
  }
}

void c_MyApp::p_StepRock(int i) {
  int o = i * kObjectStride;
  float w = W(), h = H();
  m_objects[o + kObjX] += m_objects[o + kObjVelX];
  m_objects[o + kObjY] += m_objects[o + kObjVelY];
  m_objects[o + kObjAngle] = std::fmod(m_objects[o + kObjAngle] + m_objects[o + kObjSpin], 360.0f);
  float x = m_objects[o + kObjX], y = m_objects[o + kObjY];
  if (x < kWallInset) m_objects[o + kObjVelX] = std::fabs(m_objects[o + kObjVelX]);
  if (x > w - kWallInset) m_objects[o + kObjVelX] = -std::fabs(m_objects[o + kObjVelX]);
  if (y < kWallInset) m_objects[o + kObjVelY] = std::fabs(m_objects[o + kObjVelY]);
  if (y > h - kWallInset) m_objects[o + kObjVelY] = -std::fabs(m_objects[o + kObjVelY]);
  float size = m_objects[o + kObjSize];
  p_SetSize(1, kAbsentF);
  p_SetRot(-m_objects[o + kObjAngle]);
  p_DrawImg(kSlotGfx, x, y, kRockFrameBase - kRockFramesPerSize * size + m_objects[o + kObjFrame]);
  float reach = size * 3 + 8;
  if (std::fabs(x - m_play[kPlayShipX]) < reach && std::fabs(y - m_play[kPlayShipY]) < reach &&
      m_play[kPlayHitTimer] < 1) {
    p_ShipHit(m_objects[o + kObjVelX] * 6, m_objects[o + kObjVelY] * 6);
  }
}

void c_MyApp::p_StepBullet(int i) {
  int b = i * kObjectStride;
  m_objects[b + kObjX] += m_objects[b + kObjVelX];
  m_objects[b + kObjY] += m_objects[b + kObjVelY];
  for (int k = 0; k < kObjectSlotsInPlay && m_objects[b + kObjKind] == kObjKindBullet; ++k) {
    int r = k * kObjectStride;
    if (m_objects[r + kObjKind] != kObjKindRock) continue;
    if (std::fabs(m_objects[r + kObjX] - m_objects[b + kObjX]) >= kBulletReach ||
        std::fabs(m_objects[r + kObjY] - m_objects[b + kObjY]) >= kBulletReach)
      continue;
    p_ShatterRock(k, i);
  }
  if (m_objects[b + kObjKind] != kObjKindBullet) return;
  float x = m_objects[b + kObjX], y = m_objects[b + kObjY];
  p_SetSize(0.5f, kAbsentF);
  p_SetRot(m_objects[b + kObjAngle]);
  p_DrawImg(kSlotGfx, x, y, kFrameBullet);
  if (x < -kBulletMargin || x > W() + kBulletMargin || y < -kBulletMargin || y > H() + kBulletMargin)
    ClearSlot(m_objects, b, kObjectStride);
}

// Rock k shot by bullet i: points, three smaller rocks, sparks, a sound, debris.
void c_MyApp::p_ShatterRock(int k, int i) {
  int r = k * kObjectStride;
  int b = i * kObjectStride;
  float rx = m_objects[r + kObjX], ry = m_objects[r + kObjY];
  float heading = m_objects[b + kObjAngle];
  p_Gimme(kRockPoints, rx, ry);
  int smaller = static_cast<int>(m_objects[r + kObjSize]) - 1;
  if (smaller >= kRockSmallest && smaller <= kRockWaveSize) {
    for (int n = 0; n < kSplitPieces; ++n) p_SpawnRockUnchecked(rx, ry, heading + Rnd() * 60 - 30, smaller);
  }
  for (int n = 0; n < kShatterSparks; ++n) {
    float h1 = heading + Rnd() * 50 - 25;
    float s1 = Rnd() * 4 + 3;
    p_ThrowParticle(rx, ry, kPartKindSpark, kColourWhite, h1, s1);
    float h2 = heading + 180 + Rnd() * 30 - 15;
    float s2 = Rnd() * 0.7f + 0.5f;
    p_ThrowParticle(rx, ry, kPartKindSpark, kColourWhite, h2, s2);
  }
  int sound = p_Rand(kSfxShatterFirst, kSfxShatterLast);
  p_PlaySFX(sound, Rnd() * 0.6f + 0.6f);
  m_objects[r + kObjKind] = kObjKindDebris;
  m_objects[r + kObjVelX] = m_objects[b + kObjVelX] * kDebrisImpulse;
  m_objects[r + kObjVelY] = m_objects[b + kObjVelY] * kDebrisImpulse;
  m_objects[r + kObjAngle] = Rnd() * 360;
  m_objects[r + kObjSize] = 1;
  m_objects[r + kObjSpin] = Rnd() - 0.5f;
  m_objects[r + kObjFrame] = p_Rand(0, kDebrisFrames);
  ClearSlot(m_objects, b, kObjectStride);
}

// The pickup with its value below it, and a pulsing ring.
void c_MyApp::p_DrawPickup() {
  float& px = m_play[kPlayPickupX];
  float& py = m_play[kPlayPickupY];
  if (px > W()) px = W() - kPickupInset;
  py = H() / 2;
  p_SetSize(1, kAbsentF);
  p_SetRot(0);
  p_DrawImg(kSlotGfx, px, py, kFramePickup);
  p_Text(px, py + kPickupTextDrop, String(m_bonus), 1, 1, 0);
  m_play[kPlayPickupSparkle] += 1;
  if (m_play[kPlayPickupSparkle] > kSparkleEvery) {
    m_play[kPlayPickupSparkle] = 0;
    p_ThrowParticle(px, py, kPartKindRing, kColourWhite, 0, 0);
  }
}

// ---------------------------------------------------------------------------
// Pause entry
// ---------------------------------------------------------------------------

void c_MyApp::p_InGame() {
  p_ResetDraw();
  bool pauseKey = p_PlayKeyAll(kGameKeyBack, 1) > 0 ||
                  (vx_Velmar_isOuya == 1 && p_PlayKeyAll(kConsolePauseKey, 1) > 0);
  if (pauseKey && m_paused == 0 && m_keyLatch == 0) {
    m_keyLatch = 1;
    p_EnterPause();
  }
  if (m_hideHud == 0) {
    p_Alpha(m_inputKind == kInputKindTouch ? 1.0f : kPauseButtonFaint);
    p_DrawImg(kSlotIcons, kPauseButtonAt, kPauseButtonAt, kPauseButtonFrame);
    int info = kSlotIcons * kImageInfoStride;
    float halfW = m_imageInfo[info + kInfoFrameWidth] * m_imageScale * m_drawSizeX * 0.5f;
    float halfH = m_imageInfo[info + kInfoFrameHeight] * m_imageScale * m_drawSizeY * 0.5f;
    bool touched = false;
    for (int f = 0; f < kTouchSlots; ++f) {
      if (std::fabs(m_touchX[f] - kPauseButtonAt) < halfW && std::fabs(m_touchY[f] - kPauseButtonAt) < halfH)
        touched = true;
    }
    if (touched && m_mouseDown > 0 && m_paused == 0) {
      m_pointerLatch = 1;
      p_EnterPause();
    }
    p_Alpha(1);
  }
  if (m_paused == 1) p_PauseMenu();
}

// Opens the pause menu with its sound.
void c_MyApp::p_EnterPause() {
  m_paused = 1;
  m_pauseState = 1;
  m_pauseCursor = 0;
  p_PlaySFX(kSfxConfirm, 1, kPauseSoundVolume, 0);
}

// ---------------------------------------------------------------------------
// Object table
// ---------------------------------------------------------------------------

// Index of the lowest free play slot, or -1.
int c_MyApp::p_LowestFreeObject() {
  for (int i = 0; i < kObjectSlotsInPlay; ++i)
    if (m_objects[i * kObjectStride + kObjKind] == kObjKindFree) return i;
  return -1;
}

void c_MyApp::p_SpawnRock(float x, float y, float heading, int size) {
  if (size < kRockSmallest || size > kRockWaveSize) return;
  p_SpawnRockUnchecked(x, y, heading, size);
}

void c_MyApp::p_SpawnRockUnchecked(float x, float y, float heading, int size) {
  int slot = p_LowestFreeObject();
  m_lastSpawn = slot;
  if (slot < 0) return;
  int o = slot * kObjectStride;
  float speed = 0.75f + Rnd() * 0.75f;
  float spin = 1 + Rnd() * 4;
  if (Rnd() * 2 < 1) spin = -spin;
  m_objects[o + kObjKind] = kObjKindRock;
  m_objects[o + kObjX] = x;
  m_objects[o + kObjY] = y;
  m_objects[o + kObjVelX] = SinDeg(heading) * speed;
  m_objects[o + kObjVelY] = -CosDeg(heading) * speed;
  m_objects[o + kObjAngle] = heading;
  m_objects[o + kObjSpin] = spin;
  m_objects[o + kObjSize] = static_cast<float>(size);
  m_objects[o + kObjFrame] = p_Rand(0, kRockFrameOffsets);
}

// Ten times the index of the first free slot among 0..n, or -1.
int c_MyApp::p_FreeObj(int n) {
  int last = n < kSlotTableFloats / kObjectStride - 1 ? n : kSlotTableFloats / kObjectStride - 1;
  for (int i = 0; i <= last; ++i)
    if (m_objects[i * kObjectStride + kObjKind] == kObjKindFree) return i * kObjectStride;
  return -1;
}

// ---------------------------------------------------------------------------
// Particles and popups
// ---------------------------------------------------------------------------

// Ten times the index of the highest free particle slot, or -1.
int c_MyApp::p_FreeParticle() {
  for (int i = m_particleCount; i >= 0; --i)
    if (m_particles[i * kParticleStride + kPartKind] == kPartKindFree) return i * kParticleStride;
  return -1;
}

void c_MyApp::p_ThrowParticle(float x, float y, int kind, int colour, float heading, float speed) {
  if (heading == kAbsentF) heading = Rnd() * 360;
  if (speed == kAbsentF) speed = Rnd() * 5 + 3;
  int p = p_FreeParticle();
  if (p < 0) return;
  m_particles[p + kPartKind] = kind;
  m_particles[p + kPartX] = x;
  m_particles[p + kPartY] = y;
  m_particles[p + kPartVelX] = SinDeg(heading) * speed;
  m_particles[p + kPartVelY] = -CosDeg(heading) * speed;
  m_particles[p + kPartSpin] = Rnd() * 360;
  m_particles[p + kPartSpinSpeed] = Rnd() * 16 - 8;
  m_particles[p + kPartLife] = 0.7f + Rnd() * 0.6f;
  m_particles[p + kPartColour] = colour;
  m_particles[p + kPartFrameOrNumber] = p_Rand(0, kSparkFrames);
}

void c_MyApp::p_AddParticle(int kind, float x, float y, float vx, float vy, int number, int colour, int life) {
  int p = p_FreeParticle();
  if (p < 0) return;
  m_particles[p + kPartKind] = kind;
  m_particles[p + kPartX] = x;
  m_particles[p + kPartY] = y;
  m_particles[p + kPartVelX] = vx;
  m_particles[p + kPartVelY] = vy;
  m_particles[p + kPartSpin] = p_Rand(0, 360);
  m_particles[p + kPartSpinSpeed] = Rnd() * 14 - 7;
  m_particles[p + kPartLife] = life + 1;
  m_particles[p + kPartColour] = colour;
  m_particles[p + kPartFrameOrNumber] = number;
}

void c_MyApp::p_ResetParticles(int n) {
  if (n >= 1 && n <= kMaxTableIndex) m_particleCount = n;
  for (int i = 0; i <= m_particleCount; ++i) ClearSlot(m_particles, i * kParticleStride, kParticleStride);
}

void c_MyApp::p_Gimme(int points, float x, float y) {
  m_score += points;
  int p = p_FreeParticle();
  if (p < 0) return;
  m_particles[p + kPartKind] = kPartKindPopup;
  m_particles[p + kPartX] = x;
  m_particles[p + kPartY] = y;
  m_particles[p + kPartVelX] = 0;
  m_particles[p + kPartVelY] = kPopupRise;
  m_particles[p + kPartSpin] = p_Rand(0, 360);
  m_particles[p + kPartSpinSpeed] = Rnd() * 14 - 7;
  m_particles[p + kPartLife] = 1;
  m_particles[p + kPartColour] = kColourYellow;
  m_particles[p + kPartFrameOrNumber] = points;
}

void c_MyApp::p_DoParticles(float size) {
  for (int i = 0; i <= m_particleCount; ++i) {
    int p = i * kParticleStride;
    int kind = static_cast<int>(m_particles[p + kPartKind]);
    if (kind <= kPartKindFree) continue;
    m_particles[p + kPartX] += m_particles[p + kPartVelX];
    m_particles[p + kPartY] += m_particles[p + kPartVelY];
    m_particles[p + kPartSpin] += m_particles[p + kPartSpinSpeed];
    float x = m_particles[p + kPartX], y = m_particles[p + kPartY];
    p_SetRot(kind == kPartKindPopup ? 0 : m_particles[p + kPartSpin]);
    p_Alpha(std::fmin(m_particles[p + kPartLife], 1.0f));
    float r, g, b;
    PaletteColour(static_cast<int>(m_particles[p + kPartColour]), &r, &g, &b);
    p_SetCol(r, g, b, kAbsentF);
    if (kind >= kPartKindSpark && kind <= kPartKindSpark + 8) {
      p_SetSize(size, kAbsentF);
      p_DrawImg(kSlotParts, x, y, m_particles[p + kPartFrameOrNumber]);
    } else if (kind == kPartKindRing) {
      p_SetRot(0);
      p_SetSize(Clamp(8 - 8 * m_particles[p + kPartLife], 1, 8), kAbsentF);
      p_DrawImg(kSlotGfx, x, y, kFrameRing);
    } else if (kind == kPartKindPuff) {
      p_SetRot(-m_particles[p + kPartSpin]);
      p_SetSize(0.25f, kAbsentF);
      p_DrawImg(kSlotGfx, x, y, kFramePuff);
      m_particles[p + kPartLife] -= kPuffFade;
    } else if (kind == kPartKindPopup) {
      p_SetSize(1, kAbsentF);
      p_Text(x, y, String(static_cast<int>(m_particles[p + kPartFrameOrNumber])), 1, 1, 0);
    }
    m_particles[p + kPartLife] -= kParticleFade;
    if (m_particles[p + kPartLife] < 0) ClearSlot(m_particles, p, kParticleStride);
  }
  p_ResetDraw();
}

// ---------------------------------------------------------------------------
// Star field
// ---------------------------------------------------------------------------

void c_MyApp::p_ResetStars(int n) {
  p_SeedRnd(kSeedFromClock);
  if (n >= 1 && n <= kMaxTableIndex) m_starCount = n;
  for (int i = 0; i <= m_starCount; ++i) {
    int s = i * kStarStride;
    m_stars[s + kStarFrame] = p_Rand(0, 255);
    m_stars[s + kStarOrbitAngle] = Rnd() * 360;
    m_stars[s + kStarOrbitRadius] = Rnd() * W() / 2;
    m_stars[s + kStarAlpha] = 0.2f + Rnd() * 0.6f;
    m_stars[s + kStarSpin] = Rnd() * 360;
    m_stars[s + kStarSpinSpeed] = Rnd() - 0.5f;
  }
}

// Draws the stars orbiting the screen centre, then turns them.
void c_MyApp::p_DoStarRot(float speed) {
  p_ResetDraw();
  p_SetSize(0.5f, kAbsentF);
  float cx = W() / 2, cy = H() / 2;
  for (int i = 0; i <= m_starCount; ++i) {
    int s = i * kStarStride;
    float angle = m_stars[s + kStarOrbitAngle];
    float radius = m_stars[s + kStarOrbitRadius];
    float alpha = m_stars[s + kStarAlpha];
    p_Alpha(alpha);
    p_SetRot(-m_stars[s + kStarSpin]);
    p_DrawImg(kSlotParts, cx + SinDeg(angle) * radius, cy - CosDeg(angle) * radius, m_stars[s + kStarFrame]);
    m_stars[s + kStarSpin] = std::fmod(m_stars[s + kStarSpin] + m_stars[s + kStarSpinSpeed], 360.0f);
    m_stars[s + kStarOrbitAngle] = std::fmod(angle + speed * alpha, 360.0f);
  }
  p_ResetDraw();
}
