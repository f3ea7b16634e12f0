#include "reader3ds/chunk_walker.h"

#include <cstdint>
#include <limits>

#include "reader3ds/chunk_table.h"
#include "reader3ds/reader_state.h"
#include "reader3ds/stream_reads.h"

namespace {

struct DepthGuard {
  DepthGuard() { ++readerState.depth; }
  ~DepthGuard() { --readerState.depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
};

}  // namespace

void walkChunks(std::FILE* stream, std::int32_t endOffset) {
  if (readerState.depth >= MAX_CHUNK_DEPTH) return;
  const DepthGuard guard;
  for (long start = std::ftell(stream); start >= 0 && start < endOffset;
       start = std::ftell(stream)) {
    unsigned char header[6];
    if (!readBytes(stream, header, sizeof header)) return;
    const std::uint16_t id = loadU16(header);
    const std::uint32_t length = loadU32(header + 2);
    if (length == 0) return;
    if (length > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max() - start))
      return;
    const auto chunkEnd = static_cast<std::int32_t>(start + length);
    if (const ChunkType* type = findChunkType(id)) {
      if (type->handler != nullptr) {
        type->handler(stream, chunkEnd);
      } else {
        walkChunks(stream, chunkEnd);
      }
    }
    std::fseek(stream, chunkEnd, SEEK_SET);
    if (std::ferror(stream) || readBudgetSpent()) return;
  }
}
