#pragma once
// Typed arrays from the tracked allocator.

#include <cstddef>
#include <cstdint>

#include "app/tracked_memory.h"

template <typename T>
T* allocArray(std::int64_t count) {
  return static_cast<T*>(memAllocArray(count, sizeof(T)));
}

template <typename T>
T* reallocArray(T* block, std::int64_t count) {
  return static_cast<T*>(memReallocArray(block, count, sizeof(T)));
}
