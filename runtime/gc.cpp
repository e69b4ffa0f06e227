// The incremental collector: four circular lists of listed blocks, a toggling
// mark bit, lazy destruction of dead objects paid for by later allocations,
// slabs of small blocks swept in address order, and a small-block cache.
// Collection work happens only in gc_collect and allocations, between host
// events, so there is no stack scanning: roots are registered globals.
#include "runtime/gc.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <vector>

#include "runtime/errors.h"
#include "runtime/slab_memory.h"
#include "runtime/string.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

// Each list head is a sentinel that starts out pointing at itself, so the
// collector works even for objects made while statics are initialised.
gc_node gc_queued_list{&gc_queued_list, &gc_queued_list, {kGcStaticFlags, 0}};
gc_node gc_unmarked_list{&gc_unmarked_list, &gc_unmarked_list, {kGcStaticFlags, 0}};
gc_node gc_marked_list{&gc_marked_list, &gc_marked_list, {kGcStaticFlags, 0}};
gc_node gc_free_list{&gc_free_list, &gc_free_list, {kGcStaticFlags, 0}};
int gc_markbit = 0;
unsigned gc_cycle = 0;
int gc_cycle_bytes = kGcCycleBytes;
long long gc_new_bytes = 0;
std::atomic<long long> gc_ext_new_bytes{0};
std::atomic<long long> gc_string_alloced_bytes{0}, gc_string_freed_bytes{0};
long long gc_alloced_bytes = 0, gc_max_alloced_bytes = 0, gc_marked_bytes = 0, gc_free_bytes = 0;

namespace {

// Small blocks are carved from 2 MiB slabs, which are never given back (a
// recycled block stays a block of its size for the program's life). Plain
// blocks have slabs of their own, which the sweep reads in address order;
// small listed blocks are carved from others, which nothing reads. Under
// AddressSanitizer every block is followed by a poisoned gap, and recycled
// blocks are poisoned behind their chain link, so overruns and stale uses
// are caught.
constexpr size_t kSlabBytes = 2 << 20;
#if defined(__SANITIZE_ADDRESS__)
constexpr int kBlockGap = 16;
void poison(void* p, size_t n) { ASAN_POISON_MEMORY_REGION(p, n); }
void unpoison(void* p, size_t n) { ASAN_UNPOISON_MEMORY_REGION(p, n); }
#else
constexpr int kBlockGap = 0;
void poison(void*, size_t) {}
void unpoison(void*, size_t) {}
#endif

// A slab and how far it has been carved; blocks follow each other up to `end`.
struct Slab {
  char* begin;
  char* end;
};

// The head of each slab, at its aligned start, counts its plain blocks so the
// sweep can pass over a slab, or the rest of one, in which nothing is left to
// find: objects made together and still held (a level's worth, a long array's
// contents) fill whole slabs, and reading their headers one by one stalled the
// allocation that had to cross them. A count too high only costs reading.
struct SlabHead {
  int plainBytes;  // plain blocks in use: neither waiting on a chain nor found dead
  int foundBytes;  // plain bytes found in this cycle
  int deadBytes;   // dead plain bytes this sweep pass has still to find
};
constexpr int kSlabHeadBytes = (sizeof(SlabHead) + 7) & ~7;
inline SlabHead* slabHeadOf(const void* p) {
  return reinterpret_cast<SlabHead*>(reinterpret_cast<uintptr_t>(p) & ~(uintptr_t{kSlabBytes} - 1));
}
std::vector<Slab>& slabs() {
  static std::vector<Slab> s;
  return s;
}
std::vector<Slab>& listedSlabs() {
  static std::vector<Slab> s;
  return s;
}

// Recycled small blocks wait on chains by size / 8: plain ones linked through
// the word after their header (the sweep still reads their flags), listed
// ones through their node.
gc_header* plainChains[kGcCacheChains];
gc_node* listedChains[kGcCacheChains];
inline gc_header*& chainLink(gc_header* block) { return *reinterpret_cast<gc_header**>(block + 1); }

// Where the sweep stands: the slab it is in and the next header in it. Each
// cycle end starts a new pass from the first slab.
size_t sweepSlab = 0;
// How far ahead of its position the sweep has the next headers fetched: the
// hardware's own fetching stops at each page's end.
constexpr int kSweepAhead = 2048;
// The slab bytes one sweep run reads: a few dozen blocks.
constexpr int kSweepRun = 2048;
char* sweepAt = nullptr;

// Bytes of listed objects on the free list; the rest of gc_free_bytes is held
// by dead plain blocks the sweep has not reached yet.
long long freeListedBytes = 0;
// What allocations still owe the sweep, in bytes: below zero when blocks found
// while looking for a size were reclaimed ahead of need. Paying the debt and
// no more keeps the chains short, so a recycled block is still in the cache.
long long sweepOwed = 0;
// Bytes of plain blocks made or found this cycle, for the cycle end's split
// of the dead bytes between the free list and the sweep.
long long plainAllocedBytes = 0, plainMarkedBytes = 0;
// String memory made before the last step, and the lowest string memory
// alive since the cycle started: only growth above that low point counts
// towards the cycle's end.
long long stringAllocedLastStep = 0, stringBytesLow = 0;

inline bool isPlainBlock(int flags) {
  return (flags & kGcSizeMask) <= kGcSmallBlockMax && !(flags & kGcNeedsDestroy);
}

// A block of a plain slab that was neither made nor found in this cycle or
// the last is dead (plain slabs hold nothing but plain blocks).
inline bool isDeadPlain(const gc_header* h) {
  return (h->flags & 3) != kGcFreeState && gc_cycle - h->cycle >= 2;
}

// A new block of `size` bytes from the last of `all`, or from a new slab.
char* carveSmallBlock(std::vector<Slab>& all, int size) {
  if (all.empty() || all.back().begin - kSlabHeadBytes + kSlabBytes - all.back().end < size + kBlockGap) {
    char* slab = gc_slab_alloc(kSlabBytes);
    if (!slab) return nullptr;
    poison(slab + kSlabHeadBytes, kSlabBytes - kSlabHeadBytes);
    ::new (slab) SlabHead{0, 0, 0};
    all.push_back({slab + kSlabHeadBytes, slab + kSlabHeadBytes});
  }
  char* block = all.back().end;
  all.back().end += size + kBlockGap;
  unpoison(block, size);
  return block;
}

inline void pushOnChain(gc_header* block, int size) {
  block->flags = size | kGcFreeState;
  chainLink(block) = plainChains[size >> 3];
  plainChains[size >> 3] = block;
  poison(&chainLink(block) + 1, size - kGcHeaderBytes - sizeof(gc_header*));
}

// Sweeps on from the sweep's position through up to kSweepRun bytes of
// the slabs, putting every dead plain block it passes on its chain; false
// once the pass has found them all. Headers are read in address order, a
// run at a time in one tight loop, instead of by following links into cold
// memory; the blocks found are used while they are still in the cache.
bool sweepRun() {
  if (gc_free_bytes == freeListedBytes) {
    sweepOwed = 0;
    return false;
  }
  std::vector<Slab>& all = slabs();
  while (sweepSlab < all.size()) {
    SlabHead* head = slabHeadOf(all[sweepSlab].begin);
    char* slabEnd = all[sweepSlab].end;
    if (head->deadBytes > 0 && sweepAt < slabEnd) {
      char* end = slabEnd - sweepAt > kSweepRun ? sweepAt + kSweepRun : slabEnd;
      char* at = sweepAt;
      int found = 0;
      while (at < end) {
        __builtin_prefetch(at + kSweepAhead);
        gc_header* h = reinterpret_cast<gc_header*>(at);
        int size = h->flags & kGcSizeMask;
        at += size + kBlockGap;
        if (isDeadPlain(h)) {
          found += size;
          pushOnChain(h, size);
        }
      }
      sweepAt = at;
      gc_free_bytes -= found;
      sweepOwed -= found;
      head->deadBytes -= found;
      head->plainBytes -= found;
      if (found) return true;
      continue;
    }
    if (++sweepSlab < all.size()) sweepAt = all[sweepSlab].begin;
  }
  sweepOwed = 0;
  return false;
}

// Starts a pass: in each slab, the plain blocks not found in the cycle that
// has just ended are the dead ones.
void restartSweep() {
  for (const Slab& slab : slabs()) {
    SlabHead* head = slabHeadOf(slab.begin);
    head->deadBytes = head->plainBytes - head->foundBytes;
    head->foundBytes = 0;
  }
  sweepSlab = 0;
  sweepAt = slabs().empty() ? nullptr : slabs()[0].begin;
}

struct Root {
  void* slot;
  gc_root_fn read;
};
std::vector<Root>& roots() {
  static std::vector<Root> r;
  return r;
}

inline void unlink(gc_node* p) {
  p->pred->succ = p->succ;
  p->succ->pred = p->pred;
}
inline void appendTo(gc_node* list, gc_node* p) {
  p->pred = list->pred;
  p->succ = list;
  list->pred->succ = p;
  list->pred = p;
}
inline void makeEmpty(gc_node* list) { list->succ = list->pred = list; }
inline bool isEmpty(const gc_node* list) { return list->succ == list; }

// Moves the whole of `from` to the tail of `to`.
void spliceAll(gc_node* from, gc_node* to) {
  if (isEmpty(from)) return;
  gc_node* first = from->succ;
  gc_node* last = from->pred;
  first->pred = to->pred;
  to->pred->succ = first;
  last->succ = to;
  to->pred = last;
  makeEmpty(from);
}

// Returns a destroyed listed object's block: small blocks to their chain,
// others to the heap.
inline void releaseBlock(gc_node* block, int size) {
  gc_free_bytes -= size;
  freeListedBytes -= size;
  if (size <= kGcSmallBlockMax) {
    block->succ = listedChains[size >> 3];
    listedChains[size >> 3] = block;
    poison(block + 1, size - kGcNodeBytes);
  } else {
    std::free(block);
  }
}

// Destroys dead listed objects, oldest first, until the dead bytes are down
// to `floor` or the free list is empty. Only the front of the free list is
// ever removed, so the survivors' back links are left stale; the head's back
// link to the tail is all a splice needs.
void destroyListedDownTo(long long floor) {
  while (gc_free_bytes > floor && !isEmpty(&gc_free_list)) {
    gc_node* dead = gc_free_list.succ;
    gc_node* next = dead->succ;
    gc_free_list.succ = next;
    if (next == &gc_free_list) gc_free_list.pred = &gc_free_list;
    else __builtin_prefetch(next->succ, 1);
    int flags = dead->header.flags;
    if (flags & kGcNeedsDestroy) gc_object_of(&dead->header)->gc_destroy();
    releaseBlock(dead, flags & kGcSizeMask);
  }
}

// Reclaims dead objects until at least `size` of their bytes (or all of them)
// have been reclaimed: listed objects first, with their destructors; what
// they leave owing is paid by the sweep's plain blocks.
void payFor(int size) {
  long long floor = gc_free_bytes - size > 0 ? gc_free_bytes - size : 0;
  if (!isEmpty(&gc_free_list)) destroyListedDownTo(floor);
  if (gc_free_bytes > floor) {
    sweepOwed += gc_free_bytes - floor;
    while (sweepOwed > 0 && sweepRun()) {
    }
  }
}

// The next block on a chain is fetched as one is taken: the allocation
// after this one writes it.
inline gc_header* popChain(int size) {
  gc_header* block = plainChains[size >> 3];
  if (block) {
    unpoison(block, size);
    gc_header* next = chainLink(block);
    plainChains[size >> 3] = next;
    __builtin_prefetch(next, 1);
  }
  return block;
}

// A plain block of `size` bytes: from its chain, else from the sweep's next
// runs, else newly carved.
inline gc_header* plainBlock(int size) {
  if (gc_header* block = popChain(size)) return block;
  while (sweepRun())
    if (gc_header* block = popChain(size)) return block;
  return reinterpret_cast<gc_header*>(carveSmallBlock(slabs(), size));
}

// A listed block of `size` bytes: small ones from their chain or newly
// carved, others from the heap, all zero when `zero` is set.
gc_node* listedBlock(int size, bool zero) {
  if (size > kGcSmallBlockMax) return static_cast<gc_node*>(zero ? std::calloc(1, size) : std::malloc(size));
  gc_node* block = listedChains[size >> 3];
  if (!block) return reinterpret_cast<gc_node*>(carveSmallBlock(listedSlabs(), size));
  unpoison(block, size);
  listedChains[size >> 3] = block->succ;
  return block;
}

// Moves a block that has just been found to the marked side: listed blocks
// leave their list, plain ones only record the cycle.
inline void noteFound(gc_header* h) {
  h->cycle = gc_cycle;
  if (isPlainBlock(h->flags)) slabHeadOf(h)->foundBytes += h->flags & kGcSizeMask;
  else unlink(gc_node_of(h));
}

// Counts a block as traced; listed blocks go to the tail of the marked list.
inline void noteTraced(gc_header* h) {
  int size = h->flags & kGcSizeMask;
  gc_marked_bytes += size;
  if (isPlainBlock(h->flags)) plainMarkedBytes += size;
  else appendTo(&gc_marked_list, gc_node_of(h));
}

// Where tracing resumes in the big block at the head of the queue, and how
// many of its bytes have been counted as marked so far.
int sliceFrom = 0;
int sliceCounted = 0;

// Traces the next slice of the big block at the head of the queue. The block
// stays at the head until its last slice, and counts as marked in proportion.
// An element stored into the part already traced meanwhile is queued by the
// write barrier, as it would be for any traced object.
void traceSlice(gc_node* p) {
  int size = p->header.flags & kGcSizeMask;
  int next = gc_object_of(&p->header)->gc_mark_from(sliceFrom);
  if (next) {
    int counted = std::min<long long>(static_cast<long long>(next) * sizeof(gc_object*), size - 1);
    gc_marked_bytes += counted - sliceCounted;
    sliceCounted = counted;
    sliceFrom = next;
    return;
  }
  unlink(p);
  appendTo(&gc_marked_list, p);
  gc_marked_bytes += size - sliceCounted;
  sliceFrom = sliceCounted = 0;
}

// Plain blocks found and waiting to be traced: a stack of their headers,
// which lets tracing fetch a few blocks ahead. It grows by doubling (a level
// built in one event finds millions) and keeps its size.
constexpr size_t kGreyFirst = 4096;
constexpr size_t kGreyAhead = 4;
gc_header** greyStack = nullptr;
size_t greyCount = 0, greyCapacity = 0;

void pushGrey(gc_header* h) {
  if (greyCount == greyCapacity) {
    size_t capacity = greyCapacity ? greyCapacity * 2 : kGreyFirst;
    void* grown = std::realloc(greyStack, capacity * sizeof(gc_header*));
    if (!grown) gc_out_of_memory();
    greyStack = static_cast<gc_header**>(grown);
    greyCapacity = capacity;
  }
  greyStack[greyCount++] = h;
}

// Traces queued objects until `target` bytes have been marked (or nothing is
// left queued): plain blocks from the stack first, then the listed queue,
// whose next object is fetched while this one is traced.
void drainQueue(long long target) {
  while (gc_marked_bytes < target) {
    if (greyCount) {
      gc_header* p = greyStack[--greyCount];
      if (greyCount >= kGreyAhead) __builtin_prefetch(greyStack[greyCount - kGreyAhead], 1);
      int size = p->flags & kGcSizeMask;
      gc_marked_bytes += size;
      plainMarkedBytes += size;
      gc_object_of(p)->mark();
      continue;
    }
    if (isEmpty(&gc_queued_list)) return;
    gc_node* p = gc_queued_list.succ;
    if ((p->header.flags & kGcSizeMask) > kGcTraceWholeMax) {
      traceSlice(p);
      continue;
    }
    gc_node* next = p->succ;
    __builtin_prefetch(next, 1);
    gc_queued_list.succ = next;
    next->pred = &gc_queued_list;
    noteTraced(&p->header);
    gc_object_of(&p->header)->mark();
  }
}

}  // namespace

String Object::debug() { return String("+Object\n"); }

// The lists start empty by constant initialisation, before any code runs, so
// there is nothing left to prepare: emptying them here once lost every object
// a static initialiser or a test had made before the call, while the byte
// counts still held them, and a later store could relink a lost block into
// a list through its stale neighbours.
void gc_init() {}

void gc_out_of_memory() { vxError("Out of memory"); }

// A plain block is its header and the object; any other also has its links.
// Which it is follows from the flags: a block without destructor work is
// plain if the object fits a small block with the header alone, and one too
// big for that is too big for a small block with links too.
namespace {
// A block for an object of `objectBytes` bytes, of the colour given, with
// the object's bytes zero when `zero` is set.
inline void* allocate(size_t objectBytes, int destroyFlag, gc_colour colour, bool zero) {
  if (objectBytes > kGcBlockMax - kGcNodeBytes) gc_out_of_memory();
  bool plain = !destroyFlag && objectBytes + kGcHeaderBytes <= kGcSmallBlockMax;
  int size = static_cast<int>((objectBytes + (plain ? kGcHeaderBytes : kGcNodeBytes) + 7) & ~size_t(7));
  gc_new_bytes += size;
  if (gc_free_bytes > 0) payFor(size);

  bool black = colour == gc_colour::black;
  gc_header* block;
  if (plain) {
    block = plainBlock(size);
    if (!block) gc_out_of_memory();
    plainAllocedBytes += size;
    SlabHead* head = slabHeadOf(block);
    head->plainBytes += size;
    if (black) {
      head->foundBytes += size;
      plainMarkedBytes += size;
    }
  } else {
    gc_node* node = listedBlock(size, zero);
    if (!node) gc_out_of_memory();
    appendTo(black ? &gc_marked_list : &gc_unmarked_list, node);
    block = &node->header;
  }
  // A black block is found and traced in this cycle, as if the barrier had
  // queued it and the queue had been worked off.
  block->flags = size | destroyFlag | (black ? gc_markbit ^ 1 : gc_markbit);
  block->cycle = black ? gc_cycle : gc_cycle - 1;
  if (black) gc_marked_bytes += size;
  gc_alloced_bytes += size;
  if (gc_alloced_bytes > gc_max_alloced_bytes) gc_max_alloced_bytes = gc_alloced_bytes;
  if (zero && size <= kGcSmallBlockMax) std::memset(static_cast<void*>(gc_object_of(block)), 0, objectBytes);
  return gc_object_of(block);
}
}  // namespace

void* gc_object_alloc(size_t objectBytes, int destroyFlag, gc_colour colour) {
  return allocate(objectBytes, destroyFlag, colour, false);
}

void* gc_array_alloc(size_t objectBytes, int destroyFlag) {
  return allocate(objectBytes, destroyFlag, gc_colour::white, true);
}

void gc_mark(gc_object* p) {
  if (!p || !gc_is_unmarked(p)) return;
  gc_header* h = gc_header_of(p);
  // A big block waits in the queue to be traced in slices.
  if ((h->flags & kGcSizeMask) > kGcTraceWholeMax) {
    gc_enqueue_unmarked(h);
    return;
  }
  h->flags ^= 1;
  noteFound(h);
  noteTraced(h);
  p->mark();
}

void gc_enqueue_unmarked(gc_header* h) {
  h->flags ^= 1;
  noteFound(h);
  if (isPlainBlock(h->flags)) pushGrey(h);
  else appendTo(&gc_queued_list, gc_node_of(h));
}

bool gc_queue_empty() { return greyCount == 0 && isEmpty(&gc_queued_list); }

void gc_add_root_slot(void* slot, gc_root_fn read) {
  roots().push_back({slot, read});
  gc_enqueue(read(slot));
}

void gc_mark() {
  for (const Root& r : roots()) gc_enqueue(r.read(r.slot));
}

namespace {
// Dead objects (arrays of strings, mostly) give their strings back only when
// destroyed, and allocations destroy them no faster than collected bytes are
// made: string memory made since the last step is paid for at once with as
// many bytes of dead objects, so that string garbage does not pile up behind
// them. Returns the string memory left alive.
long long payForStrings() {
  long long made = gc_string_alloced_bytes.load(std::memory_order_relaxed);
  long long owed = made - stringAllocedLastStep;
  stringAllocedLastStep = made;
  if (owed > 0 && gc_free_bytes > 0) destroyListedDownTo(owed < gc_free_bytes ? gc_free_bytes - owed : 0);
  long long strings = gc_string_bytes();
  if (strings < stringBytesLow) stringBytesLow = strings;
  return strings;
}
}  // namespace

void gc_collect() {
  long long strings = payForStrings();
  // How far the cycle has come: collected bytes made, bytes loaded outside,
  // and string memory grown since its low point in this cycle.
  long long growth = strings - stringBytesLow;
  long long progress = gc_new_bytes + gc_ext_new_bytes.load() + growth;
  // Strings are not traced, so while the traced heap is small, a cycle ended
  // early for their sake costs little and frees the strings dead objects hold
  // sooner: string growth alone ends a cycle once it passes the heap the
  // cycle started with (and at least kGcStringCycleBytes). The larger of the
  // two shares sets the pace.
  long long heapAtStart = gc_alloced_bytes - gc_new_bytes;
  double stringShare = static_cast<double>(growth) / std::max<long long>(kGcStringCycleBytes, heapAtStart);
  double share = std::max(static_cast<double>(progress) / gc_cycle_bytes, stringShare);
  if (share > 1) {
    // The cycle ends once its queue is worked off. A queue left long (a big
    // allocation moves the pace on by its whole size at once) is worked off
    // a step's worth at a time over the next steps, unless the cycle has
    // run to twice its length: then all of it at once, so that a mutator
    // that outpaces the steps still sees its cycles end.
    if (share <= 2) {
      drainQueue(gc_marked_bytes + kGcStepMaxBytes);
      if (!gc_queue_empty()) return;
    }
    gc_ext_new_bytes.fetch_sub(gc_ext_new_bytes.load());
    stringBytesLow = strings;
    drainQueue(INT64_MAX);
    long long dead = gc_alloced_bytes - gc_marked_bytes;
    if (dead) {
      spliceAll(&gc_unmarked_list, &gc_free_list);
      gc_free_bytes += dead;
      freeListedBytes += dead - (plainAllocedBytes - plainMarkedBytes);
    }
    makeEmpty(&gc_unmarked_list);
    spliceAll(&gc_marked_list, &gc_unmarked_list);
    // Objects made in the cycle and stored were kept by the barrier, dead or
    // not: only the survivors of the heap the cycle started with count as
    // live, or each cycle's garbage would lengthen the next.
    long long liveCycle = (gc_marked_bytes - gc_new_bytes) / kGcCycleLiveDivisor;
    gc_cycle_bytes = static_cast<int>(std::clamp<long long>(liveCycle, kGcCycleBytes, INT_MAX));
    gc_alloced_bytes = gc_marked_bytes;
    gc_marked_bytes = 0;
    plainAllocedBytes = plainMarkedBytes;
    plainMarkedBytes = 0;
    gc_markbit ^= 1;
    ++gc_cycle;
    restartSweep();
    sweepOwed = 0;
    gc_mark();
    gc_new_bytes = 0;
    return;
  }
  // The heap found at the cycle's start is traced in step with the cycle's
  // progress, and everything made since in full.
  long long target = gc_new_bytes + std::max((heapAtStart * progress) / gc_cycle_bytes,
                                             static_cast<long long>(heapAtStart * stringShare));
  drainQueue(std::min(target, gc_marked_bytes + kGcStepMaxBytes));
}

bool gc_is_live_object(const void* p) {
  if (!p) return false;
  for (gc_node* list : {&gc_queued_list, &gc_unmarked_list, &gc_marked_list}) {
    for (gc_node* q = list->succ; q != list; q = q->succ)
      if (gc_object_of(&q->header) == p) return true;
  }
  // Plain blocks are found by walking their slab from its start.
  for (const Slab& slab : slabs()) {
    if (p < slab.begin || p >= slab.end) continue;
    for (char* at = slab.begin; at < slab.end;) {
      gc_header* h = reinterpret_cast<gc_header*>(at);
      if (gc_object_of(h) == p)
        return (h->flags & 3) != kGcFreeState && !isDeadPlain(h);
      at += (h->flags & kGcSizeMask) + kBlockGap;
    }
  }
  return false;
}

void gc_array_out_of_range() { vxError("Array index out of range"); }
