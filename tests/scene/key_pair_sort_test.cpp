#include "scene/key_pair_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace {

std::vector<std::int32_t> sortedIndices(const std::vector<float>& keys) {
  std::vector<KeyPair> pairs;
  for (std::size_t i = 0; i < keys.size(); ++i) pairs.push_back({static_cast<int>(i), keys[i]});
  sortKeyPairs(pairs.data(), static_cast<std::int32_t>(pairs.size()));
  std::vector<std::int32_t> indices;
  for (const KeyPair& pair : pairs) indices.push_back(pair.index);
  return indices;
}

// The quicksort step by step, without shortcuts: the reference the shipped
// sort must match pair for pair.
void referenceSort(std::vector<KeyPair>& pairs, std::int32_t lo, std::int32_t hi) {
  while (lo < hi - 1) {
    const std::int32_t mid = (lo + hi) / 2;
    const float pivot = pairs[mid].key;
    std::int32_t i = lo, j = hi;
    while (i < j) {
      if (!(pairs[i].key > pivot)) {
        ++i;
      } else if (!(pairs[j - 1].key >= pivot)) {
        std::swap(pairs[i++], pairs[--j]);
      } else {
        --j;
      }
    }
    const std::int32_t p = mid < i ? i - 1 : i;
    std::swap(pairs[mid], pairs[p]);
    referenceSort(pairs, lo, p);
    lo = p + 1;
  }
}

}  // namespace

TEST(KeyPairSort, WorkedOrdersIncludingEqualKeys) {
  EXPECT_EQ(sortedIndices({3, 1, 2}), (std::vector<std::int32_t>{1, 2, 0}));
  EXPECT_EQ(sortedIndices({5, 5, 5}), (std::vector<std::int32_t>{0, 2, 1}));
  EXPECT_EQ(sortedIndices({1, 1, 0}), (std::vector<std::int32_t>{2, 0, 1}));
  EXPECT_EQ(sortedIndices({0, 0, 1, 1}), (std::vector<std::int32_t>{0, 1, 3, 2}));
  EXPECT_EQ(sortedIndices({7}), (std::vector<std::int32_t>{0}));
  EXPECT_TRUE(sortedIndices({}).empty());
  // 300,000 faces of one material: the plain recursion would nest once per face.
  std::vector<std::int32_t> many = sortedIndices(std::vector<float>(300000, 2.0f));
  std::sort(many.begin(), many.end());
  EXPECT_TRUE(many.front() == 0 && many.back() == 299999 &&
              std::adjacent_find(many.begin(), many.end()) == many.end());
}

TEST(KeyPairSort, MatchesTheStepByStepQuicksortOnDuplicatesRunsAndNaNs) {
  std::mt19937 random(1234);
  for (int round = 0; round < 600; ++round) {
    const int count = static_cast<int>(random() % 400);
    const int distinct = 1 + static_cast<int>(random() % 6);
    std::vector<KeyPair> pairs;
    float key = 0.0f;
    for (int i = 0; i < count; ++i) {
      if (round % 4 == 0) {  // scattered keys, a few not numbers
        key = random() % 23 == 0 ? std::numeric_limits<float>::quiet_NaN()
                                 : static_cast<float>(random() % distinct);
      } else if (round % 4 == 1) {  // runs of one key, as faces come grouped by object
        if (random() % 40 == 0) key = static_cast<float>(random() % distinct);
      } else {  // ascending or descending with repeats
        key = static_cast<float>((round % 4 == 2 ? i : count - i) / (1 + distinct));
      }
      pairs.push_back({i, key});
    }
    std::vector<KeyPair> expected = pairs;
    referenceSort(expected, 0, count);
    sortKeyPairs(pairs.data(), count);
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(pairs[i].index, expected[i].index) << "round " << round << " position " << i;
    }
  }
}
