// Bounce: sprites bounce off the edges of the window, each bounce plays a
// sound on the next free effects channel, and a tune loops on the music
// channel. Escape quits. Shows: collected objects in a collected array,
// fixed-step movement, sounds, channels and music.
#include <cmath>

#include <tarvik/tarvik.h>

namespace {
constexpr int kUpdateRate = 60;
constexpr int kBallCount = 12;
constexpr int kFrameSize = 36;     // gfx.png is a grid of 36 x 36 frames
constexpr int kFrameCount = 49;
constexpr int kFirstRockFrame = 14;
constexpr int kRockFrames = 7;
constexpr int kSoundChannels = 8;  // channels 0..7 take turns; 32 is the music's
constexpr int kLoopFlag = 1;
constexpr float kFirstHeading = 10;  // degrees; the balls fan out from the middle
constexpr float kMinSpeed = 2;       // pixels per update
constexpr int kSpeeds = 3;
constexpr float kSpinBias = 3;
}  // namespace

// One sprite: a collected object with value fields only, so it needs no mark().
class c_Ball : public Object {
 public:
  float x = 0, y = 0, dx = 0, dy = 0, spin = 0, angle = 0;
  int frame = 0;

  c_Ball* m_new(float startX, float startY, float heading, float speed, int sheetFrame) {
    x = startX;
    y = startY;
    dx = speed * std::sin(heading * kDegreesToRadians);
    dy = -speed * std::cos(heading * kDegreesToRadians);
    spin = speed - kSpinBias;
    frame = sheetFrame;
    return this;
  }

  // Moves one step inside a width x height field; true when it hit an edge.
  bool p_Step(float width, float height) {
    x += dx;
    y += dy;
    angle += spin;
    bool bounced = false;
    if ((x < 0 && dx < 0) || (x > width && dx > 0)) {
      dx = -dx;
      bounced = true;
    }
    if ((y < 0 && dy < 0) || (y > height && dy > 0)) {
      dy = -dy;
      bounced = true;
    }
    return bounced;
  }
};

class Bounce : public c_App {
 public:
  Array<c_Ball*> m_balls;
  c_Image* m_sprites = nullptr;
  c_Sound* m_boing = nullptr;
  int m_nextChannel = 0;
  int m_bounces = 0;

  void p_OnCreate() override {
    vx_app_SetUpdateRate(kUpdateRate);
    vx_app_SetWindowTitle(String("Bounce"));
    gc_assign(m_sprites, vx_graphics_LoadImage2(String("gfx.png"), kFrameSize, kFrameSize, kFrameCount,
                                                kImageHandleCentre));
    gc_assign(m_boing, vx_audio_LoadSound(String("sfx/001.wav")));
    vx_audio_PlayMusic(String("sfx/satellites.ogg"), kLoopFlag);
    gc_assign(m_balls, Array<c_Ball*>(kBallCount));
    // Array elements are stored references too: each store goes through gc_assign.
    float middleX = vx_app_DeviceWidth() / 2.0f, middleY = vx_app_DeviceHeight() / 2.0f;
    for (int i = 0; i < kBallCount; ++i) {
      float heading = kFirstHeading + i * 360.0f / kBallCount;
      gc_assign(m_balls[i], gc_new<c_Ball>()->m_new(middleX, middleY, heading, kMinSpeed + i % kSpeeds,
                                                kFirstRockFrame + i % kRockFrames));
    }
  }

  void p_OnUpdate() override {
    if (vx_input_KeyHit(kKeyEscape)) vx_app_EndApp();
    // The window may be resized: the balls bounce off its edges as they are now.
    float width = vx_app_DeviceWidth(), height = vx_app_DeviceHeight();
    for (c_Ball* ball : m_balls) {
      if (!ball->p_Step(width, height)) continue;
      ++m_bounces;
      // A sound that failed to load is null and simply plays nothing.
      if (m_boing) vx_audio_PlaySound(m_boing, m_nextChannel, 0);
      m_nextChannel = (m_nextChannel + 1) % kSoundChannels;
    }
  }

  // Music pauses with the application and carries on where it was.
  void p_OnSuspend() override { vx_audio_PauseMusic(); }
  void p_OnResume() override { vx_audio_ResumeMusic(); }

  void p_OnRender() override {
    vx_graphics_Cls(10, 10, 30);
    vx_graphics_SetColor(255, 255, 255);
    if (m_sprites)
      for (c_Ball* ball : m_balls) vx_graphics_DrawImage2(m_sprites, ball->x, ball->y, ball->angle, 2, 2, ball->frame);
    vx_graphics_SetColor(120, 255, 200);
    vx_graphics_DrawText(String("bounces: ") + String(m_bounces), 10, 10);
  }

  void mark() override {
    gc_enqueue_ref(m_balls);
    gc_enqueue_ref(m_sprites);
    gc_enqueue_ref(m_boing);
  }
};

void vxInit() { vxInitFramework(); }
void vxMain() { gc_new<Bounce>()->m_new(); }

int main(int argc, char** argv) { return VXTarvikGame::Main(argc, argv); }
