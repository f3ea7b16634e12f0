#include "scene/scene_order.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scene/key_pair_sort.h"
#include "tests/scene/scene_fixtures.h"

namespace {

std::vector<std::int32_t> sortedIndices(const std::vector<float>& keys) {
  std::vector<KeyPair> pairs;
  for (std::size_t i = 0; i < keys.size(); ++i) pairs.push_back({static_cast<int>(i), keys[i]});
  sortKeyPairs(pairs.data(), static_cast<std::int32_t>(pairs.size()));
  std::vector<std::int32_t> indices;
  for (const KeyPair& pair : pairs) indices.push_back(pair.index);
  return indices;
}

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

// Four copies of one triangle, each tagged through its faceNormal.
Scene* fourFaces(const std::vector<float>& transparencies,
                 const std::vector<std::int32_t>& materials) {
  Scene* scene = makeScene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, std::vector<Corners>(4, {0, 1, 2}),
                           transparencies, materials);
  for (std::int32_t f = 0; f < 4; ++f) scene->faces[f].faceNormal = f;
  return scene;
}

std::vector<std::int32_t> field(const Scene& scene, std::int32_t SceneFace::*member) {
  std::vector<std::int32_t> out;
  for (std::int32_t f = 0; f < scene.faceCount; ++f) out.push_back(scene.faces[f].*member);
  return out;
}

TEST(SceneOrder, MaterialsByTransparencyThenFacesByMaterial) {
  Scene* scene = fourFaces({0, 128, 0, 64}, {1, 3, 0, 2});
  sortMaterialsByTransparency(*scene);
  std::vector<std::string> names;
  for (std::int32_t m = 0; m < 4; ++m) names.emplace_back(scene->materials[m].name);
  EXPECT_EQ(names, (std::vector<std::string>{"m0", "m2", "m3", "m1"}));
  EXPECT_EQ(field(*scene, &SceneFace::material), (std::vector<std::int32_t>{3, 2, 0, 1}));
  sortFacesByMaterial(*scene);
  EXPECT_EQ(field(*scene, &SceneFace::faceNormal), (std::vector<std::int32_t>{2, 3, 1, 0}));
  EXPECT_EQ(countOpaqueFaces(*scene), 2);
  freeScene(scene);

  scene = fourFaces({0, 0, 64}, {2, 0, 2, 1});
  sortFacesByMaterial(*scene);
  EXPECT_EQ(field(*scene, &SceneFace::faceNormal), (std::vector<std::int32_t>{1, 3, 0, 2}));
  freeScene(scene);
}

}  // namespace
