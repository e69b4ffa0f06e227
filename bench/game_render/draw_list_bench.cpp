// One render of a full display list (2,499 commands: rectangles, ovals,
// lines and triangles in turn, with varying colour and alpha) played back by
// the game into a 640x480 window under X. Google Benchmark's CPU time is the
// main thread's share; the wall time includes the driver finishing the frame.
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include "game/app.h"
#include "graphics/graphics.h"
#include "host/app.h"
#include "host/game.h"

namespace {

constexpr int kWindowWidth = 640, kWindowHeight = 480;
constexpr int kCommandKinds = 4;
constexpr int kColumns = 50;
constexpr float kCellSize = 12.0f;

struct Scene {
  GLFWwindow* window = nullptr;
  gxtkGraphics* device = nullptr;
  c_MyApp* app = nullptr;

  Scene() {
    if (!glfwInit()) return;
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    window = glfwCreateWindow(kWindowWidth, kWindowHeight, "draw list", nullptr, nullptr);
    if (!window) return;
    glfwMakeContextCurrent(window);
    glfwSwapInterval(0);
    ++glfwGraphicsSeq;
    gc_init();
    vx_graphics_Init();
    device = gc_new<gxtkGraphics>();
    vx_graphics_SetGraphicsDevice(device);
    vx_app__devWidth = kWindowWidth;
    vx_app__devHeight = kWindowHeight;
    app = gc_new<c_MyApp>();
    app->p_FitScreen(kWindowWidth, kWindowHeight);
    app->p_ResetDraw();
    for (int i = 0; app->m_drawLen < kDisplayListCapacity * kDrawCommandFloats; ++i) {
      float x = static_cast<float>(i % kColumns) * kCellSize, y = static_cast<float>(i / kColumns) * kCellSize;
      app->p_SetCol(static_cast<float>(i * 7 % 256), static_cast<float>(i * 13 % 256), static_cast<float>(i * 29 % 256),
                    0.5f + static_cast<float>(i % 2) * 0.5f);
      switch (i % kCommandKinds) {
        case 0: app->p_Rect(x, y, kCellSize, kCellSize); break;
        case 1: app->p_Oval(x, y, kCellSize / 2, kCellSize / 2); break;
        case 2: app->p_Line(x, y, x + kCellSize, y + kCellSize); break;
        default: app->p_Tri(x, y, x + kCellSize, y, x, y + kCellSize); break;
      }
    }
  }
};

void BM_game_draw_list_full(benchmark::State& state) {
  static Scene scene;
  if (!scene.app) {
    state.SkipWithError("no window (needs an X display)");
    return;
  }
  for (auto _ : state) {
    scene.device->BeginRender();
    vx_graphics_BeginRender();
    vx_graphics_Cls(0, 0, 0);
    scene.app->p_DrawList();
    vx_graphics_EndRender();
    scene.device->EndRender();
    glfwSwapBuffers(scene.window);
  }
  state.counters["commands"] = static_cast<double>(scene.app->m_drawLen / kDrawCommandFloats);
}
BENCHMARK(BM_game_draw_list_full)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
