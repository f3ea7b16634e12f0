#pragma once
// A scene as the reader leaves it (mapping = vertex), built through the
// tracked allocator so freeScene releases it: one material per transparency;
// normal indices start invalid (-7).

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>
#include <vector>

#include "app/tracked_memory.h"
#include "scene/scene_loader.h"

using Position = std::array<float, 3>;
using Corners = std::array<std::int32_t, 3>;
using Indices = std::vector<std::int32_t>;

template <typename T>
T* trackedArray(std::size_t count) {
  return static_cast<T*>(std::memset(memAlloc(count * sizeof(T)), 0, count * sizeof(T)));
}

inline Scene* makeScene(const std::vector<Position>& positions, const std::vector<Corners>& faces,
                        const std::vector<float>& transparencies = {0.0f},
                        const Indices& faceMaterials = {}) {
  Scene* s = trackedArray<Scene>(1);
  s->vertexCount = static_cast<std::int32_t>(positions.size());
  s->faceCount = static_cast<std::int32_t>(faces.size());
  s->materialCount = static_cast<std::int32_t>(transparencies.size());
  s->vertices = trackedArray<SceneVertex>(positions.size());
  s->mappings = trackedArray<SceneMapping>(positions.size());
  s->faces = trackedArray<SceneFace>(faces.size());
  s->materials = trackedArray<Material>(transparencies.size());
  for (std::size_t v = 0; v < positions.size(); ++v)
    std::tie(s->vertices[v].x, s->vertices[v].y, s->vertices[v].z) = std::tuple_cat(positions[v]);
  for (std::size_t f = 0; f < faces.size(); ++f) {
    SceneFace& face = s->faces[f];
    for (int k = 0; k < 3; ++k) face.vertex[k] = face.mapping[k] = faces[f][k];
    face.normal[0] = face.normal[1] = face.normal[2] = face.faceNormal = -7;
    face.material = f < faceMaterials.size() ? faceMaterials[f] : 0;
  }
  for (std::size_t m = 0; m < transparencies.size(); ++m)
    s->materials[m].transparency = transparencies[m];
  return s;
}
