// The allocation workload shared by the collector benchmarks: a forest of
// small three-object trees held in fixed-size chunks, in which random trees
// are replaced event after event. Each contender supplies a heap policy; the
// random sequence, the shapes and the stores are the same for all of them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <new>
#include <vector>

constexpr int kChunkSlots = 1024;        // trees per chunk
constexpr int kChurnChunks = 24;         // a live set of a few MiB
constexpr int kPauseChunks = 133;        // a live set of about 20 MiB on our heap
constexpr int kEventReplaces = 100;      // tree replacements between collector steps
constexpr int kFrameReplaces = 256;      // tree replacements per simulated 60 Hz frame
constexpr int kPauseFrames = 3000;       // measured frames (50 s of game time)
constexpr int kWarmupFrames = 600;       // frames run before measuring
constexpr int kObjectsPerTree = 3;
constexpr long long kSlowAllocNs = 1000; // an allocation this slow did collector work
constexpr double kPercentile = 0.99;
constexpr uint64_t kSeed = 0x9E3779B97F4A7C15ull;

// xorshift64: cheap and identical for every contender.
struct Rng {
  uint64_t s = kSeed;
  uint64_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
};

// Shapes: a head with two child references and 0 or 1 payload words; each
// child has a `next` reference and 0 to 2 payload words. The first child's
// `next` points to the second, so trees are small graphs, not just chains.
constexpr int kHeadKinds = 2;
constexpr int kChildKinds = 3;

// Builds a tree from the random word `r` through heap policy `H`:
//   H::head(kind), H::child(kind), H::link(head, a, b), H::put(slot, head)
// where `put` stores the tree and releases the old one as the policy does.
template <class H>
inline auto* buildTree(H& heap, uint64_t r) {
  auto* head = heap.head(static_cast<int>(r % kHeadKinds));
  auto* a = heap.child(static_cast<int>((r >> 4) % kChildKinds));
  auto* b = heap.child(static_cast<int>((r >> 8) % kChildKinds));
  heap.link(head, a, b);
  return head;
}

// Replaces a random one of `trees` trees with a fresh one.
template <class H>
inline void replaceTree(H& heap, Rng& rng, int trees) {
  uint64_t r = rng.next();
  heap.put(static_cast<int>((r >> 16) % static_cast<uint64_t>(trees)), buildTree(heap, r));
}

// Gives every one of `trees` slots its first tree.
template <class H>
inline void plantForest(H& heap, Rng& rng, int trees) {
  for (int slot = 0; slot < trees; ++slot) heap.put(slot, buildTree(heap, rng.next()));
}

// Per-frame collector pauses and the longest single step seen.
struct PauseLog {
  std::vector<double> framePauseUs;
  double longestStepUs = 0;
  double longestStepHeapMiB = 0;

  double percentile(double q) {
    std::vector<double> v = framePauseUs;
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, static_cast<size_t>(q * v.size()))];
  }
};

// Pauses are measured in the thread's CPU time, so that on a shared machine
// time lost to other processes is not counted as a collector pause.
inline long long threadNanos() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// Wraps a heap policy, timing every allocation; the ones slower than
// kSlowAllocNs are counted as collector pauses taken inside the frame.
template <class H>
struct TimedHeap {
  H& heap;
  long long slowNs = 0;

  template <class F>
  auto timed(F&& alloc) {
    long long t = threadNanos();
    auto* p = alloc();
    long long d = threadNanos() - t;
    if (d > kSlowAllocNs) slowNs += d;
    return p;
  }
  auto* head(int kind) { return timed([&] { return heap.head(kind); }); }
  auto* child(int kind) { return timed([&] { return heap.child(kind); }); }
  template <class A, class B>
  void link(A* h, B* a, B* b) { heap.link(h, a, b); }
  template <class A>
  void put(int slot, A* h) { heap.put(slot, h); }
};

// Runs frames of `kFrameReplaces` tree replacements followed by one collector
// step (`step()` returns the heap size in bytes it saw); a frame's pause is the
// step plus the slow allocations of the frame.
template <class H, class Step>
void runFrames(H& heap, Rng& rng, int trees, int frames, Step step, PauseLog* log) {
  for (int f = 0; f < frames; ++f) {
    TimedHeap<H> timedHeap{heap};
    for (int i = 0; i < kFrameReplaces; ++i) replaceTree(timedHeap, rng, trees);
    long long t = threadNanos();
    double heapBytes = step();
    double stepUs = (threadNanos() - t) / 1e3;
    if (!log) continue;
    log->framePauseUs.push_back(stepUs + timedHeap.slowNs / 1e3);
    if (stepUs > log->longestStepUs) {
      log->longestStepUs = stepUs;
      log->longestStepHeapMiB = heapBytes / (1 << 20);
    }
  }
}

// The same shapes as plain structs, for malloc and Boehm: a tag word (the
// kind, as a vtable would identify it) followed by the same fields.
struct PlainChild {
  long tag;
  PlainChild* next;
};
struct PlainChild1 : PlainChild {
  long pay[1];
};
struct PlainChild2 : PlainChild {
  long pay[2];
};
struct PlainHead {
  long tag;
  PlainChild* left;
  PlainChild* right;
};
struct PlainHead1 : PlainHead {
  long pay[1];
};

inline size_t plainHeadSize(int kind) { return kind ? sizeof(PlainHead1) : sizeof(PlainHead); }
inline size_t plainChildSize(int kind) {
  return kind == 2 ? sizeof(PlainChild2) : kind == 1 ? sizeof(PlainChild1) : sizeof(PlainChild);
}

// Builds a plain object of `kind` in the block `p` and writes its payload.
inline PlainHead* initPlainHead(void* p, int kind) {
  if (kind) return new (p) PlainHead1{{kind, nullptr, nullptr}, {kind}};
  return new (p) PlainHead{kind, nullptr, nullptr};
}
inline PlainChild* initPlainChild(void* p, int kind) {
  switch (kind) {
    case 2: return new (p) PlainChild2{{kind, nullptr}, {kind, kind}};
    case 1: return new (p) PlainChild1{{kind, nullptr}, {kind}};
    default: return new (p) PlainChild{kind, nullptr};
  }
}
