#pragma once
// The recursive walk over a file's tree of chunks. Each chunk is a 6-byte
// header (u16 id, u32 length of the whole chunk) followed by its own data
// and its sub-chunks.

#include <cstdint>
#include <cstdio>

// Called with the stream right after the chunk header; endOffset is the file
// offset where the chunk ends. Whatever a handler reads, the walker seeks to
// endOffset afterwards.
using ChunkHandler = void (*)(std::FILE* stream, std::int32_t endOffset);

// Real files nest fewer than ten levels; the bound keeps a file of nested
// headers from exhausting the stack.
inline constexpr std::int32_t MAX_CHUNK_DEPTH = 256;

// Visits the chunks that start between the stream position and endOffset.
// A level ends early at a header that cannot be read whole, a zero length, a
// chunk end beyond the largest signed 32-bit offset, a stream error, or a
// spent read budget (ReaderState::readBudget); levels deeper than
// MAX_CHUNK_DEPTH are not entered.
void walkChunks(std::FILE* stream, std::int32_t endOffset);
