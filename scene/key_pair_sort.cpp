#include "scene/key_pair_sort.h"

#include "scene/quicksort.h"

void sortKeyPairs(KeyPair* pairs, std::int32_t count) {
  scene_sort::quickSort<KeyPairOrder>(pairs, count);
}
