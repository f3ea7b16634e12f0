// The system refusing the board's drawing threads (a process limit): the
// board draws on the caller's thread, with the same pixels, instead of
// ending the process. This binary's pthread_create stands in for the C
// library's, which the standard library's threads reach through it.
#include <dlfcn.h>
#include <pthread.h>

#include <cerrno>

#include "board/draw_workers.h"
#include "tests/board/board_test_support.h"

namespace {

int threadsAllowed = 1 << 30;

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

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) {
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const auto real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  if (threadsAllowed-- <= 0) return EAGAIN;
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
