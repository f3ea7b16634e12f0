#include "scene/scene_loader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/tracked_memory.h"
#include "reader3ds/load3ds.h"
#include "scene/frame_lists.h"
#include "scene/normals.h"
#include "scene/scene_guard.h"
#include "scene/scene_memory.h"
#include "scene/scene_order.h"

namespace {

// The path buffer is sized to the formatted name, so no name is cut short.
char* formatPath(const char* format, std::va_list arguments) {
  std::va_list measure;
  va_copy(measure, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  const std::size_t size = length > 0 ? static_cast<std::size_t>(length) + 1 : 1;
  auto* path = static_cast<char*>(memAlloc(size));
  path[0] = '\0';
  if (length > 0) std::vsnprintf(path, size, format, arguments);
  return path;
}

}  // namespace

Scene* loadScene(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  char* path = formatPath(format, arguments);
  va_end(arguments);

  auto* scene = static_cast<Scene*>(memAlloc(sizeof(Scene)));
  std::memset(scene, 0, sizeof(Scene));
  load3ds(path, scene);
  memFree(path);

  guardSceneIndices(*scene);
  buildNormals(*scene);
  sortMaterialsByTransparency(*scene);
  sortFacesByMaterial(*scene);
  scene->opaqueFaceCount = countOpaqueFaces(*scene);
  buildFaceNodes(*scene);
  scene->viewNormals = allocArray<Vector3>(scene->normalCount);
  return scene;
}

void freeScene(Scene* scene) {
  if (scene == nullptr) return;
  memFree(scene->faces);
  memFree(scene->vertices);
  memFree(scene->normals);
  memFree(scene->mappings);
  memFree(scene->viewNormals);
  for (std::int32_t m = 0; m < scene->materialCount; ++m) {
    memFree(scene->materials[m].name);
    memFree(scene->materials[m].textureFile);
  }
  memFree(scene->materials);
  memFree(scene->opaqueNodes);
  memFree(scene->transparentNodes);
  memFree(scene);
}
