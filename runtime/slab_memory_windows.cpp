// Slabs on Windows: committed pages from VirtualAlloc, aligned to the slab's
// own size when the address space allows (a larger region is reserved, and
// the aligned part of it taken once the reservation is given back).
// Alignment only helps locality; the collector does not rely on it.
#include <windows.h>

#include <cstdint>

#include "runtime/slab_memory.h"

namespace {
// Another thread may take the freed reservation before it is taken again.
constexpr int kAlignedTries = 4;
}  // namespace

char* gc_slab_alloc(size_t bytes) {
  for (int i = 0; i < kAlignedTries; ++i) {
    void* region = VirtualAlloc(nullptr, bytes * 2, MEM_RESERVE, PAGE_NOACCESS);
    if (!region) break;
    uintptr_t aligned = (reinterpret_cast<uintptr_t>(region) + bytes - 1) & ~(uintptr_t{bytes} - 1);
    VirtualFree(region, 0, MEM_RELEASE);
    void* slab = VirtualAlloc(reinterpret_cast<void*>(aligned), bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (slab) return static_cast<char*>(slab);
  }
  return static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}
