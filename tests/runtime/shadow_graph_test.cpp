// A randomised mutator (fixed seed) against the collector: it builds, rewires
// and drops a graph of collected objects through the write barrier while
// keeping a plain copy of the graph, and after every collector step walks
// everything reachable from the roots and checks it against the copy. A
// block reclaimed while still reachable shows up as a wrong id or field here,
// or as a poisoned read under AddressSanitizer. New vertices are made
// already traced, so the stores a constructor makes without the barrier and
// the arrays filled while only a local holds them are exercised too. A
// second run gives some vertices item arrays long enough to be traced in
// slices across steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "runtime/gc.h"
#include "runtime/string.h"

namespace {

constexpr unsigned kSeed = 20261207;
constexpr int kRootSlots = 64;
constexpr int kSteps = 2500;
constexpr int kMutationsPerStep = 40;
constexpr int kCycleEndOneIn = 12;   // steps that force a cycle end, on average
constexpr int kNullOneIn = 4;        // stores that store null, on average
constexpr int kWideOneIn = 3;        // new vertices that are wide, on average
constexpr int kItemsMax = 12;        // longest item array
constexpr int kNewItemOneIn = 4;     // items that are new vertices, on average
constexpr int kLongItems = 3 * kGcSliceElements + 5;  // a long item array: four slices
constexpr int kLongSteps = 600;
constexpr int kLongOneIn = 12;       // refills that make a long array, in the second run
constexpr int kLabelUnitsMax = 24;   // longest label
constexpr int kLetters = 26;
constexpr size_t kReachableMax = 1500;  // beyond this, new vertices give way to cut roots
constexpr int kNone = -1;            // the copy's null reference

// A small vertex without destructor work (a plain block), and a wide one
// with a second reference, an array of references and a string (a listed
// block). The wide one's constructor stores its second reference without the
// barrier, as constructors may.
struct Vertex : Object {
  int id = 0;
  bool wide = false;
  Vertex* a = nullptr;
  void mark() override { gc_enqueue_ref(a); }
};
struct WideVertex : Vertex {
  explicit WideVertex(Vertex* second) : b(second) {}
  Vertex* b;
  Array<Vertex*> items;
  String label;
  void mark() override {
    Vertex::mark();
    gc_enqueue_ref(b);
    gc_enqueue_ref(items);
  }
};
static_assert(std::is_trivially_destructible_v<Vertex> && !std::is_trivially_destructible_v<WideVertex>);

// The plain copy of one vertex: references as ids.
struct Copy {
  bool wide = false;
  int a = kNone, b = kNone;
  std::vector<int> items;
  std::u16string label;
};

Array<Vertex*> gRoots;

int idOf(Vertex* v) { return v ? v->id : kNone; }

class ShadowGraph {
 public:
  // `longOneIn`: refills that make a long item array, on average (0: never).
  ShadowGraph(unsigned seed, int longOneIn) : rng_(seed), longOneIn_(longOneIn), rootIds_(kRootSlots, kNone) {}

  // One callback's worth of random stores; only vertices reachable at the
  // last check, or made since, are touched.
  void Mutate() {
    for (int m = 0; m < kMutationsPerStep; ++m) {
      bool grow = reachable_.size() < kReachableMax;
      switch (rng_() % 5) {
        case 0: StoreInRoot(grow ? MakeVertex() : nullptr); break;
        case 1: StoreInField(grow ? MakeVertex() : nullptr); break;
        case 2: StoreInField(Pick()); break;
        case 3: StoreInRoot(Pick()); break;
        case 4: RelabelOrRefill(); break;
      }
    }
  }

  // A collector step as the host takes one, sometimes one that ends the
  // cycle; true when the end waits for the queue to be worked off.
  bool Step() {
    unsigned cycle = gc_cycle;
    bool ending = rng_() % kCycleEndOneIn == 0;
    if (ending) gc_ext_alloc(gc_cycle_bytes + 1);
    gc_collect();
    return ending && gc_cycle == cycle;
  }

  // Walks the real graph from the roots, comparing each vertex with its copy;
  // remembers what it reached for the next mutations.
  void Check() {
    reachable_.clear();
    ++stamp_;
    for (int s = 0; s < kRootSlots; ++s) {
      ASSERT_EQ(idOf(gRoots[s]), rootIds_[s]) << "root slot " << s;
      Visit(gRoots[s]);
    }
    for (size_t i = 0; i < reachable_.size(); ++i) {
      Vertex* v = reachable_[i];
      const Copy& c = copies_[v->id];
      ASSERT_EQ(v->wide, c.wide) << "vertex " << v->id;
      ASSERT_EQ(idOf(v->a), c.a) << "vertex " << v->id;
      Visit(v->a);
      if (!v->wide) continue;
      auto* w = static_cast<WideVertex*>(v);
      ASSERT_EQ(idOf(w->b), c.b) << "vertex " << v->id;
      ASSERT_EQ(w->items.Length(), static_cast<int>(c.items.size())) << "vertex " << v->id;
      for (int k = 0; k < w->items.Length(); ++k) {
        ASSERT_EQ(idOf(w->items[k]), c.items[k]) << "vertex " << v->id << " item " << k;
        Visit(w->items[k]);
      }
      ASSERT_TRUE(w->label.Length() == static_cast<int>(c.label.size()) &&
                  std::equal(c.label.begin(), c.label.end(), w->label.Data()))
          << "vertex " << v->id;
      Visit(w->b);
    }
  }

  size_t Reached() const { return reachable_.size(); }

 private:
  void Visit(Vertex* v) {
    if (!v) return;
    ASSERT_GE(v->id, 0);
    ASSERT_LT(v->id, static_cast<int>(copies_.size())) << "not a vertex the mutator made";
    if (seen_[v->id] == stamp_) return;
    seen_[v->id] = stamp_;
    reachable_.push_back(v);
  }

  // A new vertex, wide at random unless `small`.
  Vertex* MakeVertex(bool small = false) {
    int id = static_cast<int>(copies_.size());
    copies_.emplace_back();
    seen_.push_back(0);
    Copy& c = copies_.back();
    Vertex* v;
    if (!small && rng_() % kWideOneIn == 0) {
      Vertex* second = Pick();
      auto* w = gc_new<WideVertex>(second);
      c.b = idOf(second);
      w->wide = c.wide = true;
      v = w;
      v->id = id;
      Refill(w);
      Relabel(w);
    } else {
      v = gc_new<Vertex>();
      v->id = id;
    }
    reachable_.push_back(v);  // held by a local until stored: safe within the callback
    return v;
  }

  Vertex* Pick() {
    if (reachable_.empty() || rng_() % kNullOneIn == 0) return nullptr;
    return reachable_[rng_() % reachable_.size()];
  }

  void StoreInRoot(Vertex* v) {
    int s = static_cast<int>(rng_() % kRootSlots);
    gc_assign(gRoots[s], v);
    rootIds_[s] = idOf(v);
  }

  void StoreInField(Vertex* v) {
    Vertex* holder = Pick();
    if (!holder) return StoreInRoot(v);
    Copy& c = copies_[holder->id];
    if (!holder->wide || rng_() % 3 == 0) {
      gc_assign(holder->a, v);
      c.a = idOf(v);
      return;
    }
    auto* w = static_cast<WideVertex*>(holder);
    if (w->items.Length() && rng_() % 2) {
      int k = static_cast<int>(rng_() % w->items.Length());
      gc_assign(w->items[k], v);
      c.items[k] = idOf(v);
    } else {
      gc_assign(w->b, v);
      c.b = idOf(v);
    }
  }

  void RelabelOrRefill() {
    Vertex* v = Pick();
    if (!v || !v->wide) return;
    if (rng_() % 2) Relabel(static_cast<WideVertex*>(v));
    else Refill(static_cast<WideVertex*>(v));
  }

  // A new item array holding random reachable vertices; a short one also
  // some new ones, made while the array is held by nothing but a local.
  void Refill(WideVertex* w) {
    int n = static_cast<int>(rng_() % (kItemsMax + 1));
    if (longOneIn_ && rng_() % longOneIn_ == 0) n = kLongItems;
    Array<Vertex*> items(n);
    std::vector<int> ids(n, kNone);
    for (int k = 0; k < n; ++k) {
      Vertex* v = n <= kItemsMax && rng_() % kNewItemOneIn == 0 ? MakeVertex(true) : Pick();
      gc_assign(items[k], v);
      ids[k] = idOf(v);
    }
    gc_assign(w->items, items);
    copies_[w->id].items = std::move(ids);
  }

  // A label made whole or taken from a split, so pieces die with their holders.
  void Relabel(WideVertex* w) {
    std::u16string text;
    int n = static_cast<int>(rng_() % (kLabelUnitsMax + 1));
    for (int i = 0; i < n; ++i) text += static_cast<char16_t>(rng_() % 3 ? u'a' + rng_() % kLetters : u',');
    String whole(text.data(), static_cast<int>(text.size()));
    if (rng_() % 2) {
      w->label = whole;
    } else {
      Array<String> pieces = whole.Split(String(","));
      w->label = pieces[static_cast<int>(rng_() % pieces.Length())];
    }
    copies_[w->id].label = std::u16string(w->label.Data(), w->label.Length());
  }

  std::mt19937 rng_;
  int longOneIn_;
  std::vector<int> rootIds_;
  std::vector<Copy> copies_;
  std::vector<unsigned> seen_;
  unsigned stamp_ = 0;
  std::vector<Vertex*> reachable_;
};

bool longArrayAtQueueHead() {
  return gc_queued_list.succ != &gc_queued_list && (gc_queued_list.succ->header.flags & kGcSizeMask) > kGcTraceWholeMax;
}

// What a run saw: steps that ended with a long array waiting, or part-traced,
// at the queue's head, and cycle ends that waited for the queue over later steps.
struct ShadowRun {
  int longAtHead = 0;
  int deferredEnds = 0;
};

// Runs `steps` steps of mutation, collection and checking.
ShadowRun runShadowGraph(int steps, int longOneIn) {
  gc_init();
  gc_add_root(gRoots);
  gc_assign(gRoots, Array<Vertex*>(kRootSlots));
  ShadowGraph graph(kSeed, longOneIn);
  unsigned cycles = gc_cycle;
  size_t mostReached = 0;
  ShadowRun run;
  for (int step = 0; step < steps; ++step) {
    graph.Mutate();
    run.deferredEnds += graph.Step();
    run.longAtHead += longArrayAtQueueHead();
    graph.Check();
    if (::testing::Test::HasFatalFailure()) {
      ADD_FAILURE() << "after step " << step;
      break;
    }
    mostReached = std::max(mostReached, graph.Reached());
  }
  EXPECT_GT(gc_cycle - cycles, static_cast<unsigned>(steps / kCycleEndOneIn / 2)) << "many cycles ended";
  EXPECT_GT(mostReached, static_cast<size_t>(kRootSlots)) << "the graph grew beyond the roots";
  gc_assign(gRoots, Array<Vertex*>());
  return run;
}

TEST(ShadowGraph, EveryReachableObjectKeepsItsContentsThroughEveryCollectorStep) {
  runShadowGraph(kSteps, 0);
}

TEST(ShadowGraph, LongArraysTracedInSlicesKeepWhatIsStoredIntoThemMeanwhile) {
  ShadowRun run = runShadowGraph(kLongSteps, kLongOneIn);
  EXPECT_GT(run.longAtHead, 0) << "some steps ended part of the way through a long array";
  EXPECT_GT(run.deferredEnds, 0) << "some cycle ends waited for their queue over later steps";
}

}  // namespace
