#include "scene/frame_lists.h"

#include <gtest/gtest.h>

#include <vector>

#include "scene/scene_loader.h"
#include "tests/scene/scene_fixtures.h"

namespace {

// A scene of `opaque` opaque faces followed by transparent faces whose three
// corners all lie at the given depth, so each face's depth sum is 3 * depth.
Scene* layeredScene(std::int32_t opaque, const std::vector<float>& transparentDepths) {
  std::vector<Position> positions;
  std::vector<Corners> faces;
  std::vector<std::int32_t> materials;
  const auto total = opaque + static_cast<std::int32_t>(transparentDepths.size());
  for (std::int32_t f = 0; f < total; ++f) {
    const auto v = static_cast<std::int32_t>(positions.size());
    positions.insert(positions.end(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    faces.push_back({v, v + 1, v + 2});
    materials.push_back(f < opaque ? 0 : 1);
  }
  Scene* scene = makeScene(positions, faces, {0.0f, 128.0f}, materials);
  for (std::size_t t = 0; t < transparentDepths.size(); ++t) {
    for (int k = 0; k < 3; ++k) scene->vertices[3 * (opaque + t) + k].viewZ = transparentDepths[t];
  }
  scene->opaqueFaceCount = opaque;
  buildFaceNodes(*scene);
  return scene;
}

std::vector<const SceneFace*> walk(const FaceNode* first) {
  std::vector<const SceneFace*> faces;
  const FaceNode* previous = nullptr;
  for (const FaceNode* node = first; node != nullptr; node = node->frameNext) {
    EXPECT_EQ(node->framePrev, previous);
    faces.push_back(node->face);
    previous = node;
  }
  return faces;
}

class FrameLists : public ::testing::Test {
 protected:
  void SetUp() override { clearSceneRegistry(); }
  void TearDown() override {
    clearSceneRegistry();
    for (Scene* scene : scenes) freeScene(scene);
  }
  Scene* add(Scene* scene) {
    scenes.push_back(scene);
    registerScene(scene);
    return scene;
  }
  std::vector<Scene*> scenes;
};

}  // namespace

TEST_F(FrameLists, OpaqueListRunsThroughTheScenesInTheOrderTheyWereAdded) {
  Scene* first = add(layeredScene(3, {}));
  Scene* single = add(layeredScene(1, {}));
  Scene* second = add(layeredScene(2, {}));
  expectNodeArray(*single, single->opaqueNodes, single->lastOpaqueNode, 0, 1);
  EXPECT_EQ(single->opaqueNodes[0].next, nullptr);
  EXPECT_EQ(registeredSceneCount(), 3);

  beginFrameLists();
  addSceneToFrame(second);
  addSceneToFrame(first);
  addSceneToFrame(single);
  addSceneToFrame(first);  // a second addition would link the chain into itself
  EXPECT_EQ(frameSceneCount, 3);
  EXPECT_EQ(walk(frameOpaqueFirst),
            (std::vector<const SceneFace*>{&second->faces[0], &second->faces[1], &first->faces[0],
                                           &first->faces[1], &first->faces[2], &single->faces[0]}));
  EXPECT_EQ(frameOpaqueLast, &single->opaqueNodes[0]);
  EXPECT_EQ(frameTransparentFirst, nullptr);
  EXPECT_EQ(frameTransparentLast, nullptr);
  sortTransparentFaces();
  EXPECT_EQ(transparentSortCapacity(), 0);

  // The next frame leaves out `second`: nothing of it remains.
  beginFrameLists();
  addSceneToFrame(first);
  EXPECT_EQ(frameSceneCount, 1);
  EXPECT_EQ(walk(frameOpaqueFirst).size(), 3u);
  EXPECT_EQ(frameOpaqueLast, first->lastOpaqueNode);
}

TEST_F(FrameLists, TransparentFacesAreDrawnFarthestFirstAcrossScenes) {
  Scene* near = add(layeredScene(1, {-100.0f / 3}));
  Scene* far = add(layeredScene(0, {-300.0f / 3, -200.0f / 3}));
  beginFrameLists();
  addSceneToFrame(far);
  addSceneToFrame(near);
  EXPECT_EQ(frameTransparentCount, 3);
  sortTransparentFaces();
  EXPECT_EQ(walk(frameTransparentFirst),
            (std::vector<const SceneFace*>{&far->faces[0], &far->faces[1], &near->faces[1]}));
  EXPECT_EQ(frameTransparentLast->face, &near->faces[1]);

  // Order along the collection chain is untouched: the next frame collects
  // in scene-and-face order again and sorts the same.
  beginFrameLists();
  addSceneToFrame(near);
  addSceneToFrame(far);
  sortTransparentFaces();
  EXPECT_EQ(walk(frameTransparentFirst),
            (std::vector<const SceneFace*>{&far->faces[0], &far->faces[1], &near->faces[1]}));
}

TEST_F(FrameLists, EqualDepthsComeOutAsTheKeySortLeavesThem) {
  Scene* scene = add(layeredScene(0, {5, 5, 5}));
  beginFrameLists();
  addSceneToFrame(scene);
  sortTransparentFaces();
  EXPECT_EQ(walk(frameTransparentFirst),
            (std::vector<const SceneFace*>{&scene->faces[0], &scene->faces[2], &scene->faces[1]}));
}

TEST_F(FrameLists, ASingleTransparentFaceHasNoNeighbours) {
  Scene* scene = add(layeredScene(2, {1}));
  beginFrameLists();
  addSceneToFrame(scene);
  sortTransparentFaces();
  EXPECT_EQ(frameTransparentFirst, frameTransparentLast);
  EXPECT_EQ(frameTransparentFirst->framePrev, nullptr);
  EXPECT_EQ(frameTransparentFirst->frameNext, nullptr);
}

TEST_F(FrameLists, WorkArraysGrowByTheFrameCountAndSortEveryFace) {
  std::vector<float> depths;
  for (int i = 0; i < 248; ++i) depths.push_back(static_cast<float>((i * 97) % 248));
  Scene* small = add(layeredScene(0, {1, 2}));
  Scene* large = add(layeredScene(0, depths));

  beginFrameLists();
  addSceneToFrame(small);
  sortTransparentFaces();
  EXPECT_EQ(transparentSortCapacity(), 200);

  beginFrameLists();
  addSceneToFrame(large);
  addSceneToFrame(small);
  sortTransparentFaces();
  EXPECT_EQ(transparentSortCapacity(), 450);
  const std::vector<const SceneFace*> order = walk(frameTransparentFirst);
  ASSERT_EQ(order.size(), 250u);
  float previous = -1.0f;
  for (const FaceNode* node = frameTransparentFirst; node != nullptr; node = node->frameNext) {
    const float depth = node->scene->vertices[node->face->vertex[0]].viewZ;
    EXPECT_LE(previous, depth);
    previous = depth;
  }
}
