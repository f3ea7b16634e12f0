#pragma once
// A scene as the reader leaves it (mapping = vertex), built through the
// tracked allocator so freeScene releases it: one material per transparency,
// named "m0", "m1", ...; normal indices start invalid (-7).

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "app/tracked_memory.h"
#include "scene/scene_loader.h"

using Position = std::array<float, 3>;
using Corners = std::array<std::int32_t, 3>;

template <typename T>
T* trackedArray(std::size_t count) {
  return static_cast<T*>(std::memset(memAlloc(count * sizeof(T)), 0, count * sizeof(T)));
}

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
    name += std::to_string(m);
    scene->materials[m].name =
        static_cast<char*>(std::memcpy(memAlloc(name.size() + 1), name.c_str(), name.size() + 1));
    scene->materials[m].transparency = transparencies[m];
  }
  return scene;
}
