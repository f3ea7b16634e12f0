#include "scene/scene_order.h"

#include <gtest/gtest.h>

#include "scene/scene_loader.h"
#include "tests/scene/scene_fixtures.h"

namespace {

// Four faces on one triangle, each tagged by its face-normal index, and
// their materials tagged by their first diffuse component.
Scene* fourFaces(const std::vector<float>& transparencies,
                 const std::vector<std::int32_t>& materials) {
  Scene* scene = makeScene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, std::vector<Corners>(4, {0, 1, 2}),
                           transparencies, materials);
  for (std::int32_t f = 0; f < 4; ++f) scene->faces[f].faceNormal = f;
  for (std::int32_t m = 0; m < scene->materialCount; ++m) scene->materials[m].diffuse[0] = m;
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
  std::vector<int> tags;
  for (std::int32_t m = 0; m < 4; ++m) tags.push_back(int(scene->materials[m].diffuse[0]));
  EXPECT_EQ(tags, (std::vector<int>{0, 2, 3, 1}));
  EXPECT_EQ(field(*scene, &SceneFace::material), (std::vector<std::int32_t>{3, 2, 0, 1}));
  sortFacesByMaterial(*scene);
  EXPECT_EQ(field(*scene, &SceneFace::faceNormal), (std::vector<std::int32_t>{2, 3, 1, 0}));
  EXPECT_EQ(countOpaqueFaces(*scene), 2);
  freeScene(scene);
}

}  // namespace
