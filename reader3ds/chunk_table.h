#pragma once
// The 98 chunk types the reader knows. A row with a handler has it called; a
// row without one is entered (its sub-chunks follow the header); an id that
// is not listed is passed over whole. The lookup ignores the parent chunk.

#include <array>
#include <cstdint>

#include "reader3ds/chunk_walker.h"

struct ChunkType {
  std::uint32_t id;  // only the low 16 bits take part in the lookup
  const char* name;
  ChunkHandler handler;  // null: descend into the sub-chunks
};

inline constexpr std::size_t CHUNK_TYPE_COUNT = 98;

extern const std::array<ChunkType, CHUNK_TYPE_COUNT> chunkTypes;

// The first row, in table order, whose id matches; null when none does.
const ChunkType* findChunkType(std::uint16_t id);

// Does nothing, so the chunk and everything nested in it are passed over.
void ignoreChunk(std::FILE* stream, std::int32_t endOffset);
