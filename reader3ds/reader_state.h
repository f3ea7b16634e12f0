#pragma once
// The reader's state, one instance for the whole run, shared by the walker
// and every chunk handler. The arrays and counts belong to the load in
// progress; the selectors percentTarget and mapKind outlive a load.

#include <cstddef>
#include <cstdint>

#include "scene/scene_types.h"

inline constexpr int NAME_BUFFER_SIZE = 38;  // 37 characters and the terminating zero

// A face that no "Face material" chunk has named (yet).
inline constexpr std::int32_t NO_MATERIAL = -1;

enum ColorTarget : std::int32_t { COLOR_NONE = 0, COLOR_AMBIENT = 1, COLOR_DIFFUSE = 2 };
enum PercentTarget : std::int32_t { PERCENT_NONE = 0, PERCENT_TRANSPARENCY = 1 };
enum MapKind : std::int32_t { MAP_NONE = 0, MAP_TEXTURE = 1, MAP_REFLECTION = 2, MAP_BUMP = 3 };

// A mapping coordinate as the file holds it.
struct RawMapping {
  float u, v;
};

struct ReaderState {
  SceneVertex* vertices;
  std::int32_t vertexCount;
  std::int32_t vertexBase;  // scene-wide index of the latest vertex list's first vertex

  SceneFace* faces;
  std::int32_t faceCount;
  std::int32_t faceBase;       // scene-wide index of the latest face list's first face
  std::int32_t faceListCount;  // faces in the latest face list

  RawMapping* mappings;
  std::int32_t mappingCount;

  Material* materials;
  std::int32_t materialCount;
  std::int32_t currentMaterial;

  std::int32_t colorTarget;
  std::int32_t percentTarget;
  std::int32_t mapKind;

  char nameBuffer[NAME_BUFFER_SIZE];

  std::int32_t fileLength;  // of the file being read; bounds the record counts
  std::int32_t depth;       // chunk levels the walker is inside
  std::int64_t readBudget;  // bytes the load may still read; see READ_BUDGET_PER_FILE_BYTE
};

// Chunks whose lengths make them overlap are read again by every level that
// reaches them, which can multiply the work of a small file without bound. A
// file whose chunks do not overlap reads each byte about once, so a budget of
// a few reads per byte of the file never cuts it short; a load that spends
// the budget ends as at a read error.
inline constexpr std::int64_t READ_BUDGET_PER_FILE_BYTE = 4;
inline constexpr std::int64_t READ_BUDGET_SPARE = 4096;

extern ReaderState readerState;

// Resets the per-load part: arrays to none, counts and bases to 0,
// colorTarget to none, the material names' index freed.
void beginLoad(std::int32_t fileLength);

// Resizes an array of the load (tracked); records beyond oldCount are zeroed.
void* growRecords(void* array, std::int32_t oldCount, std::int32_t newCount,
                  std::size_t recordSize);

// Appends added zeroed records to an array of the load; returns the index of
// the first.
template <class T>
std::int32_t appendRecords(T*& array, std::int32_t& count, std::int32_t added) {
  array = static_cast<T*>(growRecords(array, count, count + added, sizeof(T)));
  const std::int32_t first = count;
  count += added;
  return first;
}

// Pads the mapping array with zero pairs, or cuts it, to the vertex count, so
// mapping j keeps belonging to vertex j.
void alignMappingsToVertices();
