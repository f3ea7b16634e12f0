#include "scene/normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/scene/scene_fixtures.h"

namespace {

using Vectors = std::vector<std::array<float, 3>>;

// The normals at the given indices.
Vectors normalsOf(const Scene& scene, const Indices& indices) {
  Vectors out;
  for (const std::int32_t n : indices)
    out.push_back({scene.normals[n].x, scene.normals[n].y, scene.normals[n].z});
  return out;
}

Scene* prepared(const std::vector<Position>& positions, const std::vector<Corners>& faces) {
  Scene* scene = makeScene(positions, faces);
  buildNormals(*scene);
  return scene;
}

// Face 1 is folded up along the edge it shares with face 0 (vertices 0 and 1)
// until the normals lie 89 or 91 degrees apart.
TEST(Normals, FacesLessThanARightAngleApartAreSmoothedTogether) {
  for (const double degrees : {89.0, 91.0}) {
    const double radians = degrees * std::numbers::pi / 180.0;
    const auto y = static_cast<float>(-std::cos(radians)),
               z = static_cast<float>(std::sin(radians));
    Scene* scene =
        prepared({{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, y, z}}, {{0, 1, 2}, {1, 0, 3}});
    const SceneFace* f = scene->faces;
    const Vector3 a = scene->normals[f[0].faceNormal], b = scene->normals[f[1].faceNormal];
    const float dot = a.z * b.z + a.y * b.y + a.x * b.x;
    if (degrees < 90.0) {
      EXPECT_NEAR(dot, 1135.0, 2.0);
      EXPECT_TRUE(f[0].normal[0] == f[1].normal[1] && f[0].normal[1] == f[1].normal[0]);
      EXPECT_NEAR(scene->normals[f[0].normal[0]].y,
                  255.0 * std::sin(44.5 * std::numbers::pi / 180.0), 0.01);
      EXPECT_NE(f[0].normal[0], f[0].normal[2]);  // the lone corner is not smoothed
    } else {
      EXPECT_LT(dot, 0.0f);
      EXPECT_NE(f[0].normal[0], f[1].normal[1]);
      EXPECT_TRUE(f[0].normal[0] == f[0].normal[2] && f[1].normal[0] == f[1].normal[2]);
    }
    freeScene(scene);
  }
}

// A lone face's normal, 255 long, has each component rounded down to a
// thousandth: 255 / sqrt(2) = 180.3122 gives 180.312 and -180.313. Its
// corners' normal, that normal made 255 long again, rounds to 180.311.
TEST(Normals, ComponentsAreRoundedDownToAThousandth) {
  Scene* scene = prepared({{0, 0, 0}, {1, 0, 0}, {0, 1, 1}}, {{0, 1, 2}});
  const std::int32_t* n = scene->faces[0].normal;
  EXPECT_EQ(normalsOf(*scene, {scene->faces[0].faceNormal}),
            (Vectors{{0.0f, -180.313f, 180.312f}}));
  EXPECT_EQ(normalsOf(*scene, {n[0], n[1], n[2]}), (Vectors(3, {0.0f, -180.313f, 180.311f})));
  freeScene(scene);
}

TEST(Normals, ZeroAreaFacesAndUnusedVertices) {
  // Face 1 repeats a vertex and face 3 is a line; vertex 4 is used by none.
  const std::vector<Position> unused{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {9, 9, 9}};
  Scene* plain = prepared(unused, {{0, 1, 2}, {1, 3, 2}});
  Scene* spoiled = prepared(unused, {{0, 1, 2}, {1, 1, 2}, {1, 3, 2}, {0, 1, 1}});
  const auto corners = [](const Scene& scene, std::int32_t face) {
    const std::int32_t* n = scene.faces[face].normal;
    return normalsOf(scene, {n[0], n[1], n[2]});
  };
  EXPECT_EQ(corners(*spoiled, 0), corners(*plain, 0));
  EXPECT_EQ(corners(*spoiled, 2), corners(*plain, 1));
  EXPECT_EQ(corners(*spoiled, 1), (Vectors(3, {0, 0, 0})));
  EXPECT_EQ(spoiled->faces[3].faceNormal, spoiled->faces[1].faceNormal);
  EXPECT_EQ(normalsOf(*spoiled, {0}).front(), (std::array<float, 3>{0, 0, 0}));
  for (Scene* scene : {plain, spoiled}) freeScene(scene);
}

// A fine cone's apex is smoothed; one whose corners' pairs alone exceed the
// scene's smoothing budget of 2^28 keeps its faces' own normals, so that a
// hostile file cannot stall loading. The rim is smoothed either way.
TEST(Normals, AVertexWithTooManyCornersKeepsItsFacesNormals) {
  for (const std::int32_t sides : {4097, 16385}) {
    std::vector<Position> positions{{0, 0, 1}};
    std::vector<Corners> faces;
    for (std::int32_t i = 0; i < sides; ++i) {
      const double angle = 2 * std::numbers::pi * i / sides;
      positions.push_back(
          {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)), 0});
      faces.push_back({0, 1 + i, 1 + (i + 1) % sides});
    }
    Scene* scene = prepared(positions, faces);
    const SceneFace& face = scene->faces[0];
    EXPECT_EQ(face.normal[0] == face.faceNormal, sides > 16384) << sides << " sides";
    EXPECT_NE(face.normal[1], face.faceNormal) << sides << " sides";
    freeScene(scene);
  }
}

}  // namespace
