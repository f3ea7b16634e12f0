#include "scene/scene_guard.h"

#include <cstdint>

#include "scene/scene_memory.h"

namespace {

bool inRange(std::int32_t index, std::int32_t count) { return index >= 0 && index < count; }

bool keepFace(SceneFace& face, const Scene& scene) {
  for (const std::int32_t v : face.vertex) {
    if (!inRange(v, scene.vertexCount)) return false;
  }
  if (!inRange(face.material, scene.materialCount)) {
    if (scene.materialCount <= 0) return false;
    face.material = 0;
  }
  for (std::int32_t k = 0; k < 3; ++k) {
    if (!inRange(face.mapping[k], scene.vertexCount)) face.mapping[k] = face.vertex[k];
  }
  return true;
}

}  // namespace

void guardSceneIndices(Scene& scene) {
  if (scene.faces == nullptr || scene.faceCount < 0) scene.faceCount = 0;
  if (scene.vertices == nullptr || scene.vertexCount < 0) scene.vertexCount = 0;
  if (scene.materials == nullptr || scene.materialCount < 0) scene.materialCount = 0;
  if (scene.mappings == nullptr) {
    scene.mappings = allocArray<SceneMapping>(scene.vertexCount);
    for (std::int32_t v = 0; v < scene.vertexCount; ++v) scene.mappings[v] = {0.0f, 0.0f};
  }

  for (std::int32_t m = 0; m < scene.materialCount; ++m) {
    Material& material = scene.materials[m];
    if (!(material.transparency > 0.0f)) material.transparency = 0.0f;
    if (material.transparency > 0.0f) {
      material.flags |= MATERIAL_TRANSPARENT;
    } else {
      material.flags &= ~MATERIAL_TRANSPARENT;
    }
  }

  std::int32_t kept = 0;
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    if (keepFace(scene.faces[f], scene)) scene.faces[kept++] = scene.faces[f];
  }
  scene.faceCount = kept;
}
