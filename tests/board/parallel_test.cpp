// Drawing with worker threads gives the very bytes serial drawing gives, and
// everything that reads or replaces the buffers or texture memory sees the
// drawing finished.

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "board/pipeline_state.h"
#include "board/texture_memory.h"
#include "tests/board/board_test_support.h"

namespace {

constexpr GrCombineFunction_t FUNCTIONS[] = {
    GR_COMBINE_FUNCTION_ZERO,
    GR_COMBINE_FUNCTION_LOCAL,
    GR_COMBINE_FUNCTION_LOCAL_ALPHA,
    GR_COMBINE_FUNCTION_SCALE_OTHER,
    GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL,
    GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL_ALPHA,
    GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL,
    GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL,
    GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL_ALPHA,
    GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL,
    GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL_ALPHA};
constexpr GrCombineFactor_t FACTORS[] = {GR_COMBINE_FACTOR_ZERO,
                                         GR_COMBINE_FACTOR_LOCAL,
                                         GR_COMBINE_FACTOR_OTHER_ALPHA,
                                         GR_COMBINE_FACTOR_LOCAL_ALPHA,
                                         GR_COMBINE_FACTOR_TEXTURE_ALPHA,
                                         GR_COMBINE_FACTOR_ONE,
                                         GR_COMBINE_FACTOR_ONE_MINUS_LOCAL,
                                         GR_COMBINE_FACTOR_ONE_MINUS_LOCAL_ALPHA,
                                         GR_COMBINE_FACTOR_ONE_MINUS_TEXTURE_ALPHA};
constexpr GrAlphaBlendFnc_t BLENDS[] = {GR_BLEND_ZERO,
                                        GR_BLEND_SRC_ALPHA,
                                        GR_BLEND_DST_COLOR,
                                        GR_BLEND_DST_ALPHA,
                                        GR_BLEND_ONE,
                                        GR_BLEND_ONE_MINUS_SRC_ALPHA,
                                        GR_BLEND_ONE_MINUS_DST_COLOR,
                                        GR_BLEND_ALPHA_SATURATE};

template <typename T, std::size_t N>
T pick(std::mt19937& random, const T (&values)[N]) {
  return values[random() % N];
}

struct Textures {
  GrMipMapId_t ids[3];
};

std::vector<std::uint16_t> randomTexels(std::mt19937& random, std::size_t count) {
  std::vector<std::uint16_t> texels(count);
  for (auto& t : texels) t = std::uint16_t(random() & 0xf0f0);  // blocky, so keys match
  return texels;
}

// A mipmapped bilinear rgb565 texture, a clamped point-sampled 4444 one and
// a 1555 one.
Textures makeTextures(std::mt19937& random) {
  Textures t;
  t.ids[0] = guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 64, 64, GR_TEXFMT_RGB_565,
                                 GR_MIPMAP_NEAREST, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1,
                                 GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                 GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0, FXFALSE);
  guTexDownloadMipMap(
      t.ids[0],
      randomTexels(random, mipMapBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1) / 2)
          .data(),
      nullptr);
  t.ids[1] = guTexAllocateMemory(
      GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 32, 32, GR_TEXFMT_ARGB_4444, GR_MIPMAP_DISABLE, GR_LOD_32,
      GR_LOD_32, GR_ASPECT_1x1, GR_TEXTURECLAMP_CLAMP, GR_TEXTURECLAMP_CLAMP,
      GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED, 0, FXFALSE);
  guTexDownloadMipMap(t.ids[1], randomTexels(random, 32 * 32).data(), nullptr);
  t.ids[2] = makeTexture(GR_TEXFMT_ARGB_1555, GR_LOD_16, randomTexels(random, 16 * 16), true);
  return t;
}

CombineUnit randomUnit(std::mt19937& random) {
  return {pick(random, FUNCTIONS), pick(random, FACTORS), GrCombineLocal_t(random() % 3),
          GrCombineOther_t(random() % 3), random() % 4 == 0};
}

// Either a random state or one the renderer uses, so the specialised span
// loops are drawn as often as the general one.
void setRandomState(std::mt19937& random, const Textures& textures) {
  if (random() % 2 == 0) {
    CombineUnit c = randomUnit(random), a = randomUnit(random), t = randomUnit(random);
    grColorCombine(c.function, c.factor, c.local, c.other, c.invert);
    grAlphaCombine(a.function, a.factor, a.local, a.other, a.invert);
    grTexCombine(GR_TMU0, t.function, t.factor, t.function, t.factor, t.invert, FXFALSE);
    grAlphaBlendFunction(pick(random, BLENDS), pick(random, BLENDS), GR_BLEND_ONE, GR_BLEND_ZERO);
  } else {
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE,
                 GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    bool textured = random() % 3 != 0;
    grColorCombine(textured ? GR_COMBINE_FUNCTION_SCALE_OTHER : GR_COMBINE_FUNCTION_LOCAL,
                   textured ? GR_COMBINE_FACTOR_LOCAL : GR_COMBINE_FACTOR_NONE,
                   GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE,
                   random() % 2 ? GR_COMBINE_LOCAL_ITERATED : GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_NONE, FXFALSE);
    bool blended = random() % 2 != 0;
    grAlphaBlendFunction(blended ? GR_BLEND_SRC_ALPHA : GR_BLEND_ONE,
                         blended ? GR_BLEND_ONE_MINUS_SRC_ALPHA : GR_BLEND_ZERO, GR_BLEND_ONE,
                         GR_BLEND_ZERO);
  }
  grConstantColorValue(random());
  grDepthBufferMode(random() % 4 ? GR_DEPTHBUFFER_ZBUFFER : GR_DEPTHBUFFER_DISABLE);
  grDepthBufferFunction(GrCmpFnc_t(random() % 8));
  grDepthMask(random() % 4 ? FXTRUE : FXFALSE);
  grChromakeyMode(random() % 4 == 0 ? GR_CHROMAKEY_ENABLE : GR_CHROMAKEY_DISABLE);
  grChromakeyValue(random() % 2 ? 0 : 0xff00f0f0);
  grDitherMode(GrDitherMode_t(random() % 3));
  guTexSource(textures.ids[random() % 3]);
}

GrVertex randomVertex(std::mt19937& random, float cx, float cy, float spread) {
  std::uniform_real_distribution<float> offset(-spread, spread), unit(0, 1);
  float oow = 0.1f + unit(random);
  GrVertex v =
      vertexAt(cx + offset(random), cy + offset(random), 255 * unit(random), 255 * unit(random),
               255 * unit(random), 65535 * unit(random), 255 * unit(random));
  v.oow = oow;
  v.tmuvtx[0].sow = 256 * unit(random) * oow + SNAP_BIAS;
  v.tmuvtx[0].tow = 256 * unit(random) * oow + SNAP_BIAS;
  v.tmuvtx[0].oow = oow;
  return v;
}

// Random triangles, large and small, under a state that changes every few
// triangles; halfway the first texture gets new texels, later the buffers
// are cleared.
void drawRandomScene(unsigned seed) {
  std::mt19937 random(seed);
  Textures textures = makeTextures(random);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grBufferClear(0x00406080, 0, 0x8000);
  std::uniform_real_distribution<float> x(-40, 552), y(-40, 424);
  for (int i = 0; i < 600; ++i) {
    if (i % 7 == 0) setRandomState(random, textures);
    if (i == 300) {
      guTexDownloadMipMap(
          textures.ids[0],
          randomTexels(random,
                       mipMapBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1) / 2)
              .data(),
          nullptr);
    }
    // A clear between triangles, of the depth buffer too when the state has it on.
    if (i == 450) grBufferClear(GrColor_t(random()), 0, FxU16(random()));
    float spread = i % 3 == 0 ? 300.0f : 12.0f;
    float cx = x(random), cy = y(random);
    GrVertex a = randomVertex(random, cx, cy, spread), b = randomVertex(random, cx, cy, spread),
             c = randomVertex(random, cx, cy, spread);
    drawTriangle(a, b, c);
  }
}

struct Frame {
  std::vector<std::uint16_t> color, depth, swapped;
};

void openBoard(int threads) {
  boardReset();
  boardSetThreadCount(threads);
  grGlideInit();
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_LOWER_LEFT,
               2, 0);
}

// The scene drawn, read through a lock; drawn again and read after a swap.
Frame renderScene(int threads, unsigned seed) {
  openBoard(threads);
  Frame frame;
  drawRandomScene(seed);
  frame.color = readBuffer(GR_BUFFER_BACKBUFFER);
  frame.depth = readBuffer(GR_BUFFER_DEPTHBUFFER);
  grGlideShutdown();
  openBoard(threads);
  drawRandomScene(seed);
  grBufferSwap(0);
  frame.swapped = readBuffer(GR_BUFFER_FRONTBUFFER);
  boardReset();
  return frame;
}

TEST(ParallelTest, RandomScenesDrawTheSameBytesWithAnyNumberOfThreads) {
  for (unsigned seed : {1u, 2u, 3u}) {
    Frame serial = renderScene(1, seed);
    ASSERT_EQ(serial.color, serial.swapped);
    for (int threads : {2, 3}) {
      Frame parallel = renderScene(threads, seed);
      EXPECT_EQ(parallel.color, serial.color) << "seed " << seed << ", threads " << threads;
      EXPECT_EQ(parallel.depth, serial.depth) << "seed " << seed << ", threads " << threads;
      EXPECT_EQ(parallel.swapped, serial.swapped) << "seed " << seed << ", threads " << threads;
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
  EXPECT_EQ(readBuffer(),
            std::vector<std::uint16_t>(std::size_t(BOARD_WIDTH * BOARD_HEIGHT), rgb565(0, 0, 255)));
  EXPECT_EQ(readBuffer(GR_BUFFER_DEPTHBUFFER),
            std::vector<std::uint16_t>(std::size_t(BOARD_WIDTH * BOARD_HEIGHT), 0x1234));

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

TEST(ParallelTest, ThreadCountFollowsTheRequestThenTheEnvironment) {
  boardReset();
  boardSetThreadCount(3);
  EXPECT_EQ(boardThreadCount(), 3);
  boardSetThreadCount(1);
  EXPECT_EQ(boardThreadCount(), 1);
  setenv("WILDSKY_BOARD_THREADS", "2", 1);
  boardReset();
  EXPECT_EQ(boardThreadCount(), 2);
  boardSetThreadCount(1);
  EXPECT_EQ(boardThreadCount(), 1);
  unsetenv("WILDSKY_BOARD_THREADS");
  boardReset();
  EXPECT_GE(boardThreadCount(), 1);
}

}  // namespace
