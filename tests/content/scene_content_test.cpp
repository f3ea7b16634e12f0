#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "scene/scene_loader.h"
#include "tests/content/content_fixture.h"
#include "tools/mkcontent/scenes.h"

namespace {

using Triple = std::array<int, 3>;

// Every face of the written scene by its scene-wide corners, with its material's name.
std::map<Triple, std::string> writtenFaces(const WriterScene& written) {
  std::map<Triple, std::string> faces;
  int base = 0;
  for (const WriterObject& object : written.objects) {
    for (const auto& [name, list] : object.faceMaterials)
      for (std::uint16_t f : list) {
        const auto& face = object.faces[f];
        faces[{base + face[0], base + face[1], base + face[2]}] = name;
      }
    base += static_cast<int>(object.vertices.size());
  }
  return faces;
}

// The loaded scene is exactly the written one: no face dropped or given a
// fallback material, every vertex and mapping pair as written.
void expectLoadedAsWritten(const Scene& scene, const WriterScene& written) {
  ASSERT_EQ(scene.materialCount, static_cast<int>(written.materials.size()))
      << "a fallback material";
  const auto faces = writtenFaces(written);
  ASSERT_EQ(scene.faceCount, static_cast<int>(faces.size()));
  for (int f = 0; f < scene.faceCount; ++f) {
    const SceneFace& face = scene.faces[f];
    const auto found = faces.find({face.vertex[0], face.vertex[1], face.vertex[2]});
    ASSERT_NE(found, faces.end()) << "face " << f;
    ASSERT_STREQ(scene.materials[face.material].name, found->second.c_str());
    for (int k = 0; k < 3; ++k) ASSERT_EQ(face.mapping[k], face.vertex[k]);
  }
  int v = 0;
  for (const WriterObject& object : written.objects) {
    ASSERT_EQ(object.mappings.size(), object.vertices.size()) << object.name;
    for (std::size_t k = 0; k < object.vertices.size(); ++k, ++v) {
      ASSERT_EQ(scene.vertices[v].x, object.vertices[k][0]);
      ASSERT_EQ(scene.vertices[v].z, object.vertices[k][2]);
      ASSERT_EQ(scene.mappings[v].s, object.mappings[k][0] * 256.0f);
      ASSERT_EQ(scene.mappings[v].t, object.mappings[k][1] * 256.0f);
    }
  }
  ASSERT_EQ(scene.vertexCount, v);
}

// Every edge, taken by the places of its two corners, is met exactly once in
// each direction: the surface is closed and turned one way throughout.
void expectClosed(const std::vector<const WriterObject*>& objects) {
  std::map<std::array<float, 6>, int> edges;
  for (const WriterObject* object : objects)
    for (const auto& face : object->faces)
      for (int k = 0; k < 3; ++k) {
        const auto& p = object->vertices[face[k]];
        const auto& q = object->vertices[face[(k + 1) % 3]];
        ++edges[{p[0], p[1], p[2], q[0], q[1], q[2]}];
      }
  for (const auto& [edge, count] : edges) {
    ASSERT_EQ(count, 1) << "edge used twice the same way";
    ASSERT_TRUE(edges.count({edge[3], edge[4], edge[5], edge[0], edge[1], edge[2]}))
        << "open edge at " << edge[0] << " " << edge[1] << " " << edge[2];
  }
}

const WriterObject& object(const WriterScene& scene, const std::string& name) {
  for (const WriterObject& o : scene.objects)
    if (o.name == name) return o;
  throw std::runtime_error("no object " + name);
}

}  // namespace

TEST(WildScene, LoadsAsWrittenWithTheFacesAndMaterialsAsked) {
  ASSERT_FALSE(contentDir().empty());
  const WriterScene written = makeWildScene();
  Scene* scene = loadScene("%s/OBJECTS/qxwild.3ds", contentDir().c_str());
  expectLoadedAsWritten(*scene, written);
  EXPECT_GE(scene->faceCount, 15000);
  EXPECT_LE(scene->faceCount, 40000);
  EXPECT_GE(written.objects.size(), 6u);
  EXPECT_GE(scene->materialCount, 8);
  EXPECT_LE(scene->materialCount, 14);

  int textured = 0, twoSided = 0, plainOpaque = 0, transparentTextured = 0;
  std::set<float> crystalTransparencies;
  for (int m = 0; m < scene->materialCount; ++m) {
    const Material& material = scene->materials[m];
    const bool hasTexture = material.flags & MATERIAL_HAS_TEXTURE;
    const bool transparent = material.flags & MATERIAL_TRANSPARENT;
    textured += hasTexture;
    twoSided += material.twoSided;
    plainOpaque += !hasTexture && !transparent && (material.flags & MATERIAL_HAS_DIFFUSE);
    transparentTextured += hasTexture && transparent;
    if (!hasTexture && transparent) crystalTransparencies.insert(material.transparency);
  }
  EXPECT_GE(textured, 6) << "grass, rock, sand, water, bark, leaves...";
  EXPECT_GE(twoSided, 1);
  EXPECT_GE(plainOpaque, 2);
  EXPECT_GE(transparentTextured, 1) << "the water";
  EXPECT_GE(crystalTransparencies.size(), 3u) << "crystals at several transparencies";

  // Sized for the eye 350 units away: it fills the view, and no vertex comes
  // near the near plane 340 units out whichever way the camera turns.
  float reach = 0.0f;
  for (int v = 0; v < scene->vertexCount; ++v) {
    const SceneVertex& p = scene->vertices[v];
    reach = std::max(reach, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
  }
  EXPECT_GT(reach, 256.0f);
  EXPECT_LT(reach, 340.0f);
  freeScene(scene);
}

TEST(WildScene, SolidsAreClosedAndFaceOutward) {
  const WriterScene written = makeWildScene();
  expectClosed({&object(written, "Island"), &object(written, "Underside")});
  for (const char* name : {"Rocks", "Drifters", "Crystals", "Marbles", "Ring"})
    expectClosed({&object(written, name)});
  // The island's top looks up: culling keeps the faces whose normal, by the
  // loader's rule n = (P2 - P1) x (P0 - P1), points at the eye.
  const WriterObject& top = object(written, "Island");
  int up = 0;
  for (const auto& face : top.faces) {
    const auto &p0 = top.vertices[face[0]], &p1 = top.vertices[face[1]],
               &p2 = top.vertices[face[2]];
    const float ax = p0[0] - p1[0], ay = p0[1] - p1[1], bx = p2[0] - p1[0], by = p2[1] - p1[1];
    up += (ay * bx - ax * by) > 0.0f;
  }
  EXPECT_EQ(up, static_cast<int>(top.faces.size()));
}

TEST(SkyBall, SurroundsTheEyeFacingInward) {
  ASSERT_FALSE(contentDir().empty());
  const WriterScene written = makeSkyScene();
  expectClosed({&written.objects[0]});
  Scene* scene = loadScene("%s/OBJECTS/ballsky.3ds", contentDir().c_str());
  expectLoadedAsWritten(*scene, written);
  ASSERT_EQ(scene->materialCount, 1);
  EXPECT_TRUE(scene->materials[0].flags & MATERIAL_HAS_TEXTURE);
  EXPECT_STREQ(scene->materials[0].textureFile, "SKY.3df");

  for (int f = 0; f < scene->faceCount; ++f) {
    const SceneFace& face = scene->faces[f];
    const SceneVertex* p[3];
    for (int k = 0; k < 3; ++k) p[k] = &scene->vertices[face.vertex[k]];
    // Scaled by 5 as at start-up, every face plane lies farther from the
    // centre than the eye (350), so the eye is inside the ball at every angle.
    const float ax = p[0]->x - p[1]->x, ay = p[0]->y - p[1]->y, az = p[0]->z - p[1]->z;
    const float bx = p[2]->x - p[1]->x, by = p[2]->y - p[1]->y, bz = p[2]->z - p[1]->z;
    const float nx = az * by - bz * ay, ny = ax * bz - az * bx, nz = ay * bx - ax * by;
    const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
    const float planeDistance = -(nx * p[1]->x + ny * p[1]->y + nz * p[1]->z) * 5.0f / length;
    ASSERT_GT(planeDistance, 400.0f) << "face " << f << " does not face the centre";
  }
  freeScene(scene);
}
