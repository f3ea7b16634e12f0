#include "scene/key_pair_sort.h"

#include "scene/quicksort.h"

namespace {

// A key that is not a number is passed over on the left and counts as
// smaller on the right, so the sort still ends.
struct KeyPairOrder {
  static float keyOf(const KeyPair& pair) { return pair.key; }
  static bool notAbove(const KeyPair& pair, float pivot) { return !(pair.key > pivot); }
  static bool below(const KeyPair& pair, float pivot) { return !(pair.key >= pivot); }
  static bool atOrAbove(float pivot, float ceiling) { return pivot >= ceiling; }
  static bool atOrBelow(float pivot, float floor) { return pivot <= floor; }
};

}  // namespace

void sortKeyPairs(KeyPair* pairs, std::int32_t count) {
  scene_sort::quickSort<KeyPairOrder>(pairs, count);
}
