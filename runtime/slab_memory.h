// Memory for the collector's slabs of small blocks, from the platform: each
// slab is `bytes` long (a power of two) and aligned to its own size, so that
// where the system offers huge pages one slab can sit in one of them.
#pragma once

#include <cstddef>

// A new slab, or null when the system has no memory for it.
char* gc_slab_alloc(size_t bytes);
