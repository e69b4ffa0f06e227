// Hello: the smallest Tarvik application. It opens the window, loads one
// image, draws it turning in the middle with a line of text under it, and
// quits on Escape (the window's close button quits too, by default).
// Shows: c_App and its callbacks, vxInit/vxMain/main, images and text.
#include <tarvik/tarvik.h>

namespace {
constexpr int kUpdateRate = 60;
constexpr int kFrameSize = 36;     // gfx.png is a grid of 36 x 36 frames
constexpr int kFrameCount = 49;
constexpr int kShipFrame = 7;
constexpr float kScale = 4;
constexpr float kDegreesPerUpdate = 1;
constexpr float kCentre = 0.5f;  // DrawText2 alignment: the line centred on x
}  // namespace

class Hello : public c_App {
 public:
  c_Image* m_sprite = nullptr;
  float m_angle = 0;

  // Called once, after the window and every device exist.
  void p_OnCreate() override {
    vx_app_SetUpdateRate(kUpdateRate);
    vx_app_SetWindowTitle(String("Hello, Tarvik"));
    // A stored object reference always goes through gc_assign.
    gc_assign(m_sprite, vx_graphics_LoadImage2(String("gfx.png"), kFrameSize, kFrameSize, kFrameCount,
                                               kImageHandleCentre));
  }

  // Called kUpdateRate times a second: all logic steps here.
  void p_OnUpdate() override {
    if (vx_input_KeyHit(kKeyEscape)) vx_app_EndApp();
    m_angle += kDegreesPerUpdate;
  }

  // Called once per displayed frame: draw only, change nothing.
  void p_OnRender() override {
    vx_graphics_Cls(20, 28, 60);
    vx_graphics_SetColor(255, 255, 255);
    // A missing image loads as null: draw it only when it is there.
    if (m_sprite) vx_graphics_DrawImage2(m_sprite, 320, 200, m_angle, kScale, kScale, kShipFrame);
    vx_graphics_SetColor(255, 220, 120);
    vx_graphics_DrawText2(String("Hello from Tarvik - Escape quits"), 320, 330, kCentre, 0);
  }

  // The application object is a root: it tells the collector what it holds.
  void mark() override { gc_enqueue_ref(m_sprite); }
};

// The framework calls vxInit first (module globals), then vxMain, which
// creates the application object; c_App::m_new hands it to the host.
void vxInit() { vxInitFramework(); }
void vxMain() { gc_new<Hello>()->m_new(); }

int main(int argc, char** argv) { return VXTarvikGame::Main(argc, argv); }
