#include "render/view_transform.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include "tests/render/render_test_support.h"

namespace {

TEST(ViewTransform, PlanesAreQuotientsByTheDoubleRootAndMeetTheScreenEdges) {
  initViewVolume();
  const double lx = std::sqrt(188036.0), ly = std::sqrt(159364.0);
  const float(&left)[4] = viewVolumePlanes[VIEW_PLANE_LEFT];
  EXPECT_EQ(left[0], float(350 / lx));
  EXPECT_EQ(left[2], float(-256 / lx));
  EXPECT_EQ(left[3], left[2] * -350.0f);
  EXPECT_EQ(viewVolumePlanes[VIEW_PLANE_TOP][1], float(-350 / ly));
  EXPECT_EQ(viewVolumePlanes[VIEW_PLANE_TOP][2], float(-192 / ly));

  EXPECT_EQ(cameraVertex(0, 0, 340.5f).clipFlags, CLIP_NEAR);
  EXPECT_EQ(cameraVertex(NAN, NAN, NAN).clipFlags,
            CLIP_NEAR | CLIP_LEFT | CLIP_RIGHT | CLIP_BOTTOM | CLIP_TOP);
  for (const float viewZ : {0.0f, -350.0f, 300.0f}) {
    const float edgeX = 256.0f * (350.0f - viewZ) / 350.0f;
    SceneVertex onPlane = cameraVertex(edgeX, 0, viewZ);
    EXPECT_NEAR(onPlane.rightDist, 0.0f, 1e-4f) << viewZ;
    projectVertex(onPlane, 0);
    EXPECT_NEAR(onPlane.grVertex.x, 512.0f + SCREEN_BIAS, 1.0f / 16) << viewZ;
    EXPECT_EQ(cameraVertex(edgeX + 0.01f, 0, viewZ).clipFlags, CLIP_RIGHT) << viewZ;
  }
}

// Depth is 32768 -+ 32767 w by parity. A projection is cached until the next
// transform: the first s, t stay, and the other parity mirrors ooz about 32768.
TEST(ViewTransform, TheProjectionIsCachedUntilTheNextTransform) {
  initViewVolume();
  resetView();
  SceneVertex vertex = cameraVertex(0, 0, 0, 0, 64.0f, 32.0f);
  vertex.x = 10.0f;
  vertex.z = -100.0f;
  transformVertex(vertex);
  computeClipCodes(vertex);
  projectVertex(vertex, 0);
  const GrVertex first = vertex.grVertex;
  EXPECT_FLOAT_EQ(first.ooz, 32768.0f - 32767.0f / 450.0f);
  EXPECT_NEAR(first.tmuvtx[0].sow - SCREEN_BIAS, 64.0f * 350.0f / 450.0f, 1.0 / 16);
  EXPECT_NEAR(first.tmuvtx[0].tow - SCREEN_BIAS, 32.0f * 350.0f / 450.0f, 1.0 / 16);
  vertex.s = 200.0f;
  projectVertex(vertex, 1);
  EXPECT_EQ(vertex.grVertex.tmuvtx[0].sow, first.tmuvtx[0].sow);
  EXPECT_EQ(vertex.grVertex.ooz, first.ooz);
  transformVertex(vertex);
  projectVertex(vertex, 1);
  EXPECT_NE(vertex.grVertex.tmuvtx[0].sow, first.tmuvtx[0].sow);
  EXPECT_FLOAT_EQ(vertex.grVertex.ooz - 32768.0f, 32768.0f - first.ooz);
}

// Quarter turns about y and z: R = (c, 0, s), (0, 1, 0), (-s, 0, c) and
// (c, -s, 0), (s, c, 0), (0, 0, 1); about x, then y, then z. Normals take the
// same matrix.
TEST(ViewTransform, QuarterTurnsAboutYAndZInThatOrder) {
  const auto view = [](float x, float y, float z) {
    SceneVertex vertex{};
    std::tie(vertex.x, vertex.y, vertex.z) = std::tuple(x, y, z);
    transformVertex(vertex);
    return std::array{vertex.viewX, vertex.viewY, vertex.viewZ};
  };
  resetView();
  rotateViewY(0.0, 1.0);
  EXPECT_EQ(view(1, 0, 0), (std::array{0.0f, 0.0f, -1.0f}));
  resetView();
  rotateViewZ(0.0, 1.0);
  EXPECT_EQ(view(1, 0, 0), (std::array{0.0f, 1.0f, 0.0f}));
  resetView();
  rotateViewX(0.0, 1.0);  // (0, 1, 0) -> (0, 0, -1)
  rotateViewY(0.0, 1.0);  // -> (-1, 0, 0)
  rotateViewZ(0.0, 1.0);  // -> (0, -1, 0)
  EXPECT_EQ(view(0, 1, 0), (std::array{0.0f, -1.0f, 0.0f}));
  const Vector3 in[2] = {{0, 1, 0}, {0, 0, 2}};
  Vector3 out[2];
  transformNormals(in, out, 2);
  EXPECT_TRUE(out[0].x == 0 && out[0].y == -1 && out[0].z == 0);
  EXPECT_TRUE(out[1].x == -2 && out[1].y == 0 && out[1].z == 0);
}

}  // namespace
