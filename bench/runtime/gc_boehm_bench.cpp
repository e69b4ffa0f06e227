// The churn and pause workloads on the Boehm collector in incremental mode,
// stepped with GC_collect_a_little where our host steps our collector. Kept in
// its own executable: Boehm must own the process's collected allocations.
#include <gc/gc.h>

#include <benchmark/benchmark.h>

#include "bench/runtime/churn.h"

namespace {

// The pause budget of one incremental step; the smallest whole-millisecond
// budget GC_set_time_limit accepts, Boehm's best setting for short pauses.
constexpr unsigned long kBoehmTimeLimitMs = 1;

// The forest's root: a collected array of collected chunks of tree slots.
PlainHead*** gForest = nullptr;

struct BoehmHeap {
  PlainHead* head(int kind) { return initPlainHead(GC_MALLOC(plainHeadSize(kind)), kind); }
  PlainChild* child(int kind) { return initPlainChild(GC_MALLOC(plainChildSize(kind)), kind); }
  void link(PlainHead* h, PlainChild* a, PlainChild* b) {
    a->next = b;
    h->left = a;
    h->right = b;
  }
  void put(int slot, PlainHead* h) { gForest[slot / kChunkSlots][slot % kChunkSlots] = h; }
};

void buildBoehm(BoehmHeap& heap, Rng& rng, int chunks, int warmFrames) {
  gForest = static_cast<PlainHead***>(GC_MALLOC(sizeof(PlainHead**) * chunks));
  for (int c = 0; c < chunks; ++c) gForest[c] = static_cast<PlainHead**>(GC_MALLOC(sizeof(PlainHead*) * kChunkSlots));
  plantForest(heap, rng, chunks * kChunkSlots);
  runFrames(heap, rng, chunks * kChunkSlots, warmFrames, [] { GC_collect_a_little(); return 0.0; }, nullptr);
}

void BM_gc_churn_boehm(benchmark::State& state) {
  static BoehmHeap heap;
  static Rng rng;
  if (!gForest) buildBoehm(heap, rng, kChurnChunks, kWarmupFrames);
  const int trees = kChurnChunks * kChunkSlots;
  for (auto _ : state) {
    for (int i = 0; i < kEventReplaces; ++i) replaceTree(heap, rng, trees);
    GC_collect_a_little();
  }
  state.SetItemsProcessed(state.iterations() * kEventReplaces * kObjectsPerTree);
}

void BM_gc_pause_boehm(benchmark::State& state) {
  BoehmHeap heap;
  Rng rng;
  buildBoehm(heap, rng, kPauseChunks, kWarmupFrames);
  PauseLog log;
  auto step = [] {
    double heapBytes = static_cast<double>(GC_get_heap_size());
    GC_collect_a_little();
    return heapBytes;
  };
  for (auto _ : state) runFrames(heap, rng, kPauseChunks * kChunkSlots, kPauseFrames, step, &log);
  state.counters["p99_us"] = log.percentile(kPercentile);
  state.counters["max_us"] = log.percentile(1.0);
  state.counters["longest_step_us"] = log.longestStepUs;
  state.counters["longest_step_heap_mib"] = log.longestStepHeapMiB;
}

}  // namespace

BENCHMARK(BM_gc_churn_boehm);
BENCHMARK(BM_gc_pause_boehm)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  GC_INIT();
  GC_enable_incremental();
  GC_set_time_limit(kBoehmTimeLimitMs);
  std::fprintf(stderr, "boehm: incremental %d, time limit %lu ms\n", GC_is_incremental_mode(), GC_get_time_limit());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
