#include "scene/key_pair_sort.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace {

std::vector<std::int32_t> sortedIndices(const std::vector<float>& keys) {
  std::vector<KeyPair> pairs;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    pairs.push_back({static_cast<std::int32_t>(i), keys[i]});
  }
  sortKeyPairs(pairs.data(), static_cast<std::int32_t>(pairs.size()));
  std::vector<std::int32_t> indices;
  for (const KeyPair& pair : pairs) indices.push_back(pair.index);
  return indices;
}

// The quicksort exactly as described step by step, with no shortcuts: the
// reference the shipped sort must match pair for pair.
void referenceSort(std::vector<KeyPair>& pairs, std::int32_t lo, std::int32_t hi) {
  while (lo < hi - 1) {
    const std::int32_t mid = (lo + hi) / 2;
    const float pivot = pairs[mid].key;
    std::int32_t i = lo, j = hi;
    while (i < j) {
      if (!(pairs[i].key > pivot)) {
        ++i;
      } else if (!(pairs[j - 1].key >= pivot)) {
        std::swap(pairs[i], pairs[j - 1]);
        ++i;
        --j;
      } else {
        --j;
      }
    }
    std::int32_t p = i;
    if (mid < p) --p;
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

  KeyPair untouched{4, 9.0f};
  sortKeyPairs(&untouched, 0);
  EXPECT_EQ(untouched.index, 4);
}

TEST(KeyPairSort, MatchesTheStepByStepQuicksortOnDuplicatesRunsAndNaNs) {
  std::mt19937 random(1234);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (int round = 0; round < 600; ++round) {
    const int count = static_cast<int>(random() % 400);
    const int distinct = 1 + static_cast<int>(random() % 6);
    std::vector<KeyPair> pairs;
    float key = 0.0f;
    for (int i = 0; i < count; ++i) {
      switch (round % 4) {
        case 0:  // scattered few keys, some not numbers
          key = random() % 23 == 0 ? nan : static_cast<float>(random() % distinct);
          break;
        case 1:  // runs of one key, as faces come grouped by object
          if (random() % 40 == 0) key = static_cast<float>(random() % distinct);
          break;
        case 2:  // ascending with repeats
          key = static_cast<float>(i / (1 + distinct));
          break;
        default:  // descending with repeats
          key = static_cast<float>((count - i) / (1 + distinct));
          break;
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

TEST(KeyPairSort, LongRunsOfEqualKeysSortWithoutExhaustingTheStack) {
  // One material for 300,000 faces: the described recursion would nest once
  // per face.
  std::vector<KeyPair> pairs;
  for (int i = 0; i < 300000; ++i) pairs.push_back({i, i % 1000 == 0 ? 1.0f : 0.0f});
  sortKeyPairs(pairs.data(), static_cast<std::int32_t>(pairs.size()));
  std::vector<bool> seen(pairs.size(), false);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    if (i > 0) {
      ASSERT_LE(pairs[i - 1].key, pairs[i].key);
    }
    ASSERT_FALSE(seen[pairs[i].index]);
    seen[pairs[i].index] = true;
  }
}
