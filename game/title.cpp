// The plain title screen (mode 1): the logo and one line of text over the
// eased background; a confirm key starts a Normal round. The full menu with
// its difficulty wheel, side panel and option box takes its place later.
// Relies on game/app.h (drawing toolkit, p_PlayKeyAll).
#include "game/app.h"

namespace {

constexpr int kTitleRed = 0;
constexpr int kTitleGreen = 10;
constexpr int kTitleBlue = 20;
constexpr float kKeepAlpha = -123.0f;
constexpr float kLogoShare = 0.35f;        // logo centre, share of the screen height
constexpr float kPromptShare = 0.7f;
constexpr float kPromptSize = 2.0f;
constexpr float kStarTurn = 0.25f;
constexpr int kIconEscape = 0xAC;          // "¬J": the fire button's icon

}  // namespace

void c_MyApp::p_Menu() {
  p_DoBG(kTitleRed, kTitleGreen, kTitleBlue, kKeepAlpha);
  p_DoStarRot(kStarTurn);
  p_ResetDraw();
  p_DrawImg(kSlotLogo, vx_Velmar_jscrw / 2, vx_Velmar_jscrh * kLogoShare, 0);
  p_SetSize(kPromptSize, kPromptSize);
  String prompt = String("Press ") + String::FromChar(kIconEscape) + String("J to play");
  p_Text(vx_Velmar_jscrw / 2, vx_Velmar_jscrh * kPromptShare, prompt, 1, 1, 0);
  p_ResetDraw();

  bool confirm = p_PlayKeyAll(kGameKeyFire, 1) > 0 || p_PlayKeyAll(kGameKeyThrust, 1) > 0;
  if (confirm && m_keyLatch == 0) {
    m_keyLatch = 1;
    m_difficulty = kDifficultyNormal;
    m_mode = kModeStartRound;
  }
}
