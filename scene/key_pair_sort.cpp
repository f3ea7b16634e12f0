#include "scene/key_pair_sort.h"

#include "scene/quicksort.h"

namespace {

// A key that is not a number is passed over on the left and counts as
// smaller on the right, so the sort still ends.
struct KeyPairOrder {
  static float keyOf(const KeyPair& pair) { return pair.key; }
  static bool notAbove(const KeyPair& pair, float pivot) { return !(pair.key > pivot); }
  static bool below(const KeyPair& pair, float pivot) { return !(pair.key >= pivot); }
  static bool covers(float pivot, float bound) { return pivot >= bound; }
};

}  // namespace

void sortKeyPairs(KeyPair* pairs, std::int32_t count) {
  scene_sort::quickSort<KeyPairOrder>(pairs, count);
}
