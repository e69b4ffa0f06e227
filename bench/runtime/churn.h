// The allocation workloads shared by the collector benchmarks: a forest of
// small three-object trees held in fixed-size chunks, in which random trees
// are replaced frame after frame, and one big pointer array filled with new
// trees and then replaced. Each contender supplies a heap policy; the random
// sequence, the shapes and the stores are the same for all of them.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

#include "bench/runtime/frames.h"

constexpr int kChunkSlots = 1024;        // trees per chunk
constexpr uint64_t kSeed = 0x9E3779B97F4A7C15ull;

// One workload: a forest of `trees` trees of which `replaces` are replaced
// per frame, and optionally a big array of `bigSlots` references of which
// `bigStores` get a new tree per frame, replaced by a fresh array when full.
struct Workload {
  const char* name;
  int trees;
  int replaces;
  int bigSlots;
  int bigStores;
  int warmFrames;
  int frames;
};
constexpr Workload kWorkloads[] = {
    // A live set of a few MiB churned by the game's kind of event.
    {"churn", 24 * kChunkSlots, 100, 0, 0, 600, 30000},
    // About 20 MiB live on our heap, 256 replacements per 60 Hz frame.
    {"pause", 133 * kChunkSlots, 256, 0, 0, 600, 3000},
    // About a million long-lived trees and a little churn.
    {"large_heap", 1024 * kChunkSlots, 100, 0, 0, 600, 6000},
    // One array of 256 Ki references filled over 256 frames, four times.
    {"big_array", 0, 0, 256 * 1024, 1024, 256, 1024},
};

inline const Workload* findWorkload(const char* name) {
  for (const Workload& w : kWorkloads)
    if (!std::strcmp(w.name, name)) return &w;
  return nullptr;
}

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

// Runs workload `w` on heap policy `H`, which also supplies
//   H::plant(trees), H::newBig(slots), H::putBig(i, head), H::step()
// for the forest's storage, the big array and the collector step of a frame.
template <class H>
void runWorkload(H& heap, const Workload& w, FrameLog& log) {
  Rng rng;
  if (w.trees) {
    heap.plant(w.trees);
    for (int slot = 0; slot < w.trees; ++slot) heap.put(slot, buildTree(heap, rng.next()));
  }
  if (w.bigSlots) heap.newBig(w.bigSlots);
  auto frame = [&](int f) {
    for (int i = 0; i < w.replaces; ++i) replaceTree(heap, rng, w.trees);
    if (w.bigSlots) {
      int at = static_cast<int>(static_cast<long long>(f) * w.bigStores % w.bigSlots);
      if (at == 0 && f) heap.newBig(w.bigSlots);
      for (int i = 0; i < w.bigStores; ++i) heap.putBig(at + i, buildTree(heap, rng.next()));
    }
    heap.step();
  };
  runFrames(w.warmFrames, w.frames, frame, log);
}

// The whole of a workload benchmark's main: runs the workload named on the
// command line on the heap the contender's `make(contender)` returns.
template <class Run>
int workloadMain(int argc, char** argv, Run&& run) {
  const char *name, *contender;
  if (!parseArgs(argc, argv, name, contender)) return 2;
  const Workload* w = findWorkload(name);
  if (!w) {
    std::fprintf(stderr, "unknown workload %s\n", name);
    return 2;
  }
  FrameLog log;
  if (!run(*w, contender, log)) {
    std::fprintf(stderr, "unknown contender %s\n", contender);
    return 2;
  }
  printResult(w->name, contender, log);
  return 0;
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
