// Slabs on Linux and in the browser: aligned blocks from the C library. They
// are not offered as huge-page candidates: where the kernel compacts memory
// on demand for such pages, the first touch of a slab stalled the frame that
// made it for several milliseconds, far more than the page walks it spared.
#include "runtime/slab_memory.h"

#include <cstdlib>

char* gc_slab_alloc(size_t bytes) { return static_cast<char*>(std::aligned_alloc(bytes, bytes)); }
