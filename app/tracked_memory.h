#pragma once
// The tracked allocator: every heap block of the program comes from here, so
// the bytes in use (PCMEM) and their peak can be shown and reported. The
// counters add and subtract the heap's usable size of each block, asked from
// the heap at both ends, so an allocate/free pair leaves them unchanged.
// Running out of memory prints a verse and a reason and ends the process
// with status -1.

#include <cstddef>
#include <cstdint>

#include "scene/scene_types.h"

void* memAlloc(std::size_t size);
void* memRealloc(void* block, std::size_t size);
void memFree(void* block);

// Arrays of count records of recordSize bytes (none for a count below 1). A
// total beyond what a size_t holds is memory the heap cannot give: it ends
// the process as memAlloc and memRealloc do, never wrapping to a small block.
void* memAllocArray(std::int64_t count, std::size_t recordSize);
void* memReallocArray(void* block, std::int64_t count, std::size_t recordSize);

// One entry of the inverse of a key-pair permutation: the element's new
// position and its key.
struct InverseIndexEntry {
  std::int32_t newPosition;
  float key;
};

// Allocates (as memAlloc) a table of count entries where entry pairs[i].index
// receives (i, pairs[i].key). The caller releases it with memFree.
InverseIndexEntry* memAllocInverseIndex(const KeyPair* pairs, std::int32_t count);

std::uint32_t getTotalMemAllocated();
std::uint32_t getTotalMemAllocatedMax();

// For tests: the heap's usable size of a block, as the counters see it.
std::size_t memBlockSize(const void* block);
