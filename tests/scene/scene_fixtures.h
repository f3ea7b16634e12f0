#pragma once
// Scenes for the scene tests: small in-memory scenes built through the
// tracked allocator (so freeScene can release them), generated .3ds files,
// and the invariants every loaded scene must satisfy.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/tracked_memory.h"
#include "scene/normals.h"
#include "scene/scene_types.h"
#include "tools/writer3ds/scene_writer.h"

using Position = std::array<float, 3>;
using Corners = std::array<std::int32_t, 3>;

inline char* copyText(const std::string& text) {
  auto* copy = static_cast<char*>(memAlloc(text.size() + 1));
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

// A scene as the reader leaves it: positions, faces (mapping = vertex), and
// one material per transparency, named "m0", "m1", ...
inline Scene* makeScene(const std::vector<Position>& positions, const std::vector<Corners>& faces,
                        const std::vector<float>& transparencies = {0.0f},
                        const std::vector<std::int32_t>& faceMaterials = {}) {
  auto* scene = static_cast<Scene*>(memAlloc(sizeof(Scene)));
  std::memset(scene, 0, sizeof(Scene));
  scene->vertexCount = static_cast<std::int32_t>(positions.size());
  scene->vertices = static_cast<SceneVertex*>(memAlloc(positions.size() * sizeof(SceneVertex)));
  scene->mappings = static_cast<SceneMapping*>(memAlloc(positions.size() * sizeof(SceneMapping)));
  for (std::size_t v = 0; v < positions.size(); ++v) {
    SceneVertex vertex{};
    vertex.x = positions[v][0];
    vertex.y = positions[v][1];
    vertex.z = positions[v][2];
    scene->vertices[v] = vertex;
    scene->mappings[v] = {0.0f, 0.0f};
  }
  scene->faceCount = static_cast<std::int32_t>(faces.size());
  scene->faces = static_cast<SceneFace*>(memAlloc(faces.size() * sizeof(SceneFace)));
  for (std::size_t f = 0; f < faces.size(); ++f) {
    SceneFace face{};
    for (int k = 0; k < 3; ++k) {
      face.vertex[k] = faces[f][k];
      face.mapping[k] = faces[f][k];
      face.normal[k] = -7;  // never a valid index: shows a corner left unset
    }
    face.faceNormal = -7;
    face.material = f < faceMaterials.size() ? faceMaterials[f] : 0;
    scene->faces[f] = face;
  }
  scene->materialCount = static_cast<std::int32_t>(transparencies.size());
  scene->materials = static_cast<Material*>(memAlloc(transparencies.size() * sizeof(Material)));
  for (std::size_t m = 0; m < transparencies.size(); ++m) {
    Material material{};
    std::string name = "m";
    name += std::to_string(m);
    material.name = copyText(name);
    material.transparency = transparencies[m];
    material.flags = transparencies[m] != 0.0f ? MATERIAL_TRANSPARENT : 0u;
    scene->materials[m] = material;
  }
  return scene;
}

// A grid of (n + 1)^2 vertices and 2 n^2 faces over [0, size]^2, lifted by a
// gentle wave so the normals differ.
inline WriterObject gridObject(const std::string& name, int n, float size, float originX,
                               float originY) {
  WriterObject object;
  object.name = name;
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      const float x = originX + size * static_cast<float>(i) / static_cast<float>(n);
      const float y = originY + size * static_cast<float>(j) / static_cast<float>(n);
      object.vertices.push_back({x, y, 3.0f * std::sin(0.3f * x) * std::cos(0.2f * y)});
      object.mappings.push_back({static_cast<float>(i) / static_cast<float>(n),
                                 static_cast<float>(j) / static_cast<float>(n)});
    }
  }
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const auto v = static_cast<std::uint16_t>(j * (n + 1) + i);
      const auto up = static_cast<std::uint16_t>(v + n + 1);
      object.faces.push_back({v, static_cast<std::uint16_t>(v + 1), up});
      object.faces.push_back(
          {static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(up + 1), up});
    }
  }
  return object;
}

// Gives face f of the object the material names[f % names.size()].
inline void assignMaterialsInTurn(WriterObject& object, const std::vector<std::string>& names) {
  object.faceMaterials.clear();
  for (const std::string& name : names) object.faceMaterials.push_back({name, {}});
  for (std::size_t f = 0; f < object.faces.size(); ++f) {
    object.faceMaterials[f % names.size()].second.push_back(static_cast<std::uint16_t>(f));
  }
}

inline std::string writeTemp3ds(const WriterScene& scene, const std::string& name) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("wildsky_scene_" + std::to_string(::getpid()) + "_" + name);
  const std::vector<std::uint8_t> bytes = write3ds(scene);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

inline void expectNodeArray(const Scene& scene, const FaceNode* nodes, const FaceNode* last,
                            std::int32_t firstFace, std::int32_t count) {
  if (count == 0) {
    EXPECT_EQ(nodes, nullptr);
    return;
  }
  ASSERT_NE(nodes, nullptr);
  EXPECT_EQ(last, &nodes[count - 1]);
  for (std::int32_t k = 0; k < count; ++k) {
    const FaceNode& node = nodes[k];
    EXPECT_EQ(node.face, &scene.faces[firstFace + k]);
    EXPECT_EQ(node.scene, &scene);
    EXPECT_EQ(node.prev, k > 0 ? &nodes[k - 1] : nullptr);
    EXPECT_EQ(node.framePrev, node.prev);
    if (k + 1 < count) {
      EXPECT_EQ(node.next, &nodes[k + 1]);
      EXPECT_EQ(node.frameNext, &nodes[k + 1]);
    }
  }
}

// Normals are finite, of length 255 (or 0 for a face without area), strictly
// ascending, and every face's indices reach one of them.
inline void expectNormalsValid(const Scene& scene) {
  ASSERT_GE(scene.normalCount, 0);
  for (std::int32_t n = 0; n < scene.normalCount; ++n) {
    const Vector3& v = scene.normals[n];
    ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    const double length = std::sqrt(double{v.x} * v.x + double{v.y} * v.y + double{v.z} * v.z);
    EXPECT_TRUE(length == 0.0 || std::fabs(length - 255.0) < 0.01) << "normal " << n;
    if (n > 0) {
      EXPECT_LT(compareVectors(scene.normals[n - 1], v), 0.0f) << "normal " << n;
    }
  }
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    const SceneFace& face = scene.faces[f];
    for (const std::int32_t n : face.normal) {
      ASSERT_GE(n, 0);
      ASSERT_LT(n, scene.normalCount);
    }
    ASSERT_GE(face.faceNormal, 0);
    ASSERT_LT(face.faceNormal, scene.normalCount);
  }
}

// What every prepared scene promises the renderer.
inline void expectSceneInvariants(const Scene& scene) {
  ASSERT_GE(scene.faceCount, 0);
  ASSERT_TRUE(scene.faceCount == 0 || scene.materialCount > 0);
  expectNormalsValid(scene);
  for (std::int32_t m = 1; m < scene.materialCount; ++m) {
    EXPECT_LE(scene.materials[m - 1].transparency, scene.materials[m].transparency);
  }
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    const SceneFace& face = scene.faces[f];
    for (int k = 0; k < 3; ++k) {
      ASSERT_GE(face.vertex[k], 0);
      ASSERT_LT(face.vertex[k], scene.vertexCount);
      ASSERT_GE(face.mapping[k], 0);
      ASSERT_LT(face.mapping[k], scene.vertexCount);
    }
    ASSERT_GE(face.material, 0);
    ASSERT_LT(face.material, scene.materialCount);
    if (f > 0) {
      EXPECT_LE(scene.faces[f - 1].material, face.material);
    }
    const bool opaque = scene.materials[face.material].transparency == 0.0f;
    EXPECT_EQ(opaque, f < scene.opaqueFaceCount) << "face " << f;
  }
  expectNodeArray(scene, scene.opaqueNodes, scene.lastOpaqueNode, 0, scene.opaqueFaceCount);
  expectNodeArray(scene, scene.transparentNodes, scene.lastTransparentNode, scene.opaqueFaceCount,
                  scene.faceCount - scene.opaqueFaceCount);
}
