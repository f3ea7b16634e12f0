#include "render/view_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/render/render_test_support.h"

namespace {

class ViewTransformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initViewVolume();
    resetView();
  }
};

TEST_F(ViewTransformTest, SidePlanesAreUnitPlanesThroughTheEyeAndTheScreenEdges) {
  const double lx = std::sqrt(188036.0);
  const double ly = std::sqrt(159364.0);
  const float(&left)[4] = viewVolumePlanes[VIEW_PLANE_LEFT];
  const float(&top)[4] = viewVolumePlanes[VIEW_PLANE_TOP];
  EXPECT_EQ(left[0], float(350 / lx));
  EXPECT_EQ(left[1], 0.0f);
  EXPECT_EQ(left[2], float(-256 / lx));
  EXPECT_EQ(left[3], left[2] * -350.0f);
  EXPECT_NEAR(left[3], 206.6272, 1e-4);
  EXPECT_EQ(viewVolumePlanes[VIEW_PLANE_RIGHT][0], -left[0]);
  EXPECT_EQ(top[1], float(-350 / ly));
  EXPECT_EQ(top[2], float(-192 / ly));
  EXPECT_NEAR(viewVolumePlanes[VIEW_PLANE_BOTTOM][3], 168.3349, 1e-4);
  for (const auto& plane : viewVolumePlanes) {
    EXPECT_NEAR(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2], 1.0, 1e-6);
    // Every side plane passes through the eye.
    EXPECT_NEAR(plane[2] * 350.0f + plane[3], 0.0, 1e-4);
  }
}

TEST_F(ViewTransformTest, IdentityViewPutsTheOriginAtTheScreenCentre) {
  SceneVertex vertex{};
  vertex.projected = 1;
  transformVertex(vertex);
  computeClipCodes(vertex);
  EXPECT_EQ(vertex.viewZ, 0.0f);
  EXPECT_EQ(vertex.projected, 0u);
  EXPECT_EQ(vertex.nearDist, 340.0f);
  EXPECT_GT(vertex.leftDist, 0.0f);
  EXPECT_GT(vertex.rightDist, 0.0f);
  EXPECT_GT(vertex.bottomDist, 0.0f);
  EXPECT_GT(vertex.topDist, 0.0f);
  EXPECT_EQ(vertex.clipFlags, 0u);

  SceneVertex far = vertex;
  projectVertex(vertex, 0);
  projectVertex(far, 1);
  EXPECT_EQ(vertex.grVertex.x, 786688.0f);
  EXPECT_EQ(vertex.grVertex.y, 786624.0f);
  EXPECT_FLOAT_EQ(vertex.grVertex.oow, 1.0f);
  EXPECT_FLOAT_EQ(vertex.grVertex.ooz, 32768.0f - 32767.0f / 350.0f);
  EXPECT_FLOAT_EQ(far.grVertex.ooz, 32768.0f + 32767.0f / 350.0f);
  EXPECT_EQ(vertex.projected & 1u, 1u);
}

TEST_F(ViewTransformTest, NearPlaneLiesTenUnitsInFrontOfTheEye) {
  const SceneVertex onPlane = cameraVertex(0, 0, 340.0f);
  EXPECT_EQ(onPlane.nearDist, 0.0f);
  EXPECT_EQ(onPlane.clipFlags, 0u);
  const SceneVertex behind = cameraVertex(0, 0, 340.5f);
  EXPECT_EQ(behind.clipFlags, CLIP_NEAR);
  EXPECT_EQ(cameraVertex(NAN, NAN, NAN).clipFlags,
            CLIP_NEAR | CLIP_LEFT | CLIP_RIGHT | CLIP_BOTTOM | CLIP_TOP);
}

TEST_F(ViewTransformTest, VertexOnTheRightPlaneProjectsToTheRightEdge) {
  for (const float viewZ : {0.0f, -350.0f, 300.0f}) {
    const float edgeX = 256.0f * (350.0f - viewZ) / 350.0f;
    SceneVertex onPlane = cameraVertex(edgeX, 0, viewZ);
    EXPECT_NEAR(onPlane.rightDist, 0.0f, 1e-4f) << viewZ;
    projectVertex(onPlane, 0);
    EXPECT_NEAR(onPlane.grVertex.x, 512.0f + SCREEN_BIAS, 1.0f / 16) << viewZ;
    EXPECT_EQ(cameraVertex(edgeX + 0.01f, 0, viewZ).clipFlags, CLIP_RIGHT) << viewZ;
  }
}

// Each side bit is set exactly when the projected point falls beyond that
// screen edge: the planes and the projection agree.
TEST_F(ViewTransformTest, SideBitsMatchTheProjectedScreenPosition) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> screen(-400.0f, 900.0f);
  std::uniform_real_distribution<float> depth(-3000.0f, 339.0f);
  for (int i = 0; i < 2000; ++i) {
    const float x = screen(random), y = screen(random);
    SceneVertex vertex = screenVertex(x, y, depth(random));
    projectVertex(vertex, 0);
    const float px = vertex.grVertex.x - SCREEN_BIAS, py = vertex.grVertex.y - SCREEN_BIAS;
    if (std::fabs(px) < 0.1f || std::fabs(px - 512) < 0.1f || std::fabs(py) < 0.1f ||
        std::fabs(py - 384) < 0.1f) {
      continue;
    }
    std::uint32_t expected = 0;
    if (px < 0) expected |= CLIP_LEFT;
    if (px > 512) expected |= CLIP_RIGHT;
    if (py < 0) expected |= CLIP_BOTTOM;
    if (py > 384) expected |= CLIP_TOP;
    ASSERT_EQ(vertex.clipFlags, expected) << x << ", " << y;
  }
}

TEST_F(ViewTransformTest, RotationsComposeAsZTimesYTimesX) {
  rotateViewX(0.0, 1.0);
  const float rotatedX[3][3] = {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(viewMatrix[i][k], rotatedX[i][k]) << i << k;
  }
  SceneVertex vertex{};
  vertex.y = 1.0f;
  transformVertex(vertex);
  EXPECT_EQ(vertex.viewX, 0.0f);
  EXPECT_EQ(vertex.viewY, 0.0f);
  EXPECT_EQ(vertex.viewZ, -1.0f);

  // Turned about x, then y, then z: the same as turning the point by hand.
  const double ax = 0.3, ay = -1.1, az = 2.0;
  resetView();
  rotateViewX(std::cos(ax), std::sin(ax));
  rotateViewY(std::cos(ay), std::sin(ay));
  rotateViewZ(std::cos(az), std::sin(az));
  double p[3] = {30, -40, 120};
  auto turn = [&p](int i, int j, double angle) {
    const double pi = p[i], pj = p[j];
    p[i] = std::cos(angle) * pi + std::sin(angle) * pj;
    p[j] = std::cos(angle) * pj - std::sin(angle) * pi;
  };
  turn(1, 2, ax);
  turn(0, 2, ay);
  turn(0, 1, -az);
  Vector3 turned{};
  transformNormal(Vector3{30, -40, 120}, turned);
  EXPECT_NEAR(turned.x, p[0], 1e-4);
  EXPECT_NEAR(turned.y, p[1], 1e-4);
  EXPECT_NEAR(turned.z, p[2], 1e-4);
}

TEST_F(ViewTransformTest, ProjectionIsCachedUntilTheNextTransform) {
  SceneVertex vertex{};
  vertex.x = 10.0f;
  vertex.y = -20.0f;
  vertex.z = -100.0f;
  vertex.s = 64.0f;
  vertex.t = 32.0f;
  transformVertex(vertex);
  computeClipCodes(vertex);
  projectVertex(vertex, 0);
  const GrVertex first = vertex.grVertex;
  EXPECT_NEAR(first.tmuvtx[0].sow - SCREEN_BIAS, 64.0f * 350.0f / 450.0f, 1.0 / 16);

  vertex.s = 200.0f;
  vertex.t = 100.0f;
  projectVertex(vertex, 1);
  EXPECT_EQ(vertex.grVertex.tmuvtx[0].sow, first.tmuvtx[0].sow);
  EXPECT_EQ(vertex.grVertex.tmuvtx[0].tow, first.tmuvtx[0].tow);
  EXPECT_EQ(vertex.grVertex.ooz, first.ooz);

  transformVertex(vertex);
  projectVertex(vertex, 1);
  EXPECT_NE(vertex.grVertex.tmuvtx[0].sow, first.tmuvtx[0].sow);
  // The two parities place the same point symmetrically about 32768.
  EXPECT_FLOAT_EQ(vertex.grVertex.ooz - 32768.0f, 32768.0f - first.ooz);
  EXPECT_GT(vertex.grVertex.ooz, 32768.0f);
}

}  // namespace
