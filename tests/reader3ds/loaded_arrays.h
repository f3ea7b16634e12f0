#pragma once

#include "app/tracked_memory.h"
#include "scene/scene_types.h"

// Releases what load3ds handed to the scene (tracked) and clears the scene.
inline void freeLoadedArrays(Scene& scene) {
  for (std::int32_t m = 0; m < scene.materialCount; ++m) {
    memFree(scene.materials[m].name);
    memFree(scene.materials[m].textureFile);
  }
  memFree(scene.materials);
  memFree(scene.faces);
  memFree(scene.vertices);
  memFree(scene.mappings);
  scene = Scene{};
}
