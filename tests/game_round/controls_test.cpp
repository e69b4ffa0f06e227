// Player controls: the game-key table, sticks and their thresholds, the
// steering ramps as the ship feels them, iCade, the console keys, the touch
// hit tests and the on-screen pad.
#include <cmath>

#include "tests/game_round/round_fixture.h"

namespace {

constexpr int kJoyButton0 = 256;

class ControlsTest : public RoundTest {
 protected:
  c_JoyState* Pad(int n) { return input->joypads[n]; }

  // Facing change of one play update.
  float TurnOfOneUpdate() {
    float before = Play(kPlayShipFacing);
    Step();
    return Play(kPlayShipFacing) - before;
  }
};

struct KeySource {
  int gameKey;
  int code;
};

TEST_F(ControlsTest, EveryKeyboardKeyAndJoystickButtonOfTheTableCounts) {
  const KeySource keyboard[] = {
      {0, 38},  {0, 'W'},  {3, 37},  {3, 'A'},  {5, 39},  {5, 'D'},  {8, 40},  {8, 'S'},
      {10, 'Z'}, {10, 'J'}, {10, 32}, {10, 13}, {11, 'X'}, {11, 'K'}, {11, 17}, {12, 'C'},
      {12, 'L'}, {12, 16}, {13, 'V'}, {13, 'I'}, {14, 'B'}, {14, 'U'}, {15, 'N'}, {15, 'O'},
      {99, 27}, {99, 192}, {99, 46}, {99, 8},  {98, 27}, {98, 8}};
  for (const KeySource& k : keyboard) {
    EXPECT_EQ(app->p_PlayKey(k.gameKey, 1, 0), 0) << k.code;
    Press(k.code);
    EXPECT_EQ(app->p_PlayKey(k.gameKey, 1, 0), 1) << "key " << k.code << " for game key " << k.gameKey;
    EXPECT_EQ(app->p_PlayKey(k.gameKey, 1, 3), 1) << "the keyboard serves every player";
    EXPECT_EQ(app->p_PlayKeyAll(k.gameKey, 1), 4);
    Release(k.code);
  }
  const KeySource buttons[] = {{0, 9},  {3, 8},  {5, 10}, {8, 11}, {10, 0}, {11, 1}, {12, 2},
                               {13, 3}, {14, 4}, {15, 5}, {99, 6}, {99, 7}, {99, 14}, {98, 14}};
  for (const KeySource& b : buttons) {
    int code = kJoyButton0 + 32 * 2 + b.code;
    Press(code);
    EXPECT_EQ(app->p_PlayKey(b.gameKey, 1, 2), 1) << "button " << b.code;
    EXPECT_EQ(app->p_PlayKey(b.gameKey, 1, 1), 0) << "another pad's button";
    EXPECT_EQ(app->p_PlayKeyAll(b.gameKey, 1), 1);
    Release(code);
  }
  Press('Q');
  for (int key = 0; key <= 100; ++key) EXPECT_EQ(app->p_PlayKey(key, 1, 0), 0);
  EXPECT_EQ(app->p_PlayKey(16, 1, 0), 0) << "game keys 16 and 17 have no sources";
}

TEST_F(ControlsTest, PlayerMinusOneIsTheKeyboardAloneAndNeverReportsKey98) {
  Press(kKeyEsc);
  EXPECT_EQ(app->p_PlayKey(99, 1, -1), 1);
  EXPECT_EQ(app->p_PlayKey(98, 1, -1), 0);
  EXPECT_EQ(app->p_PlayKey(98, 1, 0), 1);
  EXPECT_EQ(app->p_PlayKey(99, 1, -2), 0) << "players below -1 hold nothing";
  Release(kKeyEsc);
  Press(kJoyButton0 + 6);
  app->m_iCadeState[19] = kVirtualButtonHeld;
  EXPECT_EQ(app->p_PlayKey(98, 1, -1), 0);
  app->m_iCadeState[19] = 0;
  EXPECT_EQ(app->p_PlayKey(99, 1, -1), 0) << "no joystick for the keyboard player";
  Pad(0)->stickX[0] = -1;
  EXPECT_EQ(app->p_PlayKey(3, 1, -1), 0);
  EXPECT_EQ(app->p_StickX(0, -1), 0);
}

TEST_F(ControlsTest, AStickAtPointThreeTurnsTheShipButIsNoKeyPress) {
  app->p_LoadGame();
  Pad(0)->stickX[0] = 0.3f;
  EXPECT_EQ(app->p_PlayKey(kGameKeyRight, 1, 0), 0);
  EXPECT_NEAR(TurnOfOneUpdate(), 1.2f, 1e-4);
  Pad(0)->stickX[0] = 0.15f;
  EXPECT_EQ(TurnOfOneUpdate(), 0) << "inside the dead zone";
  Pad(0)->stickX[0] = 0.5f;
  EXPECT_EQ(app->p_PlayKey(kGameKeyRight, 1, 0), 1);
  EXPECT_EQ(app->p_PlayKey(kGameKeyRight, 0, 0), 0) << "sticks count only when asked for";
  // A stick beyond the dead zone on y alone still hands over both axes.
  Pad(0)->stickX[0] = 0.1f;
  Pad(0)->stickY[0] = 0.9f;
  EXPECT_NEAR(TurnOfOneUpdate(), 0.4f, 1e-4);
}

TEST_F(ControlsTest, TheFlippedYSettingTurnsAnUpwardStickIntoTheDownKey) {
  Pad(1)->stickY[0] = -0.5f;
  app->m_settings[15] = 0;
  EXPECT_FLOAT_EQ(app->p_StickY(0, 1), 0.5f);
  EXPECT_EQ(app->p_PlayKey(kGameKeyDown, 1, 1), 1);
  EXPECT_EQ(app->p_PlayKey(kGameKeyUp, 1, 1), 0);
  app->m_settings[15] = 1;
  EXPECT_FLOAT_EQ(app->p_StickY(0, 1), -0.5f);
  EXPECT_EQ(app->p_PlayKey(kGameKeyUp, 1, 1), 1);
  Pad(1)->stickY[1] = 0.25f;
  EXPECT_FLOAT_EQ(app->p_StickY(1, 1), -0.25f) << "the right stick has its own setting";
  EXPECT_EQ(app->p_StickY(0, 4), 0) << "only four joysticks have sticks";
}

TEST_F(ControlsTest, ATapTurnsPointSixDegreesHoldingRampsToFourReleasingStopsWithinFive) {
  app->p_LoadGame();
  Press(kKeyLeftArrow);
  EXPECT_NEAR(TurnOfOneUpdate(), -0.6f, 1e-4);
  Release(kKeyLeftArrow);
  EXPECT_EQ(TurnOfOneUpdate(), 0) << "the ramp falls back to rest at once";

  Press(kKeyLeftArrow);
  float turns[7];
  for (float& t : turns) t = TurnOfOneUpdate();
  EXPECT_NEAR(turns[0], -0.6f, 1e-4);
  EXPECT_NEAR(turns[5], -3.6f, 1e-4);
  EXPECT_FLOAT_EQ(turns[6], -4);
  EXPECT_FLOAT_EQ(TurnOfOneUpdate(), -4);
  Release(kKeyLeftArrow);
  float released[5];
  for (float& t : released) t = TurnOfOneUpdate();
  EXPECT_NEAR(released[0], -3.2f, 1e-4);
  EXPECT_LT(released[3], 0);
  EXPECT_EQ(released[4], 0);
}

TEST_F(ControlsTest, LeftAndRightTogetherHoldTheTurnRate) {
  app->p_LoadGame();
  Press(kKeyRightArrow);
  TurnOfOneUpdate();
  TurnOfOneUpdate();
  float rate = TurnOfOneUpdate();
  EXPECT_NEAR(rate, 1.8f, 1e-4);
  Press(kKeyLeftArrow);
  for (int n = 0; n < 10; ++n) EXPECT_NEAR(TurnOfOneUpdate(), rate, 1e-4);
}

TEST_F(ControlsTest, ICadeLettersPressAndReleaseVirtualButtons) {
  Type('w');
  app->p_iCade(1);
  EXPECT_EQ(vx_Velmar_iCadeControls, 1);
  EXPECT_EQ(vx_input_GetChar(), 0) << "characters queued before are discarded";
  Type('w');
  Type('H');
  app->p_ReadICadeChars();
  EXPECT_EQ(app->m_iCadeState[0], kVirtualButtonHeld);
  EXPECT_EQ(app->m_iCadeState[10], kVirtualButtonHeld);
  EXPECT_EQ(app->p_PlayKey(kGameKeyUp, 1, 0), 1);
  Type('E');
  Type('?');
  app->p_ReadICadeChars();
  EXPECT_EQ(app->m_iCadeState[0], 0);
  EXPECT_EQ(app->m_iCadeState[10], kVirtualButtonHeld);
  app->p_iCade(0);
  EXPECT_EQ(vx_Velmar_iCadeControls, 0);
  EXPECT_EQ(app->m_iCadeState[10], 0);
}

TEST_F(ControlsTest, UnderICadeLettersTildeSticksAndKey98AreIgnored) {
  app->p_iCade(1);
  Press('A');
  Press(kKeyTildeKey);
  Pad(0)->stickX[0] = 1;
  EXPECT_EQ(app->p_PlayKey(kGameKeyLeft, 1, 0), 0);
  EXPECT_EQ(app->p_PlayKey(kGameKeyRight, 1, 0), 0);
  EXPECT_EQ(app->p_PlayKey(kGameKeyBack, 1, 0), 0);
  Press(kKeyLeftArrow);
  Press(kKeyEsc);
  EXPECT_EQ(app->p_PlayKey(kGameKeyLeft, 1, 0), 1);
  EXPECT_EQ(app->p_PlayKey(kGameKeyBack, 1, 0), 1);
  EXPECT_EQ(app->p_PlayKey(kGameKeyConsoleBack, 1, 0), 0);
}

TEST_F(ControlsTest, TheConsoleBuildBacksOutWithEscapeAndItsOwnButtons) {
  vx_Velmar_isOuya = 1;
  Press(kKeyTildeKey);
  EXPECT_EQ(app->p_PlayKey(kGameKeyBack, 1, 0), 0);
  Press(kJoyButton0 + 7);
  EXPECT_EQ(app->p_PlayKey(kGameKeyBack, 1, 0), 1);
  EXPECT_EQ(app->p_PlayKey(kGameKeyConsoleBack, 1, 0), 0);
  Press(kJoyButton0 + 6);
  EXPECT_EQ(app->p_PlayKey(kGameKeyConsoleBack, 1, 0), 1);
  Release(kJoyButton0 + 6);
  Release(kJoyButton0 + 7);
  app->m_iCadeState[16] = kVirtualButtonHeld;
  EXPECT_EQ(app->p_PlayKey(kGameKeyBack, 1, 0), 0);
  app->m_iCadeState[19] = kVirtualButtonHeld;
  EXPECT_EQ(app->p_PlayKey(kGameKeyBack, 1, 0), 1);
}

TEST_F(ControlsTest, TouchTestsUseStrictEdgesAndOnlyFingersThatAreDown) {
  app->m_touchX[3] = 110;
  app->m_touchY[3] = 50;
  EXPECT_EQ(app->p_MouseIn(100, 40, 20, 20), 0) << "finger 3 is not down";
  app->m_touchDown[3] = 1;
  EXPECT_EQ(app->p_MouseIn(100, 40, 20, 20), 1);
  EXPECT_EQ(app->p_MouseIn(110, 40, 20, 20), 0) << "on the left edge";
  EXPECT_EQ(app->p_MouseIn_Centered(100, 50, 20, 20), 0) << "on the right edge";
  EXPECT_EQ(app->p_MouseIn_Centered(101, 50, 20, 20), 1);
  EXPECT_EQ(app->p_MouseIn_Radius(100, 50, 20, 0), 1) << "a distance of exactly the radius counts";
  EXPECT_EQ(app->p_MouseIn_Radius(99, 50, 20, 0), 0);
  app->m_drawLen = 0;
  EXPECT_EQ(app->p_Touch(115, 55, 10, 10), 1) << "a 6-unit margin before the area";
  EXPECT_EQ(app->m_drawList[kCmdKind], kCmdKindRect);
  EXPECT_EQ(app->p_Touch(90, 30, 8, 8), 0);
  EXPECT_EQ(app->p_Touch(90, 30, 8.5f, 8.5f), 1) << "a 12-unit margin after it";
}

TEST_F(ControlsTest, OnScreenPadPressesItsButtonsAndKeepsToTheScreen) {
  app->m_settings[10] = 0;
  app->m_settings[11] = 1000;
  app->m_settings[12] = 40;
  app->p_OnScreenControls();
  EXPECT_EQ(app->m_settings[10], 32);
  EXPECT_EQ(app->m_settings[11], 448);
  EXPECT_EQ(app->m_settings[12], 25);

  app->m_settings[10] = 100;
  app->m_settings[11] = 100;
  app->m_settings[12] = 10;
  app->m_touchDown[0] = 1;
  app->m_touchX[0] = 100 - 32;
  app->m_touchY[0] = 480 - 100;
  app->p_OnScreenControls();
  EXPECT_EQ(app->m_iCadeState[kGameKeyLeft], kVirtualButtonPressed);
  EXPECT_EQ(app->p_PlayKey(kGameKeyLeft, 0, 0), 1);
  app->m_iCadeState[kGameKeyLeft] = 0;
  app->m_touchX[0] = 640 - (100 - 24);
  app->m_touchY[0] = 380 - 24;
  app->p_OnScreenControls();
  EXPECT_EQ(app->m_iCadeState[kGameKeyFire], kVirtualButtonPressed);

  app->m_paused = 1;
  app->m_iCadeState[kGameKeyFire] = 0;
  app->p_OnScreenControls();
  EXPECT_EQ(app->m_iCadeState[kGameKeyFire], 0) << "no presses while paused";
  EXPECT_EQ(app->m_settings[10], 100) << "a finger away from the handle drags nothing";
  app->m_touchDown[0] = 0;
  app->p_OnScreenControls();
  app->m_touchDown[0] = 1;
  app->m_touchX[0] = 140;
  app->m_touchY[0] = 380;
  app->p_OnScreenControls();
  EXPECT_EQ(app->m_settings[10], 140) << "the handle drags the pad";
  app->m_touchDown[1] = 1;
  app->m_touchY[1] = 380;
  app->m_touchX[1] = 200;
  app->p_OnScreenControls();
  app->m_touchX[1] = 240;
  app->p_OnScreenControls();
  EXPECT_EQ(app->m_settings[12], 12) << "spreading two fingers by 40 grows the pad by 2";
}

}  // namespace
