#include "scene/scene_order.h"

#include "app/tracked_memory.h"
#include "scene/key_pair_sort.h"
#include "scene/scene_memory.h"

void sortMaterialsByTransparency(Scene& scene) {
  const std::int32_t count = scene.materialCount;
  if (count <= 0) return;
  auto* pairs = allocArray<KeyPair>(count);
  for (std::int32_t m = 0; m < count; ++m) pairs[m] = {m, scene.materials[m].transparency};
  sortKeyPairs(pairs, count);

  auto* sorted = allocArray<Material>(count);
  for (std::int32_t k = 0; k < count; ++k) sorted[k] = scene.materials[pairs[k].index];
  InverseIndexEntry* newPosition = memAllocInverseIndex(pairs, count);
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    SceneFace& face = scene.faces[f];
    face.material = newPosition[face.material].newPosition;
  }
  memFree(scene.materials);
  scene.materials = sorted;
  memFree(pairs);
  memFree(newPosition);
}

void sortFacesByMaterial(Scene& scene) {
  const std::int32_t count = scene.faceCount;
  if (count <= 0) return;
  auto* pairs = allocArray<KeyPair>(count);
  for (std::int32_t f = 0; f < count; ++f) {
    pairs[f] = {f, static_cast<float>(scene.faces[f].material)};
  }
  sortKeyPairs(pairs, count);

  auto* sorted = allocArray<SceneFace>(count);
  for (std::int32_t k = 0; k < count; ++k) sorted[k] = scene.faces[pairs[k].index];
  memFree(pairs);
  memFree(scene.faces);
  scene.faces = sorted;
}

std::int32_t countOpaqueFaces(const Scene& scene) {
  std::int32_t opaque = 0;
  while (opaque < scene.faceCount &&
         scene.materials[scene.faces[opaque].material].transparency == 0.0f) {
    ++opaque;
  }
  return opaque;
}
