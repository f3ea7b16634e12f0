#include "scene/frame_lists.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scene/key_pair_sort.h"
#include "scene/quicksort.h"
#include "tests/scene/scene_fixtures.h"

namespace {

using Faces = std::vector<const SceneFace*>;

// The faces along frameNext, checking framePrev on the way.
Faces walk(const FaceNode* first) {
  Faces faces;
  const FaceNode* previous = nullptr;
  for (const FaceNode* node = first; node != nullptr; previous = node, node = node->frameNext) {
    EXPECT_EQ(node->framePrev, previous);
    faces.push_back(node->face);
  }
  return faces;
}

void frame(std::initializer_list<Scene*> scenes) {
  beginFrameLists();
  for (Scene* scene : scenes) addSceneToFrame(scene);
  sortTransparentFaces();
}

class FrameLists : public ::testing::Test {
 protected:
  void SetUp() override { clearSceneRegistry(); }
  void TearDown() override {
    clearSceneRegistry();
    for (Scene* scene : scenes) freeScene(scene);
  }
  // A registered scene of `opaque` opaque faces, then one transparent face per
  // depth with all three corners at that viewZ.
  Scene* add(std::int32_t opaque, const std::vector<float>& depths) {
    const auto count = opaque + static_cast<std::int32_t>(depths.size());
    std::vector<Position> positions;
    std::vector<Corners> faces;
    Indices materials;
    for (std::int32_t f = 0; f < count; ++f) {
      positions.insert(positions.end(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
      faces.push_back({3 * f, 3 * f + 1, 3 * f + 2});
      materials.push_back(f < opaque ? 0 : 1);
    }
    Scene* scene = scenes.emplace_back(makeScene(positions, faces, {0.0f, 128.0f}, materials));
    for (std::int32_t v = 3 * opaque; v < 3 * count; ++v)
      scene->vertices[v].viewZ = depths[v / 3 - opaque];
    scene->opaqueFaceCount = opaque;
    buildFaceNodes(*scene);
    registerScene(scene);
    return scene;
  }
  std::vector<Scene*> scenes;
};

TEST_F(FrameLists, TransparentFacesAreSortedFarthestFirstInGrowingWorkArrays) {
  Scene *near = add(1, {-100}), *far = add(0, {-300, -200}), *alone = add(2, {1});
  for (int round = 0; round < 2; ++round) {  // the sort leaves the next frame's collection intact
    frame({round == 0 ? near : far, round == 0 ? far : near});
    EXPECT_EQ(walk(frameTransparentFirst),
              (Faces{&far->faces[0], &far->faces[1], &near->faces[1]}));
    EXPECT_EQ(frameTransparentLast->face, &near->faces[1]);
  }
  frame({alone});
  EXPECT_EQ(walk(frameTransparentFirst), (Faces{&alone->faces[2]}));
  EXPECT_EQ(frameTransparentFirst, frameTransparentLast);

  // 250 faces outgrow the work arrays' first 200 entries.
  std::vector<float> depths;
  for (int i = 0; i < 248; ++i) depths.push_back(static_cast<float>((i * 97) % 248));
  Scene *small = add(0, {1, 2}), *large = add(0, depths);
  frame({large, small});
  ASSERT_EQ(walk(frameTransparentFirst).size(), 250u);
  const auto depth = [](const FaceNode* n) { return n->scene->vertices[n->face->vertex[0]].viewZ; };
  for (const FaceNode* n = frameTransparentFirst; n->frameNext != nullptr; n = n->frameNext)
    EXPECT_LE(depth(n), depth(n->frameNext));
}

// The order of equal keys decides the drawing order of same-material faces
// and of equally deep transparent ones.
Indices sortedIndices(const std::vector<float>& keys) {
  std::vector<KeyPair> pairs;
  for (std::size_t i = 0; i < keys.size(); ++i) pairs.push_back({static_cast<int>(i), keys[i]});
  sortKeyPairs(pairs.data(), static_cast<std::int32_t>(pairs.size()));
  Indices indices;
  for (const KeyPair& pair : pairs) indices.push_back(pair.index);
  return indices;
}

TEST(KeyPairSort, WorkedOrdersIncludingEqualKeys) {
  EXPECT_EQ(sortedIndices({1, 1, 0}), (Indices{2, 0, 1}));
  EXPECT_EQ(sortedIndices({0, 0, 1, 1}), (Indices{0, 1, 3, 2}));
  // 300,000 faces of one material: the plain recursion would nest once per face.
  Indices many = sortedIndices(std::vector<float>(300000, 2.0f));
  std::sort(many.begin(), many.end());
  EXPECT_TRUE(many.front() == 0 && many.back() == 299999 &&
              std::adjacent_find(many.begin(), many.end()) == many.end());
}

// Keys 1..n placed so that the middle pivot is always its range's largest:
// each partition then sets aside one item.
std::vector<float> keysAgainstTheMiddlePivot(std::int32_t n) {
  std::vector<std::int32_t> slots(n);
  for (std::int32_t i = 0; i < n; ++i) slots[i] = i;
  std::vector<float> keys(n);
  for (std::int32_t lo = 0, hi = n, k = 0; hi - lo > 0; ++k, --hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    keys[slots[mid]] = static_cast<float>(n - k);
    std::swap(slots[mid], slots[hi - 1]);
  }
  return keys;
}

// The key-pair sort's own order, counting the items it looks at.
struct CountedKeyPairOrder : KeyPairOrder {
  static inline std::int64_t looks = 0;
  static bool notAbove(const KeyPair& pair, float pivot) {
    return ++looks, KeyPairOrder::notAbove(pair, pivot);
  }
  static bool below(const KeyPair& pair, float pivot) {
    return ++looks, KeyPairOrder::below(pair, pivot);
  }
};

// A file can order its keys against the middle pivot; the sort still ends
// sorted after some n log n looks, not n * n / 2.
TEST(KeyPairSort, KeysOrderedAgainstThePivotStillSortInNLogNSteps) {
  constexpr std::int32_t n = 20000;
  const std::vector<float> keys = keysAgainstTheMiddlePivot(n);
  std::vector<KeyPair> pairs;
  for (std::int32_t i = 0; i < n; ++i) pairs.push_back({i, keys[i]});
  CountedKeyPairOrder::looks = 0;
  scene_sort::quickSort<CountedKeyPairOrder>(pairs.data(), n);
  EXPECT_LT(CountedKeyPairOrder::looks, std::int64_t{64} * n * 15);

  Indices ascending(n), sorted;
  for (std::int32_t i = 0; i < n; ++i) ascending[i] = i;
  std::sort(ascending.begin(), ascending.end(), [&](int a, int b) { return keys[a] < keys[b]; });
  for (const KeyPair& pair : pairs) sorted.push_back(pair.index);
  EXPECT_EQ(sorted, ascending);
}

}  // namespace
