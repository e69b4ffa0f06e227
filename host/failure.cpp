// The failure screen: a program that cannot go on (a data file it cannot run
// without is missing) says why, and ends when the player has read it. The
// screen is written with the built-in letters through the graphics context,
// so it needs no data file; a windowed Windows program shows a message box
// instead. Relies on the application layer, the input device and graphics/.
#include <algorithm>
#include <cstdlib>

#include "audio/audio.h"
#include "graphics/builtin_font.h"
#include "graphics/graphics.h"
#include "host/app.h"
#include "input/input_device.h"

namespace {

// Updates before a key ends the screen: a key held down when the failure
// came, or repeating, is not the player's answer to it.
constexpr int kSettleUpdates = 30;
// The largest size of a glyph pixel, and the room kept clear at each side.
constexpr int kMaxScale = 3;
constexpr int kMarginPixels = 16;
constexpr float kBackgroundRed = 40, kBackgroundGreen = 16, kBackgroundBlue = 24;
constexpr float kTextLevel = 255;
constexpr float kHintLevel = 160;
const char* const kDismissHint = "Press any key to close.";

bool failed = false;
String failure;
int updatesShown = 0;

[[noreturn]] void EndFailed() {
  vxFreeDescriptorReserve();
  std::exit(kStatusAppFailed);
}

}  // namespace

void vx_app_FailApp(const String& message) {
  if (failed) return;
  failed = true;
  failure = message;
  vxPrint(message);
  if (vx_app__delegate && vx_app__delegate->audio) vx_app__delegate->audio->Suspend();
  if (vxShowFailureBox(message)) EndFailed();
}

bool vx_app_Failed() { return failed; }

void vxFailureUpdate(c_InputDevice* input) {
  input->p_BeginUpdate();
  if (++updatesShown > kSettleUpdates) {
    for (int code = 1; code < kKeyCodeCount; ++code)
      if (vx_input_KeyHit(code)) EndFailed();
  }
  input->p_EndUpdate();
}

void vxFailureKeyEvent(int event, int data) {
  if (event == c_VXGameEvent::KeyDown && data == kKeyCodeClose) EndFailed();
}

// The message's lines and the hint below them, centred, at the largest whole
// scale that fits the window.
void vxFailureRender(gxtkGraphics* graphics) {
  int mode = graphics->BeginRender();
  if (mode != kRenderModeNone) {
    vx_graphics_BeginRender();
    vx_graphics_Cls(kBackgroundRed, kBackgroundGreen, kBackgroundBlue);
    Array<String> lines = failure.Split(String("\n"));
    int widest = vx_graphics_BuiltinTextWidth(String(kDismissHint));
    for (const String& line : lines) widest = std::max(widest, vx_graphics_BuiltinTextWidth(line));
    int rows = (lines.Length() + 2) * kBuiltinLineHeight;
    int width = graphics->Width() - 2 * kMarginPixels, height = graphics->Height() - 2 * kMarginPixels;
    int scale = std::clamp(std::min(width / std::max(widest, 1), height / rows), 1, kMaxScale);
    float y = static_cast<float>((graphics->Height() - rows * scale) / 2);
    auto write = [&](const String& line) {
      float x = static_cast<float>((graphics->Width() - vx_graphics_BuiltinTextWidth(line) * scale) / 2);
      vx_graphics_DrawBuiltinText(line, x, y, static_cast<float>(scale));
      y += static_cast<float>(kBuiltinLineHeight * scale);
    };
    vx_graphics_SetColor(kTextLevel, kTextLevel, kTextLevel);
    for (const String& line : lines) write(line);
    y += static_cast<float>(kBuiltinLineHeight * scale);
    vx_graphics_SetColor(kHintLevel, kHintLevel, kHintLevel);
    write(String(kDismissHint));
    vx_graphics_EndRender();
  }
  graphics->EndRender();
}
