// Drawing with worker threads gives the very bytes serial drawing gives, and
// everything that reads or replaces the buffers or texture memory sees the
// drawing finished.

#include "tests/board/board_test_support.h"

namespace {

void openBoard(int threads) {
  boardReset();
  boardSetThreadCount(threads);
  grGlideInit();
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_LOWER_LEFT,
               2, 0);
}

void drawRandomScene(unsigned seed) {
  std::mt19937 random(seed);
  std::vector<GrMipMapId_t> textures = makeRandomTextures(random);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grBufferClear(0x00406080, 0, 0x8000);
  drawRandomTriangles(random, textures, 600);
}

// The scene drawn, read through a lock (colour, depth); drawn again and read
// after a swap.
std::vector<std::vector<std::uint16_t>> renderScene(int threads, unsigned seed) {
  openBoard(threads);
  drawRandomScene(seed);
  std::vector<std::vector<std::uint16_t>> frame = {readBuffer(), readBuffer(GR_BUFFER_DEPTHBUFFER)};
  grGlideShutdown();
  openBoard(threads);
  drawRandomScene(seed);
  grBufferSwap(0);
  frame.push_back(readBuffer(GR_BUFFER_FRONTBUFFER));
  boardReset();
  return frame;
}

TEST(ParallelTest, RandomScenesDrawTheSameBytesWithAnyNumberOfThreads) {
  for (unsigned seed : {1u, 2u, 3u}) {
    auto serial = renderScene(1, seed);
    ASSERT_EQ(serial[0], serial[2]);
    for (int threads : {2, 3}) {
      auto parallel = renderScene(threads, seed);
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(parallel[k], serial[k]) << "seed " << seed << ", threads " << threads;
      }
    }
  }
}

TEST(ParallelTest, ClearComesAfterQueuedTrianglesAndDrawingWhileLockedStaysInPlace) {
  openBoard(3);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_ALWAYS);
  GrVertex style = vertexAt(0, 0, 255, 0, 0, 100);
  for (int i = 0; i < 2000; ++i) fillRect(0, 0, BOARD_WIDTH, BOARD_HEIGHT, style);
  grBufferClear(0x000000ff, 0, 0x1234);
  const std::size_t size = std::size_t(BOARD_WIDTH * BOARD_HEIGHT);
  EXPECT_EQ(readBuffer(), std::vector<std::uint16_t>(size, rgb565(0, 0, 255)));
  EXPECT_EQ(readBuffer(GR_BUFFER_DEPTHBUFFER), std::vector<std::uint16_t>(size, 0x1234));

  GrLfbInfo_t info{};
  info.size = sizeof info;
  ASSERT_TRUE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_565,
                        GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
  fillRect(0, 0, 8, 8, style);
  EXPECT_EQ(static_cast<const std::uint16_t*>(info.lfbPtr)[(BOARD_HEIGHT - 1) * BOARD_WIDTH],
            rgb565(255, 0, 0));
  grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER);
  boardReset();
}

}  // namespace
