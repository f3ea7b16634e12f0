#include "board/trace_replay.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "board/board.h"
#include "board/board_context.h"
#include "board/draw_workers.h"
#include "board/texel_decode.h"
#include "board/texture_memory.h"

namespace {

std::int32_t i32(std::uint32_t v) { return std::int32_t(v); }

float f32(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

// Formats of the mipmaps the replay allocated, by id, to check that the
// texels of a download cover every level.
class MipMapFormats {
 public:
  explicit MipMapFormats(int allocations) { formats_.reserve(std::size_t(allocations)); }
  void allocated(GrMipMapId_t id, GrTextureFormat_t format) {
    if (id == formats_.size() && formats_.size() < formats_.capacity()) formats_.push_back(format);
  }
  void reset() { formats_.clear(); }
  std::size_t bytesNeeded(GrMipMapId_t id) const {
    const BoundTexture* bound = boundTextureFor(id);
    if (bound == nullptr || id >= formats_.size()) return 0;
    std::size_t texels = 0;
    for (int k = 0; k < bound->levelCount; ++k) {
      texels += std::size_t(bound->levels[k].width) * std::size_t(bound->levels[k].height);
    }
    return texels * std::size_t(texelBytes(formats_[id]));
  }

 private:
  std::vector<GrTextureFormat_t> formats_;
};

void applyRuns(const TraceFile& trace, const TraceCommand& c) {
  GrBuffer_t buffer = i32(c.args[1]);
  GrLfbInfo_t info{};
  info.size = sizeof info;
  if (!grLfbLock(GR_LFB_WRITE_ONLY, buffer, GR_LFBWRITEMODE_ANY, GR_ORIGIN_UPPER_LEFT, FXFALSE,
                 &info)) {
    return;
  }
  auto* base = static_cast<std::uint8_t*>(info.lfbPtr);
  for (std::uint32_t r = 0; r < c.count; ++r) {
    const TraceRun& run = trace.runs[c.first + r];
    for (std::uint32_t i = 0; i < run.count; ++i) {
      std::uint32_t pixel = run.start + i;
      std::uint16_t value = trace.runPixels[run.firstPixel + i];
      std::memcpy(
          base + (pixel / BOARD_WIDTH) * info.strideInBytes + (pixel % BOARD_WIDTH) * sizeof value,
          &value, sizeof value);
    }
  }
  grLfbUnlock(GR_LFB_WRITE_ONLY, buffer);
}

// A read lock waits for drawing in flight, as the recorded lock did.
void waitLikeLock(GrBuffer_t buffer) {
  GrLfbInfo_t info{};
  info.size = sizeof info;
  if (grLfbLock(GR_LFB_READ_ONLY, buffer, GR_LFBWRITEMODE_ANY, GR_ORIGIN_UPPER_LEFT, FXFALSE,
                &info)) {
    grLfbUnlock(GR_LFB_READ_ONLY, buffer);
  }
}

// Runs one command; false for a swap.
bool run(const TraceFile& trace, const TraceCommand& c, MipMapFormats& formats,
         ReplayResult& result) {
  const std::uint32_t* a = c.args;
  switch (c.op) {
    case TraceOp::Init:
      grGlideInit();
      break;
    case TraceOp::SstSelect:
      grSstSelect(i32(a[0]));
      break;
    case TraceOp::SstWinOpen:
      grSstWinOpen(a[0], i32(a[1]), i32(a[2]), i32(a[3]), i32(a[4]), i32(a[5]), i32(a[6]));
      break;
    case TraceOp::Shutdown:
      grGlideShutdown();
      formats.reset();
      break;
    case TraceOp::DepthBufferMode:
      grDepthBufferMode(i32(a[0]));
      break;
    case TraceOp::DepthBufferFunction:
      grDepthBufferFunction(i32(a[0]));
      break;
    case TraceOp::DepthMask:
      grDepthMask(i32(a[0]));
      break;
    case TraceOp::DitherMode:
      grDitherMode(i32(a[0]));
      break;
    case TraceOp::BufferClear:
      grBufferClear(a[0], GrAlpha_t(a[1]), FxU16(a[2]));
      break;
    case TraceOp::BufferSwap:
      grBufferSwap(0);
      return false;
    case TraceOp::ColorCombine:
      grColorCombine(i32(a[0]), i32(a[1]), i32(a[2]), i32(a[3]), i32(a[4]));
      break;
    case TraceOp::AlphaCombine:
      grAlphaCombine(i32(a[0]), i32(a[1]), i32(a[2]), i32(a[3]), i32(a[4]));
      break;
    case TraceOp::TexCombine:
      grTexCombine(i32(a[0]), i32(a[1]), i32(a[2]), i32(a[3]), i32(a[4]), i32(a[5]), i32(a[6]));
      break;
    case TraceOp::AlphaBlendFunction:
      grAlphaBlendFunction(i32(a[0]), i32(a[1]), i32(a[2]), i32(a[3]));
      break;
    case TraceOp::ConstantColorValue:
      grConstantColorValue(a[0]);
      break;
    case TraceOp::ChromakeyMode:
      grChromakeyMode(i32(a[0]));
      break;
    case TraceOp::ChromakeyValue:
      grChromakeyValue(a[0]);
      break;
    case TraceOp::DrawTriangle: {
      const GrVertex* v = &trace.vertices[c.first];
      grDrawTriangle(&v[0], &v[1], &v[2]);
      break;
    }
    case TraceOp::TexAllocateMemory: {
      GrMipMapId_t id = guTexAllocateMemory(
          i32(a[0]), FxU8(a[1]), i32(a[2]), i32(a[3]), i32(a[4]), i32(a[5]), i32(a[6]), i32(a[7]),
          i32(a[8]), i32(a[9]), i32(a[10]), i32(a[11]), i32(a[12]), f32(a[13]), i32(a[14]));
      formats.allocated(id, i32(a[4]));
      break;
    }
    case TraceOp::TexDownloadMipMap: {
      const GuTexTable* table = c.table >= 0 ? &trace.tables[std::size_t(c.table)] : nullptr;
      const void* texels = a[1] != 0 ? trace.texels.data() + c.first : nullptr;
      if (texels != nullptr && c.count < formats.bytesNeeded(a[0])) {
        ++result.skipped;
      } else {
        guTexDownloadMipMap(a[0], texels, table);
      }
      break;
    }
    case TraceOp::TexSource:
      guTexSource(a[0]);
      break;
    case TraceOp::LfbLock:
      if ((a[0] & GR_LFB_WRITE_ONLY) == 0) waitLikeLock(i32(a[1]));
      break;
    case TraceOp::LfbUnlock:
      if (c.count > 0) applyRuns(trace, c);
      break;
    default:
      break;  // queries that change nothing on the board
  }
  return true;
}

}  // namespace

ReplayResult replayTrace(const TraceFile& trace, int maxFrames) {
  // The thread count chosen for the replay outlives the reset.
  const int threads = board().threadCountRequest;
  boardReset();
  if (threads >= 0) boardSetThreadCount(threads);
  grGlideInit();
  MipMapFormats formats(trace.allocationCount);
  ReplayResult result;
  const auto start = std::chrono::steady_clock::now();
  std::size_t next = 0;
  while (next < trace.commands.size()) {
    if (!run(trace, trace.commands[next++], formats, result)) {
      result.pixels += trace.framePixels[std::size_t(result.frames)];
      if (++result.frames == maxFrames) break;
    }
  }
  result.wholeTrace = next == trace.commands.size();
  finishDrawing();  // the last frames may still be drawing
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

bool readFrontBuffer(std::uint16_t* pixels) {
  GrLfbInfo_t info{};
  info.size = sizeof info;
  if (!grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_FRONTBUFFER, GR_LFBWRITEMODE_ANY, GR_ORIGIN_UPPER_LEFT,
                 FXFALSE, &info)) {
    return false;
  }
  for (int row = 0; row < BOARD_HEIGHT; ++row) {
    std::memcpy(pixels + row * BOARD_WIDTH,
                static_cast<const std::uint8_t*>(info.lfbPtr) + row * info.strideInBytes,
                BOARD_WIDTH * sizeof(std::uint16_t));
  }
  grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_FRONTBUFFER);
  return true;
}
