#pragma once
// Vertices placed directly in camera space, for the renderer's tests.

#include "render/view_transform.h"
#include "scene/scene_types.h"

inline SceneVertex cameraVertex(float viewX, float viewY, float viewZ, float shade = 0.0f) {
  SceneVertex vertex{};
  vertex.viewX = viewX;
  vertex.viewY = viewY;
  vertex.viewZ = viewZ;
  vertex.grVertex.r = shade;
  vertex.grVertex.g = 255.0f - shade;
  vertex.grVertex.b = shade * 0.5f;
  computeClipCodes(vertex);
  return vertex;
}

// The camera-space point that projects to screen (x, y), unbiased, at depth viewZ.
inline SceneVertex screenVertex(float x, float y, float viewZ, float shade = 0.0f) {
  const float scale = (350.0f - viewZ) / 350.0f;
  return cameraVertex((x - 256.0f) * scale, (y - 192.0f) * scale, viewZ, shade);
}
