#pragma once
// The quicksort shared by the key-pair sort and the normal merge. Its pivot
// (the middle element) and its partition (equal elements are never moved)
// fix the final order of equal keys, which decides the drawing order of
// same-material faces and equally deep transparent faces.
//
// Traits supplies:
//   Key keyOf(const Item&)
//   bool notAbove(const Item&, const Key& pivot)  passed over from the left
//   bool below(const Item&, const Key& pivot)     swapped in from the right
//   bool covers(const Key& pivot, const Key& bound)
//     every item that is notAbove bound is also notAbove pivot

#include <cstdint>
#include <optional>
#include <utility>

namespace scene_sort {

template <typename Traits, typename Item, typename Key>
std::int32_t partitionRange(Item* items, std::int32_t lo, std::int32_t hi, const Key& pivot) {
  std::int32_t i = lo;
  std::int32_t j = hi;
  while (i < j) {
    if (Traits::notAbove(items[i], pivot)) {
      ++i;
    } else if (Traits::below(items[j - 1], pivot)) {
      std::swap(items[i], items[j - 1]);
      ++i;
      --j;
    } else {
      --j;
    }
  }
  return i;
}

// Sorts [lo, hi). `bound`, when known, is a key that no item of the range is
// above. A range whose pivot covers its bound partitions to its end without a
// swap, so that scan is skipped: long runs of equal keys (thousands of faces
// of one material) then cost linear time instead of quadratic. The smaller
// part is sorted by recursion and the larger by the loop, which keeps the
// stack shallow; the parts are disjoint, so the result is the same.
template <typename Traits, typename Item, typename Key>
void sortRange(Item* items, std::int32_t lo, std::int32_t hi, std::optional<Key> bound) {
  while (lo < hi - 1) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    const Key pivot = Traits::keyOf(items[mid]);
    std::int32_t p =
        bound && Traits::covers(pivot, *bound) ? hi : partitionRange<Traits>(items, lo, hi, pivot);
    if (mid < p) --p;
    std::swap(items[mid], items[p]);
    if (p - lo <= hi - p - 1) {
      sortRange<Traits, Item, Key>(items, lo, p, pivot);
      lo = p + 1;
    } else {
      sortRange<Traits, Item, Key>(items, p + 1, hi, bound);
      hi = p;
      bound = pivot;
    }
  }
}

template <typename Traits, typename Item>
void quickSort(Item* items, std::int32_t count) {
  using Key = decltype(Traits::keyOf(*items));
  if (items == nullptr || count < 2) return;
  sortRange<Traits, Item, Key>(items, 0, count, std::nullopt);
}

}  // namespace scene_sort
