#include "reader3ds/mesh_handlers.h"

#include "reader3ds/chunk_walker.h"
#include "reader3ds/material_names.h"
#include "reader3ds/reader_state.h"
#include "reader3ds/stream_reads.h"

namespace {

constexpr std::size_t VERTEX_BYTES = 12;  // x, y, z
constexpr std::size_t FACE_BYTES = 8;     // a, b, c, flags
constexpr std::size_t MAPPING_BYTES = 8;  // u, v

// A corner number outside its object is replaced by the object's first vertex.
std::int32_t sceneVertexIndex(std::uint16_t corner, std::int32_t objectVertexCount) {
  return readerState.vertexBase + (corner < objectVertexCount ? corner : 0);
}

}  // namespace

void onObjectBlock(std::FILE* stream, std::int32_t endOffset) {
  skipName(stream);
  // Each object starts and ends with one mapping pair per vertex so far, so
  // an object with fewer (or more) pairs than vertices cannot shift the next.
  alignMappingsToVertices();
  walkChunks(stream, endOffset);
  alignMappingsToVertices();
}

void onVertexList(std::FILE* stream, std::int32_t endOffset) {
  ReaderState& s = readerState;
  const std::int32_t held = readRecordCount(stream, endOffset, VERTEX_BYTES);
  if (held < 0) return;
  s.vertexBase = appendRecords(s.vertices, s.vertexCount, held);
  for (std::int32_t i = 0; i < held; ++i) {
    float xyz[3];
    if (!readF32s(stream, xyz, 3)) return;
    SceneVertex& v = s.vertices[s.vertexBase + i];
    v.x = xyz[0];
    v.y = xyz[1];
    v.z = xyz[2];
  }
}

void onFaceList(std::FILE* stream, std::int32_t endOffset) {
  ReaderState& s = readerState;
  const std::int32_t held = readRecordCount(stream, endOffset, FACE_BYTES);
  if (held < 0) return;
  if (held > 0 && s.vertexCount == s.vertexBase) {
    // Faces of an object without vertices collapse onto one vertex at the origin.
    s.vertexBase = appendRecords(s.vertices, s.vertexCount, 1);
  }
  const std::int32_t objectVertexCount = s.vertexCount - s.vertexBase;
  s.faceBase = appendRecords(s.faces, s.faceCount, held);
  s.faceListCount = held;
  for (std::int32_t i = 0; i < held; ++i) {
    SceneFace& face = s.faces[s.faceBase + i];
    face.material = NO_MATERIAL;
    for (std::int32_t& v : face.vertex) v = s.vertexBase;
  }
  for (std::int32_t i = 0; i < held; ++i) {
    unsigned char entry[FACE_BYTES];
    if (!readBytes(stream, entry, 6) || !readBytes(stream, entry + 6, 2)) return;
    SceneFace& face = s.faces[s.faceBase + i];
    for (int k = 0; k < 3; ++k)
      face.vertex[k] = sceneVertexIndex(loadU16(entry + 2 * k), objectVertexCount);
  }
  walkChunks(stream, endOffset);
}

void onFaceMaterial(std::FILE* stream, std::int32_t endOffset) {
  ReaderState& s = readerState;
  readName(stream);
  // The highest-numbered material of that name; NO_MATERIAL when none.
  const std::int32_t match = materialNamed(s.nameBuffer);
  // Face numbers end with the chunk: the bytes after it belong to other chunks.
  const std::int32_t n = readRecordCount(stream, endOffset, 2);
  for (std::int32_t i = 0; i < n; ++i) {
    std::uint16_t f;
    if (!readU16(stream, &f)) return;
    // Face numbers beyond the enclosing face list are ignored.
    if (f < s.faceListCount) s.faces[s.faceBase + f].material = match;
  }
}

void onMappingsList(std::FILE* stream, std::int32_t endOffset) {
  ReaderState& s = readerState;
  const std::int32_t held = readRecordCount(stream, endOffset, MAPPING_BYTES);
  if (held < 0) return;
  const std::int32_t first = appendRecords(s.mappings, s.mappingCount, held);
  for (std::int32_t i = 0; i < held; ++i) {
    float uv[2];
    if (!readF32s(stream, uv, 2)) return;
    s.mappings[first + i] = {uv[0], uv[1]};
  }
}

void onSmoothings(std::FILE* stream, std::int32_t endOffset) {
  std::uint32_t group;
  while (std::ftell(stream) < endOffset && readU32(stream, &group)) {
  }
}

void onMatrix(std::FILE* stream, std::int32_t) {
  if (skipBytes(stream, 36)) skipBytes(stream, 12);
}

void onLight(std::FILE* stream, std::int32_t endOffset) {
  if (skipBytes(stream, 12)) walkChunks(stream, endOffset);
}

void onSpotlight(std::FILE* stream, std::int32_t) { skipBytes(stream, 20); }

void onCamera(std::FILE* stream, std::int32_t) { skipBytes(stream, 32); }
