// The collector workloads (churn.h) on the Boehm collector:
// `bench_gc_boehm WORKLOAD boehm` in its default stop-the-world mode, the
// throughput peer, which collects when allocation asks for it; and
// `bench_gc_boehm WORKLOAD boehm_inc` in incremental mode, the pause peer,
// stepped with GC_collect_a_little where our host steps our collector. Kept
// in its own executable: Boehm must own the process's collected allocations.
#include <gc/gc.h>

#include <string_view>

#include "bench/runtime/churn.h"

namespace {

// The pause budget of one incremental step; the smallest whole-millisecond
// budget GC_set_time_limit accepts, Boehm's best setting for short pauses.
constexpr unsigned long kBoehmTimeLimitMs = 1;

struct BoehmHeap {
  bool incremental;
  PlainHead*** forest = nullptr;  // collected chunks of tree slots
  PlainHead** big = nullptr;

  PlainHead* head(int kind) { return initPlainHead(GC_MALLOC(plainHeadSize(kind)), kind); }
  PlainChild* child(int kind) { return initPlainChild(GC_MALLOC(plainChildSize(kind)), kind); }
  void link(PlainHead* h, PlainChild* a, PlainChild* b) {
    a->next = b;
    h->left = a;
    h->right = b;
  }
  void put(int slot, PlainHead* h) { forest[slot / kChunkSlots][slot % kChunkSlots] = h; }
  void plant(int trees) {
    int chunks = trees / kChunkSlots;
    forest = static_cast<PlainHead***>(GC_MALLOC(sizeof(PlainHead**) * chunks));
    for (int c = 0; c < chunks; ++c) forest[c] = static_cast<PlainHead**>(GC_MALLOC(sizeof(PlainHead*) * kChunkSlots));
  }
  void newBig(int slots) { big = static_cast<PlainHead**>(GC_MALLOC(sizeof(PlainHead*) * slots)); }
  void putBig(int i, PlainHead* h) { big[i] = h; }
  void step() {
    if (incremental) GC_collect_a_little();
  }
};

}  // namespace

int main(int argc, char** argv) {
  return workloadMain(argc, argv, [](const Workload& w, std::string_view contender, FrameLog& log) {
    if (contender != "boehm" && contender != "boehm_inc") return false;
    // This program starts no thread, so Boehm starts no parallel marker:
    // every contender does all of its work on the thread the frames time.
    GC_INIT();
    BoehmHeap heap{contender == "boehm_inc"};
    if (heap.incremental) {
      GC_enable_incremental();
      GC_set_time_limit(kBoehmTimeLimitMs);
    }
    runWorkload(heap, w, log);
    return true;
  });
}
