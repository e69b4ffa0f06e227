// The option box: a panel that slides up over whatever screen is current,
// with a back button and rows for sound, full screen, the thumbstick
// directions and, on the console build, overscan and quit. It takes no input
// until it has slid in and saves the settings whenever it is left.
// Relies on game/app.h (drawing toolkit, game keys, p_Touch, sounds, p_Save).
#include <cmath>

#include "game/app.h"
#include "game/common.h"
#include "host/app.h"
#include "runtime/errors.h"

namespace {

// How many sound settings the row cycles through, with and without a music stream.
constexpr int kSoundValuesWithMusic = 4;
constexpr int kSoundValuesWithoutMusic = 2;
constexpr int kSettingRightStickY = kSettingLeftStickY + 1;

// Rows: 0 is the back button.
constexpr int kRowBack = 0;
constexpr int kRowSound = 1;
constexpr int kRowScreen = 2;
constexpr int kRowLeftStick = 3;
constexpr int kRowRightStick = 4;
constexpr int kRowQuit = 5;                // console build, not while paused

// Panel and back button.
constexpr float kPanelX = 50;
constexpr float kPanelStartY = 720;
constexpr float kSlideStep = 24;
constexpr float kPanelMargin = 100;
constexpr float kPanelAlpha = 0.85f;
constexpr float kBackStartX = -260;
constexpr float kBackSlideStep = 12;
constexpr float kBackY = 60;
constexpr float kGearTurnPerUpdate = 0.2f;
constexpr int kGearFrames[] = {8, 9, 10};
constexpr float kGearTurns[] = {-0.66f, 0.33f, 1};
constexpr float kBackSizeFocused = 2;
constexpr float kBackSize = 1.5f;
constexpr float kBackTextGap = 76;
constexpr float kTextSize = 2;

// Rows.
constexpr float kRowX = 100;
constexpr float kRowStartY = 850;
constexpr float kRowGap = 40;
constexpr float kBarX = 84;
constexpr float kBarMargin = 168;
constexpr float kBarHeight = 24;
constexpr float kBarAlpha = 0.5f;
constexpr float kQuitInset = 264;

// Console overscan row and the corner marks.
constexpr float kOverscanTextShare = 0.6f;
constexpr float kOverscanStartY = -268;
constexpr float kOverscanBarWidth = 256;
constexpr float kOverscanBarHeight = 9;
constexpr float kOverscanBarDrop = 20;
constexpr float kOverscanMarkerScale = 2.67f;
constexpr float kOverscanMarkerWidth = 8;
constexpr float kOverscanMarkerHeight = 16;
constexpr int kOverscanStep = 16;
constexpr int kOverscanMin = 1;
constexpr int kOverscanMax = 96;
constexpr float kMarkLong = 16;
constexpr float kMarkShort = 8;

// Keys whose hold keeps the option box's key latch set.
constexpr int kLatchKeys[] = {kGameKeyUp,       kGameKeyLeft,     kGameKeyRight,    kGameKeyDown,     kGameKeyFire,
                              kGameKeyThrust,   kGameKeyButton12, kGameKeyButton13, kGameKeyButton14, kGameKeyButton15,
                              kGameKeyButton16, kGameKeyButton17, kGameKeyBack};

String SoundText(int value) {
  if (vx_Velmar_HasMusicStream != 1) return String(value == kSoundOff ? "Sound : Off" : "Sound : On");
  switch (value) {
    case kSoundAll: return String("Sound : SFX + Music");
    case kSoundEffectsOnly: return String("Sound : SFX");
    case kSoundMusicOnly: return String("Sound : Music");
    default: return String("Sound : Off");
  }
}

String StickText(const char* stick, int value) {
  return String(stick) + String(value == 1 ? " Thumbstick Y Normal" : " Thumbstick Y Flipped");
}

}  // namespace

void c_MyApp::p_OptionBox() {
  p_ResetDraw();
  if (vx_Velmar_isOuya == 1) {
    float w = W(), h = H();
    p_Rect(0, 0, kMarkLong, kMarkShort);
    p_Rect(0, 0, kMarkShort, kMarkLong);
    p_Rect(w - kMarkLong, 0, kMarkLong, kMarkShort);
    p_Rect(w - kMarkShort, 0, kMarkShort, kMarkLong);
    p_Rect(0, h - kMarkShort, kMarkLong, kMarkShort);
    p_Rect(0, h - kMarkLong, kMarkShort, kMarkLong);
    p_Rect(w - kMarkLong, h - kMarkShort, kMarkLong, kMarkShort);
    p_Rect(w - kMarkShort, h - kMarkLong, kMarkShort, kMarkLong);
  }
  m_keyLatch = 1;
  m_pointerLatch = 1;
  if (m_optionSlide != kOptionSlideMax) {
    m_optionKeyLatch = 1;
    m_optionPointerLatch = 1;
  }

  p_SetCol(150, 75, 0, kPanelAlpha);
  p_Rect(kPanelX, kPanelStartY - kSlideStep * m_optionSlide, W() - kPanelMargin, H());
  p_OptionBackButton();
  p_OptionRows();
  if (vx_Velmar_isOuya == 1) p_OptionOverscan();
  p_OptionKeys();

  if (m_mouseDown == 0) m_optionPointerLatch = 0;
  bool held = false;
  for (int key : kLatchKeys)
    if (p_PlayKeyAll(key, 1) > 0) held = true;
  if (!held) m_optionKeyLatch = 0;
  p_ResetDraw();
}

// The spinning gear with "<[BACK]"; a click on it or the back key leaves.
void c_MyApp::p_OptionBackButton() {
  float x = kBackSlideStep * m_optionSlide + kBackStartX;
  m_gearAngle += kGearTurnPerUpdate;
  p_ResetDraw();
  p_SetSize(m_optionCursor == kRowBack ? kBackSizeFocused : kBackSize, kAbsentF);
  int hit = 0;
  for (int i = 0; i < 3; ++i) {
    p_SetRot(kGearTurns[i] * m_gearAngle);
    hit = p_Button(kSlotButtons, x, kBackY, kGearFrames[i]);
  }
  p_ResetDraw();
  p_SetSize(kTextSize, kAbsentF);
  p_Text(x + kBackTextGap, kBackY, String("<[BACK]"), 0, 1, 0);
  bool free = m_optionKeyLatch == 0 && m_optionPointerLatch == 0;
  if (free && (hit == 1 || p_PlayKeyAll(kGameKeyBack, 1) > 0)) p_CloseOptionBox();
}

void c_MyApp::p_CloseOptionBox() {
  m_optionOpen = 0;
  p_PlaySFX(kSfxCursor, 1);
  p_Save();
  m_keyLatch = 1;
  m_pointerLatch = 1;
  m_optionKeyLatch = 1;
  m_optionPointerLatch = 1;
}

// Rows below the back button: the back row and four settings, plus quit on
// the console build outside a paused round.
int c_MyApp::p_OptionRowCount() {
  return vx_Velmar_isOuya == 1 && m_paused == 0 ? kRowQuit + 1 : kRowRightStick + 1;
}

void c_MyApp::p_OptionRows() {
  int soundValues = vx_Velmar_HasMusicStream == 1 ? kSoundValuesWithMusic : kSoundValuesWithoutMusic;
  int& sound = m_settings[kSettingSound];
  if (sound < 0 || sound >= soundValues) sound = kSoundOff;
  for (int stick = kSettingLeftStickY; stick <= kSettingRightStickY; ++stick)
    if (m_settings[stick] != 0 && m_settings[stick] != 1) m_settings[stick] = 0;

  if (m_optionCursor >= p_OptionRowCount()) m_optionCursor = p_OptionRowCount() - 1;
  p_SyncFullscreen();
  float firstY = kRowStartY - kSlideStep * m_optionSlide;
  for (int row = kRowSound; row < p_OptionRowCount(); ++row) {
    float y = firstY + kRowGap * (row - kRowSound);
    float x = kRowX;
    String text;
    switch (row) {
      case kRowSound: text = SoundText(sound); break;
      case kRowScreen: text = String(m_fullscreen == 0 ? "Fullscreen" : "Windowed"); break;
      case kRowLeftStick: text = StickText("Left", m_settings[kSettingLeftStickY]); break;
      case kRowRightStick: text = StickText("Right", m_settings[kSettingRightStickY]); break;
      default:
        text = String("Quit");
        x = W() - kQuitInset;
        y += kRowGap * (m_landscape == 1 ? 1 : 2);
        break;
    }
    bool focused = m_optionCursor == row;
    p_ResetDraw();
    if (focused)
      p_SetCol(0, 180, 255, kBarAlpha);
    else
      p_SetCol(0, 0, 160, kBarAlpha);
    int touched = p_Touch(kBarX, y - kBarHeight / 2, W() - kBarMargin, kBarHeight);
    if (touched == 1) m_optionCursor = row;
    p_ResetDraw();
    p_SetSize(kTextSize, kAbsentF);
    p_Text(x, y, text, 0, 1, 0);

    bool confirm = false;
    for (int key = kGameKeyFire; key <= kGameKeyButton15; ++key)
      if (p_PlayKeyAll(key, 1) > 0) confirm = true;
    bool activate = touched == 1 || (m_optionCursor == row && confirm);
    if (activate && m_optionKeyLatch == 0 && m_optionPointerLatch == 0) {
      m_optionKeyLatch = 1;
      m_optionPointerLatch = 1;
      p_OptionActivate(row);
      p_PlaySFX(kSfxCursor, 1);
    }
  }
}

// One press on a row: the next value, applied at once.
void c_MyApp::p_OptionActivate(int row) {
  switch (row) {
    case kRowSound: {
      int& sound = m_settings[kSettingSound];
      if (vx_Velmar_HasMusicStream != 1) {
        sound = sound == kSoundOff ? kSoundAll : kSoundOff;
        break;
      }
      sound = (sound + 1) % kSoundValuesWithMusic;
      if (sound == kSoundOff || sound == kSoundEffectsOnly)
        p_StopTune();
      else if (m_mode >= kModeFirstPlayMode)
        p_PlayTune(String("-1"), 1);
      break;
    }
    case kRowScreen: p_FullscreenFlip(); break;
    case kRowLeftStick: m_settings[kSettingLeftStickY] = (m_settings[kSettingLeftStickY] + 1) % 2; break;
    case kRowRightStick: m_settings[kSettingRightStickY] = (m_settings[kSettingRightStickY] + 1) % 2; break;
    default: vxError(String()); break;
  }
}

// Console build: the screen-edge margin, stepped by 16 or jumped by a click.
void c_MyApp::p_OptionOverscan() {
  float x = kOverscanTextShare * W(), y = kBackSlideStep * m_optionSlide + kOverscanStartY;
  int& overscan = m_settings[kSettingOverscan];
  p_ResetDraw();
  p_SetSize(kTextSize, kAbsentF);
  p_Text(x, y, String::FromChar(0xAC) + String("U <      Overscan      > ") + String::FromChar(0xAC) + String("O"), 1, 1,
         0);
  p_ResetDraw();
  float barX = x - kOverscanBarWidth / 2, barY = y + kOverscanBarDrop;
  p_SetCol(0, 128, 255, kBarAlpha);
  int clicked = p_Touch(barX, barY, kOverscanBarWidth, kOverscanBarHeight);
  if (m_optionKeyLatch == 0 && m_optionPointerLatch == 0) {
    if (p_PlayKeyAll(kGameKeyButton14, 1) > 0) {
      overscan -= kOverscanStep;
      m_optionKeyLatch = 1;
    } else if (p_PlayKeyAll(kGameKeyButton15, 1) > 0) {
      overscan += kOverscanStep;
      m_optionKeyLatch = 1;
    } else if (clicked == 1 && m_mouseDown > 0) {
      overscan = overscan <= kOverscanMin ? kOverscanMax : kOverscanMin;
      m_optionPointerLatch = 1;
    }
  }
  overscan = overscan < kOverscanMin ? kOverscanMin : (overscan > kOverscanMax ? kOverscanMax : overscan);
  vx_Velmar_overscan = static_cast<float>(overscan);
  p_SetCol(255, 255, 0, 1);
  p_Rect(barX + kOverscanMarkerScale * overscan, barY + kOverscanBarHeight / 2 - kOverscanMarkerHeight / 2,
         kOverscanMarkerWidth, kOverscanMarkerHeight);
  p_ResetDraw();
}

// Focus moves by the arrows; confirm on the back row leaves.
void c_MyApp::p_OptionKeys() {
  if (m_optionKeyLatch != 0 || m_optionOpen == 0) return;
  bool confirm = p_PlayKeyAll(kGameKeyButton15, 1) > 0 || p_PlayKeyAll(kGameKeyFire, 1) > 0 ||
                 p_PlayKeyAll(kGameKeyThrust, 1) > 0;
  if (confirm && m_optionCursor == kRowBack) {
    p_CloseOptionBox();
    return;
  }
  bool up = p_PlayKeyAll(kGameKeyUp, 1) > 0 || p_PlayKeyAll(kGameKeyLeft, 1) > 0;
  bool down = p_PlayKeyAll(kGameKeyDown, 1) > 0 || p_PlayKeyAll(kGameKeyRight, 1) > 0;
  if (!up && !down) return;
  int last = p_OptionRowCount() - 1;
  m_optionCursor += up ? -1 : 1;
  if (m_optionCursor < kRowBack) m_optionCursor = kRowBack;
  if (m_optionCursor > last) m_optionCursor = last;
  p_PlaySFX(kSfxCursor, 1);
  m_optionKeyLatch = 1;
}
