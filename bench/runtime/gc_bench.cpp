// The collector workloads (churn.h) on our collector ("ours") and on plain
// new/delete with manual frees ("malloc"): `bench_gc WORKLOAD CONTENDER` runs
// one of them in this process. The Boehm contenders live in
// gc_boehm_bench.cpp, a separate executable, so their allocators never mix.
#include <string_view>
#include <vector>

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
Array<Head*> gBig;

struct OurHeap {
  OurHeap() {
    gc_init();
    gc_add_root(gForest);
    gc_add_root(gBig);
  }
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
  void plant(int trees) {
    int chunks = trees / kChunkSlots;
    gc_assign(gForest, Array<Chunk*>(chunks));
    for (int c = 0; c < chunks; ++c) gc_assign(gForest[c], gc_new<Chunk>());
  }
  void newBig(int slots) { gc_assign(gBig, Array<Head*>(slots)); }
  void putBig(int i, Head* h) { gc_assign(gBig[i], h); }
  void step() { gc_collect(); }
};

// --- Plain new/delete ------------------------------------------------------

struct MallocHeap {
  std::vector<PlainHead*> slots, big;

  ~MallocHeap() {
    for (PlainHead* h : slots) release(h);
    for (PlainHead* h : big) release(h);
  }
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
  static void release(PlainHead* h) {
    if (!h) return;
    release(h->left);
    release(h->right);
    if (h->tag) delete static_cast<PlainHead1*>(h);
    else delete h;
  }
  void put(int slot, PlainHead* h) {
    release(slots[slot]);
    slots[slot] = h;
  }
  void plant(int trees) { slots.assign(trees, nullptr); }
  // Replacing the array frees every tree it held, in that frame.
  void newBig(int n) {
    for (PlainHead* h : big) release(h);
    big.assign(n, nullptr);
  }
  void putBig(int i, PlainHead* h) {
    release(big[i]);
    big[i] = h;
  }
  void step() {}
};

}  // namespace

int main(int argc, char** argv) {
  return workloadMain(argc, argv, [](const Workload& w, std::string_view contender, FrameLog& log) {
    if (contender == "ours") {
      OurHeap heap;
      runWorkload(heap, w, log);
    } else if (contender == "malloc") {
      MallocHeap heap;
      runWorkload(heap, w, log);
    } else {
      return false;
    }
    return true;
  });
}
