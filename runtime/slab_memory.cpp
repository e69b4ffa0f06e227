// Slabs on Linux and the browser: aligned blocks from the C library, offered
// to the kernel as huge-page candidates (small blocks are touched in random
// order, and one TLB entry per slab spares most touches a page-table walk).
#include "runtime/slab_memory.h"

#include <sys/mman.h>

#include <cstdlib>

char* gc_slab_alloc(size_t bytes) {
  char* slab = static_cast<char*>(std::aligned_alloc(bytes, bytes));
  if (slab) madvise(slab, bytes, MADV_HUGEPAGE);
  return slab;
}
