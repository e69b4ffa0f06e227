// The churn and pause workloads on our collector and on plain new/delete with
// manual frees. The Boehm counterparts live in gc_boehm_bench.cpp, a separate
// executable so that its allocator does not mix with these.
#include <benchmark/benchmark.h>

#include "bench/runtime/churn.h"
#include "runtime/gc.h"

namespace {

// --- Our collector ---------------------------------------------------------

struct Child : Object {
  Child* next = nullptr;
  void mark() override { gc_enqueue(next); }
};
template <int N>
struct PayChild : Child {
  long pay[N];
  PayChild() { std::fill(pay, pay + N, N); }
};
struct Head : Object {
  Child* left = nullptr;
  Child* right = nullptr;
  void mark() override {
    gc_enqueue(left);
    gc_enqueue(right);
  }
};
struct PayHead : Head {
  long pay = 1;
};
struct Chunk : Object {
  Array<Head*> slots{kChunkSlots};
  void mark() override { gc_enqueue(slots.rep); }
};

Array<Chunk*> gForest;

struct OurHeap {
  Head* head(int kind) { return kind ? gc_new<PayHead>() : gc_new<Head>(); }
  Child* child(int kind) {
    switch (kind) {
      case 2: return gc_new<PayChild<2>>();
      case 1: return gc_new<PayChild<1>>();
      default: return gc_new<Child>();
    }
  }
  void link(Head* h, Child* a, Child* b) {
    gc_assign(a->next, b);
    gc_assign(h->left, a);
    gc_assign(h->right, b);
  }
  void put(int slot, Head* h) { gc_assign(gForest[slot / kChunkSlots]->slots[slot % kChunkSlots], h); }
};

// Makes `chunks` chunks of trees the collector's only live set and runs
// `warmFrames` frames so that measuring starts in a steady state.
void buildOurs(OurHeap& heap, Rng& rng, int chunks, int warmFrames) {
  static bool rooted = false;
  if (!rooted) {
    gc_init();
    gc_add_root(gForest);
    gc_mark();
    rooted = true;
  }
  gc_assign(gForest, Array<Chunk*>(chunks));
  for (int c = 0; c < chunks; ++c) gc_assign(gForest[c], gc_new<Chunk>());
  plantForest(heap, rng, chunks * kChunkSlots);
  runFrames(heap, rng, chunks * kChunkSlots, warmFrames, [] { gc_collect(); return 0.0; }, nullptr);
}

void BM_gc_churn_ours(benchmark::State& state) {
  static OurHeap heap;
  static Rng rng;
  static bool built = false;
  if (!built) buildOurs(heap, rng, kChurnChunks, kWarmupFrames);
  built = true;
  const int trees = kChurnChunks * kChunkSlots;
  for (auto _ : state) {
    for (int i = 0; i < kEventReplaces; ++i) replaceTree(heap, rng, trees);
    gc_collect();
  }
  state.SetItemsProcessed(state.iterations() * kEventReplaces * kObjectsPerTree);
}

void BM_gc_pause_ours(benchmark::State& state) {
  OurHeap heap;
  Rng rng;
  buildOurs(heap, rng, kPauseChunks, kWarmupFrames);
  PauseLog log;
  auto step = [] {
    double heapBytes = gc_alloced_bytes;
    gc_collect();
    return heapBytes;
  };
  for (auto _ : state) runFrames(heap, rng, kPauseChunks * kChunkSlots, kPauseFrames, step, &log);
  state.counters["p99_us"] = log.percentile(kPercentile);
  state.counters["max_us"] = log.percentile(1.0);
  state.counters["longest_step_us"] = log.longestStepUs;
  state.counters["longest_step_heap_mib"] = log.longestStepHeapMiB;
}

// --- Plain new/delete ------------------------------------------------------

struct MallocHeap {
  std::vector<PlainHead*> slots;

  PlainHead* head(int kind) { return kind ? new PlainHead1{{kind, nullptr, nullptr}, {kind}} : new PlainHead{kind, nullptr, nullptr}; }
  PlainChild* child(int kind) {
    switch (kind) {
      case 2: return new PlainChild2{{kind, nullptr}, {kind, kind}};
      case 1: return new PlainChild1{{kind, nullptr}, {kind}};
      default: return new PlainChild{kind, nullptr};
    }
  }
  void link(PlainHead* h, PlainChild* a, PlainChild* b) {
    a->next = b;
    h->left = a;
    h->right = b;
  }
  static void release(PlainChild* c) {
    switch (c->tag) {
      case 2: delete static_cast<PlainChild2*>(c); break;
      case 1: delete static_cast<PlainChild1*>(c); break;
      default: delete c;
    }
  }
  void put(int slot, PlainHead* h) {
    PlainHead* old = slots[slot];
    slots[slot] = h;
    if (!old) return;
    release(old->left);
    release(old->right);
    if (old->tag) delete static_cast<PlainHead1*>(old);
    else delete old;
  }
};

void BM_gc_churn_malloc(benchmark::State& state) {
  static MallocHeap heap;
  static Rng rng;
  const int trees = kChurnChunks * kChunkSlots;
  if (heap.slots.empty()) {
    heap.slots.assign(trees, nullptr);
    plantForest(heap, rng, trees);
    runFrames(heap, rng, trees, kWarmupFrames, [] { return 0.0; }, nullptr);
  }
  for (auto _ : state) {
    for (int i = 0; i < kEventReplaces; ++i) replaceTree(heap, rng, trees);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kEventReplaces * kObjectsPerTree);
}

}  // namespace

BENCHMARK(BM_gc_churn_ours);
BENCHMARK(BM_gc_churn_malloc);
BENCHMARK(BM_gc_pause_ours)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
