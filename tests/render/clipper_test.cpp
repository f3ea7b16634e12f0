#include "render/clipper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "render/view_transform.h"
#include "tests/render/recording_board.h"

namespace {

// A vertex placed directly in camera space.
SceneVertex cameraVertex(float viewX, float viewY, float viewZ, float shade = 0.0f) {
  SceneVertex vertex{};
  vertex.viewX = viewX;
  vertex.viewY = viewY;
  vertex.viewZ = viewZ;
  vertex.grVertex.r = shade;
  vertex.grVertex.g = 255.0f - shade;
  vertex.grVertex.b = shade * 0.5f;
  computeClipCodes(vertex);
  return vertex;
}

// The camera-space point that projects to screen (x, y), unbiased, at depth viewZ.
SceneVertex screenVertex(float x, float y, float viewZ) {
  const float scale = (350.0f - viewZ) / 350.0f;
  return cameraVertex((x - 256.0f) * scale, (y - 192.0f) * scale, viewZ);
}

// Twice the signed screen area of a drawn triangle.
double twiceArea(const RecordedTriangle& triangle) {
  const GrVertex(&v)[3] = triangle.copies;
  return (v[1].x - double(v[0].x)) * (v[2].y - double(v[0].y)) -
         (v[2].x - double(v[0].x)) * (v[1].y - double(v[0].y));
}

class ClipperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initViewVolume();
    resetBoardRecording();
  }
};

TEST_F(ClipperTest, NearPlaneCutsOffCornersBehindIt) {
  // Corner b lies between the near plane and the eye, so the whole face still
  // projects and its winding (counter-clockwise) can be compared.
  SceneVertex a = cameraVertex(-5, -5, 300, 20), b = cameraVertex(5, -5, 345, 220),
              c = cameraVertex(0, 5, 300);
  drawClippedTriangle(&a, &b, &c, 0);
  ASSERT_EQ(boardRecording.triangles.size(), 2u);
  for (const RecordedTriangle& triangle : boardRecording.triangles)
    EXPECT_GT(twiceArea(triangle), 0.0) << "the fan keeps the face's winding";
  int madeOnPlane = 0;
  for (int i = 0; i < clipVertexPoolUsed; ++i) {
    EXPECT_NEAR(clipVertexPool[i].viewZ, 340.0f, 1e-3f);
    madeOnPlane += (clipVertexPool[i].projected & 1u) != 0;
  }
  EXPECT_EQ(madeOnPlane, 2);
  EXPECT_EQ(b.projected, 0u) << "a corner behind the near plane is never projected";
  // Position and colour follow the edge a-b. Texture coordinates along it show
  // in the program's reference frames; the colour does not (those faces are textured).
  const float u = (340.0f - 300.0f) / (345.0f - 300.0f);
  const SceneVertex* made = std::find_if(clipVertexPool, clipVertexPool + clipVertexPoolUsed,
                                         [](const SceneVertex& v) { return v.viewY == -5.0f; });
  ASSERT_NE(made, clipVertexPool + clipVertexPoolUsed) << "no vertex on edge a-b";
  EXPECT_NEAR(made->viewX, -5 + 10 * u, 1e-4);
  EXPECT_NEAR(made->grVertex.r, 20 + 200 * u, 1e-3);
  EXPECT_NEAR(made->grVertex.g, 235 - 200 * u, 1e-3);
  EXPECT_NEAR(made->grVertex.b, 10 + 100 * u, 1e-3);

  // A corner exactly on the plane is kept as it is: no vertex is made there.
  resetBoardRecording();
  SceneVertex on = cameraVertex(0, 0, 340.0f);
  ASSERT_EQ(on.nearDist, 0.0f);
  drawClippedTriangle(&on, &b, &c, 0);
  EXPECT_EQ(clipVertexPoolUsed, 1);
  EXPECT_EQ(boardRecording.triangles.size(), 1u);
}

// Two faces walk their shared edge in opposite directions; where it crosses
// the near plane both must make the same vertex, bit for bit.
TEST_F(ClipperTest, SharedEdgeCrossingIsTheSameVertexForBothFaces) {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> side(-4.0f, 4.0f), shade(0.0f, 255.0f);
  std::uniform_real_distribution<float> front(150.0f, 339.0f), behind(341.0f, 600.0f);
  // One random draw a statement, since arguments have no order.
  auto randomVertex = [&](std::uniform_real_distribution<float>& depth, bool shaded) {
    const float vertexShade = shaded ? shade(random) : 0.0f;
    const float z = depth(random), y = side(random);
    return cameraVertex(side(random), y, z, vertexShade);
  };
  auto values = [](const SceneVertex& p) {
    return std::array{p.viewX, p.viewY, p.viewZ, p.grVertex.r, p.grVertex.g, p.grVertex.b};
  };
  for (int i = 0; i < 500; ++i) {
    SceneVertex a = randomVertex(front, true), b = randomVertex(behind, true);
    SceneVertex c = randomVertex(front, false), d = randomVertex(front, false);
    // The near pass meets the shared edge first in both faces: pool record 0.
    drawClippedTriangle(&a, &b, &c, 0);
    const SceneVertex first = clipVertexPool[0];
    drawClippedTriangle(&b, &a, &d, 0);
    ASSERT_NEAR(first.nearDist, 0.0f, 1e-3f);
    ASSERT_EQ(std::memcmp(values(first).data(), values(clipVertexPool[0]).data(), 6 * 4), 0) << i;
  }
}

// A corner a hair outside a side plane puts the crossing at that corner (u
// rounds to 1): the face is still drawn. Nothing is drawn of a triangle beside
// a corner of the screen (each corner outside some side plane, no plane with
// all three outside), of one the near plane leaves a line (even where a later
// plane would cut that line), nor of one with a not-a-number or infinite corner.
TEST_F(ClipperTest, HairOutsideDrawsTheFaceBesideACornerCutToALineOrNotFiniteNothing) {
  SceneVertex far = screenVertex(500, 100, -300), hair = screenVertex(0, 100, 0);
  hair.leftDist = -1e-6f;
  hair.clipFlags = CLIP_LEFT;
  ASSERT_EQ(far.leftDist / (far.leftDist - hair.leftDist), 1.0f);
  std::vector<std::pair<std::array<SceneVertex, 3>, std::size_t>> faces{
      {{far, hair, screenVertex(300, 300, 0)}, 2},
      {{screenVertex(-100, 300, 0), screenVertex(100, 500, -200), screenVertex(-50, 600, 100)}, 0},
      {{cameraVertex(-1000, 0, 340), cameraVertex(0, 0, 340), cameraVertex(0, 0, 345)}, 0}};
  for (float bad : {NAN, INFINITY, -INFINITY})
    faces.push_back(
        {{screenVertex(100, 100, 0), screenVertex(300, 100, 0), cameraVertex(bad, 0, 0)}, 0});
  for (std::size_t i = 0; i < faces.size(); ++i) {
    auto& [a, b, c] = faces[i].first;
    ASSERT_EQ(a.clipFlags & b.clipFlags & c.clipFlags, 0u) << i;
    resetBoardRecording();
    drawClippedTriangle(&a, &b, &c, 0);
    EXPECT_EQ(boardRecording.triangles.size(), faces[i].second) << i;
  }
}

}  // namespace
