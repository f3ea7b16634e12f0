#include "reader3ds/load3ds.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "app/tracked_memory.h"
#include "platform/file_names.h"
#include "reader3ds/chunk_walker.h"
#include "reader3ds/reader_state.h"

namespace {

// Grey, opaque, one-sided: what a face gets when no material of the file is
// named for it.
constexpr float FALLBACK_GREY = 200.0f;

std::int32_t measureFile(std::FILE* stream) {
  std::fseek(stream, 0, SEEK_END);
  const long length = std::ftell(stream);
  std::fseek(stream, 0, SEEK_SET);
  if (length < 0) return 0;
  return static_cast<std::int32_t>(
      std::min<long>(length, std::numeric_limits<std::int32_t>::max()));
}

void addFallbackMaterialIfNeeded() {
  ReaderState& s = readerState;
  bool needed = false;
  for (std::int32_t f = 0; f < s.faceCount; ++f) needed |= s.faces[f].material == NO_MATERIAL;
  if (!needed) return;
  const std::int32_t fallback = appendRecords(s.materials, s.materialCount, 1);
  Material& material = s.materials[fallback];
  material.name = static_cast<char*>(memAlloc(1));
  material.name[0] = '\0';
  material.flags = MATERIAL_HAS_DIFFUSE;
  for (float& c : material.diffuse) c = FALLBACK_GREY;
  for (std::int32_t f = 0; f < s.faceCount; ++f) {
    if (s.faces[f].material == NO_MATERIAL) s.faces[f].material = fallback;
  }
}

void handOver(Scene* scene) {
  ReaderState& s = readerState;
  alignMappingsToVertices();
  addFallbackMaterialIfNeeded();
  scene->mappings = static_cast<SceneMapping*>(memAllocArray(s.mappingCount, sizeof(SceneMapping)));
  scene->vertexCount = s.vertexCount;
  scene->faceCount = s.faceCount;
  scene->vertices = s.vertices;
  scene->faces = s.faces;
  for (std::int32_t f = 0; f < s.faceCount; ++f) {
    for (int k = 0; k < 3; ++k) s.faces[f].mapping[k] = s.faces[f].vertex[k];
  }
  // Each vertex starts out holding its own pair: a vertex that a coloured
  // face projects before a textured face reuses it in the same frame keeps
  // the texture coordinates it was projected with.
  for (std::int32_t j = 0; j < s.mappingCount; ++j) {
    scene->mappings[j].s = s.mappings[j].u * 256.0f;
    scene->mappings[j].t = s.mappings[j].v * 256.0f;
    s.vertices[j].s = scene->mappings[j].s;
    s.vertices[j].t = scene->mappings[j].t;
  }
  memFree(s.mappings);
  scene->materialCount = s.materialCount;
  scene->materials = s.materials;
  beginLoad(0);
}

}  // namespace

int load3ds(const char* fileName, Scene* scene) {
  std::FILE* stream = openFile(fileName, "rb");
  if (stream == nullptr) {
    std::printf("Can't open \"%s\"!\n", fileName);
    std::fflush(stdout);
    std::exit(1);
  }
  const std::int32_t fileLength = measureFile(stream);
  beginLoad(fileLength);
  walkChunks(stream, fileLength);
  handOver(scene);
  std::fclose(stream);
  return 0;
}
