#pragma once
// Little-endian reads from the file being walked. Each read is one item: it
// succeeds only when all of its bytes were read.

#include <cstddef>
#include <cstdint>
#include <cstdio>

bool readBytes(std::FILE* stream, void* data, std::size_t size);

// True once the load has read as much as its file allows (ReaderState::readBudget);
// every read fails from then on.
bool readBudgetSpent();
bool readU16(std::FILE* stream, std::uint16_t* value);
bool readU32(std::FILE* stream, std::uint32_t* value);
bool readF32s(std::FILE* stream, float* values, int count);  // count floats as one item

std::uint16_t loadU16(const unsigned char* bytes);
std::uint32_t loadU32(const unsigned char* bytes);

// Reads a name byte by byte up to a zero byte or the end of the file into
// nameBuffer, keeping the first 37 characters; the rest of a longer name is
// read and dropped. Returns the kept length. A byte 0xFF is part of the name
// (a Latin-1 letter), in material names and face material names alike.
std::size_t readName(std::FILE* stream);

// Reads and drops a zero-terminated string.
void skipName(std::FILE* stream);

// The bytes between the stream position and the end of the chunk (or of the
// file, if that comes first); 0 at or past it.
long bytesLeftInChunk(std::FILE* stream, std::int32_t endOffset);

// Reads the u16 record count of a list and bounds it by the records of
// recordSize bytes that lie between the stream position and the end of the
// chunk (or of the file, if that comes first); -1 when the count can't be read.
std::int32_t readRecordCount(std::FILE* stream, std::int32_t endOffset, std::size_t recordSize);

// Reads size bytes (at most 48) as one item and drops them.
bool skipBytes(std::FILE* stream, std::size_t size);
