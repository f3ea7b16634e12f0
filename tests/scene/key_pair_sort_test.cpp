#include "scene/key_pair_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Indices = std::vector<std::int32_t>;

Indices sortedIndices(const std::vector<float>& keys) {
  std::vector<KeyPair> pairs;
  for (std::size_t i = 0; i < keys.size(); ++i) pairs.push_back({static_cast<int>(i), keys[i]});
  sortKeyPairs(pairs.data(), static_cast<std::int32_t>(pairs.size()));
  Indices indices;
  for (const KeyPair& pair : pairs) indices.push_back(pair.index);
  return indices;
}

TEST(KeyPairSort, WorkedOrdersIncludingEqualKeys) {
  EXPECT_EQ(sortedIndices({3, 1, 2}), (Indices{1, 2, 0}));
  EXPECT_EQ(sortedIndices({5, 5, 5}), (Indices{0, 2, 1}));
  EXPECT_EQ(sortedIndices({1, 1, 0}), (Indices{2, 0, 1}));
  EXPECT_EQ(sortedIndices({0, 0, 1, 1}), (Indices{0, 1, 3, 2}));
  EXPECT_TRUE(sortedIndices({}).empty());
  // 300,000 faces of one material: the plain recursion would nest once per face.
  Indices many = sortedIndices(std::vector<float>(300000, 2.0f));
  std::sort(many.begin(), many.end());
  EXPECT_TRUE(many.front() == 0 && many.back() == 299999 &&
              std::adjacent_find(many.begin(), many.end()) == many.end());
}

}  // namespace
