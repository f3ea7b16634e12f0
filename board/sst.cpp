// Opening and closing the board: hardware query, window, shutdown, reset.

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "board/board_context.h"
#include "board/draw_workers.h"
#include "board/texture_memory.h"
#include "board/trace_recorder.h"

namespace {

double refreshRateHz(GrScreenRefresh_t refresh) {
  switch (refresh) {
    case GR_REFRESH_60Hz:
      return 60;
    case GR_REFRESH_70Hz:
      return 70;
    case GR_REFRESH_75Hz:
      return 75;
    case GR_REFRESH_80Hz:
      return 80;
    case GR_REFRESH_90Hz:
      return 90;
    case GR_REFRESH_100Hz:
      return 100;
    case GR_REFRESH_85Hz:
      return 85;
    case GR_REFRESH_120Hz:
      return 120;
    default:
      return 72;
  }
}

}  // namespace

void grGlideInit() {
  traceCall(TraceOp::Init);
  BoardContext& b = board();
  b.state = defaultPipelineState();
  // The state decodes these two, so they start at power-on too.
  b.constantColorValue = 0;
  b.chromaKeyValue = 0;
  boardStateChanged();
}

FxBool grSstQueryHardware(GrHwConfiguration* hwconfig) {
  traceCall(TraceOp::SstQueryHardware, hwconfig);
  if (hwconfig == nullptr) return FXFALSE;
  *hwconfig = {};
  hwconfig->num_sst = 1;
  hwconfig->SSTs[0] = {0, 4, 1, int(TEXTURE_MEMORY_BYTES >> 20)};
  return FXTRUE;
}

void grSstSelect(int whichSst) { traceCall(TraceOp::SstSelect, whichSst); }

// The screen is always BOARD_WIDTH x BOARD_HEIGHT; the window is optional.
FxBool grSstWinOpen(FxU32 hWnd, GrScreenResolution_t resolution, GrScreenRefresh_t refresh,
                    GrColorFormat_t format, GrOriginLocation_t origin, int nColBuffers,
                    int nAuxBuffers) {
  traceSstWinOpen(hWnd, resolution, refresh, format, origin, nColBuffers, nAuxBuffers);
  BoardContext& b = board();
  b.colorFormat =
      format >= GR_COLORFORMAT_ARGB && format <= GR_COLORFORMAT_BGRA ? format : GR_COLORFORMAT_ARGB;
  b.origin = origin == GR_ORIGIN_LOWER_LEFT ? GR_ORIGIN_LOWER_LEFT : GR_ORIGIN_UPPER_LEFT;
  b.refreshHz = refreshRateHz(refresh);
  if (b.display != nullptr && !b.displayOpen) {
    b.displayOpen = b.display->open(BOARD_WIDTH, BOARD_HEIGHT);
  }
  b.windowOpen = true;
  boardStateChanged();
  if (!drawWorkersRunning()) startDrawWorkers(boardThreadCount());
  return FXTRUE;
}

void grGlideShutdown() {
  traceShutdown();
  BoardContext& b = board();
  stopDrawWorkers();
  if (b.displayOpen) b.display->close();
  b.displayOpen = false;
  b.windowOpen = false;
  b.locked = false;
  resetTextureMemory();
  b.textureId = GR_NULL_MIPMAP_HANDLE;
  b.state.texture = nullptr;
  ++b.stateVersion;
}

void boardReset() {
  grGlideShutdown();
  BoardContext& b = board();
  static_cast<BoardSettings&>(b) = BoardSettings{};
  std::fill_n(&b.colorBuffers[0][0], 2 * BOARD_PIXELS, std::uint16_t(0));
  std::fill_n(b.depthBuffer, BOARD_PIXELS, std::uint16_t(0));
  b.state = defaultPipelineState();
  boardStateChanged();
}

void boardSetThreadCount(int count) {
  BoardContext& b = board();
  b.threadCountRequest = std::max(count, 0);
  if (b.windowOpen) startDrawWorkers(boardThreadCount());
}

int boardThreadCount() {
  int count = board().threadCountRequest;
  if (count < 0) {
    const char* fromEnvironment = std::getenv("WILDSKY_BOARD_THREADS");
    count = fromEnvironment != nullptr ? std::max(std::atoi(fromEnvironment), 0) : 0;
  }
  if (count == 0) count = int(std::thread::hardware_concurrency());
  return std::clamp(count, 1, MAX_DRAW_WORKERS);
}
