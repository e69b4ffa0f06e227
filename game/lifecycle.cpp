// The game object's life: construction and marking, start-up, the fixed
// order of work inside one update, the screen (mode) machine, render, focus
// suspend and resume, and the reset operations.
// Relies on game/app.h, the host (clock, update rate), input, audio and the
// async event pump; the screens themselves live in the other game/ files.
#include "game/app.h"
#include "game/common.h"

#include "audio/audio.h"
#include "host/app.h"
#include "input/input_device.h"
#include "net/async_event.h"
#include "runtime/errors.h"
#include "storage/module.h"

namespace {

constexpr int kMenuChoiceAtStart = 1;
constexpr float kWheelTargetAtStart = -32.0f;
constexpr int kMenuIntroAtStart = -32;
constexpr int kMenuRepeatDelayAtStart = 50;
constexpr int kPauseStateAtStart = -1;
constexpr int kPauseYAtStart = -64;
constexpr float kConsoleOverscan = 64.0f;
constexpr float kPauseAngle1AtStart = 25.0f;
constexpr float kPauseAngle3AtStart = 25.0f;

constexpr int kMillisPerSecond = 1000;
constexpr int kMeterWeight = 9;            // meters keep 9/10 of the old reading
constexpr int kMeterDivisor = 10;

constexpr float kPanelMargin = 140.0f;
constexpr float kPanelEase = 8.0f;         // 1/8 of the distance per update, snap within 8

constexpr float kOverlayX = 16.0f;
constexpr float kOverlayLift = 16.0f;

const char* const kHousecallUrl = "http://housecall.skarnel.invalid/housecall.php";
const char* const kHousecallQuery = "hello=1&gameID=";

// Keyboard keys and joystick buttons: a press of any of them ends touch mode.
constexpr int kKeyboardFirst = 8, kKeyboardLast = 222;
constexpr int kJoyButtonLast = kKeyTouchFirst - 1;

bool AnyHit(int first, int last) {
  for (int code = first; code <= last; ++code)
    if (vx_input_KeyHit(code) > 0) return true;
  return false;
}

// Game keys whose hold keeps the key latch set.
constexpr int kLatchKeys[] = {kGameKeyUp,       kGameKeyLeft,     kGameKeyRight,    kGameKeyDown,     kGameKeyFire,
                              kGameKeyThrust,   kGameKeyButton12, kGameKeyButton13, kGameKeyButton14, kGameKeyButton15,
                              kGameKeyButton16, kGameKeyButton17, kGameKeyBack};

// Eases `value` toward `target` by 1/8 of the distance, snapping when within 8.
float EaseToward(float value, float target) {
  float next = value + (target - value) / kPanelEase;
  float gap = target - next;
  return (gap < kPanelEase && gap > -kPanelEase) ? target : next;
}

}  // namespace

c_MyApp::c_MyApp() {
  gc_assign(m_objects, Array<float>(kSlotTableFloats));
  gc_assign(m_stars, Array<float>(kSlotTableFloats));
  gc_assign(m_particles, Array<float>(kSlotTableFloats));
  gc_assign(m_play, Array<float>(kPlayFloats));
  m_httpResult = String("N/A");
  m_lastDevWidth = vx_app__devWidth;
  m_lastDevHeight = vx_app__devHeight;
  gc_assign(m_images, Array<c_Image*>(kImageSlots));
  gc_assign(m_imageInfo, Array<int>(kImageSlots * kImageInfoStride));
  gc_assign(m_badgeQueue, Array<int>(kBadgeQueueSlots));
  gc_assign(m_badgeTimers, Array<int>(kBadgeQueueSlots));
  gc_assign(m_badges, Array<bool>(kBadgeFlags));
  gc_assign(m_iCadeState, Array<int>(kVirtualButtons));
  gc_assign(m_settings, Array<int>(kSettingsCount));
  m_settings[kSettingSound] = 1;
  gc_assign(m_highScores, Array<int>(kHighScoreFloats));
  gc_assign(m_sfxChannels, Array<int>(kSoundChannels));
  for (int n = 0; n < kSoundChannels; ++n) m_sfxChannels[n] = n;
  gc_assign(m_drawList, Array<float>(kDrawListFloats));
  gc_assign(m_touchDown, Array<int>(kTouchSlots));
  gc_assign(m_touchX, Array<int>(kTouchSlots));
  gc_assign(m_touchY, Array<int>(kTouchSlots));
  gc_assign(m_sounds, Array<c_Sound*>(kSoundSlots));
  m_pauseAngle1 = kPauseAngle1AtStart;
  m_pauseAngle3 = kPauseAngle3AtStart;
  gc_assign(m_pauseTable, Array<float>(kPauseTableFloats));
}

// Registers the object as the application; a second one is a fatal error.
c_MyApp* c_MyApp::m_new() {
  c_App::m_new();
  return this;
}

void c_MyApp::mark() {
  c_App::mark();
  m_objects.gc_mark_contents();
  m_stars.gc_mark_contents();
  m_particles.gc_mark_contents();
  m_play.gc_mark_contents();
  if (m_httpRequest) gc_mark_ref(m_httpRequest);
  m_images.gc_mark_contents();
  m_imageInfo.gc_mark_contents();
  m_badgeQueue.gc_mark_contents();
  m_badgeTimers.gc_mark_contents();
  m_badges.gc_mark_contents();
  m_iCadeState.gc_mark_contents();
  m_settings.gc_mark_contents();
  m_highScores.gc_mark_contents();
  m_sfxChannels.gc_mark_contents();
  m_drawList.gc_mark_contents();
  m_touchDown.gc_mark_contents();
  m_touchX.gc_mark_contents();
  m_touchY.gc_mark_contents();
  m_sounds.gc_mark_contents();
  m_pauseTable.gc_mark_contents();
}

// ---------------------------------------------------------------------------
// Resets
// ---------------------------------------------------------------------------

void c_MyApp::p_ResetObj() {
  for (float& v : m_objects) v = 0;
}

void c_MyApp::p_ResetPlayers() {
  for (int k = 0; k < kPlayClearedFloats; ++k) m_play[k] = 0;
}

void c_MyApp::p_FlushGame() {
  p_ResetObj();
  p_ResetStars(kStartStars);
  m_particleCount = kStartParticleCount;
  for (int k = 0; k <= kStartParticleCount; ++k) m_particles[k * kParticleStride + kPartKind] = kPartKindFree;
  p_ResetPlayers();
  m_paused = 0;
  m_score = 0;
  m_gameOver = 0;
  m_overTimer = 0;
  m_quitRound = 0;
  m_roundWork1 = m_roundWork2 = m_roundWork3 = m_roundWork4 = 0;
}

// ---------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------

void c_MyApp::p_OnCreate() {
  m_workInt1 = 0;
  m_workInt2 = 0;
  m_fullscreen = 0;
  m_logoSoundPlayed = 0;
  if (vx_Velmar_isOuya == 1) {
    m_inputKind = kInputKindJoypad;
    vx_Velmar_overscan = kConsoleOverscan;
  }

  p_FlushGame();
  m_menuChoice = kMenuChoiceAtStart;
  m_wheelTarget = kWheelTargetAtStart;

  if (vx_Velmar_Quen_On_Allow == 1)
    p_GetURL(String(kHousecallUrl), String(kHousecallQuery) + String(vx_Velmar_GameNum));

  m_mode = kModeMenu;
  vx_app_SetUpdateRate(kUpdateRate);

  m_lastDevWidth = vx_app__devWidth;
  m_lastDevHeight = vx_app__devHeight;
  m_tiltRestX = 0;
  m_tiltRestY = 0;
  p_Reload();

  m_difficulty = kDifficultyNormal;
  m_menuIntro = kMenuIntroAtStart;
  m_menuRepeatDelay = kMenuRepeatDelayAtStart;
  m_paused = 0;
  m_pauseState = kPauseStateAtStart;
  m_pauseY = kPauseYAtStart;

  for (int k = 0; k < kBadgeQueueSlots; ++k) m_badgeQueue[k] = m_badgeTimers[k] = 0;
  for (int k = 0; k < kBadgeFlagsClearedAtStart; ++k) m_badges[k] = false;
  for (int k = 0; k < kVirtualButtonBack; ++k) m_iCadeState[k] = 0;
  for (int k = 0; k < kSettingsCount; ++k) m_settings[k] = 0;
  m_settings[kSettingSound] = 1;
  for (int k = 0; k < kHighScoresClearedAtStart; ++k) m_highScores[k] = 0;

  p_Load();
  for (int n = 0; n < kSoundChannels; ++n) m_sfxChannels[n] = n;
}

// ---------------------------------------------------------------------------
// One update
// ---------------------------------------------------------------------------

void c_MyApp::p_OnUpdate() {
  p_ReadBackKey();
  p_FunctionKeys();
  vx_asyncevent_UpdateAsyncEvents();
  p_LoadArrivedAssets();
  p_MusicFollowsPause();
  p_MeterUpdateRate();
  p_MapPointer();
  p_UpdateKeyLatch();
  if (m_reloadCount == 0) p_RunMode();
  p_StepOptionBox();
  p_StepSidePanel();
  if (m_reloadCount > 0) p_Loader();
  p_InputLayers();
  if (vx_Velmar_DebugMode == 1) p_StatsOverlay();
  p_ShowBadges();
}

void c_MyApp::p_ReadBackKey() {
  if (vx_Velmar_isOuya == 1)
    m_iCadeState[kVirtualButtonBack] = vx_input_KeyHit(kKeyConsoleBack) > 0 ? 1 : 0;
  else
    m_iCadeState[kVirtualButtonBack] = vx_input_KeyHit(kKeyCodeBack);
}

// F1 overlay, F2 score line, F11 full screen; F4 and window close quit at once,
// keeping a round that has ended but whose overlay still runs.
void c_MyApp::p_FunctionKeys() {
  if (vx_input_KeyHit(kKeyF1) > 0) vx_Velmar_DebugMode = 1 - vx_Velmar_DebugMode;
  if (vx_input_KeyHit(kKeyF2) > 0) m_hideHud = 1 - m_hideHud;
  if (vx_input_KeyHit(kKeyF11) > 0) p_FullscreenFlip();
  if (vx_input_KeyHit(kKeyF4) > 0 || vx_input_KeyHit(kKeyCodeClose) > 0) {
    p_KeepEndedRound();
    vxError(String());
  }
}

// The game-over overlay has already told the player the score and its place:
// quitting during it records and saves the round as its end would have.
void c_MyApp::p_KeepEndedRound() {
  if (m_mode != kModePlaying || m_gameOver < 1) return;
  p_RecordScore();
  p_Save();
}

void c_MyApp::p_MusicFollowsPause() {
  if (vx_Velmar_HasMusicStream != 1 || m_musicOn != 1) return;
  if (m_paused == 1)
    vx_audio_PauseMusic();
  else
    vx_audio_ResumeMusic();
}

void c_MyApp::p_MeterUpdateRate() {
  int now = vx_app_Millisecs();
  if (now - m_updateMillis >= 1) m_updateRate = kMillisPerSecond / (now - m_updateMillis);
  m_updateFps = (m_updateRate + kMeterWeight * m_updateFps) / kMeterDivisor;
  m_updateMillis = now;
}

// Touch mode starts with a touch and ends with a key or pad button, so a
// player who only has a touch screen gets the fingers and the on-screen pad,
// and mouse play (which never starts it) stays as it always was.
void c_MyApp::p_FollowTouchMode() {
  if (vx_input_TouchesStarted() > 0) m_touchMode = 1;
  if (m_touchMode == 1 && (AnyHit(kKeyboardFirst, kKeyboardLast) || AnyHit(kKeyJoyFirst, kJoyButtonLast)))
    m_touchMode = 0;
  vx_Velmar_OnScreenControls = m_touchMode;
}

// Outside touch mode positions and the hit count reach the screens and held
// pointer presses never do; in touch mode the fingers reach them as they are.
void c_MyApp::p_MapPointer() {
  p_FollowTouchMode();
  m_prevMouseX = m_mouseX;
  m_prevMouseY = m_mouseY;
  float ov = vx_Velmar_overscan;
  if (m_scaleX > 0 && m_scaleY > 0 && vx_app__devWidth > 0) {
    float oy = ov * static_cast<float>(vx_app__devHeight) / static_cast<float>(vx_app__devWidth);
    m_mouseX = static_cast<int>((vx_input_MouseX() - ov) / m_scaleX);
    m_mouseY = static_cast<int>((vx_input_MouseY() - oy) / m_scaleY);
  }
  bool left = vx_input_MouseDown(0);
  if (m_prevMouseDown == 0 && left) {
    m_prevMouseX = m_mouseX;
    m_prevMouseY = m_mouseY;
  }
  m_mouseDown = left ? 1 : 0;
  m_mouseHit = vx_input_MouseHit(0);
  for (int f = 0; f < kTouchSlots; ++f) {
    m_touchDown[f] = 0;
    m_touchX[f] = kAbsent;
    m_touchY[f] = kAbsent;
  }
  if (vx_Velmar_isOuya != 1)
    for (int f = 0; f < kFingerCount; ++f)
      if (vx_input_TouchDown(f)) m_mouseDown = 1;
  if (m_touchMode == 1) {
    p_MapFingers(left);
    return;
  }
  // The previous-down flag and the held state end every update cleared.
  m_prevMouseDown = 0;
  m_mouseDown = 0;
  m_pointerLatch = 0;
  m_pointerUsed = 0;
  m_inputKind = kInputKindJoypad;
}

// Fingers 0..9 that are down, in virtual units as the pointer is; a tap
// that began and ended since the last update counts as down for this one,
// at the place it touched. The pointer latch lasts until every finger is
// lifted, so one tap acts once.
void c_MyApp::p_MapFingers(bool left) {
  float ov = vx_Velmar_overscan;
  bool mapped = m_scaleX > 0 && m_scaleY > 0 && vx_app__devWidth > 0;
  float oy = mapped ? ov * static_cast<float>(vx_app__devHeight) / static_cast<float>(vx_app__devWidth) : 0;
  for (int f = 0; f < kTouchSlots; ++f) {
    bool down = vx_input_TouchDown(f) || vx_input_KeyHit(kKeyTouchFirst + f) > 0;
    if (!down || !mapped) continue;
    m_touchDown[f] = 1;
    m_touchX[f] = static_cast<int>((vx_input_TouchX(f) - ov) / m_scaleX);
    m_touchY[f] = static_cast<int>((vx_input_TouchY(f) - oy) / m_scaleY);
    m_mouseDown = 1;
  }
  m_prevMouseDown = left ? 1 : 0;
  if (m_mouseDown == 0) m_pointerLatch = 0;
  m_pointerUsed = 0;
  m_inputKind = kInputKindTouch;
}

void c_MyApp::p_UpdateKeyLatch() {
  bool anyHeld = false, backHeld = false;
  for (int player = 0; player < kPlayerCount; ++player) {
    for (int key : kLatchKeys)
      if (p_PlayKey(key, 1, player) != 0) anyHeld = true;
    if (p_PlayKey(kGameKeyBack, 1, player) != 0) backHeld = true;
  }
  if (!anyHeld) m_keyLatch = 0;
  if (m_keyLatch == 0 && m_mode == kModeMenu && backHeld &&
      (m_subPanelOpen == 1 || m_optionOpen == 1 || m_panelOpen == 1)) {
    m_subPanelOpen = 0;
    m_panelOpen = 0;
    m_keyLatch = 1;
    m_pointerLatch = 1;
  }
  if (m_optionOpen == 1) {
    m_keyLatch = 1;
    m_pointerLatch = 1;
  }
}

// The screen machine; the game-over overlay also runs over the menu while it fades.
void c_MyApp::p_RunMode() {
  switch (m_mode) {
    case kModeMenu:
      p_Menu();
      break;
    case kModeBackToMenu:
      p_LoadMenu();
      p_PlaySFX(kSfxLogoJingle, 1);
      m_mode = kModeMenu;
      break;
    case kModeConsoleQuit:
      p_OuyaQuit();
      break;
    case kModePlaying:
      if (m_paused != 1) p_Game();
      p_InGame();
      break;
    case kModeStartRound:
      p_LoadGame();
      break;
    default:
      break;
  }
  if (m_mode == kModeMenu || m_mode == kModeBackToMenu || (m_mode == kModePlaying && m_gameOver >= 1))
    p_GameOver();
}

void c_MyApp::p_StepOptionBox() {
  if (m_optionOpen == 1 || m_optionSlide > 0) p_OptionBox();
  if (m_optionOpen == 1) {
    if (m_optionSlide < kOptionSlideMax) ++m_optionSlide;
  } else if (m_optionSlide > 0) {
    --m_optionSlide;
  }
}

// While open the panel eases to its full width and stays there.
void c_MyApp::p_StepSidePanel() {
  float target = m_panelOpen == 1 ? vx_Velmar_jscrw - kPanelMargin : 0.0f;
  m_panelWidth = EaseToward(m_panelWidth, target);
}

// iCade characters, the on-screen pad (in touch mode) and the tilt indicator
// (off in this game). The pad keeps out of the option box's way: a tap on a
// row must not also move the pad under it.
void c_MyApp::p_InputLayers() {
  if (vx_Velmar_iCadeControls == 1) p_ReadICadeChars();
  for (int k = 0; k < kVirtualButtonBack; ++k)
    if (m_iCadeState[k] == kVirtualButtonPressed) m_iCadeState[k] = 0;
  bool optionBoxShown = m_optionOpen == 1 || m_optionSlide > 0;
  if (vx_Velmar_OnScreenControls == 1 && m_mode > kModeOnScreenPadMin && vx_Velmar_iCadeControls == 0 &&
      !optionBoxShown)
    p_OnScreenControls();
  if (vx_Velmar_AccelerometerControls == 1 && vx_Velmar_iCadeControls == 0) p_TiltControl();
  if (vx_Velmar_iCadeControls == 1) m_tiltRawX = m_tiltRawY = m_tiltX = m_tiltY = 0;
}

void c_MyApp::p_StatsOverlay() {
  String line = String(m_renderFps) + String(":") + String(m_scaleX) + String(",") + String(m_scaleY) +
                String(" - ") + String(m_drawLen / kDrawCommandFloats);
  bool tiltShown = vx_Velmar_AccelerometerControls == 1 && vx_Velmar_iCadeControls == 0;
  float y = tiltShown ? vx_Velmar_jscrh / 2 : vx_Velmar_jscrh - kOverlayLift;
  p_SetCol(kWhite, kWhite, kWhite, 1);
  p_SetSize(1, 1);
  p_Text(kOverlayX, y, line, 0, 1, 0);
}

// ---------------------------------------------------------------------------
// Render
// ---------------------------------------------------------------------------

void c_MyApp::p_OnRender() {
  p_MeterRenderRate();
  p_ClearWindow();
  p_CheckDeviceSize();
  p_FitScreen(vx_app__devWidth, vx_app__devHeight);
  // The mark is drawn on top of the last update's list and taken off again.
  int listed = m_drawLen;
  if (vx_data_Awaiting()) p_AwaitMark();
  p_DrawList();
  m_drawLen = listed;
}

void c_MyApp::p_MeterRenderRate() {
  int now = vx_app_Millisecs();
  if (now > m_renderMillis) m_renderRate = kMillisPerSecond / (now - m_renderMillis);
  m_renderFps = (m_renderRate + kMeterWeight * m_renderFps) / kMeterDivisor;
  m_renderMillis = now;
}

// ---------------------------------------------------------------------------
// Focus
// ---------------------------------------------------------------------------

// Play comes back paused with the pause menu open; the menu is left as it was.
void c_MyApp::p_ApplyFocusPause() {
  if (m_mode < kModeFirstPlayMode) {
    m_paused = 0;
    m_pauseState = 0;
    m_pauseY = 0;
  } else {
    m_paused = 1;
    m_pauseState = 1;
    m_pauseY = static_cast<int>(vx_Velmar_jscrh / 2);
  }
}

void c_MyApp::p_DropICade() {
  vx_input_DisableKeyboard();
  for (int k = 0; k < kVirtualButtonBack; ++k) m_iCadeState[k] = 0;
  vx_Velmar_iCadeControls = 0;
}

void c_MyApp::p_OnSuspend() {
  p_DropICade();
  p_ApplyFocusPause();
  vx_app_SetUpdateRate(kSuspendedUpdateRate);
  p_Save();
}

void c_MyApp::p_OnResume() {
  p_ApplyFocusPause();
  vx_app_SetUpdateRate(kUpdateRate);
  p_DropICade();
}
