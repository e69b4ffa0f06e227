// The game's spine without a window: display list and drawing toolkit, text
// layout, the virtual screen, the resolution level, and the update order and
// mode machine driven by a substituted clock, scripted key events and a
// render device that records what it is asked to draw.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game/app.h"
#include "graphics/graphics.h"
#include "host/app.h"
#include "input/input_device.h"
#include "storage/module.h"
#include "tests/scratch_folder.h"

namespace {

// The icon escape "¬" followed by the code letter.
String Icon(char letter) { return String::FromChar(0xAC) + String::FromChar(letter); }

// A host whose clock the test sets.
class ClockGame : public VXGame {
 public:
  int now = 0;
  int Millisecs() override { return now; }
};

struct DrawCall {
  std::string op;
  std::vector<float> v;
};

// A render device without a GL context: records loads and drawing calls.
class RecordingDevice : public gxtkGraphics {
 public:
  std::vector<std::string> loads;
  std::vector<DrawCall> calls;
  bool haveFiles = false;

  gxtkSurface* LoadSurface(String path) override {
    loads.push_back(path.ToUtf8());
    if (!haveFiles) return nullptr;
    gxtkSurface* s = gc_new<gxtkSurface>();
    s->width = 4096;
    s->height = 4096;
    return s;
  }
  gxtkSurface* CreateSurface(int w, int h) override { return nullptr; }
  int Cls(float r, float g, float b) override { return 0; }
  int SetAlpha(float a) override { return Record("alpha", {a}); }
  int SetColor(float r, float g, float b) override { return Record("color", {r, g, b}); }
  int SetBlend(int blend) override { return Record("blend", {static_cast<float>(blend)}); }
  int SetScissor(int x, int y, int w, int h) override { return 0; }
  int SetMatrix(float a, float b, float c, float d, float tx, float ty) override {
    return Record("matrix", {a, b, c, d, tx, ty});
  }
  int DrawRect(float x, float y, float w, float h) override { return Record("rect", {x, y, w, h}); }
  int DrawLine(float x1, float y1, float x2, float y2) override { return Record("line", {x1, y1, x2, y2}); }
  int DrawOval(float x, float y, float w, float h) override { return Record("oval", {x, y, w, h}); }
  int DrawPoly(Array<float> verts) override {
    return Record("poly", std::vector<float>(verts.begin(), verts.end()));
  }
  int DrawSurface(gxtkSurface* s, float x, float y) override { return Record("surface", {x, y}); }
  int DrawSurface2(gxtkSurface* s, float x, float y, int sx, int sy, int sw, int sh) override {
    return Record("surface", {x, y});
  }

  int CountOf(const std::string& op) const {
    int n = 0;
    for (const DrawCall& c : calls) n += c.op == op;
    return n;
  }

 private:
  int Record(const char* op, std::vector<float> v) {
    calls.push_back({op, std::move(v)});
    return 0;
  }
};

class Spine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gc_init(); }

  void SetUp() override {
    folder = std::make_unique<ScratchFolder>();
    host = new ClockGame();
    vxInitFramework();
    vxInitGameModule();
    device = gc_new<RecordingDevice>();
    vx_graphics_SetGraphicsDevice(device);
    input = gc_new<c_InputDevice>()->m_new();
    vx_input_SetInputDevice(input);
    vx_app__devWidth = 640;
    vx_app__devHeight = 480;
    app = gc_new<c_MyApp>();
    app->m_new();
  }

  // One host update: input edges around the game's update.
  void Update() {
    host->now += 16;
    input->p_BeginUpdate();
    app->p_OnUpdate();
    input->p_EndUpdate();
  }
  void Render() {
    vx_graphics_BeginRender();
    app->p_OnRender();
    vx_graphics_EndRender();
  }
  void Tap(int key) {
    input->p_KeyEvent(c_VXGameEvent::KeyDown, key);
    input->p_KeyEvent(c_VXGameEvent::KeyUp, key);
  }
  // Start-up, one render to fit the screen, then the 15 loader updates.
  void StartAndLoad() {
    app->p_OnCreate();
    Render();
    for (int i = 0; i < 15; ++i) Update();
  }
  const float* Command(int n) const { return app->m_drawList.Data() + n * kDrawCommandFloats; }
  int Commands() const { return app->m_drawLen / kDrawCommandFloats; }
  bool HasImageOfSlot(int slot) const {
    for (int n = 0; n < Commands(); ++n)
      if (Command(n)[kCmdKind] == static_cast<float>(slot)) return true;
    return false;
  }
  void UseFontMetrics() {
    app->m_fontSlot = kSlotFont;
    app->m_imageInfo[kSlotFont * kImageInfoStride + kInfoFrameWidth] = kFontAdvance;
    app->m_imageInfo[kSlotFont * kImageInfoStride + kInfoFrameHeight] = kFontLineHeight;
    app->p_CLS2D(kAbsentF, 0, 0, 0);
  }

  // Suspending saves the state file: each test keeps its own.
  std::unique_ptr<ScratchFolder> folder;
  ClockGame* host = nullptr;
  RecordingDevice* device = nullptr;
  c_InputDevice* input = nullptr;
  c_MyApp* app = nullptr;
};

// --- Display list and attributes ----------------------------------------------

TEST_F(Spine, AnUpdateThatQueues2500CommandsKeepsTheFirst2499) {
  app->p_CLS2D(kAbsentF, 0, 0, 0);
  for (int i = 0; i < 2500; ++i) app->p_Rect(static_cast<float>(i), 0, 1, 1);
  EXPECT_EQ(Commands(), kDisplayListCapacity);
  EXPECT_EQ(Command(kDisplayListCapacity - 1)[kCmdX], 2498.0f);
  app->p_CLS2D(kAbsentF, 0, 0, 0);
  EXPECT_EQ(app->m_drawLen, 0);
}

TEST_F(Spine, CommandsCarryTheCurrentAttributes) {
  app->p_CLS2D(10, 20, 30, 0.5f);
  EXPECT_EQ(app->m_clsRed, 10);
  EXPECT_EQ(app->m_clsAlpha, 0.5f);
  app->p_Ink(2, 1);
  app->p_Alpha(0.25f);
  app->p_SetRot(30);
  app->p_SetSize(2, kAbsentF);
  EXPECT_EQ(app->m_drawSizeY, 2.0f);
  app->p_DrawImg(kSlotGfx, 5, 6, 7);
  const float* c = Command(0);
  EXPECT_EQ(c[kCmdKind], kSlotGfx);
  EXPECT_EQ(c[kCmdRot], -30.0f);
  EXPECT_EQ(c[kCmdSizeX], 2.0f);
  EXPECT_EQ(c[kCmdSizeY], 2.0f);
  EXPECT_EQ(c[kCmdFrame], 7.0f);
  EXPECT_EQ(c[kCmdAlpha], 0.25f);
  EXPECT_EQ(c[kCmdRed], 255.0f);
  EXPECT_FLOAT_EQ(c[kCmdGreen], 127.5f);
  EXPECT_FLOAT_EQ(c[kCmdBlue], 25.5f);
  EXPECT_EQ(c[kCmdBlend], kCmdBlendAlpha);
  app->p_Ink(42, 3);  // grey, clamped at 255
  EXPECT_FLOAT_EQ(app->m_drawRed, 229.5f);
  app->p_Ink(9, 2);
  EXPECT_EQ(app->m_drawBlue, 255.0f);
  app->p_SetCol(1, 2, 3, kAbsentF);
  EXPECT_EQ(app->m_drawAlpha, 0.25f);
}

TEST_F(Spine, ATriangleWithAnOuterVertexRightOfTheMiddleIsStoredReversed) {
  app->p_CLS2D(kAbsentF, 0, 0, 0);
  app->p_Tri(0, 0, 10, 10, 20, 0);
  const float* c = Command(0);
  EXPECT_EQ(c[kCmdKind], kCmdKindTri);
  EXPECT_EQ(c[1], 20.0f);
  EXPECT_EQ(c[3], 10.0f);
  EXPECT_EQ(c[5], 0.0f);
  app->p_Tri(0, 1, 10, 11, 5, 2);
  c = Command(1);
  EXPECT_EQ(c[1], 0.0f);
  EXPECT_EQ(c[2], 1.0f);
  EXPECT_EQ(c[6], 2.0f);
}

TEST_F(Spine, TheBackgroundEasesAnEighthAndMinus123KeepsTheTarget) {
  app->p_DoBG(80, 160, 240, 0.5f);
  EXPECT_EQ(app->m_clsRed, 10.0f);
  EXPECT_EQ(app->m_clsBlue, 30.0f);
  EXPECT_EQ(app->m_clsAlpha, 0.5f);
  app->p_DoBG(-123, -123, -123, -123);
  EXPECT_EQ(app->m_clsTargetGreen, 160.0f);
  EXPECT_EQ(app->m_clsRed, 10.0f + 70.0f / 8);
  EXPECT_EQ(app->m_clsAlpha, 1.0f);
  app->p_DoBG(-123, -123, -123, 7);
  EXPECT_EQ(app->m_clsAlpha, 1.0f);
  for (int i = 0; i < 60; ++i) app->p_DoBG(-122, -123, -123, 1);
  EXPECT_NEAR(app->m_clsRed, -122.0f, 0.5f);
}

// --- Text -------------------------------------------------------------------

TEST_F(Spine, TextMeasuresTheLeadingSpaceButNotTheLastCharacter) {
  UseFontMetrics();
  EXPECT_EQ(app->p_TextWidth(String(" mi")), 16);
  EXPECT_EQ(app->p_TextWidth(String(" ")), 0);
  app->p_SetSize(1.5f, 1.5f);
  EXPECT_EQ(app->p_TextWidth(String(" mi")), 10 + 13);
  app->p_SetSize(1, 1);
  EXPECT_EQ(app->p_TextWidth(String(" ") + Icon('A') + String("B")), 7 + 9);
}

TEST_F(Spine, AnEmptyTextQueuesNoGlyph) {
  UseFontMetrics();
  app->p_Text(100, 100, String(""), 0, 1, 0);
  EXPECT_EQ(Commands(), 0);
}

TEST_F(Spine, AWrittenLineBreakPutsTheNextGlyphOneLineBelowAndAlignsOnTheWholeWidth) {
  UseFontMetrics();
  app->p_Text(100, 50, String("A\\nB"), 0, 1, 0);
  ASSERT_EQ(Commands(), 2);
  EXPECT_EQ(Command(0)[kCmdFrame], 'A' - 32);
  EXPECT_EQ(Command(1)[kCmdFrame], 'B' - 32);
  EXPECT_FLOAT_EQ(Command(0)[kCmdX], 107);
  EXPECT_FLOAT_EQ(Command(1)[kCmdX], 107);
  EXPECT_FLOAT_EQ(Command(1)[kCmdY], 60);

  // " A\nB" measures space, A, backslash and n (7 + 7 + 7 + 6); ending on x.
  app->p_CLS2D(kAbsentF, 0, 0, 0);
  app->p_Text(100, 50, String("A\\nB"), 2, 1, 0);
  EXPECT_FLOAT_EQ(Command(0)[kCmdX], 100 - 27 + 7);
  EXPECT_FLOAT_EQ(Command(1)[kCmdX], 100 - 27 + 7);

  // alignY 0 moves the glyphs half a line down.
  app->p_CLS2D(kAbsentF, 0, 0, 0);
  app->p_Text(100, 50, String("A"), 0, 0, 0);
  EXPECT_FLOAT_EQ(Command(0)[kCmdY], 55);
}

TEST_F(Spine, RotatedTextAdvancesAlongItsAngle) {
  UseFontMetrics();
  app->p_SetRot(90);
  app->p_Text(100, 50, String("AB"), 0, 1, 0);
  ASSERT_EQ(Commands(), 2);
  EXPECT_NEAR(Command(0)[kCmdX], 100, 1e-3);
  EXPECT_NEAR(Command(0)[kCmdY], 57, 1e-3);
  EXPECT_NEAR(Command(1)[kCmdY], 64, 1e-3);
}

TEST_F(Spine, IconEscapesFollowTheInputKindAndBlink) {
  UseFontMetrics();
  app->m_inputKind = 0;
  app->p_Text(0, 0, Icon('A'), 0, 1, 0);
  ASSERT_EQ(Commands(), 1);
  EXPECT_EQ(Command(0)[kCmdFrame], 123);

  app->m_inputKind = 1;
  std::vector<int> frames;
  for (int t : {0, 199, 200, 499, 500, 700}) {
    host->now = t;
    app->p_CLS2D(kAbsentF, 0, 0, 0);
    app->p_Text(0, 0, Icon('A'), 0, 1, 0);
    frames.push_back(static_cast<int>(Command(0)[kCmdFrame]));
  }
  EXPECT_EQ(frames, (std::vector<int>{104, 104, 107, 107, 104, 107}));

  // Icons without a blink frame and other letters; the escape draws 4 or 6 wide.
  host->now = 0;
  app->p_CLS2D(kAbsentF, 0, 0, 0);
  app->p_Text(0, 0, Icon('Q') + Icon('U') + String("x"), 0, 1, 0);
  ASSERT_EQ(Commands(), 3);
  EXPECT_EQ(Command(0)[kCmdFrame], 102);
  EXPECT_EQ(Command(1)[kCmdFrame], 110);
  EXPECT_FLOAT_EQ(Command(1)[kCmdX], 7 + 11);
  EXPECT_FLOAT_EQ(Command(2)[kCmdX], 7 + 11 + 13);
}

TEST_F(Spine, NumbersArePaddedOnTheLeftAndCutToTheirWidth) {
  EXPECT_EQ(app->p_rstr(42, 8, String("0")), String("00000042"));
  EXPECT_EQ(app->p_rstr(42, 11, String(" ")), String("         42"));
  EXPECT_EQ(app->p_rstr(123456789, 8, String("0")), String("23456789"));
  EXPECT_EQ(app->p_rstr(42, 0, String("0")), String("042"));
  EXPECT_EQ(app->p_rstr(-5, 3, String("0")), String("0-5"));
  EXPECT_EQ(app->p_rstr(12345, 3, String("")), String("345"));
  EXPECT_EQ(app->p_rstr(7, 3, String("")), String("7"));
}

// --- Virtual screen and resolution level --------------------------------------

TEST_F(Spine, TheVirtualScreenFillsEveryWindowShape) {
  app->p_FitScreen(640, 480);
  EXPECT_EQ(vx_Velmar_jscrw, 640);
  EXPECT_EQ(vx_Velmar_jscrh, 480);
  EXPECT_EQ(app->m_scaleX, 1);
  EXPECT_EQ(app->m_fitMode, 1);
  EXPECT_EQ(app->m_landscape, 1);

  app->p_FitScreen(1280, 720);
  EXPECT_EQ(vx_Velmar_jscrw, 640);
  EXPECT_EQ(vx_Velmar_jscrh, 360);
  EXPECT_EQ(app->m_scaleX, 2);
  EXPECT_EQ(app->m_scaleY, 2);
  EXPECT_EQ(app->m_fitMode, 1);

  // Past 16:9 the height stays at 360 and the width grows; past 3:4 the
  // width stays at 540 and the height grows.
  app->p_FitScreen(1200, 300);
  EXPECT_EQ(vx_Velmar_jscrw, 1440);
  EXPECT_EQ(vx_Velmar_jscrh, 360);
  EXPECT_NEAR(app->m_scaleX, 0.8333, 1e-4);
  EXPECT_EQ(app->m_fitMode, 2);
  EXPECT_EQ(app->m_landscape, 1);
  app->p_FitScreen(390, 780);
  EXPECT_EQ(vx_Velmar_jscrw, 540);
  EXPECT_EQ(vx_Velmar_jscrh, 1080);
  EXPECT_NEAR(app->m_scaleY, 0.7222, 1e-4);
  EXPECT_EQ(app->m_fitMode, 1);
  EXPECT_EQ(app->m_landscape, 0);

  app->p_FitScreen(480, 640);
  EXPECT_NEAR(vx_Velmar_jscrw, 540, 1e-3);
  EXPECT_NEAR(vx_Velmar_jscrh, 720, 1e-3);
  EXPECT_NEAR(app->m_scaleX, 0.8889, 1e-4);
  EXPECT_EQ(app->m_fitMode, 2);
  EXPECT_EQ(app->m_landscape, 0);

  for (auto [w, h] : {std::pair{0, 0}, {0, 480}, {640, 0}}) {
    app->p_FitScreen(w, h);
    EXPECT_NEAR(vx_Velmar_jscrw, 540, 1e-3) << "a window with no area keeps the last fit";
    EXPECT_NEAR(vx_Velmar_jscrh, 720, 1e-3);
    EXPECT_NEAR(app->m_scaleX, 0.8889, 1e-4);
  }
}

TEST_F(Spine, TheResolutionLevelFollowsTheWindowSize) {
  auto levelAt = [&](int w, int h) {
    vx_app__devWidth = w;
    vx_app__devHeight = h;
    device->loads.clear();
    app->p_Reload();
    return device->loads.front();
  };
  EXPECT_EQ(levelAt(630, 630), "tarvik://data/common/ZUNDLogo.png");
  EXPECT_EQ(app->m_hdLevel, 1);
  EXPECT_EQ(levelAt(631, 400), "tarvik://data/common/ZUNDLogo-hd.png");
  EXPECT_EQ(app->m_imageScale, 0.5f);
  EXPECT_EQ(levelAt(1231, 700), "tarvik://data/common/ZUNDLogo-hd2.png");
  EXPECT_EQ(app->m_hdLevel, 4);
  EXPECT_EQ(app->m_imageScale, 0.25f);
  vx_Velmar_UseHDImages = 0;
  EXPECT_EQ(levelAt(1231, 700), "tarvik://data/common/ZUNDLogo.png");
  EXPECT_EQ(app->m_imageScale, 1.0f);
  // The font keeps its metrics in virtual units at every level.
  EXPECT_EQ(app->m_imageInfo[kSlotFont * kImageInfoStride + kInfoFrameWidth], kFontAdvance);
  EXPECT_EQ(app->m_reloadCount, 1);
}

// --- Start-up, loader and update order ---------------------------------------

TEST_F(Spine, StartUpSetsTheRateAndTheLoaderRunsFifteenUpdatesBeforeTheTitle) {
  app->p_OnCreate();
  EXPECT_EQ(vx_app__updateRate, kUpdateRate);
  EXPECT_EQ(app->m_mode, kModeMenu);
  EXPECT_EQ(app->m_difficulty, kDifficultyNormal);
  EXPECT_EQ(app->m_pauseState, -1);
  EXPECT_EQ(app->m_settings[kSettingSound], 1);
  EXPECT_EQ(app->m_reloadCount, 1);
  Render();
  for (int i = 1; i <= 15; ++i) {
    Update();
    EXPECT_TRUE(HasImageOfSlot(kSlotMakerLogo)) << "update " << i;
    EXPECT_FALSE(HasImageOfSlot(kSlotLogo)) << "update " << i;
    EXPECT_EQ(app->m_reloadCount, i < 15 ? i + 1 : 0);
  }
  EXPECT_EQ(device->loads.back(), "tarvik://data/splodge-hd.png");
  Update();
  EXPECT_TRUE(HasImageOfSlot(kSlotLogo));
}

TEST_F(Spine, FunctionKeysToggleTheScoreLineAndTheOverlay) {
  StartAndLoad();
  Tap(kKeyF2);
  Update();
  EXPECT_EQ(app->m_hideHud, 1);
  Tap(kKeyF2);
  Update();
  EXPECT_EQ(app->m_hideHud, 0);

  int before = Commands();
  Tap(kKeyF1);
  Update();
  EXPECT_EQ(vx_Velmar_DebugMode, 1);
  EXPECT_GT(Commands(), before);
  const float* last = Command(Commands() - 1);
  EXPECT_FLOAT_EQ(last[kCmdY], vx_Velmar_jscrh - 16);
  Tap(kKeyF1);
  Update();
  EXPECT_EQ(vx_Velmar_DebugMode, 0);
  EXPECT_EQ(Commands(), before);
}

TEST_F(Spine, ConfirmOnTheTitleStartsANormalRound) {
  StartAndLoad();
  input->p_KeyEvent(c_VXGameEvent::KeyDown, ' ');
  Update();
  EXPECT_EQ(app->m_mode, kModeStartRound);
  Update();
  EXPECT_EQ(app->m_mode, kModePlaying);
  EXPECT_EQ(app->m_play[kPlayLives], 3);
  EXPECT_EQ(app->m_keyLatch, 1);
  input->p_KeyEvent(c_VXGameEvent::KeyUp, ' ');
  Update();
  EXPECT_EQ(app->m_keyLatch, 0);
}

TEST_F(Spine, AResizeSeenByARenderReloadsAndPlayResumesWhereItWas) {
  StartAndLoad();
  app->m_mode = kModeStartRound;
  Update();
  for (int i = 0; i < 10; ++i) Update();
  float shipX = app->m_play[kPlayShipX];
  int score = app->m_score;

  vx_app__devWidth = 1280;
  vx_app__devHeight = 720;
  device->loads.clear();
  Render();
  EXPECT_EQ(app->m_reloadCount, 1);
  EXPECT_EQ(app->m_lastDevWidth, 1280);
  EXPECT_EQ(vx_Velmar_jscrh, 360);
  for (int i = 0; i < 15; ++i) {
    Update();
    EXPECT_EQ(app->m_play[kPlayShipX], shipX);
  }
  EXPECT_EQ(app->m_reloadCount, 0);
  EXPECT_EQ(app->m_mode, kModePlaying);
  EXPECT_EQ(app->m_score, score);
  EXPECT_EQ(device->loads.back(), "tarvik://data/splodge-hd2.png");
}

TEST_F(Spine, LosingFocusDuringPlayComesBackPausedAndInTheMenuDoesNot) {
  StartAndLoad();
  app->p_OnSuspend();
  EXPECT_EQ(vx_app__updateRate, kSuspendedUpdateRate);
  EXPECT_EQ(app->m_paused, 0);
  app->p_OnResume();
  EXPECT_EQ(vx_app__updateRate, kUpdateRate);
  EXPECT_EQ(app->m_paused, 0);

  app->m_mode = kModeStartRound;
  Update();
  app->m_iCadeState[3] = kVirtualButtonHeld;
  vx_Velmar_iCadeControls = 1;
  app->p_OnSuspend();
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_EQ(app->m_pauseState, 1);
  EXPECT_EQ(app->m_pauseY, 240);
  EXPECT_EQ(app->m_iCadeState[3], 0);
  EXPECT_EQ(vx_Velmar_iCadeControls, 0);
  EXPECT_EQ(vx_app__updateRate, kSuspendedUpdateRate);
  app->p_OnResume();
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_EQ(vx_app__updateRate, kUpdateRate);
}

TEST_F(Spine, PointerPositionsMapIntoTheVirtualScreenButPressesNeverHold) {
  vx_app__devWidth = 1280;
  vx_app__devHeight = 720;
  StartAndLoad();
  input->p_MouseEvent(c_VXGameEvent::MouseDown, 0, 200, 100);
  Update();
  EXPECT_EQ(app->m_mouseX, 100);
  EXPECT_EQ(app->m_mouseY, 50);
  EXPECT_EQ(app->m_mouseHit, 1);
  EXPECT_EQ(app->m_mouseDown, 0);
  EXPECT_EQ(app->m_touchX[0], kAbsent);
  EXPECT_EQ(app->m_inputKind, 1);
}

TEST_F(Spine, RateMetersAverageTheInstantRates) {
  app->p_OnCreate();
  for (int i = 0; i < 200; ++i) Update();
  EXPECT_GE(app->m_updateFps, 52);
  EXPECT_LE(app->m_updateFps, 62);
  // Integer averaging settles a little below the true rate.
  for (int i = 0; i < 100; ++i) {
    host->now += 20;
    Render();
  }
  EXPECT_GE(app->m_renderFps, 41);
  EXPECT_LE(app->m_renderFps, 50);
  int fps = app->m_renderFps;
  Render();
  EXPECT_EQ(app->m_renderFps, fps);
}

TEST_F(Spine, F4AndTheCloseKeyQuitWithStatusZero) {
  StartAndLoad();
  EXPECT_EXIT({
    Tap(kKeyF4);
    Update();
  }, ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT({
    input->p_KeyEvent(c_VXGameEvent::KeyDown, kKeyCodeClose);
    Update();
  }, ::testing::ExitedWithCode(0), "");
}

// A round over whose overlay still runs is recorded and saved before F4 or
// the close key ends the game, as the overlay's own end would have done.
TEST_F(Spine, QuittingDuringTheGameOverOverlayKeepsTheRound) {
  constexpr int kScore = 4321;
  StartAndLoad();
  app->m_mode = kModePlaying;
  app->m_gameOver = 1;
  app->m_score = kScore;
  EXPECT_EXIT({
    Tap(kKeyF4);
    Update();
  }, ::testing::ExitedWithCode(0), "");
  String saved = vx_app_LoadState();
  std::string item = "|";
  item += std::to_string(kScore);
  item += "|";
  EXPECT_NE(saved.ToUtf8().find(item), std::string::npos) << saved.ToUtf8();
}

// A save that fails says so on screen, as a badge notice without an icon.
TEST_F(Spine, AFailedSaveIsAnnouncedLikeABadge) {
  StartAndLoad();
  std::filesystem::remove(".tarvikstate");
  std::filesystem::create_directory(".tarvikstate");
  EXPECT_NE(app->p_Save(), 0);
  int shown = 0;
  for (int r = 0; r < kBadgeQueueSlots; ++r)
    shown += app->m_badgeTimers[r] > 0 && app->m_badgeQueue[r] == kNoticeNotSaved;
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(app->p_BadgeName(kNoticeNotSaved).ToUtf8(), "Not saved!");
}

// --- Playback ------------------------------------------------------------------

TEST_F(Spine, PlaybackPaintsTheClearColourAndMapsEveryShapeToTheWindow) {
  vx_app__devWidth = 1280;
  vx_app__devHeight = 720;
  app->m_lastDevWidth = 1280;
  app->m_lastDevHeight = 720;
  app->p_CLS2D(1, 2, 3, 1);
  app->p_Rect(10, 20, 30, 40);
  app->p_Oval(100, 100, 10, 5);
  app->p_Line(0, 0, 5, 5);
  app->m_drawBlend = kCmdBlendAdditive;
  app->p_Tri(0, 0, 10, 10, 5, 0);
  app->m_drawBlend = kCmdBlendAlpha;
  app->p_DrawImg(kSlotGfx, 1, 1, 0);  // empty slot: skipped
  Render();
  EXPECT_EQ(app->m_reloadCount, 0);
  const auto& calls = device->calls;
  std::vector<DrawCall> shapes;
  for (const DrawCall& c : calls)
    if (c.op == "rect" || c.op == "oval" || c.op == "line" || c.op == "poly" || c.op == "surface") shapes.push_back(c);
  ASSERT_EQ(shapes.size(), 5u);
  EXPECT_EQ(shapes[0].v, (std::vector<float>{-1, -1, 1282, 722}));
  EXPECT_EQ(shapes[1].v, (std::vector<float>{20, 40, 60, 80}));
  EXPECT_EQ(shapes[2].v, (std::vector<float>{180, 190, 40, 20}));
  EXPECT_EQ(shapes[3].v, (std::vector<float>{0, 0, 10, 10}));
  EXPECT_EQ(shapes[4].v, (std::vector<float>{0, 0, 20, 20, 10, 0}));
  // The additive triangle sets blend 1; afterwards alpha is left at 0.5, white.
  int additive = 0;
  for (const DrawCall& c : calls)
    if (c.op == "blend" && c.v[0] == 1) ++additive;
  EXPECT_EQ(additive, 1);
  const DrawCall* lastAlpha = nullptr;
  for (const DrawCall& c : calls)
    if (c.op == "alpha") lastAlpha = &c;
  EXPECT_EQ(lastAlpha->v[0], 0.5f);
}

TEST_F(Spine, ImageCommandsDrawLoadedSlotsAtTheImageScale) {
  device->haveFiles = true;
  vx_app__devWidth = 1280;
  vx_app__devHeight = 720;
  app->p_Reload();
  app->m_lastDevWidth = 1280;
  app->m_lastDevHeight = 720;
  app->p_CLS2D(kAbsentF, 0, 0, 0);
  app->p_DrawImg(kSlotMakerLogo, 100, 50, 0);
  Render();
  ASSERT_EQ(device->CountOf("surface"), 1);
  // 1280x720 shows a 640x360 screen (2 pixels a unit) with the -hd2 images,
  // which carry 4 pixels a unit: each image pixel covers half a screen pixel.
  const DrawCall* matrix = nullptr;
  for (const DrawCall& c : device->calls) {
    if (c.op == "surface") break;
    if (c.op == "matrix") matrix = &c;
  }
  ASSERT_NE(matrix, nullptr) << "the image was drawn untransformed, at full size";
  EXPECT_FLOAT_EQ(matrix->v[0], 0.5f);
  EXPECT_FLOAT_EQ(matrix->v[3], 0.5f);
}

}  // namespace
