// The system refusing the board's drawing threads (a process limit): the
// board draws on the caller's thread, with the same pixels, instead of
// ending the process. Threads slow to start: the caller fills the queue
// before any worker draws. This binary's pthread_create stands in for the C
// library's, which the standard library's threads reach through it.
#include <dlfcn.h>
#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "board/draw_workers.h"
#include "tests/board/board_test_support.h"

namespace {

int threadsAllowed = 1 << 30;
int startDelayMilliseconds = 0;

struct LateStart {
  void* (*start)(void*);
  void* argument;
};

void* startLate(void* late) {
  const LateStart run = *static_cast<LateStart*>(late);
  delete static_cast<LateStart*>(late);
  std::this_thread::sleep_for(std::chrono::milliseconds(startDelayMilliseconds));
  return run.start(run.argument);
}

std::vector<std::uint16_t> drawScene(int threads) {
  openBoard(threads);
  std::mt19937 random(4);
  std::vector<GrMipMapId_t> textures = makeRandomTextures(random);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grBufferClear(0x00406080, 0, 0x8000);
  drawRandomTriangles(random, textures, 300);
  grBufferSwap(0);
  return readBuffer(GR_BUFFER_FRONTBUFFER);
}

// 100,000 one-pixel triangles, each with a constant colour of its own (so a
// queued state of its own), on as many pixels: more triangles and states
// than the queue holds, so it wraps, and the caller waits for room.
std::vector<std::uint16_t> drawPixelByPixel(int threads) {
  openBoard(threads);
  grDitherMode(GR_DITHER_DISABLE);
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  for (int i = 0; i < 100000; ++i) {
    grConstantColorValue(GrColor_t(i + 1) * 2654435761u);
    const auto x = float(i % BOARD_WIDTH), y = float(i / BOARD_WIDTH);
    drawTriangle(vertexAt(x, y), vertexAt(x + 1.5f, y), vertexAt(x, y + 1.5f));
  }
  grBufferSwap(0);
  return readBuffer(GR_BUFFER_FRONTBUFFER);
}

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) {
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const auto real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  if (threadsAllowed-- <= 0) return EAGAIN;
  if (startDelayMilliseconds > 0) {
    auto* late = new LateStart{start, argument};
    const int result = real(thread, attributes, startLate, late);
    if (result != 0) delete late;
    return result;
  }
  return real(thread, attributes, start, argument);
}

TEST(RefusedThreads, TheBoardDrawsOnTheCallersThreadWithTheSamePixels) {
  const std::vector<std::uint16_t> serial = drawScene(1);
  threadsAllowed = 2;  // the third of four workers is refused
  openBoard(4);
  EXPECT_FALSE(drawWorkersRunning());
  EXPECT_TRUE(drawScene(4) == serial);
  threadsAllowed = 1 << 30;
  EXPECT_TRUE(drawScene(4) == serial);
  boardReset();
}

// Workers that start a second late find the queue full: the caller must
// wait for room rather than write over commands not yet drawn.
TEST(SlowThreads, AQueueFilledBeforeAnyWorkerStartsDrawsTheSerialBytes) {
  const std::vector<std::uint16_t> serial = drawPixelByPixel(1);
  EXPECT_GT(std::count_if(serial.begin(), serial.end(), [](std::uint16_t p) { return p != 0; }),
            99000)
      << "a pixel each";
  startDelayMilliseconds = 1000;
  const std::vector<std::uint16_t> parallel = drawPixelByPixel(2);
  startDelayMilliseconds = 0;
  EXPECT_TRUE(parallel == serial);
  boardReset();
}
