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
//
// A middle pivot can be made to be the largest item of its range again and
// again, so that each partition sets aside one item: a crafted file of
// distinct keys would take minutes. The sort spends a budget of scanned items
// far beyond what any other order needs, and past it finishes the ranges left
// by heapsort. Where the keys are distinct the result is the same either way.

#include <bit>
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

// Sifts items[root] down the heap of the range [lo, lo + size).
template <typename Traits, typename Item>
void siftDown(Item* items, std::int32_t lo, std::int32_t root, std::int32_t size) {
  while (true) {
    std::int32_t largest = root;
    // In 64 bits: a child's number may pass what an int32 holds.
    for (const std::int64_t child : {2 * std::int64_t{root} + 1, 2 * std::int64_t{root} + 2}) {
      if (child < size && Traits::below(items[lo + largest], Traits::keyOf(items[lo + child]))) {
        largest = static_cast<std::int32_t>(child);
      }
    }
    if (largest == root) return;
    std::swap(items[lo + root], items[lo + largest]);
    root = largest;
  }
}

// Sorts [lo, hi) in n log n steps whatever the order. Keys that compare as
// neither below nor above each other (equal, or not a number) end in an
// order of the heap's making, the same for the same input.
template <typename Traits, typename Item>
void heapSortRange(Item* items, std::int32_t lo, std::int32_t hi) {
  const std::int32_t size = hi - lo;
  for (std::int32_t root = size / 2 - 1; root >= 0; --root) siftDown<Traits>(items, lo, root, size);
  for (std::int32_t end = size - 1; end > 0; --end) {
    std::swap(items[lo], items[lo + end]);
    siftDown<Traits>(items, lo, 0, end);
  }
}

// Sorts [lo, hi). `ceiling`, when known, is a key no item of the range is
// above, and `floor` one no item is below. A pivot at or above the ceiling
// partitions to the range's end, and one at or below the floor stops at the
// first item above it, both without a swap; knowing that skips the scan, so
// long runs of equal keys (thousands of faces of one material) cost linear
// time instead of quadratic. The smaller part is sorted by recursion and the
// larger by the loop, which keeps the stack shallow; the parts are disjoint,
// so the result is the same in any order. `budget` is the items the
// partitions may still scan; once it is spent, heapsort sorts what is left.
template <typename Traits, typename Item, typename Key>
void sortRange(Item* items, std::int32_t lo, std::int32_t hi, std::optional<Key> ceiling,
               std::optional<Key> floor, std::int64_t& budget) {
  while (lo < hi - 1) {
    if (budget < 0) {
      heapSortRange<Traits>(items, lo, hi);
      return;
    }
    const std::int32_t mid = lo + (hi - lo) / 2;
    const Key pivot = Traits::keyOf(items[mid]);
    std::int32_t p;
    if (ceiling && Traits::atOrAbove(pivot, *ceiling)) {
      p = hi;
      budget -= 1;
    } else if (floor && Traits::atOrBelow(pivot, *floor)) {
      p = leadingRun<Traits>(items, lo, hi, pivot);
      budget -= p - lo + 1;
    } else {
      p = partitionRange<Traits>(items, lo, hi, pivot);
      budget -= hi - lo;
    }
    if (mid < p) --p;
    std::swap(items[mid], items[p]);
    // Nothing in [lo, p) is above the pivot and nothing in [p + 1, hi) below it.
    if (p - lo <= hi - p - 1) {
      sortRange<Traits, Item, Key>(items, lo, p, pivot, floor, budget);
      lo = p + 1;
      floor = pivot;
    } else {
      sortRange<Traits, Item, Key>(items, p + 1, hi, ceiling, pivot, budget);
      hi = p;
      ceiling = pivot;
    }
  }
}

template <typename Traits, typename Item>
void quickSort(Item* items, std::int32_t count) {
  using Key = decltype(Traits::keyOf(*items));
  if (items == nullptr || count < 2) return;
  // Random keys scan about 1.4 n log2 n items; runs of equal keys about n.
  std::int64_t budget = std::int64_t{16} * count * std::bit_width(static_cast<std::uint32_t>(count));
  sortRange<Traits, Item, Key>(items, 0, count, std::nullopt, std::nullopt, budget);
}

}  // namespace scene_sort
