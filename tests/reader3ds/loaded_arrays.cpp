#include "tests/reader3ds/loaded_arrays.h"

#include "app/tracked_memory.h"

void freeLoadedArrays(Scene& scene) {
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
