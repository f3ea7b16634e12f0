#pragma once
// Sorting of (index, key) pairs into ascending key order. The sort is not
// stable, but the order it gives equal keys is fixed: keys 0, 0, 0 with
// indices 0, 1, 2 come out as indices 0, 2, 1.

#include <cstdint>

#include "scene/scene_types.h"

void sortKeyPairs(KeyPair* pairs, std::int32_t count);
