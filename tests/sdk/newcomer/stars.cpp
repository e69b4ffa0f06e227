// Catch the falling stars: a small game written the way a newcomer writes one
// from the guide, against the installed package and nothing else. Left and
// Right move the paddle; a caught star scores and chimes; the third star
// missed ends the round. The best score and the rounds played live in the
// state file. Space plays again; Escape or the close button saves and quits.
#include <tarvik/tarvik.h>

namespace {
constexpr int kUpdateRate = 60;
// The field is laid out at 640 x 480 and drawn scaled to the window.
constexpr float kFieldWidth = 640, kFieldHeight = 480;
constexpr float kPaddleWidth = 100, kPaddleHeight = 12, kPaddleTop = 440, kPaddleSpeed = 7;
constexpr int kStars = 4;
constexpr float kStarRadius = 10;
constexpr float kSin60 = 0.866f;  // a triangle's corners lie 60 degrees from its top
constexpr float kSlowestFall = 2.5f, kFastestFall = 4.5f;
constexpr float kHighestStart = 300;  // stars start this far above the field, at most
constexpr int kMissesPerRound = 5;
// Every round's stars fall alike, so practice pays: from this seed a few
// land on the paddle even where it starts.
constexpr int kSeed = 17;
constexpr int kChimeChannel = 0;
// The record is "name=value" fields joined by ";".
const char* const kGameName = "Sternenfänger";
}  // namespace

class Stars : public c_App {
 public:
  float m_paddleX = (kFieldWidth - kPaddleWidth) / 2;
  float m_starX[kStars] = {}, m_starY[kStars] = {}, m_starFall[kStars] = {};
  int m_score = 0, m_missed = 0, m_best = 0, m_rounds = 0;
  bool m_over = false;
  c_Sound* m_chime = nullptr;

  void p_OnCreate() override {
    vx_app_SetUpdateRate(kUpdateRate);
    vx_app_SetWindowTitle(String(kGameName));
    gc_assign(m_chime, vx_audio_LoadSound(String("sfx/001.wav")));
    String record = vx_app_LoadState();
    m_best = Field(record, String("best"));
    m_rounds = Field(record, String("rounds"));
    vx_random_SetSeed(kSeed);
    StartRound();
  }

  void p_OnUpdate() override {
    if (vx_input_KeyHit(kKeyEscape)) Quit();
    if (m_over) {
      if (vx_input_KeyHit(kKeySpace)) StartRound();
      return;
    }
    if (vx_input_KeyDown(kKeyLeft)) m_paddleX -= kPaddleSpeed;
    if (vx_input_KeyDown(kKeyRight)) m_paddleX += kPaddleSpeed;
    m_paddleX = m_paddleX < 0 ? 0 : m_paddleX > kFieldWidth - kPaddleWidth ? kFieldWidth - kPaddleWidth : m_paddleX;
    for (int i = 0; i < kStars; ++i) FallStar(i);
    if (m_missed >= kMissesPerRound) EndRound();
  }

  void p_OnClose() override { Quit(); }
  void p_OnSuspend() override { Save(); }

  void p_OnRender() override {
    vx_graphics_Cls(5, 5, 30);
    vx_graphics_PushMatrix();
    vx_graphics_Scale(vx_app_DeviceWidth() / kFieldWidth, vx_app_DeviceHeight() / kFieldHeight);
    vx_graphics_SetColor(255, 230, 90);
    for (int i = 0; i < kStars; ++i) DrawStar(m_starX[i], m_starY[i]);
    vx_graphics_SetColor(90, 200, 255);
    vx_graphics_DrawRect(m_paddleX, kPaddleTop, kPaddleWidth, kPaddleHeight);
    vx_graphics_SetColor(255, 255, 255);
    vx_graphics_DrawText(String("score ") + String(m_score) + String("   best ") + String(m_best) +
                         String("   missed ") + String(m_missed) + String("/") + String(kMissesPerRound), 10, 10);
    if (m_over)
      vx_graphics_DrawText2(String("Game over - Space plays again, Escape quits"), kFieldWidth / 2,
                            kFieldHeight / 2, 0.5f, 0.5f);
    vx_graphics_PopMatrix();
  }

  void mark() override { gc_enqueue_ref(m_chime); }

 private:
  void StartRound() {
    m_score = 0;
    m_missed = 0;
    m_over = false;
    for (int i = 0; i < kStars; ++i) DropStar(i);
  }

  void DropStar(int i) {
    m_starX[i] = vx_random_RndRange(kStarRadius, kFieldWidth - kStarRadius);
    m_starY[i] = -vx_random_RndRange(0, kHighestStart);
    m_starFall[i] = vx_random_RndRange(kSlowestFall, kFastestFall);
  }

  // A star caught by the paddle scores; one that falls past it is missed.
  void FallStar(int i) {
    m_starY[i] += m_starFall[i];
    bool onPaddle = m_starX[i] >= m_paddleX && m_starX[i] <= m_paddleX + kPaddleWidth;
    if (m_starY[i] + kStarRadius >= kPaddleTop && m_starY[i] - kStarRadius <= kPaddleTop && onPaddle) {
      ++m_score;
      if (m_chime) vx_audio_PlaySound(m_chime, kChimeChannel, 0);
      DropStar(i);
    } else if (m_starY[i] - kStarRadius > kFieldHeight) {
      ++m_missed;
      DropStar(i);
    }
  }

  void EndRound() {
    m_over = true;
    ++m_rounds;
    if (m_score > m_best) m_best = m_score;
    Save();
  }

  void Quit() {
    Save();
    vx_app_EndApp();
  }

  void Save() {
    String record = String("game=") + String(kGameName) + String(";best=") + String(m_best) +
                    String(";rounds=") + String(m_rounds);
    if (vx_app_SaveState(record) != 0) vxPrint(String("The best score could not be saved"));
  }

  // A six-pointed star: two triangles, each convex as DrawPoly wants.
  static void DrawStar(float x, float y) {
    for (float flip : {1.0f, -1.0f}) {
      Array<float> corners(6);
      corners[0] = x;
      corners[1] = y - flip * kStarRadius;
      corners[2] = x + kSin60 * kStarRadius;
      corners[3] = y + flip * kStarRadius / 2;
      corners[4] = x - kSin60 * kStarRadius;
      corners[5] = y + flip * kStarRadius / 2;
      vx_graphics_DrawPoly(corners);
    }
  }

  // A field that is missing, or edited into something other than a number, reads as 0.
  static int Field(const String& record, const String& name) {
    int value = 0;
    for (const String& field : record.Split(String(";")))
      if (field.BeginsWith(name + String("=")) && field.Slice(name.Length() + 1).TryParseInt(value)) return value;
    return 0;
  }
};

void vxInit() { vxInitFramework(); }
void vxMain() { gc_new<Stars>()->m_new(); }

int main(int argc, char** argv) { return VXTarvikGame::Main(argc, argv); }
