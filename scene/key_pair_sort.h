#pragma once
// Sorting of (index, key) pairs into ascending key order. The sort is not
// stable, but the order it gives equal keys is fixed: keys 0, 0, 0 with
// indices 0, 1, 2 come out as indices 0, 2, 1.

#include <cstdint>

#include "scene/scene_types.h"

// The order sortKeyPairs sorts in, as the shared quicksort's traits. A key
// that is not a number is passed over on the left and counts as smaller on
// the right, so the sort still ends.
struct KeyPairOrder {
  static float keyOf(const KeyPair& pair) { return pair.key; }
  static bool notAbove(const KeyPair& pair, float pivot) { return !(pair.key > pivot); }
  static bool below(const KeyPair& pair, float pivot) { return !(pair.key >= pivot); }
  static bool atOrAbove(float pivot, float ceiling) { return pivot >= ceiling; }
  static bool atOrBelow(float pivot, float floor) { return pivot <= floor; }
};

void sortKeyPairs(KeyPair* pairs, std::int32_t count);
