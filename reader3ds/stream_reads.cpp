#include "reader3ds/stream_reads.h"

#include <algorithm>
#include <bit>

#include "reader3ds/reader_state.h"

bool readBudgetSpent() { return readerState.readBudget < 0; }

bool readBytes(std::FILE* stream, void* data, std::size_t size) {
  readerState.readBudget -= static_cast<std::int64_t>(size);
  return !readBudgetSpent() && std::fread(data, size, 1, stream) == 1;
}

namespace {

// One byte of a name, or EOF at the end of the file or of the read budget.
int readNameByte(std::FILE* stream) {
  return --readerState.readBudget < 0 ? EOF : std::getc(stream);
}

}  // namespace

std::uint16_t loadU16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t loadU32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(loadU16(bytes)) | static_cast<std::uint32_t>(loadU16(bytes + 2))
                                                          << 16;
}

bool readU16(std::FILE* stream, std::uint16_t* value) {
  unsigned char bytes[2];
  if (!readBytes(stream, bytes, sizeof bytes)) return false;
  *value = loadU16(bytes);
  return true;
}

bool readU32(std::FILE* stream, std::uint32_t* value) {
  unsigned char bytes[4];
  if (!readBytes(stream, bytes, sizeof bytes)) return false;
  *value = loadU32(bytes);
  return true;
}

bool readF32s(std::FILE* stream, float* values, int count) {
  unsigned char bytes[16];
  const auto size = static_cast<std::size_t>(count) * 4;
  if (size > sizeof bytes || !readBytes(stream, bytes, size)) return false;
  for (int i = 0; i < count; ++i) values[i] = std::bit_cast<float>(loadU32(bytes + 4 * i));
  return true;
}

std::size_t readName(std::FILE* stream) {
  std::size_t length = 0;
  for (int c = readNameByte(stream); c != EOF && c != 0; c = readNameByte(stream)) {
    if (length < NAME_BUFFER_SIZE - 1) readerState.nameBuffer[length++] = static_cast<char>(c);
  }
  readerState.nameBuffer[length] = '\0';
  return length;
}

void skipName(std::FILE* stream) {
  for (int c = readNameByte(stream); c != EOF && c != 0;) c = readNameByte(stream);
}

long bytesLeftInChunk(std::FILE* stream, std::int32_t endOffset) {
  const long position = std::ftell(stream);
  const long end = std::min<long>(endOffset, readerState.fileLength);
  return position < 0 || end <= position ? 0 : end - position;
}

std::int32_t readRecordCount(std::FILE* stream, std::int32_t endOffset, std::size_t recordSize) {
  std::uint16_t count;
  if (!readU16(stream, &count)) return -1;
  const auto room = static_cast<std::size_t>(bytesLeftInChunk(stream, endOffset)) / recordSize;
  return static_cast<std::int32_t>(std::min<std::size_t>(count, room));
}

bool skipBytes(std::FILE* stream, std::size_t size) {
  unsigned char bytes[48];
  return size <= sizeof bytes && readBytes(stream, bytes, size);
}
