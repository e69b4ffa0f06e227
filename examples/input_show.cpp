// Input: shows what the input device sees each update - the keys held down,
// the characters typed, the mouse and the first joystick's sticks and
// buttons - and quits on Escape. Shows: key codes, hits against held keys,
// the character queue and joysticks.
#include <tarvik/tarvik.h>

namespace {
constexpr int kUpdateRate = 60;
constexpr int kFirstKeyboardCode = kKeyBackspace;  // codes below are mouse buttons
constexpr int kLastKeyboardCode = kKeyQuote;
constexpr int kCharBackspace = 8;  // the character Backspace types, apart from its key code
constexpr int kJoystick = 0;
constexpr int kJoyButtons = 16;
constexpr int kTypedShown = 40;
constexpr float kLine = 24;
constexpr float kStickRadius = 60;
}  // namespace

class InputShow : public c_App {
 public:
  String m_held;   // Strings are values: plain assignment, never gc_assign
  String m_typed;
  String m_buttons;
  int m_hits = 0;

  void p_OnCreate() override {
    vx_app_SetUpdateRate(kUpdateRate);
    vx_app_SetWindowTitle(String("Input"));
  }

  void p_OnUpdate() override {
    if (vx_input_KeyHit(kKeyEscape)) vx_app_EndApp();
    // KeyDown is the state now; KeyHit counts presses since the last update,
    // so a tap shorter than one update is never missed.
    m_held = String();
    for (int code = kFirstKeyboardCode; code <= kLastKeyboardCode; ++code) {
      if (vx_input_KeyDown(code)) m_held += String(code) + String(" ");
      m_hits += vx_input_KeyHit(code);
    }
    // Characters come from the text the keyboard types, separate from keys.
    while (int c = vx_input_GetChar()) {
      if (c == kCharBackspace) m_typed = m_typed.Slice(0, m_typed.Length() - 1);
      else if (c >= ' ' && c < 0xFFFF) m_typed += String::FromChar(c);
    }
    if (m_typed.Length() > kTypedShown) m_typed = m_typed.Slice(m_typed.Length() - kTypedShown);
    m_buttons = String();
    for (int button = 0; button < kJoyButtons; ++button)
      m_buttons += String(vx_input_JoyDown(button, kJoystick) ? "1" : "0");
  }

  void p_OnRender() override {
    vx_graphics_Cls(30, 30, 30);
    vx_graphics_SetColor(255, 255, 255);
    vx_graphics_DrawText(String("keys held: ") + m_held, 10, 10);
    vx_graphics_DrawText(String("key presses: ") + String(m_hits), 10, 10 + kLine);
    vx_graphics_DrawText(String("typed: ") + m_typed + String("_"), 10, 10 + 2 * kLine);
    vx_graphics_DrawText(String("mouse: ") + String(static_cast<int>(vx_input_MouseX())) + String(", ") +
                 String(static_cast<int>(vx_input_MouseY())),
             10, 10 + 3 * kLine);
    vx_graphics_DrawText(String("joystick 0 buttons: ") + m_buttons, 10, 10 + 4 * kLine);
    // The two sticks: a box each with a dot where the stick points (y up).
    for (int stick = 0; stick < 2; ++stick) {
      float cx = 200 + stick * 240, cy = 340;
      vx_graphics_SetColor(80, 80, 120);
      vx_graphics_DrawRect(cx - kStickRadius, cy - kStickRadius, 2 * kStickRadius, 2 * kStickRadius);
      vx_graphics_SetColor(255, 200, 60);
      vx_graphics_DrawCircle(cx + vx_input_JoyX(stick, kJoystick) * kStickRadius,
                             cy - vx_input_JoyY(stick, kJoystick) * kStickRadius, 8);
    }
  }
};

void vxInit() { vxInitFramework(); }
void vxMain() { gc_new<InputShow>()->m_new(); }

int main(int argc, char** argv) { return VXTarvikGame::Main(argc, argv); }
