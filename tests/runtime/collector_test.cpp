// The incremental collector: the write barrier, lazy destruction with block
// reuse, cycle ends forced by external bytes, the shared empty arrays, and a
// long churn that keeps everything reachable alive with a bounded heap.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "runtime/gc.h"
#include "runtime/string.h"

namespace {

int destroyed = 0;

struct Node : Object {
  Node* next = nullptr;
  int value = 0;
  ~Node() override { ++destroyed; }
  void mark() override { gc_enqueue_ref(next); }
};

// A 40-byte object (vtable, links, flags and 12 bytes of fields rounded up).
struct Forty : Object {
  int a = 0, b = 0;
  ~Forty() override { ++destroyed; }
};

Node* root = nullptr;
Array<Node*> rootArray;
Node* ballast = nullptr;  // live objects whose allocation paid off earlier garbage

// Runs steps until a cycle ends (the byte counters reset on a cycle end).
void finishCycle() {
  gc_ext_alloc(kGcCycleBytes + 1);
  gc_collect();
}

class Collector : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gc_init();
    gc_add_root(root);
    gc_add_root(rootArray);
    gc_add_root(ballast);
  }
  void SetUp() override {
    root = nullptr;
    rootArray = Array<Node*>();
    finishCycle();
    finishCycle();
    // Destroy what earlier tests left dead, so each test starts on a clean free list.
    while (gc_free_bytes > 0) {
      Node* n = new Node;
      gc_assign(n->next, ballast);
      gc_assign(ballast, n);
    }
    destroyed = 0;
  }
};

TEST_F(Collector, ObjectStoredIntoTracedHolderSurvivesTheCycle) {
  gc_assign(root, new Node);
  finishCycle();  // root queued for the new cycle
  gc_collect();   // no allocation yet: nothing traced
  // Trace everything queued, so the holder is black.
  gc_new_bytes = 1;
  for (int i = 0; i < 4; ++i) gc_collect();
  Node* late = new Node;
  late->value = 77;
  gc_assign(root->next, late);
  finishCycle();
  finishCycle();
  ASSERT_TRUE(gc_is_live_object(root->next));
  EXPECT_EQ(root->next->value, 77);
}

TEST_F(Collector, ObjectOnlyHeldLocallyIsReclaimedAtTheNextCycleEnd) {
  Node* local = new Node;
  EXPECT_TRUE(gc_is_live_object(local));
  finishCycle();
  EXPECT_FALSE(gc_is_live_object(local));
  EXPECT_GT(gc_free_bytes, 0);
}

TEST_F(Collector, DeadObjectIsDestroyedLazilyAndItsBlockReused) {
  Forty* dead = new Forty;
  ASSERT_EQ(dead->gc_size(), 40);
  finishCycle();
  EXPECT_EQ(destroyed, 0) << "destruction waits for an allocation to pay for it";
  EXPECT_EQ(gc_free_bytes, 40);
  Forty* next = new Forty;
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(gc_free_bytes, 0);
  EXPECT_EQ(static_cast<void*>(next), static_cast<void*>(dead)) << "small blocks are recycled";
}

TEST_F(Collector, ExternalBytesForceACycleEnd) {
  int bit = gc_markbit;
  gc_ext_alloc(9 * 1024 * 1024);
  gc_collect();
  EXPECT_NE(gc_markbit, bit);
  EXPECT_EQ(gc_ext_new_bytes.load(), 0);
  EXPECT_EQ(gc_new_bytes, 0);
}

TEST_F(Collector, FewAllocationsDoNotEndACycle) {
  int bit = gc_markbit;
  for (int i = 0; i < 100; ++i) new Node;
  gc_collect();
  EXPECT_EQ(gc_markbit, bit);
}

TEST_F(Collector, EmptyArraysAreTheSharedStaticRepAndNeverListed) {
  Array<int> a(0);
  Array<Node*> b;
  Array<String> c(-5);
  EXPECT_EQ(a.rep, &Array<int>::nullRep);
  EXPECT_EQ(b.rep, &Array<Node*>::nullRep);
  EXPECT_EQ(c.rep, &Array<String>::nullRep);
  gc_assign(rootArray, b);
  finishCycle();
  finishCycle();
  EXPECT_EQ(Array<Node*>::nullRep.flags, kGcStaticFlags);
  EXPECT_FALSE(gc_is_live_object(&Array<int>::nullRep));
  EXPECT_EQ(Array<int>::nullRep.length, 0);
}

TEST_F(Collector, ArrayContentsAreTracedWithTheArray) {
  gc_assign(rootArray, Array<Node*>(3));
  for (int i = 0; i < 3; ++i) {
    Node* n = new Node;
    n->value = i;
    gc_assign(rootArray[i], n);
  }
  finishCycle();
  finishCycle();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(gc_is_live_object(rootArray[i]));
    EXPECT_EQ(rootArray[i]->value, i);
  }
}

TEST_F(Collector, LongChurnKeepsReachableObjectsAndBoundsTheHeap) {
  constexpr int kLive = 2000;
  gc_assign(rootArray, Array<Node*>(kLive));
  std::mt19937 rng(7);
  int peak = 0;
  for (int step = 0; step < 400000; ++step) {
    Node* n = new Node;
    n->value = step;
    int slot = static_cast<int>(rng() % kLive);
    if (rng() % 2 && rootArray[slot]) gc_assign(rootArray[slot]->next, n);
    else gc_assign(rootArray[slot], n);
    if (step % 50 == 0) gc_collect();
    peak = std::max(peak, gc_alloced_bytes + gc_free_bytes);
  }
  finishCycle();
  finishCycle();
  for (int i = 0; i < kLive; ++i) {
    for (Node* n = rootArray[i]; n; n = n->next) ASSERT_TRUE(gc_is_live_object(n));
  }
  // The live set is a few hundred KiB; the heap must stay near one cycle's worth.
  EXPECT_LT(peak, 3 * kGcCycleBytes);
}

TEST_F(Collector, StringArraysReleaseTheirStringsWhenDestroyed) {
  String s("shared text");
  {
    Array<String> a(4);
    for (int i = 0; i < 4; ++i) a[i] = s;
    EXPECT_EQ(s.GetRep()->refCount, 5);
  }
  finishCycle();
  Array<String> payer(16);  // an allocation pays for the dead array
  EXPECT_EQ(s.GetRep()->refCount, 1);
}

}  // namespace
