// Shared set-up for the round tests: a host whose clock the test sets, a real
// input device fed with key events, and a fresh game object that has not
// been registered with the host, so every test starts from a clean table.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "game/app.h"
#include "tests/scratch_folder.h"
#include "host/app.h"
#include "host/game.h"
#include "input/input_device.h"

// A host that never opens a window; its clock is whatever the test says.
class ScriptedHost : public VXGame {
 public:
  int now = 100000;
  int Millisecs() override { return now; }
};

constexpr int kKeyLeftArrow = 37;
constexpr int kKeyRightArrow = 39;
constexpr int kKeyUpArrow = 38;
constexpr int kKeyEsc = 27;
constexpr int kKeySpaceBar = 32;
constexpr int kKeyCtrl = 17;
constexpr int kKeyTildeKey = 192;
constexpr int kEventKeyDown = 1;
constexpr int kEventKeyUp = 2;
constexpr int kEventKeyChar = 3;
constexpr int kMillisPerUpdate = 16;

class RoundTest : public ::testing::Test {
 protected:
  ScratchFolder folder;  // the state file a round may save stays in it
  ScriptedHost host;
  c_InputDevice* input = nullptr;
  c_MyApp* app = nullptr;

  // The collector starts once.
  static void SetUpTestSuite() {
    static bool started = false;
    if (started) return;
    started = true;
    gc_init();
  }

  void SetUp() override {
    ASSERT_FALSE(folder.Path().empty()) << "no temporary folder";
    vx_app__game = &host;
    vx_Velmar_jscrw = 640;
    vx_Velmar_jscrh = 480;
    vx_Velmar_isOuya = 0;
    vx_Velmar_iCadeControls = 0;
    vx_Velmar_DebugMode = 0;
    vx_random_Seed = kRandomStartSeed;
    input = gc_new<c_InputDevice>()->m_new();
    vx_input_SetInputDevice(input);
    app = gc_new<c_MyApp>();
    app->m_difficulty = kDifficultyNormal;
    app->m_fontSlot = kSlotFont;
    app->m_imageScale = 1;
    app->m_imageInfo[kSlotFont * kImageInfoStride + kInfoFrameWidth] = kFontAdvance;
    app->m_imageInfo[kSlotFont * kImageInfoStride + kInfoFrameHeight] = kFontLineHeight;
    app->m_imageInfo[kSlotIcons * kImageInfoStride + kInfoFrameWidth] = 32;
    app->m_imageInfo[kSlotIcons * kImageInfoStride + kInfoFrameHeight] = 32;
    for (int f = 0; f < kTouchSlots; ++f) {
      app->m_touchX[f] = kAbsent;
      app->m_touchY[f] = kAbsent;
    }
  }

  void Press(int code) { input->p_KeyEvent(kEventKeyDown, code); }
  void Release(int code) { input->p_KeyEvent(kEventKeyUp, code); }
  void Type(int character) { input->p_KeyEvent(kEventKeyChar, character); }

  // One play update as the mode machine runs it, with the input device's framing.
  void Step() {
    input->p_BeginUpdate();
    app->p_Game();
    app->p_InGame();
    input->p_EndUpdate();
    host.now += kMillisPerUpdate;
  }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) Step();
  }

  float Obj(int slot, int entry) { return app->m_objects[slot * kObjectStride + entry]; }
  void SetObj(int slot, int entry, float v) { app->m_objects[slot * kObjectStride + entry] = v; }
  float& Play(int index) { return app->m_play[index]; }

  int CountObjects(int kind) {
    int n = 0;
    for (int i = 0; i < kObjectSlotsInPlay; ++i)
      if (Obj(i, kObjKind) == kind) ++n;
    return n;
  }
  void ClearObjects() {
    for (float& f : app->m_objects) f = 0;
  }

  // Image commands of the display list for one slot and frame.
  int CountImages(int slot, int frame) {
    int n = 0;
    for (int c = 0; c < app->m_drawLen; c += kDrawCommandFloats)
      if (app->m_drawList[c + kCmdKind] == slot && app->m_drawList[c + kCmdFrame] == frame) ++n;
    return n;
  }

  // The characters drawn in the font, one string per line of text (a new
  // line starts where the glyphs' y changes). Spaces draw nothing, so they
  // do not appear.
  std::vector<std::string> TextRuns() {
    std::vector<std::string> runs;
    std::string run;
    float lastY = 0;
    for (int c = 0; c < app->m_drawLen; c += kDrawCommandFloats) {
      bool glyph = app->m_drawList[c + kCmdKind] == kSlotFont;
      float y = app->m_drawList[c + kCmdY];
      if (!run.empty() && (!glyph || y != lastY)) {
        runs.push_back(run);
        run.clear();
      }
      if (glyph) {
        run += static_cast<char>(app->m_drawList[c + kCmdFrame] + 32);
        lastY = y;
      }
    }
    if (!run.empty()) runs.push_back(run);
    return runs;
  }
  bool Shows(const std::string& text) {
    for (const std::string& r : TextRuns())
      if (r == text) return true;
    return false;
  }
};

// Text of a framework string, for comparisons.
inline std::string Narrow(const String& s) { return s.ToNarrow(); }
