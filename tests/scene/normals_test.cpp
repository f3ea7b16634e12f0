#include "scene/normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "scene/scene_loader.h"
#include "tests/scene/scene_fixtures.h"

namespace {

std::vector<std::array<float, 3>> normalsOf(const Scene& scene) {
  std::vector<std::array<float, 3>> out;
  for (std::int32_t n = 0; n < scene.normalCount; ++n) {
    out.push_back({scene.normals[n].x, scene.normals[n].y, scene.normals[n].z});
  }
  return out;
}

// Releases what buildNormals and makeScene allocated.
void release(Scene* scene) { freeScene(scene); }

// Faces 0 and 1 share the edge from (0,0,0) to (1,0,0); face 1 is folded up
// from face 0's plane so their normals lie `degrees` apart.
Scene* hinge(double degrees) {
  const double radians = degrees * std::numbers::pi / 180.0;
  const auto y = static_cast<float>(-std::cos(radians));
  const auto z = static_cast<float>(std::sin(radians));
  return makeScene({{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, y, z}}, {{0, 1, 2}, {1, 0, 3}});
}

}  // namespace

TEST(Normals, SingleTriangleInBothWindings) {
  Scene* scene = makeScene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  buildNormals(*scene);
  EXPECT_EQ(normalsOf(*scene), (std::vector<std::array<float, 3>>{{0, 0, 254.999f}, {0, 0, 255}}));
  EXPECT_EQ(scene->faces[0].faceNormal, 0);
  for (const std::int32_t n : scene->faces[0].normal) EXPECT_EQ(n, 1);
  release(scene);

  scene = makeScene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{2, 1, 0}});
  buildNormals(*scene);
  EXPECT_EQ(normalsOf(*scene), (std::vector<std::array<float, 3>>{{0, 0, -255}}));
  EXPECT_EQ(scene->faces[0].faceNormal, 0);
  for (const std::int32_t n : scene->faces[0].normal) EXPECT_EQ(n, 0);
  release(scene);
}

TEST(Normals, QuadOfTwoTrianglesSharesTheFaceAndCornerNormals) {
  Scene* scene = makeScene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}});
  buildNormals(*scene);
  EXPECT_EQ(normalsOf(*scene), (std::vector<std::array<float, 3>>{{0, 0, 254.999f}, {0, 0, 255}}));
  for (std::int32_t f = 0; f < 2; ++f) {
    EXPECT_EQ(scene->faces[f].faceNormal, 0);
    for (const std::int32_t n : scene->faces[f].normal) EXPECT_EQ(n, 1);
  }
  release(scene);
}

TEST(Normals, FacesLessThanARightAngleApartAreSmoothedTogether) {
  // Corner 0 of face 0 and corner 1 of face 1 are vertex 0; corner 1 of
  // face 0 and corner 0 of face 1 are vertex 1.
  Scene* scene = hinge(89.0);
  buildNormals(*scene);
  const SceneFace* faces = scene->faces;
  const Vector3 a = scene->normals[faces[0].faceNormal];
  const Vector3 b = scene->normals[faces[1].faceNormal];
  EXPECT_NEAR(a.x * b.x + a.y * b.y + a.z * b.z, 1135.0, 2.0);
  EXPECT_EQ(faces[0].normal[0], faces[1].normal[1]);
  EXPECT_EQ(faces[0].normal[1], faces[1].normal[0]);
  // The lone corners keep their own face's direction; the shared ones lie between.
  const Vector3 shared = scene->normals[faces[0].normal[0]];
  const Vector3 lone = scene->normals[faces[0].normal[2]];
  EXPECT_NEAR(shared.y, 255.0 * std::sin(44.5 * std::numbers::pi / 180.0), 0.01);
  EXPECT_NEAR(lone.z, 255.0, 0.01);
  expectNormalsValid(*scene);
  release(scene);

  scene = hinge(91.0);
  buildNormals(*scene);
  faces = scene->faces;
  EXPECT_NE(faces[0].normal[0], faces[1].normal[1]);
  EXPECT_NE(faces[0].normal[1], faces[1].normal[0]);
  EXPECT_EQ(faces[0].normal[0], faces[0].normal[2]);
  EXPECT_EQ(faces[1].normal[0], faces[1].normal[2]);
  release(scene);
}

TEST(Normals, ScalingRoundsEveryComponentDownToAThousandth) {
  // z chosen so the length rounds to exactly 255 and x is divided by 1.
  const float x = 12.3456f;
  const auto z = static_cast<float>(std::sqrt(255.0 * 255.0 - double{x} * x));
  ASSERT_EQ(static_cast<float>(std::sqrt(double{x} * x + double{z} * z)), 255.0f);
  EXPECT_EQ(scaleToNormalLength({-x, 0, z}).x, -12.346f);
  EXPECT_EQ(scaleToNormalLength({x, 0, z}).x, 12.345f);
  EXPECT_EQ(scaleToNormalLength({0, 0, 1}).z, 254.999f);
  EXPECT_EQ(scaleToNormalLength({0, 0, 254.999f}).z, 255.0f);
}

TEST(Normals, EveryCornerOfABusyVertexIsKept) {
  // A flat fan of 24 triangles around vertex 0: 24 corners meet there.
  std::vector<Position> positions{{0, 0, 0}};
  std::vector<Corners> faces;
  constexpr int spokes = 24;
  for (int i = 0; i < spokes; ++i) {
    const double angle = 2.0 * std::numbers::pi * i / spokes;
    positions.push_back(
        {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)), 0});
  }
  for (int i = 0; i < spokes; ++i) faces.push_back({0, 1 + i, 1 + (i + 1) % spokes});
  Scene* scene = makeScene(positions, faces);
  buildNormals(*scene);
  const std::int32_t centre = scene->faces[0].normal[0];
  for (std::int32_t f = 0; f < scene->faceCount; ++f) {
    EXPECT_EQ(scene->faces[f].normal[0], centre) << "face " << f;
    for (const std::int32_t n : scene->faces[f].normal) {
      ASSERT_TRUE(n >= 0 && n < scene->normalCount) << "face " << f;
      EXPECT_GE(scene->normals[n].z, 254.999f);
    }
  }
  release(scene);
}

TEST(Normals, ZeroAreaFacesAndUnusedVerticesLeaveTheirNeighboursAlone) {
  const std::vector<Position> positions{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {9, 9, 9}};
  Scene* plain = makeScene(positions, {{0, 1, 2}, {1, 3, 2}});
  // Face 1 repeats a vertex, face 3 has three collinear corners.
  Scene* spoiled = makeScene(positions, {{0, 1, 2}, {1, 1, 2}, {1, 3, 2}, {0, 1, 1}});
  buildNormals(*plain);
  buildNormals(*spoiled);
  const auto normal = [](const Scene& scene, std::int32_t face, int corner) {
    const Vector3 v = scene.normals[scene.faces[face].normal[corner]];
    return std::array<float, 3>{v.x, v.y, v.z};
  };
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(normal(*spoiled, 0, k), normal(*plain, 0, k));
    EXPECT_EQ(normal(*spoiled, 2, k), normal(*plain, 1, k));
    EXPECT_EQ(normal(*spoiled, 1, k), (std::array<float, 3>{0, 0, 0}));
  }
  const Vector3 flat = spoiled->normals[spoiled->faces[3].faceNormal];
  EXPECT_EQ((std::array<float, 3>{flat.x, flat.y, flat.z}), (std::array<float, 3>{0, 0, 0}));
  expectNormalsValid(*spoiled);
  release(plain);
  release(spoiled);
}

TEST(Normals, SceneWithoutFacesGetsNoNormals) {
  Scene* scene = makeScene({{1, 2, 3}}, {});
  buildNormals(*scene);
  EXPECT_EQ(scene->normalCount, 0);
  release(scene);
}
