// One play update at full load: every object slot of the play field in use
// (rocks with bullets among them), 500 stars, 500 particles whose popups
// overflow the display list. The tables are restored before every update so
// each iteration does the same work; BM_round_restore measures that copy.
#include <benchmark/benchmark.h>

#include "bench/game/busy_round.h"

namespace {

using busy_round::Scene;

Scene& TheScene() {
  static Scene scene;
  if (!scene.app) {
    gc_init();
    scene.Build();
  }
  return scene;
}

void BM_round_update_full_load(benchmark::State& state) {
  Scene& s = TheScene();
  for (auto _ : state) {
    s.Restore();
    s.Update();
    benchmark::DoNotOptimize(s.app->m_drawLen);
  }
  state.counters["commands"] = s.app->m_drawLen / kDrawCommandFloats;
}
BENCHMARK(BM_round_update_full_load);

void BM_round_restore(benchmark::State& state) {
  Scene& s = TheScene();
  for (auto _ : state) {
    s.Restore();
    benchmark::DoNotOptimize(s.app->m_objects.Data());
  }
}
BENCHMARK(BM_round_restore);

}  // namespace

BENCHMARK_MAIN();
