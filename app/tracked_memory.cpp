#include "app/tracked_memory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#if defined(__linux__)
#include <malloc.h>
#elif defined(__APPLE__)
#include <malloc/malloc.h>
#elif defined(_WIN32)
#include <malloc.h>
#endif

namespace {

std::uint32_t qxTotalMemAllocated = 0;
std::uint32_t qxTotalMemAllocated_MAX = 0;

void addToCounter(std::size_t blockSize) {
  qxTotalMemAllocated += static_cast<std::uint32_t>(blockSize);
  if (qxTotalMemAllocated >= qxTotalMemAllocated_MAX) qxTotalMemAllocated_MAX = qxTotalMemAllocated;
}

// Takes a non-const pointer: a const one would tell the compiler the fresh
// block's bytes are read.
std::size_t usableSize(void* block) {
  if (block == nullptr) return 0;
#if defined(__linux__)
  return malloc_usable_size(block);
#elif defined(__APPLE__)
  return malloc_size(block);
#elif defined(_WIN32)
  return _msize(block);
#else
#error "no way to ask the heap for a block's usable size"
#endif
}

constexpr const char* MALLOC_FAILED = "Couldn't malloc memory!";
constexpr const char* REALLOC_FAILED = "Couldn't realloc memory!";

[[noreturn]] void outOfMemory(const char* reason) {
  std::printf("The heap is bare, the blocks are gone,\n");
  std::printf("no byte is left to build upon;\n");
  std::printf("the scene must end before it's drawn.\n");
  std::printf("%s", reason);
  std::fflush(stdout);
  std::exit(-1);
}

// count * recordSize, or the reason when a size_t cannot hold it.
std::size_t arrayBytes(std::int64_t count, std::size_t recordSize, const char* reason) {
  const std::uint64_t records = count > 0 ? static_cast<std::uint64_t>(count) : 0;
  if (recordSize != 0 && records > SIZE_MAX / recordSize) outOfMemory(reason);
  return static_cast<std::size_t>(records) * recordSize;
}

}  // namespace

std::size_t memBlockSize(const void* block) { return usableSize(const_cast<void*>(block)); }

void* memAlloc(std::size_t size) {
  // A zero-byte request still yields a real block, so callers never see null.
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) outOfMemory(MALLOC_FAILED);
  addToCounter(usableSize(block));
  return block;
}

void* memRealloc(void* block, std::size_t size) {
  qxTotalMemAllocated -= static_cast<std::uint32_t>(usableSize(block));
  void* grown = std::realloc(block, size == 0 ? 1 : size);
  if (grown == nullptr) outOfMemory(REALLOC_FAILED);
  addToCounter(usableSize(grown));
  return grown;
}

void* memAllocArray(std::int64_t count, std::size_t recordSize) {
  return memAlloc(arrayBytes(count, recordSize, MALLOC_FAILED));
}

void* memReallocArray(void* block, std::int64_t count, std::size_t recordSize) {
  return memRealloc(block, arrayBytes(count, recordSize, REALLOC_FAILED));
}

void memFree(void* block) {
  if (block == nullptr) return;
  qxTotalMemAllocated -= static_cast<std::uint32_t>(usableSize(block));
  std::free(block);
}

InverseIndexEntry* memAllocInverseIndex(const KeyPair* pairs, std::int32_t count) {
  auto* table = static_cast<InverseIndexEntry*>(memAllocArray(count, sizeof(InverseIndexEntry)));
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t old = pairs[i].index;
    if (old >= 0 && old < count) table[old] = {i, pairs[i].key};
  }
  return table;
}

std::uint32_t getTotalMemAllocated() { return qxTotalMemAllocated; }
std::uint32_t getTotalMemAllocatedMax() { return qxTotalMemAllocated_MAX; }
