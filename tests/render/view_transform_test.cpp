#include "render/view_transform.h"

#include <gtest/gtest.h>

#include <cmath>

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

  EXPECT_EQ(cameraVertex(0, 0, 340.0f).nearDist, 0.0f);
  EXPECT_EQ(cameraVertex(0, 0, 340.0f).clipFlags, 0u);
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

TEST(ViewTransform, IdentityViewPutsTheOriginAtTheScreenCentre) {
  initViewVolume();
  resetView();
  SceneVertex vertex{};
  vertex.projected = 1;
  transformVertex(vertex);
  computeClipCodes(vertex);
  EXPECT_EQ(vertex.projected, 0u);
  EXPECT_EQ(vertex.nearDist, 340.0f);
  EXPECT_EQ(vertex.clipFlags, 0u);
  SceneVertex far = vertex;
  projectVertex(vertex, 0);
  projectVertex(far, 1);
  EXPECT_EQ(vertex.grVertex.x, 786688.0f);
  EXPECT_EQ(vertex.grVertex.y, 786624.0f);
  EXPECT_FLOAT_EQ(vertex.grVertex.oow, 1.0f);
  EXPECT_FLOAT_EQ(vertex.grVertex.ooz, 32768.0f - 32767.0f / 350.0f);
  EXPECT_FLOAT_EQ(far.grVertex.ooz, 32768.0f + 32767.0f / 350.0f);
}

// A quarter turn about x, and a projection cached until the next transform:
// the first s, t stay, and the other parity mirrors ooz about 32768.
TEST(ViewTransform, QuarterTurnAboutXAndTheProjectionCache) {
  initViewVolume();
  resetView();
  rotateViewX(0.0, 1.0);
  SceneVertex vertex{};
  vertex.y = 1.0f;
  transformVertex(vertex);
  EXPECT_EQ(vertex.viewX, 0.0f);
  EXPECT_EQ(vertex.viewY, 0.0f);
  EXPECT_EQ(vertex.viewZ, -1.0f);

  resetView();
  vertex = SceneVertex{};
  vertex.x = 10.0f;
  vertex.z = -100.0f;
  vertex.s = 64.0f;
  transformVertex(vertex);
  computeClipCodes(vertex);
  projectVertex(vertex, 0);
  const GrVertex first = vertex.grVertex;
  EXPECT_NEAR(first.tmuvtx[0].sow - SCREEN_BIAS, 64.0f * 350.0f / 450.0f, 1.0 / 16);
  vertex.s = 200.0f;
  projectVertex(vertex, 1);
  EXPECT_EQ(vertex.grVertex.tmuvtx[0].sow, first.tmuvtx[0].sow);
  EXPECT_EQ(vertex.grVertex.ooz, first.ooz);
  transformVertex(vertex);
  projectVertex(vertex, 1);
  EXPECT_NE(vertex.grVertex.tmuvtx[0].sow, first.tmuvtx[0].sow);
  EXPECT_FLOAT_EQ(vertex.grVertex.ooz - 32768.0f, 32768.0f - first.ooz);
}

}  // namespace
