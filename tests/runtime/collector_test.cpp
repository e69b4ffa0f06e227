// The incremental collector: construction through gc_new, the write barrier,
// roots registered late, the pace of each step, long arrays traced in
// slices across steps, lazy destruction with block
// reuse, cycle ends forced by external bytes and by string memory that dead
// arrays hold, the shared empty arrays, new arrays empty in recycled
// blocks, sizes too big for a block, and a long
// churn that keeps everything reachable alive with a bounded heap. Objects with destructor work
// stay on the lists; small ones without are found dead by the slab sweep, so
// the barrier, reclaiming and churn cases run for both.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "runtime/gc.h"
#include "tests/exit_status.h"
#include "runtime/string.h"

namespace {

int destroyed = 0;

struct Node : Object {
  Node* next = nullptr;
  int value = 0;
  ~Node() { ++destroyed; }
  void mark() override { gc_enqueue_ref(next); }
};

// The same shape without destructor work: a plain block, swept when dead.
struct PlainNode : Object {
  PlainNode* next = nullptr;
  int value = 0;
  void mark() override { gc_enqueue_ref(next); }
};
static_assert(std::is_trivially_destructible_v<PlainNode>);

// A 40-byte block (links, header, vtable and two ints); records the order of deaths.
std::vector<int> deaths;
struct Forty : Object {
  int id = 0, b = 0;
  explicit Forty(int i = 0) : id(i) {}
  ~Forty() {
    ++destroyed;
    deaths.push_back(id);
  }
};

// A 56-byte plain block (header, vtable, a reference and padding) whose
// constructor argument is made while it is being made.
struct Pair : Object {
  Node* first;
  std::int64_t pad[4] = {};  // long is 4 bytes on Windows: this is 32 everywhere
  explicit Pair(Node* n) : first(n) {}
  void mark() override { gc_enqueue_ref(first); }
};

// Creation only through gc_new: plain `new`, stack or static objects and
// copies do not compile.
static_assert(!std::is_constructible_v<Node>);
static_assert(!std::is_copy_constructible_v<Node> && !std::is_copy_assignable_v<Node>);
static_assert(!std::is_copy_constructible_v<gc_made<Node>>);
template <class T>
concept PlainNewable = requires { new T; };
static_assert(!PlainNewable<Node>);

Node* root = nullptr;
Array<Node*> rootArray;
Array<char> ballast;  // one live block whose allocation paid off earlier garbage
PlainNode* plainRoot = nullptr;
Array<PlainNode*> plainRootArray;

template <class T>
T*& rootOf() {
  if constexpr (std::is_same_v<T, Node>) return root;
  else return plainRoot;
}
template <class T>
Array<T*>& rootArrayOf() {
  if constexpr (std::is_same_v<T, Node>) return rootArray;
  else return plainRootArray;
}

// Runs steps until a cycle ends (the byte counters reset on a cycle end).
void finishCycle() {
  unsigned cycle = gc_cycle;
  gc_ext_alloc(gc_cycle_bytes + 1);
  while (gc_cycle == cycle) gc_collect();
}

// Steps at the pace of a cycle's last allocation until nothing is queued.
void traceAllQueued() {
  gc_new_bytes = gc_cycle_bytes;
  do gc_collect();
  while (!gc_queue_empty());
}

bool queueEmpty() { return gc_queue_empty(); }

class Collector : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gc_init();
    gc_add_root(root);
    gc_add_root(rootArray);
    gc_add_root(ballast);
    gc_add_root(plainRoot);
    gc_add_root(plainRootArray);
  }
  void SetUp() override {
    root = nullptr;
    rootArray = Array<Node*>();
    plainRoot = nullptr;
    plainRootArray = Array<PlainNode*>();
    ballast = Array<char>();
    finishCycle();
    finishCycle();
    // Destroy what earlier tests left dead, so each test starts on a clean free
    // list and the shortest cycle. An allocation pays for at least its own
    // size, so one as big as the dead bytes pays for them all; held by nothing,
    // it is the only object to die at the next cycle end, and the next
    // allocation, however small, destroys it whole.
    if (gc_free_bytes > 0) (void)Array<char>(gc_free_bytes);
    finishCycle();
    gc_assign(ballast, Array<char>(1));
    finishCycle();  // the ballast's own bytes must not count towards the test's cycle
    ASSERT_EQ(gc_free_bytes, 0);
    destroyed = 0;
    deaths.clear();
  }
};

TEST_F(Collector, AnArgumentThatAllocatesLeavesEachObjectItsOwnSize) {
  int pairAlone = gc_new<Pair>(nullptr)->gc_size();
  int nodeAlone = gc_new<Node>()->gc_size();
  Pair* p = gc_new<Pair>(gc_new<Node>());
  EXPECT_EQ(p->gc_size(), pairAlone);
  EXPECT_EQ(p->first->gc_size(), nodeAlone);
  EXPECT_NE(pairAlone, nodeAlone);
  // Recycling both blocks for objects of their own sizes must stay inside them.
  finishCycle();
  finishCycle();
  for (int i = 0; i < 4; ++i) gc_new<Pair>(gc_new<Node>())->first->value = i;
  EXPECT_EQ(destroyed, 2);
}

// Each case runs on objects with destructor work and on plain ones.
template <class T>
class BothKinds : public Collector {};
using NodeKinds = ::testing::Types<Node, PlainNode>;
TYPED_TEST_SUITE(BothKinds, NodeKinds);

TYPED_TEST(BothKinds, ObjectStoredIntoTracedHolderSurvivesTheCycle) {
  TypeParam* holder = gc_new<TypeParam>();
  rootOf<TypeParam>() = holder;
  gc_mark();  // queue the roots as a cycle start does
  traceAllQueued();
  ASSERT_TRUE(queueEmpty());
  TypeParam* late = gc_new<TypeParam>();
  late->value = 77;
  gc_assign(holder->next, late);
  late = nullptr;
  finishCycle();
  ASSERT_TRUE(gc_is_live_object(holder->next)) << "the barrier queues what is stored into a traced object";
  finishCycle();
  for (int i = 0; i < 3; ++i) gc_new<TypeParam>();  // would take a wrongly reclaimed block
  EXPECT_EQ(rootOf<TypeParam>(), holder);
  ASSERT_TRUE(gc_is_live_object(holder->next));
  EXPECT_EQ(holder->next->value, 77);
  EXPECT_EQ(destroyed, 0);
}

// A global filled before it is registered (in the middle of a cycle) keeps
// what it holds: registering queues the slot's value.
Node* lateRoot = nullptr;
TEST_F(Collector, AGlobalRegisteredMidCycleKeepsTheObjectItAlreadyHolds) {
  Node* held = gc_new<Node>();  // black in the cycle that made it,
  held->value = 5;
  finishCycle();  // white in this one, where only a local holds it
  gc_mark();
  traceAllQueued();
  lateRoot = held;
  gc_add_root(lateRoot);
  for (int cycle = 0; cycle < 2; ++cycle) {
    finishCycle();
    gc_new<PlainNode>();  // pays for what the cycle found dead, and takes its block
    ASSERT_TRUE(gc_is_live_object(lateRoot));
    EXPECT_EQ(lateRoot->value, 5);
    EXPECT_EQ(destroyed, 0);
  }
  lateRoot = nullptr;
}

TEST_F(Collector, EachStepTracesOnlyUpToItsPacingTarget) {
  constexpr int kChain = 4000;
  gc_assign(root, gc_new<Node>());
  for (int i = 0; i < kChain; ++i) {
    Node* n = gc_new<Node>();
    gc_assign(n->next, root);
    gc_assign(root, n);
  }
  finishCycle();  // the chain survives; its root is queued for the new cycle
  ASSERT_EQ(gc_cycle_bytes, kGcCycleBytes) << "a small heap runs the shortest cycle";
  gc_new_bytes = 4096;
  long long target = gc_new_bytes +
      static_cast<long long>(gc_alloced_bytes - gc_new_bytes) * gc_new_bytes / kGcCycleBytes;
  gc_collect();
  EXPECT_GE(gc_marked_bytes, target);
  EXPECT_LT(gc_marked_bytes, target + root->gc_size()) << "a step stops once its target is reached";
  EXPECT_FALSE(queueEmpty());
  traceAllQueued();
  EXPECT_TRUE(queueEmpty());
  EXPECT_GE(gc_marked_bytes, kChain * root->gc_size());
}

// A big allocation moves the pace on by its whole size at once: the tracing
// it calls for is spread over the next steps, and the cycle ends only once
// its queue is worked off, or at once when it has run to twice its length.
TEST_F(Collector, AStepBehindItsPaceCatchesUpOverTheNextStepsBeforeTheCycleEnds) {
  constexpr int kChain = 3 * kGcStepMaxBytes / 32;
  for (int i = 0; i < kChain; ++i) {
    PlainNode* n = gc_new<PlainNode>();
    n->value = i;
    gc_assign(n->next, plainRoot);
    gc_assign(plainRoot, n);
  }
  finishCycle();  // the chain survives; its root is queued for the new cycle
  int nodeBytes = plainRoot->gc_size();
  auto chainIntact = [&] {
    int n = 0;
    for (PlainNode* p = plainRoot; p; p = p->next, ++n)
      if (p->value != kChain - 1 - n) return false;
    return n == kChain;
  };
  int bit = gc_markbit;
  gc_new_bytes = gc_cycle_bytes + 1;
  int steps = 0;
  while (gc_markbit == bit) {
    int before = gc_marked_bytes;
    gc_collect();
    ++steps;
    if (gc_markbit == bit) {
      ASSERT_LE(gc_marked_bytes - before, kGcStepMaxBytes + nodeBytes) << "one step's worth";
    }
    ASSERT_LT(steps, kChain) << "the cycle never ended";
  }
  EXPECT_GE(steps, 3) << "the queue was worked off over several steps";
  gc_new<PlainNode>();  // would take a wrongly reclaimed block
  EXPECT_TRUE(chainIntact());

  bit = gc_markbit;
  gc_new_bytes = 2 * gc_cycle_bytes + 1;
  gc_collect();
  EXPECT_NE(gc_markbit, bit) << "a cycle run to twice its length ends at once";
  for (int i = 0; i < 3; ++i) gc_new<PlainNode>();
  EXPECT_TRUE(chainIntact());
}

TEST_F(Collector, ALongArrayIsTracedASliceAtATimeAcrossSteps) {
  constexpr int kSlices = 8;
  gc_assign(rootArray, Array<Node*>(kSlices * kGcSliceElements));
  Node* last = gc_new<Node>();
  gc_assign(rootArray[kSlices * kGcSliceElements - 1], last);
  finishCycle();  // the array survives and is queued again as a root
  gc_node* array = gc_node_of(gc_header_of(rootArray.rep));
  ASSERT_GT(array->header.flags & kGcSizeMask, kGcTraceWholeMax);
  gc_new_bytes = 1;
  gc_collect();
  EXPECT_EQ(gc_queued_list.succ, array) << "the array waits at the head for its next slice";
  EXPECT_LE(gc_marked_bytes, static_cast<int>(kGcSliceElements * sizeof(Node*))) << "one slice, not the whole";
  EXPECT_TRUE(gc_is_unmarked(last));
  traceAllQueued();
  EXPECT_TRUE(queueEmpty());
  EXPECT_FALSE(gc_is_unmarked(last)) << "the last slice was traced too";
  EXPECT_GE(gc_marked_bytes, array->header.flags & kGcSizeMask);
}

// A new object is black in the cycle that made it: a temporary never stored
// lives through that cycle's end and dies at the next one.
TYPED_TEST(BothKinds, ObjectOnlyHeldLocallyIsReclaimedAtTheSecondCycleEndAndItsBlockReused) {
  TypeParam* local = gc_new<TypeParam>();
  EXPECT_TRUE(gc_is_live_object(local));
  finishCycle();
  EXPECT_TRUE(gc_is_live_object(local)) << "made black, it outlives the cycle that made it";
  EXPECT_EQ(gc_free_bytes, 0);
  finishCycle();
  EXPECT_FALSE(gc_is_live_object(local));
  EXPECT_EQ(gc_free_bytes, local->gc_size());
  TypeParam* next = gc_new<TypeParam>();
  EXPECT_EQ(next, local) << "the dead block is the next one of its size";
  EXPECT_EQ(gc_free_bytes, 0);
  EXPECT_TRUE(gc_is_live_object(next));
}

TEST_F(Collector, DeadObjectsAreDestroyedOldestFirstAsAllocationsPayForThem) {
  Forty* oldest = gc_new<Forty>(1);
  ASSERT_EQ(oldest->gc_size(), 40);
  for (int id = 2; id <= 5; ++id) gc_new<Forty>(id);
  finishCycle();  // made black: they die at the second cycle end
  finishCycle();
  EXPECT_EQ(destroyed, 0) << "destruction waits for an allocation to pay for it";
  EXPECT_EQ(gc_free_bytes, 5 * 40);
  Forty* next = gc_new<Forty>();
  EXPECT_EQ(deaths, std::vector<int>({1})) << "one 40-byte allocation pays for one 40-byte object";
  EXPECT_EQ(gc_free_bytes, 4 * 40);
  EXPECT_EQ(static_cast<void*>(next), static_cast<void*>(oldest)) << "small blocks are recycled";
  ASSERT_EQ(gc_new<Pair>(nullptr)->gc_size(), 56) << "paid for by two more dead objects";
  EXPECT_EQ(deaths, std::vector<int>({1, 2, 3}));
  EXPECT_EQ(gc_free_bytes, 2 * 40);
}

TEST_F(Collector, ExternalBytesForceACycleEnd) {
  int bit = gc_markbit;
  gc_ext_alloc(9 * 1024 * 1024);
  gc_collect();
  EXPECT_NE(gc_markbit, bit);
  EXPECT_EQ(gc_ext_new_bytes.load(), 0);
  EXPECT_EQ(gc_new_bytes, 0);
}

// Strings freed at once bring the cycle end no closer; strings and split
// pieces that dead arrays hold do, though the arrays themselves are small.
// Strings are not traced: over a small heap a few MiB of them end a cycle,
// over a bigger one only as many bytes as the heap holds.
TEST_F(Collector, StringMemoryHeldByDeadArraysEndsTheCycle) {
  constexpr int kUnits = 1 << 19;  // 1 MiB of text
  constexpr int kPieceUnits = 100;
  std::u16string text(kUnits, u'x');
  auto holdDead = [&](int texts) {
    for (int i = 0; i < texts; ++i) {
      Array<String> held(1);
      held[0] = String(text.data(), kUnits);
    }
  };
  unsigned cycle = gc_cycle;
  for (int i = 0; i < 10; ++i) {
    String temporary(text.data(), kUnits);
    gc_collect();
  }
  EXPECT_EQ(gc_cycle, cycle) << "temporaries";
  holdDead(3);
  gc_collect();
  EXPECT_EQ(gc_cycle, cycle + 1) << "whole strings";

  for (int i = kPieceUnits; i < kUnits; i += kPieceUnits) text[i] = u',';
  String commas(text.data(), kUnits);
  gc_collect();
  for (int i = 0; i < 3; ++i) commas.Split(String(","));
  gc_collect();
  EXPECT_EQ(gc_cycle, cycle + 2) << "split pieces";

  gc_assign(ballast, Array<char>(6 << 20));
  finishCycle();
  finishCycle();
  cycle = gc_cycle;
  holdDead(3);
  gc_collect();
  EXPECT_EQ(gc_cycle, cycle) << "3 MiB of strings over 6 MiB of objects";
  holdDead(4);
  gc_collect();
  EXPECT_EQ(gc_cycle, cycle + 1) << "7 MiB of strings over 6 MiB of objects";
}

// A heap with more live bytes than twice the shortest cycle runs longer cycles, in
// proportion; once those bytes die the cycles are as short as before.
TEST_F(Collector, ABigLiveHeapLengthensTheCycleInProportion) {
  constexpr int kBigBytes = 3 * kGcCycleBytes;
  gc_assign(ballast, Array<char>(kBigBytes));
  finishCycle();
  finishCycle();
  ASSERT_GE(gc_alloced_bytes, kBigBytes);
  EXPECT_EQ(gc_cycle_bytes, gc_alloced_bytes / kGcCycleLiveDivisor);
  int bit = gc_markbit;
  gc_ext_alloc(kGcCycleBytes + 1);
  gc_collect();
  EXPECT_EQ(gc_markbit, bit) << "the shortest cycle's bytes no longer end it";
  gc_new_bytes = (gc_cycle_bytes - gc_ext_new_bytes.load()) / 2;  // halfway to the end
  long long target = gc_new_bytes +
      static_cast<long long>(gc_alloced_bytes - gc_new_bytes) * (gc_new_bytes + gc_ext_new_bytes.load()) / gc_cycle_bytes;
  gc_collect();
  EXPECT_GE(gc_marked_bytes, std::min<long long>(target, gc_alloced_bytes)) << "the pace follows the longer cycle";
  gc_ext_alloc(gc_cycle_bytes);
  gc_collect();
  EXPECT_NE(gc_markbit, bit);
  gc_assign(ballast, Array<char>());
  finishCycle();
  finishCycle();
  EXPECT_EQ(gc_cycle_bytes, kGcCycleBytes);
  // Small allocations pay for the dead oldest first, the big array among them:
  // later tests must not inherit it as ballast.
  while (gc_free_bytes >= kBigBytes) gc_new<PlainNode>();
}

TEST_F(Collector, FewAllocationsDoNotEndACycle) {
  int bit = gc_markbit;
  for (int i = 0; i < 100; ++i) gc_new<Node>();
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
  EXPECT_EQ(Array<Node*>::nullRep.gc_flags(), kGcStaticFlags);
  EXPECT_FALSE(gc_is_live_object(&Array<int>::nullRep));
  EXPECT_EQ(Array<int>::nullRep.length, 0);
}

// Runs `make` in a child whose report goes to standard error, where the
// death test reads it.
template <class F>
void expectOutOfMemory(F make) {
  EXPECT_EXIT(
      {
        if (!std::freopen("/dev/null", "r", stdin) || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) std::abort();
        make();
      },
      ExitedMinusOne, "Out of memory");
}

// Lengths whose byte counts wrap in an int (or in a 32-bit size_t) must not
// become small blocks that the elements then overrun.
TEST(CollectorDeathTest, AnArrayTooBigForABlockStopsAsOutOfMemory) {
  expectOutOfMemory([] { Array<long long> a((1 << 29) + 2); });
  expectOutOfMemory([] { Array<char> a(INT_MAX); });
}

TEST_F(Collector, ArrayContentsAreTracedWithTheArray) {
  gc_assign(rootArray, Array<Node*>(3));
  for (int i = 0; i < 3; ++i) {
    Node* n = gc_new<Node>();
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

// Arrays of numbers and references skip their constructor's zeroing: one
// made in a recycled block must still start empty, and so must a big one.
TEST_F(Collector, ANewArrayStartsEmptyInARecycledBlock) {
  constexpr int kLength = 3;
  constexpr int kTries = 1000;
  constexpr int kBigLength = 1 << 16;
  const void* numbersBlock;
  const void* nodesBlock;
  {
    Array<int> numbers(kLength);
    Array<PlainNode*> nodes(kLength);
    for (int i = 0; i < kLength; ++i) {
      numbers[i] = i + 1;
      nodes[i] = gc_new<PlainNode>();
    }
    numbersBlock = numbers.rep;
    nodesBlock = nodes.rep;
  }
  finishCycle();
  finishCycle();
  Array<int> numbers;
  for (int i = 0; i < kTries && numbers.rep != numbersBlock; ++i) numbers = Array<int>(kLength);
  Array<PlainNode*> nodes;
  for (int i = 0; i < kTries && nodes.rep != nodesBlock; ++i) nodes = Array<PlainNode*>(kLength);
  ASSERT_EQ(numbers.rep, numbersBlock) << "the dead block is recycled";
  ASSERT_EQ(nodes.rep, nodesBlock) << "the dead block is recycled";
  for (int i = 0; i < kLength; ++i) {
    EXPECT_EQ(numbers[i], 0);
    EXPECT_EQ(nodes[i], nullptr);
  }
  Array<long long> big(kBigLength);
  for (int i = 0; i < kBigLength; i += kBigLength / 16) EXPECT_EQ(big[i], 0);
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

TYPED_TEST(BothKinds, LongChurnKeepsReachableObjectsAndBoundsTheHeap) {
  constexpr int kLive = 2000;
  Array<TypeParam*>& rootArray = rootArrayOf<TypeParam>();
  gc_assign(rootArray, Array<TypeParam*>(kLive));
  constexpr int kSteps = 400000;
  std::vector<int> slotOfStep(kSteps);  // every node reachable from a slot was stored there
  std::mt19937 rng(7);
  const int before = gc_alloced_bytes;  // what earlier tests left live
  long long peak = 0;
  for (int step = 0; step < kSteps; ++step) {
    TypeParam* n = gc_new<TypeParam>();
    n->value = step;
    int slot = static_cast<int>(rng() % kLive);
    slotOfStep[step] = slot;
    if (rng() % 2 && rootArray[slot]) gc_assign(rootArray[slot]->next, n);
    else gc_assign(rootArray[slot], n);
    if (step % 50 == 0) gc_collect();
    peak = std::max(peak, gc_alloced_bytes + gc_free_bytes - before);
    // Every new node was stored, so the barrier kept it through its cycle:
    // that garbage (a cycle's worth) must not count as live and lengthen the
    // next cycle; the live set itself grows by far less.
    ASSERT_LE(gc_cycle_bytes, std::max(kGcCycleBytes, (before + kGcCycleBytes / 2) / kGcCycleLiveDivisor))
        << "step " << step;
  }
  finishCycle();
  finishCycle();
  for (int i = 0; i < kLive; ++i) {
    for (TypeParam* n = rootArray[i]; n; n = n->next) {
      ASSERT_TRUE(gc_is_live_object(n));
      ASSERT_TRUE(n->value >= 0 && n->value < kSteps && slotOfStep[n->value] == i) << "a reachable block was reused";
    }
  }
  // The live set is a few hundred KiB; the heap must stay near one cycle's worth.
  EXPECT_LT(peak, 3 * kGcCycleBytes);
}

}  // namespace
