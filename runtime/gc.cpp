// The incremental collector: four circular lists of block headers, a toggling
// mark bit, lazy destruction of dead objects paid for by later allocations,
// and a small-block cache. Collection work happens only in gc_collect, between
// host events, so there is no stack scanning: roots are registered globals.
#include "runtime/gc.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <vector>

#include "runtime/errors.h"
#include "runtime/string.h"

// Each list head is a sentinel that starts out pointing at itself, so the
// collector works even for objects made while statics are initialised.
gc_header gc_queued_list{&gc_queued_list, &gc_queued_list, kGcStaticFlags};
gc_header gc_unmarked_list{&gc_unmarked_list, &gc_unmarked_list, kGcStaticFlags};
gc_header gc_marked_list{&gc_marked_list, &gc_marked_list, kGcStaticFlags};
gc_header gc_free_list{&gc_free_list, &gc_free_list, kGcStaticFlags};
int gc_markbit = 0;
int gc_new_bytes = 0;
std::atomic<int> gc_ext_new_bytes{0};
int gc_alloced_bytes = 0, gc_max_alloced_bytes = 0, gc_marked_bytes = 0, gc_free_bytes = 0;
gc_header* gc_cache[kGcCacheChains];

namespace {

// Small blocks are carved from slabs the size of one huge page: dead and live
// objects are touched in random order, and one TLB entry per slab instead of
// one per 4 KiB page spares most of those touches a page-table walk. Under
// AddressSanitizer each block is its own heap block, so overruns are caught.
constexpr size_t kSlabBytes = 2 << 20;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUseSlabs = false;
#else
constexpr bool kUseSlabs = true;
#endif
char* slabNext = nullptr;
char* slabEnd = nullptr;

gc_header* newSmallBlock(int size) {
  if (!kUseSlabs) return static_cast<gc_header*>(std::malloc(size));
  if (slabEnd - slabNext < size) {
    void* slab = std::aligned_alloc(kSlabBytes, kSlabBytes);
    if (!slab) return nullptr;
    madvise(slab, kSlabBytes, MADV_HUGEPAGE);
    slabNext = static_cast<char*>(slab);
    slabEnd = slabNext + kSlabBytes;
  }
  gc_header* block = reinterpret_cast<gc_header*>(slabNext);
  slabNext += size;
  return block;
}

struct Root {
  void* slot;
  gc_root_fn read;
};
std::vector<Root>& roots() {
  static std::vector<Root> r;
  return r;
}

inline void unlink(gc_header* p) {
  p->pred->succ = p->succ;
  p->succ->pred = p->pred;
}
inline void appendTo(gc_header* list, gc_header* p) {
  p->pred = list->pred;
  p->succ = list;
  list->pred->succ = p;
  list->pred = p;
}
inline void makeEmpty(gc_header* list) { list->succ = list->pred = list; }
inline bool isEmpty(const gc_header* list) { return list->succ == list; }

// Moves the whole of `from` to the tail of `to`.
void spliceAll(gc_header* from, gc_header* to) {
  if (isEmpty(from)) return;
  gc_header* first = from->succ;
  gc_header* last = from->pred;
  first->pred = to->pred;
  to->pred->succ = first;
  last->succ = to;
  to->pred = last;
  makeEmpty(from);
}

// Returns a dead object's block: small blocks to their cache chain, others to the heap.
inline void releaseBlock(gc_header* block, int size) {
  gc_free_bytes -= size;
  if (size <= kGcSmallBlockMax) {
    block->succ = gc_cache[size >> 3];
    gc_cache[size >> 3] = block;
  } else {
    std::free(block);
  }
}

// Destroys dead objects, oldest first, until at least `size` of their bytes
// (or all of them) have been reclaimed. Dead blocks are cold: the one after
// next is fetched ahead, so the next allocation finds its victim in cache. Only
// the front of the free list is ever removed, so the survivors' back links
// are left stale; the head's back link to the tail is all a splice needs.
inline void payFor(int size) {
  int floor = gc_free_bytes - size > 0 ? gc_free_bytes - size : 0;
  while (gc_free_bytes > floor && !isEmpty(&gc_free_list)) {
    gc_header* dead = gc_free_list.succ;
    gc_header* next = dead->succ;
    gc_free_list.succ = next;
    if (next == &gc_free_list) gc_free_list.pred = &gc_free_list;
    else __builtin_prefetch(next->succ, 1);
    int flags = dead->flags;
    if (flags & kGcNeedsDestroy) gc_object_of(dead)->gc_destroy();
    releaseBlock(dead, flags & kGcSizeMask);
  }
}

// Traces queued objects until `target` bytes have been marked (or the queue
// is empty); the next queued object is fetched while this one is traced.
void drainQueue(long long target) {
  while (gc_marked_bytes < target && !isEmpty(&gc_queued_list)) {
    gc_header* p = gc_queued_list.succ;
    __builtin_prefetch(p->succ, 1);
    unlink(p);
    appendTo(&gc_marked_list, p);
    gc_marked_bytes += p->flags & kGcSizeMask;
    gc_object_of(p)->mark();
  }
}

}  // namespace

String Object::debug() { return String("+Object\n"); }

void gc_init() {
  makeEmpty(&gc_queued_list);
  makeEmpty(&gc_unmarked_list);
  makeEmpty(&gc_marked_list);
  makeEmpty(&gc_free_list);
  for (auto& chain : gc_cache) chain = nullptr;
}

void* gc_object_alloc(int size, int destroyFlag) {
  size = (size + kGcHeaderBytes + 7) & ~7;
  gc_new_bytes += size;
  payFor(size);

  gc_header* block;
  if (size > kGcSmallBlockMax) {
    block = static_cast<gc_header*>(std::malloc(size));
  } else if (gc_cache[size >> 3]) {
    block = gc_cache[size >> 3];
    gc_cache[size >> 3] = block->succ;
  } else {
    block = newSmallBlock(size);
  }
  if (!block) vxError("Out of memory");
  block->flags = size | destroyFlag | gc_markbit;
  gc_alloced_bytes += size;
  if (gc_alloced_bytes > gc_max_alloced_bytes) gc_max_alloced_bytes = gc_alloced_bytes;
  appendTo(&gc_unmarked_list, block);
  return gc_object_of(block);
}

void gc_mark(gc_object* p) {
  if (!p || !gc_is_unmarked(p)) return;
  gc_header* h = gc_header_of(p);
  h->flags ^= 1;
  gc_marked_bytes += h->flags & kGcSizeMask;
  unlink(h);
  appendTo(&gc_marked_list, h);
  p->mark();
}

void gc_enqueue_unmarked(gc_header* h) {
  h->flags ^= 1;
  unlink(h);
  appendTo(&gc_queued_list, h);
}

void gc_add_root_slot(void* slot, gc_root_fn read) { roots().push_back({slot, read}); }

void gc_mark() {
  for (const Root& r : roots()) gc_enqueue(r.read(r.slot));
}

void gc_collect() {
  if (gc_new_bytes + gc_ext_new_bytes.load() > kGcCycleBytes) {
    gc_ext_new_bytes.fetch_sub(gc_ext_new_bytes.load());
    drainQueue(INT64_MAX);
    if (gc_alloced_bytes != gc_marked_bytes) {
      spliceAll(&gc_unmarked_list, &gc_free_list);
      gc_free_bytes += gc_alloced_bytes - gc_marked_bytes;
    }
    makeEmpty(&gc_unmarked_list);
    spliceAll(&gc_marked_list, &gc_unmarked_list);
    gc_alloced_bytes = gc_marked_bytes;
    gc_marked_bytes = 0;
    gc_markbit ^= 1;
    gc_mark();
    gc_new_bytes = 0;
    return;
  }
  long long target = gc_new_bytes +
      (static_cast<long long>(gc_alloced_bytes - gc_new_bytes) * gc_new_bytes) / (1LL << kGcPaceShift);
  drainQueue(target);
}

bool gc_is_live_object(const void* p) {
  if (!p) return false;
  for (gc_header* list : {&gc_queued_list, &gc_unmarked_list, &gc_marked_list}) {
    for (gc_header* q = list->succ; q != list; q = q->succ)
      if (gc_object_of(q) == p) return true;
  }
  return false;
}

void gc_array_out_of_range() { vxError("Array index out of range"); }
