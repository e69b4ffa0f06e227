// Memory for the collector's slabs of small blocks, from the platform.
#pragma once

#include <cstddef>

// A new slab of `bytes` bytes (a power of two) aligned to its own size, so
// the collector finds a slab's head from any block in it; null when the
// system has no memory for it.
char* gc_slab_alloc(size_t bytes);
