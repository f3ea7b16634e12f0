#include "render/clipper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "tests/render/recording_board.h"
#include "tests/render/render_test_support.h"

namespace {

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

// A corner exactly on the near plane is kept as it is, one half a unit
// inside it still makes its crossing; a face crossing the left and top
// edges is cut by both passes, a new vertex of the left pass cut again by
// the top, and nothing drawn reaches past those edges.
TEST_F(ClipperTest, ZeroDistancesMakeNoVertexAndCrossingsAreCutByEveryPass) {
  SceneVertex a = cameraVertex(0, 0, 340.0f), b = cameraVertex(5, 0, 345),
              c = cameraVertex(0, 5, 300);
  ASSERT_EQ(a.nearDist, 0.0f);
  drawClippedTriangle(&a, &b, &c, 0);
  EXPECT_EQ(clipVertexPoolUsed, 1);
  EXPECT_EQ(boardRecording.triangles.size(), 1u);

  resetBoardRecording();
  SceneVertex justInside = cameraVertex(0, 0, 339.5f);
  drawClippedTriangle(&justInside, &b, &c, 0);
  EXPECT_EQ(clipVertexPoolUsed, 2);
  EXPECT_EQ(boardRecording.triangles.size(), 2u);

  resetBoardRecording();
  SceneVertex left = screenVertex(-200, 600, -50), middle = screenVertex(300, 300, 0),
              low = screenVertex(100, 50, 100);
  drawClippedTriangle(&left, &middle, &low, 0);
  ASSERT_GE(boardRecording.triangles.size(), 2u);
  for (const RecordedTriangle& triangle : boardRecording.triangles) {
    for (const GrVertex& v : triangle.copies) {
      EXPECT_GE(v.x - SCREEN_BIAS, -1.0 / 16);
      EXPECT_LE(v.y - SCREEN_BIAS, 384 + 1.0 / 16);
    }
  }
  EXPECT_GT(clipVertexPoolUsed, 2);
}

TEST_F(ClipperTest, NearPlaneCutsOffCornersBehindIt) {
  // Corner b lies between the near plane and the eye, so the whole face still
  // projects and its winding (counter-clockwise) can be compared.
  SceneVertex a = cameraVertex(-5, -5, 300), b = cameraVertex(5, -5, 345),
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

  resetBoardRecording();
  SceneVertex d = cameraVertex(4, 5, 345);
  drawClippedTriangle(&a, &b, &d, 1);
  ASSERT_EQ(boardRecording.triangles.size(), 1u);
  // The crossing on a-b, the crossing on d-a and a, in this cyclic order.
  const GrVertex* const order[3] = {&clipVertexPool[0].grVertex, &clipVertexPool[1].grVertex,
                                    &a.grVertex};
  const RecordedTriangle& drawn = boardRecording.triangles[0];
  const int start = static_cast<int>(std::find(order, order + 3, drawn.vertices[0]) - order);
  ASSERT_LT(start, 3);
  EXPECT_EQ(drawn.vertices[1], order[(start + 1) % 3]);
  EXPECT_EQ(drawn.vertices[2], order[(start + 2) % 3]);
  EXPECT_EQ(clipVertexPoolUsed, 2);
  // The crossings take this frame's depth range, like whole faces.
  EXPECT_TRUE(clipVertexPool[0].grVertex.ooz > 32768.0f &&
              clipVertexPool[1].grVertex.ooz > 32768.0f);
}

TEST_F(ClipperTest, NewVerticesInterpolateColourAndTextureAlongTheEdge) {
  SceneVertex a = cameraVertex(-6, 0, 200, 20, 0, 256), b = cameraVertex(6, 0, 400, 220, 256, 0),
              c = cameraVertex(0, 6, 200, 20);
  drawClippedTriangle(&a, &b, &c, 0);
  const float u = (340.0f - 200.0f) / (400.0f - 200.0f);
  const SceneVertex* made = std::find_if(clipVertexPool, clipVertexPool + clipVertexPoolUsed,
                                         [](const SceneVertex& v) { return v.viewY == 0.0f; });
  ASSERT_NE(made, clipVertexPool + clipVertexPoolUsed) << "no vertex on edge a-b";
  EXPECT_NEAR(made->viewX, -6 + 12 * u, 1e-4);
  EXPECT_NEAR(made->grVertex.r, 20 + 200 * u, 1e-3);
  EXPECT_NEAR(made->grVertex.g, 235 - 200 * u, 1e-3);
  EXPECT_NEAR(made->grVertex.b, 10 + 100 * u, 1e-3);
  EXPECT_NEAR(made->s, 256 * u, 1e-3);
  EXPECT_NEAR(made->t, 256 - 256 * u, 1e-3);
  EXPECT_NEAR(made->grVertex.tmuvtx[0].sow - SCREEN_BIAS, 256 * u * 35.0f, 1.0 / 16);
}

// Two faces walk their shared edge in opposite directions; where it crosses
// the near plane both must make the same vertex, bit for bit.
TEST_F(ClipperTest, SharedEdgeCrossingIsTheSameVertexForBothFaces) {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> side(-4.0f, 4.0f), shade(0.0f, 255.0f);
  std::uniform_real_distribution<float> front(150.0f, 339.0f), behind(341.0f, 600.0f);
  auto values = [](const SceneVertex& p) {
    return std::array{p.viewX, p.viewY, p.viewZ, p.grVertex.r, p.grVertex.g, p.grVertex.b};
  };
  for (int i = 0; i < 500; ++i) {
    SceneVertex a = cameraVertex(side(random), side(random), front(random), shade(random));
    SceneVertex b = cameraVertex(side(random), side(random), behind(random), shade(random));
    SceneVertex c = cameraVertex(side(random), side(random), front(random));
    SceneVertex d = cameraVertex(side(random), side(random), front(random));
    // The near pass meets the shared edge first in both faces: pool record 0.
    drawClippedTriangle(&a, &b, &c, 0);
    const SceneVertex first = clipVertexPool[0];
    drawClippedTriangle(&b, &a, &d, 0);
    ASSERT_NEAR(first.nearDist, 0.0f, 1e-3f);
    ASSERT_EQ(std::memcmp(values(first).data(), values(clipVertexPool[0]).data(), 6 * 4), 0) << i;
  }
}

// A corner a hair outside a side plane puts the crossing at that corner
// (u rounds to 1): the face is still drawn.
TEST_F(ClipperTest, CornerAHairOutsideAPlaneStillDrawsTheFace) {
  SceneVertex a = screenVertex(500, 100, -300), b = screenVertex(0, 100, 0),
              c = screenVertex(300, 300, 0);
  b.leftDist = -1e-6f;
  b.clipFlags = CLIP_LEFT;
  ASSERT_EQ(a.leftDist / (a.leftDist - b.leftDist), 1.0f);
  drawClippedTriangle(&a, &b, &c, 0);
  EXPECT_EQ(boardRecording.triangles.size(), 2u);
}

// Nothing is drawn of a triangle beside a corner of the screen (each corner
// outside some side plane, no plane with all three outside), of one the near
// plane leaves a line (even where a later plane would cut that line), nor of
// one with a not-a-number or infinite corner.
TEST_F(ClipperTest, TrianglesBesideACornerCutToALineOrNotFiniteDrawNothing) {
  std::vector<std::array<SceneVertex, 3>> faces{
      {screenVertex(-100, 300, 0), screenVertex(100, 500, -200), screenVertex(-50, 600, 100)},
      {cameraVertex(-1000, 0, 340), cameraVertex(0, 0, 340), cameraVertex(0, 0, 345)}};
  for (float bad : {NAN, INFINITY, -INFINITY})
    faces.push_back(
        {screenVertex(100, 100, 0), screenVertex(300, 100, 0), cameraVertex(bad, 0, 0)});
  for (auto& [a, b, c] : faces) {
    ASSERT_EQ(a.clipFlags & b.clipFlags & c.clipFlags, 0u);
    drawClippedTriangle(&a, &b, &c, 0);
    EXPECT_TRUE(boardRecording.triangles.empty()) << c.viewX;
  }
}

}  // namespace
