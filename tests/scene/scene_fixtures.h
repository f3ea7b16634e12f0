#pragma once
// Scenes for the scene tests: in-memory scenes built through the tracked
// allocator (so freeScene releases them), generated .3ds files, and the
// invariants every prepared scene keeps.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/tracked_memory.h"
#include "scene/normals.h"
#include "tools/writer3ds/scene_writer.h"

using Position = std::array<float, 3>;
using Corners = std::array<std::int32_t, 3>;

inline char* copyText(const std::string& text) {
  return static_cast<char*>(std::memcpy(memAlloc(text.size() + 1), text.c_str(), text.size() + 1));
}

template <typename T>
T* trackedArray(std::size_t count) {
  return static_cast<T*>(std::memset(memAlloc(count * sizeof(T)), 0, count * sizeof(T)));
}

// A scene as the reader leaves it (mapping = vertex), with one material per
// transparency, named "m0", "m1", ... Normal indices start invalid (-7).
inline Scene* makeScene(const std::vector<Position>& positions, const std::vector<Corners>& faces,
                        const std::vector<float>& transparencies = {0.0f},
                        const std::vector<std::int32_t>& faceMaterials = {}) {
  Scene* scene = trackedArray<Scene>(1);
  scene->vertexCount = static_cast<std::int32_t>(positions.size());
  scene->vertices = trackedArray<SceneVertex>(positions.size());
  scene->mappings = trackedArray<SceneMapping>(positions.size());
  for (std::size_t v = 0; v < positions.size(); ++v) {
    scene->vertices[v].x = positions[v][0];
    scene->vertices[v].y = positions[v][1];
    scene->vertices[v].z = positions[v][2];
  }
  scene->faceCount = static_cast<std::int32_t>(faces.size());
  scene->faces = trackedArray<SceneFace>(faces.size());
  for (std::size_t f = 0; f < faces.size(); ++f) {
    SceneFace& face = scene->faces[f];
    for (int k = 0; k < 3; ++k) face.vertex[k] = face.mapping[k] = faces[f][k];
    face.normal[0] = face.normal[1] = face.normal[2] = face.faceNormal = -7;
    face.material = f < faceMaterials.size() ? faceMaterials[f] : 0;
  }
  scene->materialCount = static_cast<std::int32_t>(transparencies.size());
  scene->materials = trackedArray<Material>(transparencies.size());
  for (std::size_t m = 0; m < transparencies.size(); ++m) {
    std::string name = "m";
    scene->materials[m].name = copyText(name += std::to_string(m));
    scene->materials[m].transparency = transparencies[m];
  }
  return scene;
}

// A wavy grid of (n + 1)^2 vertices and 2 n^2 faces; face f gets material
// materials[f % materials.size()].
inline WriterObject gridObject(const std::string& name, int n, float originX,
                               const std::vector<std::string>& materials) {
  WriterObject object;
  object.name = name;
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      const float x = originX + static_cast<float>(i), y = static_cast<float>(j);
      object.vertices.push_back({x, y, 3.0f * std::sin(0.9f * x) * std::cos(0.7f * y)});
      object.mappings.push_back({x / static_cast<float>(n), y / static_cast<float>(n)});
    }
  }
  for (const std::string& material : materials) object.faceMaterials.push_back({material, {}});
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const auto v = static_cast<std::uint16_t>(j * (n + 1) + i);
      const auto up = static_cast<std::uint16_t>(v + n + 1);
      object.faces.push_back({v, static_cast<std::uint16_t>(v + 1), up});
      object.faces.push_back(
          {static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(up + 1), up});
    }
  }
  for (std::size_t f = 0; f < object.faces.size(); ++f) {
    object.faceMaterials[f % materials.size()].second.push_back(static_cast<std::uint16_t>(f));
  }
  return object;
}

inline std::string writeTemp3ds(const WriterScene& scene, const std::string& name) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("wildsky_scene_" + std::to_string(::getpid()) + "_" + name);
  const std::vector<std::uint8_t> bytes = write3ds(scene);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

// Nodes stand for faces firstFace.. in order, linked both ways in both chains.
inline void expectNodeArray(const Scene& scene, const FaceNode* nodes, const FaceNode* last,
                            std::int32_t firstFace, std::int32_t count) {
  ASSERT_EQ(nodes == nullptr, count == 0);
  for (std::int32_t k = 0; k < count; ++k) {
    const FaceNode* before = k > 0 ? &nodes[k - 1] : nullptr;
    const FaceNode* after = k + 1 < count ? &nodes[k + 1] : nullptr;
    ASSERT_TRUE(nodes[k].face == &scene.faces[firstFace + k] && nodes[k].scene == &scene &&
                nodes[k].prev == before && nodes[k].framePrev == before && nodes[k].next == after &&
                nodes[k].frameNext == after)
        << "node " << k;
  }
  EXPECT_TRUE(count == 0 || last == &nodes[count - 1]);
}

// What every prepared scene promises the renderer.
inline void expectSceneInvariants(const Scene& scene) {
  ASSERT_TRUE(scene.faceCount >= 0 && scene.normalCount >= 0);
  ASSERT_TRUE(scene.faceCount == 0 || scene.materialCount > 0);
  for (std::int32_t n = 0; n < scene.normalCount; ++n) {
    const Vector3& v = scene.normals[n];
    const double length = std::sqrt(double{v.x} * v.x + double{v.y} * v.y + double{v.z} * v.z);
    EXPECT_TRUE(length == 0.0 || std::fabs(length - 255.0) < 0.01) << "normal " << n;
    EXPECT_TRUE(n == 0 || compareVectors(scene.normals[n - 1], v) < 0.0f) << "normal " << n;
  }
  for (std::int32_t m = 1; m < scene.materialCount; ++m) {
    EXPECT_LE(scene.materials[m - 1].transparency, scene.materials[m].transparency);
  }
  const auto inRange = [](std::int32_t index, std::int32_t count) {
    return index >= 0 && index < count;
  };
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    const SceneFace& face = scene.faces[f];
    for (int k = 0; k < 3; ++k) {
      ASSERT_TRUE(inRange(face.vertex[k], scene.vertexCount)) << "face " << f;
      ASSERT_TRUE(inRange(face.mapping[k], scene.vertexCount)) << "face " << f;
      ASSERT_TRUE(inRange(face.normal[k], scene.normalCount)) << "face " << f;
    }
    ASSERT_TRUE(inRange(face.faceNormal, scene.normalCount)) << "face " << f;
    ASSERT_TRUE(inRange(face.material, scene.materialCount)) << "face " << f;
    EXPECT_TRUE(f == 0 || scene.faces[f - 1].material <= face.material) << "face " << f;
    const bool opaque = scene.materials[face.material].transparency == 0.0f;
    EXPECT_EQ(opaque, f < scene.opaqueFaceCount) << "face " << f;
  }
  expectNodeArray(scene, scene.opaqueNodes, scene.lastOpaqueNode, 0, scene.opaqueFaceCount);
  expectNodeArray(scene, scene.transparentNodes, scene.lastTransparentNode, scene.opaqueFaceCount,
                  scene.faceCount - scene.opaqueFaceCount);
}
