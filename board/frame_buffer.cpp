// Frame-buffer operations: clear, swap with the emulated retrace, the raster
// line, and linear frame-buffer locks.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "board/board_context.h"
#include "board/draw_workers.h"
#include "board/pixel_math.h"
#include "board/trace_recorder.h"

namespace {

constexpr std::uint32_t ROW_BYTES = BOARD_WIDTH * sizeof(std::uint16_t);

// Copies a buffer with its rows in reverse order.
void copyFlipped(const std::uint16_t* from, std::uint16_t* to) {
  for (int row = 0; row < BOARD_HEIGHT; ++row) {
    std::memcpy(to + row * BOARD_WIDTH, from + (BOARD_HEIGHT - 1 - row) * BOARD_WIDTH, ROW_BYTES);
  }
}

double refreshPeriod() { return 1.0 / board().refreshHz; }

}  // namespace

void BoardContext::applyLowerLeftWrites(std::uint16_t* to) const {
  for (int row = 0; row < BOARD_HEIGHT; ++row) {
    const std::size_t view = std::size_t(row) * BOARD_WIDTH;
    std::uint16_t* line = to + std::size_t(BOARD_HEIGHT - 1 - row) * BOARD_WIDTH;
    for (int column = 0; column < BOARD_WIDTH; ++column) {
      if (lockBuffer[view + column] != lockOriginal[view + column]) {
        line[column] = lockBuffer[view + column];
      }
    }
  }
}

void grBufferClear(GrColor_t color, GrAlpha_t alpha, FxU16 depth) {
  traceDrawingCall(TraceOp::BufferClear, color, alpha, depth);
  BoardContext& b = board();
  b.clearedSinceSwap = true;
  Rgba8 c = decodeColor(color, b.colorFormat);
  QueuedClear clear{roundRgb565(c.r, c.g, c.b), depth, b.state.depthMode != GR_DEPTHBUFFER_DISABLE,
                    0, {}};
  // Queued behind the triangles before it, the workers clear their own
  // bands; while a buffer is locked its pixels are the caller's.
  if (drawWorkersRunning() && !b.locked) {
    queueClear(clear, b.state, b.stateVersion, {b.backBuffer(), b.depthBuffer, BOARD_WIDTH},
               b.origin == GR_ORIGIN_LOWER_LEFT);
    return;
  }
  finishDrawing();
  std::fill_n(b.backBuffer(), BOARD_PIXELS, clear.color);
  if (clear.withDepth) std::fill_n(b.depthBuffer, BOARD_PIXELS, clear.depth);
  traceDrawingDone();
}

void grBufferSwap(int swapInterval) {
  traceBufferSwap(swapInterval);
  BoardContext& b = board();
  if (swapInterval > 0 || b.displayOpen) {
    finishDrawing();
  } else {
    // Nothing is shown: the workers may go on drawing while the next frame
    // is queued, as the era's boards queued their swaps. A program that
    // clears stays at most one frame behind, so that the rows its clears
    // hand out follow the busy times of recent frames. The rows of one that
    // never clears never move, so it may stay two behind, and the workers
    // stay busy while the program starts a frame.
    finishDrawingUpTo(b.clearedSinceSwap ? b.lastSwapMark : b.swapMarkBefore);
  }
  b.swapMarkBefore = b.lastSwapMark;
  b.lastSwapMark = drawingMark();
  b.clearedSinceSwap = false;
  if (swapInterval > 0) {
    // The retrace comes at every whole multiple of the refresh period.
    BoardClock& clock = boardClock();
    double period = refreshPeriod();
    double next = (std::floor(clock.now() / period) + swapInterval) * period;
    clock.sleepUntil(next);
  }
  b.frontIndex ^= 1;
  if (b.displayOpen) b.display->present(b.frontBuffer(), BOARD_WIDTH, BOARD_HEIGHT);
}

// A point in time, not a change to the buffers: a trace leaves it out.
void grSstIdle() { finishDrawing(); }

int grSstVideoLine() {
  traceCall(TraceOp::SstVideoLine);
  double cycles = boardClock().now() / refreshPeriod();
  double phase = cycles - std::floor(cycles);
  int line = int(phase * BOARD_HEIGHT);
  return std::clamp(line, 0, BOARD_HEIGHT - 1);
}

FxBool grLfbLock(GrLock_t type, GrBuffer_t buffer, GrLfbWriteMode_t writeMode,
                 GrOriginLocation_t origin, FxBool pixelPipeline, GrLfbInfo_t* info) {
  traceLfbLock(type, buffer, writeMode, origin, pixelPipeline);
  BoardContext& b = board();
  if (info == nullptr || info->size < FxI32(sizeof(GrLfbInfo_t)) || b.locked) return FXFALSE;
  finishDrawing();
  if (origin != GR_ORIGIN_UPPER_LEFT && origin != GR_ORIGIN_LOWER_LEFT) return FXFALSE;
  std::uint16_t* pixels = b.namedBuffer(buffer);
  if (pixels == nullptr) return FXFALSE;
  bool isDepth = pixels == b.depthBuffer;
  bool writes = (type & GR_LFB_WRITE_ONLY) != 0;
  GrLfbWriteMode_t nativeMode = isDepth ? GR_LFBWRITEMODE_ZA16 : GR_LFBWRITEMODE_565;
  if (writes && writeMode != GR_LFBWRITEMODE_ANY && writeMode != nativeMode) return FXFALSE;
  // Pixels written through a lock reach memory as they are: a write lock
  // that asks for the pixel pipeline is refused, not given raw writes.
  if (writes && pixelPipeline) return FXFALSE;

  if (origin == GR_ORIGIN_LOWER_LEFT) {
    copyFlipped(pixels, b.lockBuffer);
    if (writes) std::memcpy(b.lockOriginal, b.lockBuffer, sizeof b.lockOriginal);
    pixels = b.lockBuffer;
  }
  b.locked = true;
  b.lockWrites = writes;
  b.lockedBuffer = buffer;
  b.lockedOrigin = origin;
  b.lockedMemory = b.namedBuffer(buffer);
  info->lfbPtr = pixels;
  info->strideInBytes = ROW_BYTES;
  info->writeMode = nativeMode;
  info->origin = origin;
  return FXTRUE;
}

FxBool grLfbUnlock(GrLock_t type, GrBuffer_t buffer) {
  traceLfbUnlock(type, buffer);
  BoardContext& b = board();
  if (!b.locked || buffer != b.lockedBuffer) return FXFALSE;
  // Only the pixels written through the view go back: whatever was drawn or
  // cleared into the buffer during the lock stays.
  if (b.lockWrites && b.lockedOrigin == GR_ORIGIN_LOWER_LEFT) {
    b.applyLowerLeftWrites(b.lockedMemory);
  }
  b.locked = false;
  return FXTRUE;
}
