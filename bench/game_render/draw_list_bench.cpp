// Playback of display lists by the game into a 640x480 window under X: a full
// list of rectangles, ovals, lines and triangles in turn, and the frame a busy
// Hard round builds (with the play field's images loaded). Google Benchmark's
// CPU time is the main thread's share; the wall time includes the driver
// finishing the frame. After the timings the round frame's draw calls and
// records are printed as "COUNT <name> <value>" lines.
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/game/busy_round.h"
#include "graphics/graphics.h"

namespace {

constexpr int kWindowWidth = 640, kWindowHeight = 480;
constexpr int kCommandKinds = 4;
constexpr int kColumns = 50;
constexpr float kCellSize = 12.0f;

struct Window {
  GLFWwindow* window = nullptr;
  gxtkGraphics* device = nullptr;

  Window() {
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
  }

  // One render of `app`'s display list, as the host and the game do it.
  void Render(c_MyApp* app) {
    device->BeginRender();
    vx_graphics_BeginRender();
    vx_graphics_Cls(0, 0, 0);
    app->p_DrawList();
    vx_graphics_EndRender();
    device->EndRender();
    glfwSwapBuffers(window);
  }
};

Window& TheWindow() {
  static Window w;
  return w;
}

// 2,499 commands of the four shapes in turn, with varying colour and alpha.
c_MyApp* ShapesList() {
  static c_MyApp* app = nullptr;
  if (app || !TheWindow().device) return app;
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
  return app;
}

// The display list of one update of the busy round, with the images the play
// field draws loaded at the level the window asks for.
c_MyApp* RoundFrame() {
  static busy_round::Scene scene;
  if (scene.app || !TheWindow().device) return scene.app;
  scene.Build();
  c_MyApp* app = scene.app;
  app->p_FitScreen(kWindowWidth, kWindowHeight);
  app->p_Reload();
  app->p_LoadImg(kSlotIcons, String("common/icons"), 32, 32, 16, kImageFlagMidHandle);
  app->p_LoadImg(kSlotParts, String("parts"), 8, 8, 256, kImageFlagMidHandle);
  app->p_LoadImg(kSlotCircle, String("common/circle"), 256, 256, 4, kImageFlagMidHandle);
  app->p_LoadImg(kSlotLight, String("common/light"), 32, 32, 4, kImageFlagMidHandle);
  app->p_LoadImg(kSlotGfx, String("gfx"), 36, 36, 49, kImageFlagMidHandle);
  app->p_LoadImg(kSlotSplodge, String("splodge"), 32, 32, 16, kImageFlagMidHandle);
  app->m_reloadCount = 0;
  scene.Restore();
  scene.Update();
  return app;
}

void RenderLoop(benchmark::State& state, c_MyApp* app) {
  if (!app) {
    state.SkipWithError("no window (needs an X display)");
    return;
  }
  for (auto _ : state) TheWindow().Render(app);
  state.counters["commands"] = static_cast<double>(app->m_drawLen / kDrawCommandFloats);
}

void BM_game_draw_list_full(benchmark::State& state) { RenderLoop(state, ShapesList()); }
BENCHMARK(BM_game_draw_list_full)->Unit(benchmark::kMicrosecond);

void BM_game_draw_list_round(benchmark::State& state) { RenderLoop(state, RoundFrame()); }
BENCHMARK(BM_game_draw_list_round)->Unit(benchmark::kMicrosecond);

// Draw calls and records of one render of the busy round frame.
void PrintRoundCounts() {
  c_MyApp* app = RoundFrame();
  if (!app) return;
  long long before = gxtkDrawCallCount;
  TheWindow().Render(app);
  std::printf("COUNT game.draw_list.draw_calls %lld\n", gxtkDrawCallCount - before);
  std::printf("COUNT game.draw_list.records %d\n", app->m_drawLen / kDrawCommandFloats);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintRoundCounts();
  return 0;
}
