#include "reader3ds/reader_state.h"

#include <cstring>

#include "app/tracked_memory.h"
#include "reader3ds/load3ds.h"
#include "reader3ds/material_names.h"

ReaderState readerState{};

void beginLoad(std::int32_t fileLength) {
  readerState.vertices = nullptr;
  readerState.vertexCount = 0;
  readerState.vertexBase = 0;
  readerState.faces = nullptr;
  readerState.faceCount = 0;
  readerState.faceBase = 0;
  readerState.faceListCount = 0;
  readerState.mappings = nullptr;
  readerState.mappingCount = 0;
  readerState.materials = nullptr;
  readerState.materialCount = 0;
  forgetMaterialNames();
  readerState.colorTarget = COLOR_NONE;
  readerState.fileLength = fileLength;
  readerState.depth = 0;
  readerState.readBudget = READ_BUDGET_PER_FILE_BYTE * fileLength + READ_BUDGET_SPARE;
}

void resetReaderState() {
  readerState.colorTarget = COLOR_NONE;
  readerState.percentTarget = PERCENT_NONE;
  readerState.mapKind = MAP_NONE;
  readerState.currentMaterial = 0;
}

void* growRecords(void* array, std::int32_t oldCount, std::int32_t newCount,
                  std::size_t recordSize) {
  auto* grown = static_cast<unsigned char*>(memReallocArray(array, newCount, recordSize));
  if (newCount > oldCount) {
    std::memset(grown + static_cast<std::size_t>(oldCount) * recordSize, 0,
                static_cast<std::size_t>(newCount - oldCount) * recordSize);
  }
  return grown;
}

void alignMappingsToVertices() {
  ReaderState& s = readerState;
  if (s.mappings != nullptr && s.mappingCount == s.vertexCount) return;
  s.mappings = static_cast<RawMapping*>(
      growRecords(s.mappings, s.mappingCount, s.vertexCount, sizeof(RawMapping)));
  s.mappingCount = s.vertexCount;
}
