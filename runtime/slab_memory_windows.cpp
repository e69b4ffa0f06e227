// Slabs on Windows: twice the slab's size of address space is reserved and
// the part of it aligned to the slab's size is committed, so every slab is
// aligned without a race for the address. The other half is address space
// only; it never takes memory.
#include <windows.h>

#include <cstdint>

#include "runtime/slab_memory.h"

char* gc_slab_alloc(size_t bytes) {
  void* region = VirtualAlloc(nullptr, bytes * 2, MEM_RESERVE, PAGE_NOACCESS);
  if (!region) return nullptr;
  uintptr_t aligned = (reinterpret_cast<uintptr_t>(region) + bytes - 1) & ~(uintptr_t{bytes} - 1);
  void* slab = VirtualAlloc(reinterpret_cast<void*>(aligned), bytes, MEM_COMMIT, PAGE_READWRITE);
  if (!slab) VirtualFree(region, 0, MEM_RELEASE);
  return static_cast<char*>(slab);
}
