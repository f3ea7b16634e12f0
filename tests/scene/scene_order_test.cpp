#include "scene/scene_order.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "scene/scene_guard.h"
#include "scene/scene_loader.h"
#include "tests/scene/scene_fixtures.h"

namespace {

Scene* fourFaces(const std::vector<float>& transparencies,
                 const std::vector<std::int32_t>& materials) {
  return makeScene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}, {0, 1, 2}},
                   transparencies, materials);
}

}  // namespace

TEST(SceneOrder, MaterialsByTransparencyAndFacesFollowTheirMaterial) {
  Scene* scene = fourFaces({0, 128, 0, 64}, {1, 3, 0, 2});
  sortMaterialsByTransparency(*scene);
  std::vector<std::string> names;
  for (std::int32_t m = 0; m < 4; ++m) names.emplace_back(scene->materials[m].name);
  EXPECT_EQ(names, (std::vector<std::string>{"m0", "m2", "m3", "m1"}));
  std::vector<std::int32_t> materials;
  for (std::int32_t f = 0; f < 4; ++f) materials.push_back(scene->faces[f].material);
  EXPECT_EQ(materials, (std::vector<std::int32_t>{3, 2, 0, 1}));
  freeScene(scene);
}

TEST(SceneOrder, FacesByMaterialAndTheOpaqueCount) {
  Scene* scene = fourFaces({0, 0, 64}, {2, 0, 2, 1});
  for (std::int32_t f = 0; f < 4; ++f) scene->faces[f].vertex[0] = f;  // tags the face
  sortFacesByMaterial(*scene);
  std::vector<std::int32_t> order;
  for (std::int32_t f = 0; f < 4; ++f) order.push_back(scene->faces[f].vertex[0]);
  EXPECT_EQ(order, (std::vector<std::int32_t>{1, 3, 0, 2}));
  EXPECT_EQ(countOpaqueFaces(*scene), 2);
  scene->materials[0].transparency = 1;
  EXPECT_EQ(countOpaqueFaces(*scene), 0);
  scene->materials[0].transparency = scene->materials[1].transparency =
      scene->materials[2].transparency = 0;
  EXPECT_EQ(countOpaqueFaces(*scene), 4);
  freeScene(scene);
}

TEST(SceneGuard, OutOfRangeIndicesNeverReachTheLaterSteps) {
  Scene* scene = fourFaces({0, -5}, {0, 7, -1, 1});
  scene->faces[0].vertex[2] = 3;    // past the vertices: the face goes
  scene->faces[1].mapping[1] = 99;  // falls back to the corner's vertex
  scene->materials[1].transparency = std::numeric_limits<float>::quiet_NaN();
  guardSceneIndices(*scene);
  ASSERT_EQ(scene->faceCount, 3);
  EXPECT_EQ(scene->faces[0].material, 0);
  EXPECT_EQ(scene->faces[0].mapping[1], scene->faces[0].vertex[1]);
  EXPECT_EQ(scene->faces[1].material, 0);
  EXPECT_EQ(scene->faces[2].material, 1);
  EXPECT_EQ(scene->materials[1].transparency, 0.0f);
  EXPECT_EQ(scene->materials[1].flags & MATERIAL_TRANSPARENT, 0u);
  freeScene(scene);

  Scene* bare = makeScene({{0, 0, 0}}, {{0, 0, 0}}, {});
  guardSceneIndices(*bare);
  EXPECT_EQ(bare->faceCount, 0);
  freeScene(bare);
}
