// The incremental collector: four circular lists, a toggling mark bit, lazy
// destruction of dead objects paid for by later allocations, and a small-block
// cache. Collection work happens only in gc_collect, between host events, so
// there is no stack scanning: roots are registered module globals.
#include "runtime/gc.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/errors.h"
#include "runtime/string.h"

gc_object gc_queued_list{gc_static}, gc_unmarked_list{gc_static}, gc_marked_list{gc_static},
    gc_free_list{gc_static};
int gc_markbit = 0;
int gc_new_bytes = 0;
std::atomic<int> gc_ext_new_bytes{0};
int gc_alloced_bytes = 0, gc_max_alloced_bytes = 0, gc_marked_bytes = 0, gc_free_bytes = 0;
gc_object* gc_cache[kGcCacheChains];

namespace {

// Field offsets inside a block, for reading a block whose object has ended.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
constexpr size_t kFlagsOffset = offsetof(gc_object, flags);
constexpr size_t kSuccOffset = offsetof(gc_object, succ);
#pragma GCC diagnostic pop

// The size of the block most recently handed out; its constructor reads it.
int pendingSize = 0;

struct Root {
  void* slot;
  gc_root_fn read;
};
std::vector<Root>& roots() {
  static std::vector<Root> r;
  return r;
}

inline void unlink(gc_object* p) {
  p->pred->succ = p->succ;
  p->succ->pred = p->pred;
}
inline void appendTo(gc_object* list, gc_object* p) {
  p->pred = list->pred;
  p->succ = list;
  list->pred->succ = p;
  list->pred = p;
}
inline void makeEmpty(gc_object* list) { list->succ = list->pred = list; }
inline bool isEmpty(const gc_object* list) { return list->succ == list; }

// Moves the whole of `from` to the tail of `to`.
void spliceAll(gc_object* from, gc_object* to) {
  if (isEmpty(from)) return;
  gc_object* first = from->succ;
  gc_object* last = from->pred;
  first->pred = to->pred;
  to->pred->succ = first;
  last->succ = to;
  to->pred = last;
  makeEmpty(from);
}

// Returns a dead object's block: small blocks to their cache chain, others to the heap.
void releaseBlock(void* block, int size) {
  gc_free_bytes -= size;
  if (size <= kGcSmallBlockMax) {
    gc_object* p = static_cast<gc_object*>(block);
    std::memcpy(reinterpret_cast<char*>(p) + kSuccOffset, &gc_cache[size >> 3], sizeof(gc_object*));
    gc_cache[size >> 3] = p;
  } else {
    std::free(block);
  }
}

// Traces queued objects until `target` bytes have been marked (or the queue is empty).
void drainQueue(long long target) {
  while (gc_marked_bytes < target && !isEmpty(&gc_queued_list)) {
    gc_object* p = gc_queued_list.succ;
    unlink(p);
    appendTo(&gc_marked_list, p);
    gc_marked_bytes += p->gc_size();
    p->mark();
  }
}

}  // namespace

gc_object::gc_object() {
  flags = pendingSize | gc_markbit;
  appendTo(&gc_unmarked_list, this);
}

String Object::debug() { return String("+Object\n"); }

void gc_init() {
  makeEmpty(&gc_queued_list);
  makeEmpty(&gc_unmarked_list);
  makeEmpty(&gc_marked_list);
  makeEmpty(&gc_free_list);
  for (auto& chain : gc_cache) chain = nullptr;
}

void* gc_object_alloc(int size) {
  if (gc_free_list.succ == nullptr) gc_init();
  size = (size + 7) & ~7;
  gc_new_bytes += size;

  // Pay for the block by destroying at least as many dead bytes, oldest first.
  int floor = gc_free_bytes - size > 0 ? gc_free_bytes - size : 0;
  while (gc_free_bytes > floor && !isEmpty(&gc_free_list)) {
    gc_object* dead = gc_free_list.succ;
    unlink(dead);
    int deadSize = dead->gc_size();  // read before the destructor ends the object's life
    dead->~gc_object();
    releaseBlock(dead, deadSize);
  }

  void* block;
  if (size <= kGcSmallBlockMax && gc_cache[size >> 3]) {
    block = gc_cache[size >> 3];
    std::memcpy(&gc_cache[size >> 3], static_cast<char*>(block) + kSuccOffset, sizeof(gc_object*));
  } else {
    block = std::malloc(size);
    if (!block) vxError("Out of memory");
  }
  pendingSize = size;
  gc_alloced_bytes += size;
  if (gc_alloced_bytes > gc_max_alloced_bytes) gc_max_alloced_bytes = gc_alloced_bytes;
  return block;
}

// Reached from a deleting destructor, after the class destructor: the size
// is read from the raw block, since the object no longer exists as one.
void gc_object_free(gc_object* p) {
  int flags;
  std::memcpy(&flags, reinterpret_cast<char*>(p) + kFlagsOffset, sizeof flags);
  releaseBlock(p, flags & ~7);
}

void gc_mark(gc_object* p) {
  if (!p || !gc_is_unmarked(p)) return;
  p->flags ^= 1;
  gc_marked_bytes += p->gc_size();
  unlink(p);
  appendTo(&gc_marked_list, p);
  p->mark();
}

void gc_enqueue(gc_object* p) {
  if (!p || !gc_is_unmarked(p)) return;
  p->flags ^= 1;
  unlink(p);
  appendTo(&gc_queued_list, p);
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
  if (!p || gc_free_list.succ == nullptr) return false;
  for (gc_object* list : {&gc_queued_list, &gc_unmarked_list, &gc_marked_list}) {
    for (gc_object* q = list->succ; q != list; q = q->succ)
      if (q == p) return true;
  }
  return false;
}

void gc_array_out_of_range() { vxError("Array index out of range"); }
