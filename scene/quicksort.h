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
//   bool atOrAbove(const Key& pivot, const Key& ceiling)
//     every item notAbove the ceiling is notAbove the pivot
//   bool atOrBelow(const Key& pivot, const Key& floor)
//     no item that is not below the floor is below the pivot

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

// The end of the leading run of items that are not above the pivot: what
// the partition returns, without a swap, when no item is below the pivot.
template <typename Traits, typename Item, typename Key>
std::int32_t leadingRun(const Item* items, std::int32_t lo, std::int32_t hi, const Key& pivot) {
  std::int32_t i = lo;
  while (i < hi && Traits::notAbove(items[i], pivot)) ++i;
  return i;
}

// Sorts [lo, hi). `ceiling`, when known, is a key no item of the range is
// above, and `floor` one no item is below. A pivot at or above the ceiling
// partitions to the range's end, and one at or below the floor stops at the
// first item above it, both without a swap; knowing that skips the scan, so
// long runs of equal keys (thousands of faces of one material) cost linear
// time instead of quadratic. The smaller part is sorted by recursion and the
// larger by the loop, which keeps the stack shallow; the parts are disjoint,
// so the result is the same in any order.
template <typename Traits, typename Item, typename Key>
void sortRange(Item* items, std::int32_t lo, std::int32_t hi, std::optional<Key> ceiling,
               std::optional<Key> floor) {
  while (lo < hi - 1) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    const Key pivot = Traits::keyOf(items[mid]);
    std::int32_t p;
    if (ceiling && Traits::atOrAbove(pivot, *ceiling)) {
      p = hi;
    } else if (floor && Traits::atOrBelow(pivot, *floor)) {
      p = leadingRun<Traits>(items, lo, hi, pivot);
    } else {
      p = partitionRange<Traits>(items, lo, hi, pivot);
    }
    if (mid < p) --p;
    std::swap(items[mid], items[p]);
    // Nothing in [lo, p) is above the pivot and nothing in [p + 1, hi) below it.
    if (p - lo <= hi - p - 1) {
      sortRange<Traits, Item, Key>(items, lo, p, pivot, floor);
      lo = p + 1;
      floor = pivot;
    } else {
      sortRange<Traits, Item, Key>(items, p + 1, hi, ceiling, pivot);
      hi = p;
      ceiling = pivot;
    }
  }
}

template <typename Traits, typename Item>
void quickSort(Item* items, std::int32_t count) {
  using Key = decltype(Traits::keyOf(*items));
  if (items == nullptr || count < 2) return;
  sortRange<Traits, Item, Key>(items, 0, count, std::nullopt, std::nullopt);
}

}  // namespace scene_sort
