// The same random triangles drawn different ways give the very same bytes:
// by the wide, scalar and general span loops, and serially or by worker
// threads; whatever reads the buffers sees the drawing finished.

#include <cstdlib>
#include <utility>

#include "board/board_context.h"
#include "board/depth_cull.h"
#include "board/span_wide.h"
#include "tests/board/board_test_support.h"

namespace {

using FastPathTest = BoardTest;

// The loops a path draws with: the AVX2, SSE4.2 and SSE2 lanes, the scalar
// loops, and the general loop without the depth cull.
constexpr SpanLanes PATH_LANES[] = {SpanLanes::Avx2, SpanLanes::Sse42, SpanLanes::Sse2,
                                    SpanLanes::Scalar, SpanLanes::Scalar};
constexpr int PATHS = int(std::size(PATH_LANES));
constexpr int SCALAR_PATH = 3, GENERAL_PATH = 4;

#if defined(__x86_64__) && defined(__SSE2__)
// The lanes a request should give here: the widest at or below it that the
// processor has, asked of the processor by the test itself rather than of
// the code it checks.
SpanLanes lanesGiven(SpanLanes asked) {
  if (asked == SpanLanes::Avx2 && !__builtin_cpu_supports("avx2")) asked = SpanLanes::Sse42;
  if (asked == SpanLanes::Sse42 && !__builtin_cpu_supports("sse4.2")) asked = SpanLanes::Sse2;
  return asked;
}
#endif

// Each lane set is taken wherever the processor has its instructions, so
// that the paths below compare the loops they name, not one set twice.
TEST_F(FastPathTest, EachLaneSetIsTakenWhereTheProcessorHasIt) {
#if defined(__x86_64__) && defined(__SSE2__)
  for (SpanLanes lanes : {SpanLanes::Scalar, SpanLanes::Sse2, SpanLanes::Sse42, SpanLanes::Avx2}) {
    useSpanLanes(lanes);
    EXPECT_EQ(spanLanes(), lanesGiven(lanes));
  }
  useSpanLanes(SpanLanes::Avx2);
#else
  GTEST_SKIP() << "lane sets are chosen on x86-64 only";
#endif
}

// WILDSKY_BOARD_SIMD is read as a run starts, so each setting is checked in
// a child that starts this binary afresh and exits with the lanes it got.
TEST_F(FastPathTest, TheEnvironmentNamesTheLanesARunStartsWith) {
#if defined(__x86_64__) && defined(__SSE2__)
  const std::pair<const char*, SpanLanes> settings[] = {{"0", SpanLanes::Scalar},
                                                        {"sse2", SpanLanes::Sse2},
                                                        {"sse4.2", SpanLanes::Sse42},
                                                        {"avx512", SpanLanes::Avx2}};
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const auto& [setting, asked] : settings) {
    setenv("WILDSKY_BOARD_SIMD", setting, 1);
    EXPECT_EXIT(std::_Exit(int(spanLanes())), testing::ExitedWithCode(int(lanesGiven(asked))), "")
        << "WILDSKY_BOARD_SIMD=" << setting;
  }
  unsetenv("WILDSKY_BOARD_SIMD");
#else
  GTEST_SKIP() << "lane sets are chosen on x86-64 only";
#endif
}

// Every scenario under every texture kind, every depth function, a value
// beyond them (which passes every pixel) and depth off, with the depth mask
// on and off, drawn by the five kinds of loop.
TEST_F(FastPathTest, WideScalarAndGeneralLoopsDrawTheSameBytes) {
  grDitherMode(GR_DITHER_4x4);
  std::mt19937 random(5);
  for (const TextureKind& kind : TEXTURE_KINDS) {
    GrMipMapId_t id = makeRandomTexture(kind, random);
    for (int function = GR_CMP_NEVER; function <= GR_CMP_ALWAYS + 2; ++function) {
      for (int s = 0; s <= int(Scenario::Text); ++s) {
        std::vector<std::uint16_t> frames[PATHS][2];
        RowsFunction rows[PATHS];
        SpanLanes lanes[PATHS];
        for (int path = 0; path < PATHS; ++path) {
          useSpanLanes(PATH_LANES[path]);
          lanes[path] = spanLanes();  // narrower where the processor lacks them
          forceGeneralSpans(path == GENERAL_PATH);
          useDepthCull(path != GENERAL_PATH);
          setState(Scenario(s), function == GR_CMP_LESS);
          guTexSource(id);
          bool depthOn = function <= GR_CMP_ALWAYS + 1;
          grDepthBufferMode(depthOn ? GR_DEPTHBUFFER_ZBUFFER : GR_DEPTHBUFFER_DISABLE);
          grDepthBufferFunction(depthOn ? function : GR_CMP_LESS);
          grDepthMask(function % 3 != 0 ? FXTRUE : FXFALSE);
          EXPECT_EQ(board().state.span == &drawSpanGeneral, path == GENERAL_PATH)
              << "the loop chosen";
          rows[path] = board().state.rows;
          grBufferClear(0x30507000u, 0, 32768);
          std::mt19937 scene(unsigned(function * 8 + s));
          drawRandomTriangles(scene, {}, 120);
          frames[path][0] = readBuffer();
          frames[path][1] = readBuffer(GR_BUFFER_AUXBUFFER);
        }
        // Each lane set draws with a loop of its own, wherever one draws.
        for (int path = 1; path < SCALAR_PATH; ++path) {
          EXPECT_EQ(rows[path] == nullptr, rows[0] == nullptr);
          for (int other = 0; other < path && rows[0] != nullptr; ++other) {
            EXPECT_EQ(rows[path] == rows[other], lanes[path] == lanes[other]);
          }
        }
        EXPECT_EQ(rows[SCALAR_PATH], nullptr);
        for (int path = 0; path < GENERAL_PATH; ++path) {
          EXPECT_TRUE(frames[path][0] == frames[GENERAL_PATH][0] &&
                      frames[path][1] == frames[GENERAL_PATH][1])
              << "path " << path << " format " << kind.format << " depth " << function
              << " scenario " << s;
        }
      }
    }
  }
  useSpanLanes(SpanLanes::Avx2);
  forceGeneralSpans(false);
  useDepthCull(true);
}

// A random scene read through a lock (colour, depth), then drawn again on a
// newly opened board and read after a swap.
std::vector<std::vector<std::uint16_t>> renderScene(int threads, unsigned seed) {
  std::vector<std::vector<std::uint16_t>> frame;
  for (int pass = 0; pass < 2; ++pass) {
    openBoard(threads);
    std::mt19937 random(seed);
    std::vector<GrMipMapId_t> textures = makeRandomTextures(random);
    grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
    grBufferClear(0x00406080, 0, 0x8000);
    drawRandomTriangles(random, textures, 600);
    if (pass == 0) frame = {readBuffer(), readBuffer(GR_BUFFER_DEPTHBUFFER)};
  }
  grBufferSwap(0);
  frame.push_back(readBuffer(GR_BUFFER_FRONTBUFFER));
  boardReset();
  return frame;
}

TEST(ParallelTest, RandomScenesDrawTheSameBytesWithAnyNumberOfThreads) {
  for (unsigned seed : {1u, 2u, 3u}) {
    auto serial = renderScene(1, seed);
    ASSERT_EQ(serial[0], serial[2]);
    // Seven workers cut the screen into bands that do not divide it evenly.
    for (int threads : {2, 3, 7}) {
      EXPECT_EQ(renderScene(threads, seed), serial) << "seed " << seed << ", threads " << threads;
    }
  }
}

// Eight frames swapped one after another, then both colour buffers read.
// Every other pair of frames piles its work on the top of the screen, the
// others on the bottom, so that the workers' rows change hands both ways.
// Without clearEveryFrame only the first frame clears, as a program drawing
// a whole scene each frame may do.
std::vector<std::vector<std::uint16_t>> drawFrames(int threads, BoardDisplay* display,
                                                   bool clearEveryFrame = true) {
  openBoard(threads, display);
  std::mt19937 random(11);
  std::vector<GrMipMapId_t> textures = makeRandomTextures(random);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  for (int frame = 0; frame < 8; ++frame) {
    if (clearEveryFrame || frame == 0) {
      grBufferClear(0x00406080u + 0x00102030u * GrColor_t(frame), 0, 0x8000);
    }
    drawRandomTriangles(random, textures, 150);
    grDepthBufferFunction(GR_CMP_ALWAYS);
    const float low = frame % 4 < 2 ? 256 : 0;  // y up: the top, then the bottom
    for (int layer = 0; layer < 40; ++layer) {
      fillRect(0, low, BOARD_WIDTH, low + 128, vertexAt(0, 0, 40.0f * float(frame), 0, 200));
    }
    grBufferSwap(0);
  }
  std::vector<std::vector<std::uint16_t>> buffers = {readBuffer(GR_BUFFER_FRONTBUFFER),
                                                     readBuffer(GR_BUFFER_BACKBUFFER)};
  boardReset();
  boardSetDisplay(nullptr);
  return buffers;
}

// Headless, a swap leaves its frame drawing while the next is queued (two
// frames, where nothing clears between swaps); with a window it waits to
// show a finished one. Either way what is read or shown is what one thread
// draws.
TEST(ParallelTest, FramesLeftDrawingBySwapsAreTheSerialOnesWhenReadOrShown) {
  for (bool clearEveryFrame : {true, false}) {
    TestDisplay serialWindow, parallelWindow;
    const auto serial = drawFrames(1, &serialWindow, clearEveryFrame);
    EXPECT_EQ(drawFrames(2, nullptr, clearEveryFrame), serial)
        << "headless, clearing every frame: " << clearEveryFrame;
    EXPECT_EQ(drawFrames(2, &parallelWindow, clearEveryFrame), serial)
        << "with a window, clearing every frame: " << clearEveryFrame;
    ASSERT_EQ(serialWindow.shown.size(), 8u);
    EXPECT_TRUE(parallelWindow.shown == serialWindow.shown)
        << "the frames shown, clearing every frame: " << clearEveryFrame;
  }
}

}  // namespace
