// The non-play screens driven through whole updates with scripted key events
// and a settable clock: the menu's key repeat, score lists, credits roll and
// back key; the option box's slide-in, rows and saving; the pause menu; the
// console quit prompt; badge notices and the icon buttons. Music calls go to a
// recording audio device; the state file lands in a folder of each test's own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "game/app.h"
#include "host/app.h"
#include "host/game.h"
#include "input/input_device.h"
#include "tests/scratch_folder.h"

namespace {

class ClockGame : public VXGame {
 public:
  int now = 100000;
  int Millisecs() override { return now; }
};

class MusicRecorder : public gxtkAudio {
 public:
  std::vector<std::string> music;
  int PlayMusic(const String& path, int) override {
    music.push_back(path.ToUtf8());
    return 0;
  }
  void StopMusic() override { music.push_back("stop"); }
};

constexpr int kKeyDownArrow = 40;
constexpr int kKeyUpArrow = 38;
constexpr int kKeyLeftArrow = 37;
constexpr int kKeyRightArrow = 39;
constexpr int kKeyEscape = 27;
constexpr int kKeyZ = 'Z';
constexpr int kMillisPerUpdate = 16;
constexpr int kBestColour[] = {255, 200, 100};
constexpr int kRecentColour[] = {200, 255, 100};

class Menus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gc_init();
    // No sound card here; music calls are recorded. putenv, not setenv: every
    // C library the tests are built with has it.
    static char drivers[] = "ALSOFT_DRIVERS=null";
    putenv(drivers);
  }

  void SetUp() override {
    ASSERT_FALSE(folder.Path().empty()) << "no temporary folder";
    host = new ClockGame();
    vxInitFramework();
    vxInitGameModule();
    audio = gc_new<MusicRecorder>();
    vx_audio_SetAudioDevice(audio);
    input = gc_new<c_InputDevice>()->m_new();
    vx_input_SetInputDevice(input);
    vx_app__app = nullptr;
    app = gc_new<c_MyApp>();
    app->m_new();
    // The state the start-up and the loader leave behind.
    app->m_mode = kModeMenu;
    app->m_menuChoice = 1;
    app->m_wheelTarget = -32;
    app->m_menuIntro = -32;
    app->m_difficulty = kDifficultyNormal;
    app->m_pauseState = -1;
    app->m_pauseY = -64;
    app->m_fontSlot = kSlotFont;
    app->m_imageScale = 1;
    SetInfo(kSlotFont, kFontAdvance, kFontLineHeight);
    SetInfo(kSlotIcons, 32, 32);
    SetInfo(kSlotButtons, 64, 64);
  }
  void SetInfo(int slot, int w, int h) {
    app->m_imageInfo[slot * kImageInfoStride + kInfoFrameWidth] = w;
    app->m_imageInfo[slot * kImageInfoStride + kInfoFrameHeight] = h;
  }
  void Update() {
    host->now += kMillisPerUpdate;
    input->p_BeginUpdate();
    app->p_OnUpdate();
    input->p_EndUpdate();
  }
  void Updates(int n) {
    for (int i = 0; i < n; ++i) Update();
  }
  void Hold(int key) { input->p_KeyEvent(c_VXGameEvent::KeyDown, key); }
  void Release(int key) { input->p_KeyEvent(c_VXGameEvent::KeyUp, key); }
  // A press seen by one update, then released and seen released by another.
  void Press(int key) {
    Hold(key);
    Update();
    Release(key);
    Update();
  }

  // Visible glyph lines, keyed by y, optionally of one colour; spaces draw nothing.
  std::vector<std::string> Lines(const int* colour = nullptr) {
    std::map<float, std::string> byY;
    std::vector<float> order;
    for (int c = 0; c < app->m_drawLen; c += kDrawCommandFloats) {
      const float* d = app->m_drawList.Data() + c;
      if (d[kCmdKind] != kSlotFont || d[kCmdAlpha] <= 0) continue;
      if (colour && (d[kCmdRed] != colour[0] || d[kCmdGreen] != colour[1] || d[kCmdBlue] != colour[2])) continue;
      if (!byY.count(d[kCmdY])) order.push_back(d[kCmdY]);
      byY[d[kCmdY]] += static_cast<char>(d[kCmdFrame] + 32);
    }
    std::vector<std::string> lines;
    for (float y : order) lines.push_back(byY[y]);
    return lines;
  }
  bool Shows(const std::string& text) {
    for (const std::string& line : Lines())
      if (line == text) return true;
    return false;
  }
  std::string StateFile() {
    std::ifstream f(".tarvikstate");
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  int Item(const std::string& record, int n) {
    size_t at = 0;
    for (int i = 0; i < n; ++i) at = record.find('|', at) + 1;
    return std::stoi(record.substr(at));
  }
  // Opens the option box from the menu and waits until it has slid in.
  void OpenOptionBox() {
    Press(kKeyLeftArrow);
    Press(kKeyZ);
    ASSERT_EQ(app->m_optionOpen, 1);
    Updates(kOptionSlideMax);
    ASSERT_EQ(app->m_optionSlide, kOptionSlideMax);
  }

  struct Box {
    float x0, y0, x1, y1;
  };
  // The frames of image slot `slot` drawn this update (frame -1: any frame).
  std::vector<Box> Images(int slot, int frame) {
    std::vector<Box> boxes;
    for (int c = 0; c < app->m_drawLen; c += kDrawCommandFloats) {
      const float* d = app->m_drawList.Data() + c;
      if (d[kCmdKind] != slot || d[kCmdAlpha] <= 0 || (frame >= 0 && d[kCmdFrame] != frame)) continue;
      float hw = d[kCmdSizeX] * app->m_imageInfo[slot * kImageInfoStride + kInfoFrameWidth] / 2;
      float hh = d[kCmdSizeY] * app->m_imageInfo[slot * kImageInfoStride + kInfoFrameHeight] / 2;
      boxes.push_back({d[kCmdX] - hw, d[kCmdY] - hh, d[kCmdX] + hw, d[kCmdY] + hh});
    }
    return boxes;
  }
  bool Inside(const Box& b) {
    constexpr float kSlack = 0.01f;
    return b.x0 >= -kSlack && b.y0 >= -kSlack && b.x1 <= vx_Velmar_jscrw + kSlack && b.y1 <= vx_Velmar_jscrh + kSlack;
  }
  void ExpectInside(int slot, int frame, const std::string& what) {
    std::vector<Box> boxes = Images(slot, frame);
    ASSERT_FALSE(boxes.empty()) << what << " is not drawn";
    for (const Box& b : boxes)
      EXPECT_TRUE(Inside(b)) << what << " at " << b.x0 << "," << b.y0 << " .. " << b.x1 << "," << b.y1;
  }
  // Every visible glyph's ink (five of the seven units of its advance, eight
  // of the ten of its line) lies on screen.
  void ExpectTextInside(const std::string& what) {
    constexpr float kInkWide = 5.0f / kFontAdvance, kInkHigh = 8.0f / kFontLineHeight;
    std::vector<Box> glyphs = Images(kSlotFont, -1);
    ASSERT_FALSE(glyphs.empty()) << what << " shows no text";
    for (const Box& g : glyphs) {
      float cx = (g.x0 + g.x1) / 2, cy = (g.y0 + g.y1) / 2;
      float hw = (g.x1 - g.x0) * kInkWide / 2, hh = (g.y1 - g.y0) * kInkHigh / 2;
      EXPECT_TRUE(Inside({cx - hw, cy - hh, cx + hw, cy + hh})) << what << ": a glyph at " << cx << "," << cy;
    }
  }

  ScratchFolder folder;  // holds the state file the option box saves
  ClockGame* host = nullptr;
  MusicRecorder* audio = nullptr;
  c_InputDevice* input = nullptr;
  c_MyApp* app = nullptr;
};

// --- Main menu ---------------------------------------------------------------

TEST_F(Menus, HoldingDownStepsAtOnceThenAfter31_19_7AndEvery4AndStopsAtHard) {
  app->m_menuChoice = 0;
  Update();
  Hold(kKeyDownArrow);
  std::vector<int> steps;
  std::vector<int> choices;
  for (int u = 0; u < 70; ++u) {
    float before = app->m_play[kPlayMenuRepeatCountdown];
    Update();
    if (app->m_play[kPlayMenuRepeatCountdown] > before) {
      steps.push_back(u);
      choices.push_back(app->m_menuChoice);
    }
  }
  EXPECT_EQ(steps, (std::vector<int>{0, 31, 50, 57, 61, 65, 69}));
  EXPECT_EQ(choices, (std::vector<int>{1, 2, 2, 2, 2, 2, 2}));
  EXPECT_EQ(app->m_difficulty, kDifficultyHard);
  EXPECT_FLOAT_EQ(app->m_wheelTarget, -64);

  // Letting go restarts the pattern: up steps at once.
  Release(kKeyDownArrow);
  Update();
  Hold(kKeyUpArrow);
  Update();
  EXPECT_EQ(app->m_menuChoice, 1);
  Updates(30);
  EXPECT_EQ(app->m_menuChoice, 1);
  Update();
  EXPECT_EQ(app->m_menuChoice, 0);
  Updates(60);
  EXPECT_EQ(app->m_menuChoice, 0) << "Easy is the lowest choice on the desktop";
}

TEST_F(Menus, ScoreListsShowTenRowsAt480AndOneUnderHighscoreAt120) {
  int best = (kDifficultyNormal - 1) * 10, recent = best + 30;
  app->m_highScores[best] = 900;
  app->m_highScores[best + 9] = 7;
  app->m_highScores[recent] = 42;
  Update();
  std::vector<std::string> top = Lines(kBestColour);
  ASSERT_EQ(top.size(), 11u);
  EXPECT_EQ(top[0], "Top10");
  EXPECT_EQ(top[1], "900");
  EXPECT_EQ(top[10], "7");
  std::vector<std::string> last = Lines(kRecentColour);
  ASSERT_EQ(last.size(), 11u);
  EXPECT_EQ(last[0], "Last10");
  EXPECT_EQ(last[1], "42");

  vx_Velmar_jscrh = 120;
  Update();
  EXPECT_EQ(Lines(kBestColour), (std::vector<std::string>{"Highscore", "900"}));
  EXPECT_EQ(Lines(kRecentColour), (std::vector<std::string>{"Last", "42"}));
  vx_Velmar_jscrh = 480;
}

// Every screen a player meets, at desktop window shapes, a 4:3 tablet,
// landscape phones up to 2.4:1, a 4:1 strip and portrait devices: what must be
// read or pressed lies inside the fitted screen, both lists show all ten rows,
// the wheel's description shows where the screen is wider than 600 units, and
// the pause menu's items are a finger wide in window pixels.
TEST_F(Menus, EveryScreenFitsEveryWindowShape) {
  struct Shape {
    int width, height;
  };
  const Shape shapes[] = {{640, 480},  {1024, 768}, {1280, 1024}, {1366, 768}, {1920, 1080}, {844, 390},
                          {936, 390},  {1200, 300}, {390, 844},   {768, 1024}};
  constexpr float kFingerPixels = 44;  // the smallest target phone makers advise
  constexpr int kGearFrame = 8;
  SetInfo(kSlotLogo, 256, 128);
  SetInfo(kSlotCircle, 256, 256);
  std::string text = vx_Velmar_MenuSet[2 * app->m_menuChoice + 1].ToUtf8(), description;
  for (char c : text.substr(0, text.find("\\n")))
    if (c != ' ') description += c;

  for (const Shape& shape : shapes) {
    std::string size = std::to_string(shape.width) + "x" + std::to_string(shape.height);
    app->p_FitScreen(shape.width, shape.height);
    float w = vx_Velmar_jscrw, h = vx_Velmar_jscrh;
    EXPECT_GE(std::fmin(w, h), 360.0f) << size;
    EXPECT_FLOAT_EQ(w * app->m_scaleX, static_cast<float>(shape.width)) << size << ": the screen fills the window";

    app->m_menuIntro = 0;
    Update();
    EXPECT_EQ(Lines(kBestColour).size(), 11u) << size;
    EXPECT_EQ(Lines(kRecentColour).size(), 11u) << size;
    EXPECT_EQ(Shows(description), w > 600) << size;
    ExpectTextInside(size + " title");
    ExpectInside(kSlotIcons, 3, size + " play icon");
    Box logo = Images(kSlotLogo, 0).at(0);
    EXPECT_TRUE(logo.x0 >= 0 && logo.x1 <= w && logo.y1 < h / 2) << size << " logo";
    Box gear = Images(kSlotButtons, kGearFrame).at(0);
    float hubX = (gear.x0 + gear.x1) / 2, hubY = (gear.y0 + gear.y1) / 2;
    EXPECT_TRUE(hubX >= 32 && hubY >= 32 && hubX <= w - 32 && hubY <= h - 32) << size << " gear";
    ExpectInside(kSlotButtons, app->m_menuChoice, size + " chosen difficulty");

    OpenOptionBox();
    ExpectTextInside(size + " option box");
    Box back = Images(kSlotButtons, kGearFrame).back();  // drawn over the title's gear
    float backX = (back.x0 + back.x1) / 2, backY = (back.y0 + back.y1) / 2;
    EXPECT_TRUE(backX >= 32 && backY >= 32 && backX <= w - 32 && backY <= h - 32) << size << " back button";
    EXPECT_TRUE(Shows("RightThumbstickYFlipped")) << size;
    Press(kKeyEscape);
    Updates(kOptionSlideMax + 1);
    Press(kKeyRightArrow);  // the focus back on the wheel

    app->m_mode = kModeStartRound;
    Updates(2);
    ExpectInside(kSlotIcons, 0, size + " pause button");
    ExpectTextInside(size + " score line");
    Press(kKeyEscape);
    for (int u = 0; u < 100 && app->m_pauseY < static_cast<int>(h / 2); ++u) Update();
    ASSERT_EQ(app->m_paused, 1) << size;
    ExpectTextInside(size + " pause menu");
    for (int frame : {3, 1}) {
      ExpectInside(kSlotIcons, frame, size + " pause item " + std::to_string(frame));
      Box item = Images(kSlotIcons, frame).at(0);
      EXPECT_GE((item.x1 - item.x0) * app->m_scaleX, kFingerPixels) << size;
    }
    ExpectInside(kSlotButtons, kGearFrame, size + " pause options");

    Press(kKeyUpArrow);
    Press(kKeyZ);
    ASSERT_EQ(app->m_gameOver, 1) << size;
    Updates(60);
    EXPECT_TRUE(Shows("Quit") && Shows("Game")) << size;
    ExpectTextInside(size + " game over");
    for (int u = 0; u < 200 && app->m_mode != kModeMenu; ++u) Update();
    ASSERT_EQ(app->m_mode, kModeMenu) << size;
    Updates(40);
  }
  app->p_FitScreen(640, 480);
}

TEST_F(Menus, TheListsFollowTheChosenDifficulty) {
  app->m_highScores[(kDifficultyHard - 1) * 10] = 333;
  Update();
  EXPECT_EQ(Lines(kBestColour)[1], "0");
  Press(kKeyDownArrow);
  EXPECT_EQ(app->m_difficulty, kDifficultyHard);
  EXPECT_EQ(Lines(kBestColour)[1], "333");
}

TEST_F(Menus, ConfirmStartsTheChosenRoundAndNotesTheKeyboard) {
  Press(kKeyDownArrow);
  Hold(kKeyZ);
  Update();
  EXPECT_EQ(app->m_mode, kModeStartRound);
  EXPECT_EQ(app->m_difficulty, kDifficultyHard);
  EXPECT_EQ(app->m_inputKind, 0) << "confirmed with a keyboard key";
  EXPECT_EQ(app->m_keyLatch, 1);
  Update();
  EXPECT_EQ(app->m_mode, kModePlaying);
}

TEST_F(Menus, LeftAndRightMoveTheFocusAndConfirmOpensTheFocusedColumn) {
  Press(kKeyRightArrow);
  EXPECT_EQ(app->m_menuFocus, 2);
  Press(kKeyRightArrow);
  EXPECT_EQ(app->m_menuFocus, 2);
  Press(kKeyZ);
  EXPECT_EQ(app->m_panelOpen, 1);
  EXPECT_EQ(app->m_mode, kModeMenu);
  // Any confirm key closes the panel again.
  Press(kKeyZ);
  EXPECT_EQ(app->m_panelOpen, 0);
  Press(kKeyLeftArrow);
  Press(kKeyLeftArrow);
  EXPECT_EQ(app->m_menuFocus, 0);
  Press(kKeyZ);
  EXPECT_EQ(app->m_optionOpen, 1);
}

TEST_F(Menus, TheCreditsRollNeverShowsEndAndWrapsAfter56Lines) {
  Press(kKeyRightArrow);
  Press(kKeyZ);
  ASSERT_EQ(app->m_panelOpen, 1);
  Hold(kKeyDownArrow);  // hurries the roll
  int seenGameBy = 0;
  bool wasShown = false;
  while (app->m_creditLine < 2 * 56 + 2) {
    Update();
    ASSERT_FALSE(Shows("End")) << "at line " << app->m_creditLine;
    bool shown = Shows("AGameby");
    if (shown && !wasShown) ++seenGameBy;
    wasShown = shown;
  }
  EXPECT_EQ(seenGameBy, 3) << "the roll came round to its start twice";
  EXPECT_EQ(app->m_panelOpen, 1) << "down only hurries the roll";
}

TEST_F(Menus, BackOnTheDesktopMenuQuitsWithStatusZero) {
  EXPECT_EXIT(
      {
        Hold(kKeyEscape);
        Update();
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Menus, BackWithTheSidePanelOpenClosesItInsteadOfQuitting) {
  Press(kKeyRightArrow);
  Press(kKeyZ);
  ASSERT_EQ(app->m_panelOpen, 1);
  Hold(kKeyEscape);
  Updates(5);
  EXPECT_EQ(app->m_panelOpen, 0);
  EXPECT_EQ(app->m_mode, kModeMenu);
}

TEST_F(Menus, OnTheConsoleBackAsksFirstAndConfirmReturnsToTheMenu) {
  vx_Velmar_isOuya = 1;
  Press(kKeyEscape);
  EXPECT_EQ(app->m_mode, kModeConsoleQuit);
  EXPECT_FLOAT_EQ(app->m_clsAlpha, -1);
  EXPECT_TRUE(Shows("UnexpectedQuit"));
  Press(kKeyZ);
  EXPECT_EQ(app->m_mode, kModeMenu);
  vx_Velmar_isOuya = 0;
}

// --- Option box ----------------------------------------------------------------

TEST_F(Menus, TheOptionBoxIgnoresInputUntilItHasSlidIn) {
  Press(kKeyLeftArrow);
  Press(kKeyZ);
  ASSERT_EQ(app->m_optionOpen, 1);
  while (app->m_optionSlide < kOptionSlideMax - 1) {
    int key = app->m_optionSlide % 4 < 2 ? kKeyDownArrow : kKeyEscape;
    Hold(key);
    Update();
    Release(key);
    EXPECT_EQ(app->m_optionCursor, 0) << "slide " << app->m_optionSlide;
    EXPECT_EQ(app->m_optionOpen, 1) << "slide " << app->m_optionSlide;
  }
  Updates(2);
  ASSERT_EQ(app->m_optionSlide, kOptionSlideMax);
  Press(kKeyDownArrow);
  EXPECT_EQ(app->m_optionCursor, 1);
  EXPECT_TRUE(Shows("Sound:SFX+Music"));
  EXPECT_TRUE(Shows("Fullscreen"));
  EXPECT_TRUE(Shows("LeftThumbstickYFlipped"));
}

TEST_F(Menus, SoundCyclesOffSfxAndMusicSfxMusicStoppingAndRestartingTheTune) {
  app->m_mode = kModePlaying;
  app->m_paused = 1;
  app->m_pauseState = 1;
  app->m_tuneName = String("satellites");
  app->m_musicOn = 1;
  app->m_optionOpen = 1;
  Updates(kOptionSlideMax + 1);
  Press(kKeyDownArrow);
  ASSERT_EQ(app->m_optionCursor, 1);

  const char* texts[] = {"Sound:SFX", "Sound:Music", "Sound:Off", "Sound:SFX+Music"};
  const int values[] = {2, 3, 0, 1};
  const int musicOn[] = {0, 1, 0, 1};
  for (int i = 0; i < 4; ++i) {
    Press(kKeyZ);
    EXPECT_EQ(app->m_settings[kSettingSound], values[i]);
    EXPECT_EQ(app->m_musicOn, musicOn[i]);
    EXPECT_TRUE(Shows(texts[i])) << texts[i];
  }
  const std::string tune = "tarvik://data/sfx/satellites.ogg";
  EXPECT_EQ(audio->music, (std::vector<std::string>{"stop", tune, "stop", tune}));
}

TEST_F(Menus, MusicChosenInTheMenuWaitsForTheRound) {
  app->m_settings[kSettingSound] = 2;
  OpenOptionBox();
  Press(kKeyDownArrow);
  Press(kKeyZ);
  EXPECT_EQ(app->m_settings[kSettingSound], 3);
  EXPECT_TRUE(audio->music.empty());
  EXPECT_EQ(app->m_musicOn, 0);
}

TEST_F(Menus, ASoundValueOutOfRangeShowsAsOffAndIsReset) {
  app->m_settings[kSettingSound] = 7;
  app->m_settings[kSettingLeftStickY] = 5;
  OpenOptionBox();
  EXPECT_EQ(app->m_settings[kSettingSound], 0);
  EXPECT_EQ(app->m_settings[kSettingLeftStickY], 0);
  EXPECT_TRUE(Shows("Sound:Off"));
}

TEST_F(Menus, LeavingTheOptionBoxSavesAndAStickSettingSurvivesALoad) {
  OpenOptionBox();
  for (int i = 0; i < 3; ++i) Press(kKeyDownArrow);
  Press(kKeyZ);
  EXPECT_EQ(app->m_settings[kSettingLeftStickY], 1);
  EXPECT_TRUE(Shows("LeftThumbstickYNormal"));
  EXPECT_TRUE(StateFile().empty()) << "nothing is saved before the box is left";
  Press(kKeyEscape);
  EXPECT_EQ(app->m_optionOpen, 0);
  std::string record = StateFile();
  ASSERT_FALSE(record.empty());
  EXPECT_EQ(Item(record, kSettingLeftStickY), 1);

  // The box slides away over the menu, which stays blocked while back is held.
  EXPECT_GT(app->m_optionSlide, 0);
  Updates(kOptionSlideMax);
  EXPECT_EQ(app->m_optionSlide, 0);
  EXPECT_EQ(app->m_mode, kModeMenu);

  app->m_settings[kSettingLeftStickY] = 0;
  app->p_Load();
  EXPECT_EQ(app->m_settings[kSettingLeftStickY], 1);
}

TEST_F(Menus, ConfirmOnTheBackRowClosesTheBox) {
  OpenOptionBox();
  Press(kKeyZ);
  EXPECT_EQ(app->m_optionOpen, 0);
  EXPECT_FALSE(StateFile().empty());
}

// --- Pause menu ----------------------------------------------------------------

class PauseMenu : public Menus {
 protected:
  void SetUp() override {
    Menus::SetUp();
    app->m_mode = kModeStartRound;
    Update();
    ASSERT_EQ(app->m_mode, kModePlaying);
    Press(kKeyEscape);
    ASSERT_EQ(app->m_paused, 1);
    Updates(12);
  }
};

TEST_F(PauseMenu, BackResumesAfterTheMenuHasSlidAway) {
  EXPECT_EQ(app->m_pauseY, 240);
  EXPECT_TRUE(Shows("PAUSED"));
  float shipX = app->m_play[kPlayShipX];
  Hold(kKeyEscape);
  Update();
  EXPECT_EQ(app->m_pauseState, -1);
  EXPECT_EQ(app->m_paused, 1);
  int updates = 0;
  while (app->m_paused == 1 && updates < 100) {
    Update();
    ++updates;
  }
  EXPECT_EQ(updates, 12) << "240 falls below -32 in steps of 24";
  EXPECT_EQ(app->m_play[kPlayShipX], shipX) << "the field stood still while paused";
  Release(kKeyEscape);
  Updates(3);
  EXPECT_EQ(app->m_paused, 0);
  EXPECT_EQ(app->m_mode, kModePlaying);
}

TEST_F(PauseMenu, EndGameQuitsTheRoundIntoTheGameOverSequence) {
  EXPECT_EQ(app->m_pauseCursor, 0);
  Press(kKeyUpArrow);
  EXPECT_EQ(app->m_pauseCursor, -1);
  Press(kKeyUpArrow);
  EXPECT_EQ(app->m_pauseCursor, -1);
  Press(kKeyZ);
  EXPECT_EQ(app->m_paused, 0);
  EXPECT_EQ(app->m_gameOver, 1);
  EXPECT_EQ(app->m_quitRound, -1);
  EXPECT_EQ(app->m_pauseY, -64);
  int updates = 0;
  while (app->m_mode != kModeMenu && updates < 200) {
    Update();
    ++updates;
  }
  EXPECT_EQ(app->m_mode, kModeMenu);
  EXPECT_FALSE(StateFile().empty()) << "the finished round was recorded and saved";
}

TEST_F(PauseMenu, OptionsOpenTheBoxOverThePausedRound) {
  Press(kKeyDownArrow);
  EXPECT_EQ(app->m_pauseCursor, 1);
  Press(kKeyZ);
  EXPECT_EQ(app->m_optionOpen, 1);
  float gear = app->m_gearAngle;
  Updates(kOptionSlideMax + 1);
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_NEAR(app->m_gearAngle - gear, 0.2f * (kOptionSlideMax + 1), 0.01f) << "only the box's gear turns";
  Press(kKeyEscape);
  EXPECT_EQ(app->m_optionOpen, 0);
  EXPECT_EQ(app->m_paused, 1) << "back closed the box, not the pause menu";
}

TEST_F(PauseMenu, TheArrowsReshapeTheFigureWithinItsLimits) {
  Hold(kKeyRightArrow);
  Updates(600);
  EXPECT_FLOAT_EQ(app->m_pauseStep, 128);
  Release(kKeyRightArrow);
  Hold(kKeyUpArrow);
  Updates(300);
  EXPECT_FLOAT_EQ(app->m_pauseRadius, 0.45f * 480 - 96);
  EXPECT_TRUE(Shows("128.0:120"));
}

// --- Badge notices and buttons -------------------------------------------------

TEST_F(Menus, ABadgeNoticeSlidesInStaysAndSlidesOutUntilCleared) {
  app->m_badgeQueue[2] = 5;
  app->m_badgeTimers[2] = 1;
  auto boxX = [&]() {
    for (int c = 0; c < app->m_drawLen; c += kDrawCommandFloats) {
      const float* d = app->m_drawList.Data() + c;
      if (d[kCmdKind] == kCmdKindRect && d[kCmdBlue] == 80) return d[kCmdX];
    }
    return kAbsentF;
  };
  Update();
  EXPECT_FLOAT_EQ(boxX(), 16 * 2 - 160);
  Updates(20);
  EXPECT_FLOAT_EQ(boxX(), 0);
  EXPECT_TRUE(Shows("OddBadge"));
  Updates(210);
  EXPECT_FLOAT_EQ(boxX(), 3680 - 16 * 232);
  Updates(8);
  EXPECT_FLOAT_EQ(boxX(), -160);
  Update();
  EXPECT_EQ(app->m_badgeTimers[2], 0);
  EXPECT_EQ(boxX(), kAbsentF);
}

TEST_F(Menus, AButtonIsHitOnlyByAPresentFingerStrictlyInsideWhileThePointerIsDown) {
  app->p_ResetDraw();
  app->p_SetSize(2, kAbsentF);
  for (int f = 0; f < kTouchSlots; ++f) app->m_touchX[f] = app->m_touchY[f] = kAbsent;
  app->m_mouseDown = 1;
  EXPECT_EQ(app->p_Button(kSlotIcons, 100, 100, 3), 0);
  app->m_touchX[4] = 131;  // half-width 32 at size 2
  app->m_touchY[4] = 100;
  EXPECT_EQ(app->p_Button(kSlotIcons, 100, 100, 3), 1);
  EXPECT_EQ(app->m_buttonHit, 1);
  app->m_touchX[4] = 132;
  EXPECT_EQ(app->p_Button(kSlotIcons, 100, 100, 3), 0) << "the edge is outside";
  EXPECT_EQ(app->m_buttonHit, 0);
  app->m_touchX[4] = 100;
  app->m_mouseDown = 0;
  EXPECT_EQ(app->p_Button(kSlotIcons, 100, 100, 3), 0);

  // Finger 0 alone counts for p_Button0, which leaves m_buttonHit alone.
  app->m_mouseDown = 1;
  app->m_buttonHit = 7;
  EXPECT_EQ(app->p_Button0(kSlotIcons, 100, 100, 3), 0);
  app->m_touchX[0] = 110;
  app->m_touchY[0] = 90;
  EXPECT_EQ(app->p_Button0(kSlotIcons, 100, 100, 3), 1);
  EXPECT_EQ(app->m_buttonHit, 7);
  EXPECT_EQ(app->p_Button(kSlotIcons, kAbsentF, kAbsentF, 3), 0) << "absent fingers never match";
  EXPECT_EQ(app->m_drawLen, 7 * kDrawCommandFloats) << "every call drew its icon";
}

}  // namespace
