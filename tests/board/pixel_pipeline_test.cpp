// The pixel pipeline: depth iteration and mask, the colour combine's
// functions and factors, alpha blending and colour formats. (The same-bytes
// test compares each loop's depth test and chroma key with the general
// loop's; the reference images check the settings the renderer draws in.)

#include <algorithm>
#include <cmath>
#include <tuple>

#include "tests/board/board_test_support.h"

namespace {

using InterpolationTest = BoardTest;

// (The reference images check the colours' pixel centres.)
TEST_F(InterpolationTest, DepthTakesThePixelCentreValueAndTheMaskKeepsIt) {
  grBufferClear(0, 0, 7);
  EXPECT_EQ(pixelAt(readBuffer(GR_BUFFER_AUXBUFFER), 0, 0), 0) << "a clear with depth off";
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_ALWAYS);
  grBufferClear(0, 0, 7);
  // ooz = 1000 + 100 x over rows 200..219, and -20000 + 1000 x over rows 300..319.
  drawTriangle(vertexAt(0, 200, 0, 0, 0, 1000), vertexAt(256, 200, 0, 0, 0, 26600),
               vertexAt(0, 220, 0, 0, 0, 1000));
  drawTriangle(vertexAt(0, 300, 0, 0, 0, -20000), vertexAt(100, 300, 0, 0, 0, 80000),
               vertexAt(0, 320, 0, 0, 0, -20000));
  auto depth = readBuffer(GR_BUFFER_AUXBUFFER);
  for (int x = 0; x < 200; ++x) EXPECT_EQ(pixelAt(depth, x, 200), 1000 + 100 * x + 50) << x;
  EXPECT_EQ(pixelAt(depth, 10, 300), 0);
  EXPECT_EQ(pixelAt(depth, 20, 300), 500);
  EXPECT_EQ(pixelAt(depth, 90, 300), 65535);
  EXPECT_EQ(pixelAt(depth, 300, 300), 7) << "outside the triangle";
  // With the mask off the pixels pass and are drawn, but keep their depth.
  grDepthMask(FXFALSE);
  fillRect(300, 250, 310, 260, vertexAt(0, 0, 255, 0, 0, 500));
  EXPECT_EQ(pixelAt(readBuffer(), 305, 255), 0xf800);
  EXPECT_EQ(pixelAt(readBuffer(GR_BUFFER_AUXBUFFER), 305, 255), 7);
}

using CombineTest = BoardTest;

// Every colour combine function, each factor but the texture's, and the
// invert flag, on local L = the iterated (40, 100, 200), alpha 60, and other
// O = the constant (255, 255, 0), alpha 255. O's channels are 0 or 255, so
// any factor scales O exactly, and the differences from L are scaled only
// by 0 or 1: every result is exact.
TEST_F(CombineTest, EveryColourFunctionFactorAndTheInvertFlag) {
  const struct {
    GrCombineFunction_t function;
    GrCombineFactor_t factor;
    bool invert;
    int r, g, b;
  } cases[] = {
      {GR_COMBINE_FUNCTION_ZERO, GR_COMBINE_FACTOR_ONE, false, 0, 0, 0},
      {GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, false, 40, 100, 200},
      {GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, true, 215, 155, 55},
      {GR_COMBINE_FUNCTION_LOCAL_ALPHA, GR_COMBINE_FACTOR_ZERO, false, 60, 60, 60},
      {GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL, false, 40, 100, 0},
      {GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_OTHER_ALPHA, false, 255, 255, 0},
      {GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL_ALPHA, false, 60, 60, 0},
      {GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE_MINUS_LOCAL, false, 215, 155, 0},
      {GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE_MINUS_OTHER_ALPHA, false, 0, 0, 0},
      {GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE_MINUS_LOCAL_ALPHA, false, 195, 195,
       0},
      {GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL, GR_COMBINE_FACTOR_ONE, false, 255, 255, 200},
      {GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL_ALPHA, GR_COMBINE_FACTOR_LOCAL_ALPHA, false, 120,
       120, 60},
      {GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL, GR_COMBINE_FACTOR_ONE, false, 215, 155, 0},
      {GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL, GR_COMBINE_FACTOR_ONE, false, 255,
       255, 0},
      {GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL, GR_COMBINE_FACTOR_ZERO, false, 40,
       100, 200},
      {GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL_ALPHA, GR_COMBINE_FACTOR_ONE, false,
       255, 215, 0},
      {GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL, GR_COMBINE_FACTOR_ONE, false, 0, 0, 0},
      {GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL, GR_COMBINE_FACTOR_ZERO, false, 40, 100,
       200},
      {GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL_ALPHA, GR_COMBINE_FACTOR_ONE, false, 20, 0,
       0},
  };
  grConstantColorValue(0xffff00ffu);  // RGBA
  grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  for (const auto& c : cases) {
    grColorCombine(c.function, c.factor, GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_CONSTANT,
                   c.invert ? FXTRUE : FXFALSE);
    fillRect(0, 0, 8, 8, vertexAt(0, 0, 40, 100, 200, 0, 60));
    EXPECT_EQ(pixelAt(readBuffer(), 4, 4), rgb565(c.r, c.g, c.b))
        << "function " << c.function << ", factor " << c.factor << (c.invert ? ", inverted" : "");
  }
}

using BlendTest = BoardTest;

// The factor for one channel as the era's documentation defines it, the
// destination read as opaque (no alpha buffer); 0xf is the alpha saturation
// (zero for the source, the source colour for the destination).
double factor(GrAlphaBlendFnc_t f, bool source, double other, double alpha) {
  const double values[] = {0, alpha, other, 1, 1, 1 - alpha, 1 - other, 0};
  return f == 0xf ? (source ? 0 : other) : values[f];
}

TEST_F(BlendTest, EverySourceAndDestinationFactor) {
  const int dest[3] = {132, 162, 66}, source[3] = {200, 100, 50};  // dest exact in RGB565
  for (GrAlphaBlendFnc_t src : {0, 1, 2, 3, 4, 5, 6, 7, 0xf}) {
    for (GrAlphaBlendFnc_t dst : {0, 1, 2, 3, 4, 5, 6, 7, 0xf}) {
      grBufferClear(0x84a24200u, 0, 0);
      grAlphaBlendFunction(src, dst, GR_BLEND_ONE, GR_BLEND_ZERO);
      fillRect(0, 0, 8, 8, vertexAt(0, 0, source[0], source[1], source[2], 0, 96));
      int expected[3];
      for (int c = 0; c < 3; ++c) {
        double v = source[c] * factor(src, true, dest[c] / 255.0, 96 / 255.0) +
                   dest[c] * factor(dst, false, source[c] / 255.0, 96 / 255.0);
        expected[c] = int(std::lround(std::min(v, 255.0)));
      }
      EXPECT_EQ(pixelAt(readBuffer(), 4, 4), rgb565(expected[0], expected[1], expected[2]))
          << "source factor " << src << ", destination factor " << dst;
    }
  }
}

// The clear colour, the constant colour's alpha and the chroma key are read
// from the bytes the colour format puts them in: 0x80 blends white over red
// to pink, and red keyed out leaves the pink. A new session forgets them.
TEST_F(BlendTest, ClearColourConstantAlphaAndChromaKeyInEveryColourFormat) {
  const std::tuple<GrColorFormat_t, GrColor_t, GrColor_t> formats[] = {
      {GR_COLORFORMAT_ARGB, 0x80000000u, 0x00ff0000u},
      {GR_COLORFORMAT_ABGR, 0x80000000u, 0x000000ffu},
      {GR_COLORFORMAT_RGBA, 0x00000080u, 0xff000000u},
      {GR_COLORFORMAT_BGRA, 0x00000080u, 0x0000ff00u}};
  for (auto [format, alpha, red] : formats) {
    openWindow(format);
    grDitherMode(GR_DITHER_DISABLE);
    grBufferClear(red, 0, 0);
    EXPECT_EQ(readBuffer()[0], 0xf800) << "format " << format;
    grConstantColorValue(alpha);
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_ITERATED, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                         GR_BLEND_ZERO);
    fillRect(0, 0, 8, 8, vertexAt(0, 0, 255, 255, 255, 0, 255));
    EXPECT_EQ(pixelAt(readBuffer(), 4, 4), rgb565(255, 128, 128)) << "format " << format;
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE,
                   GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_ITERATED, FXFALSE);
    grChromakeyValue(red);
    grChromakeyMode(GR_CHROMAKEY_ENABLE);
    fillRect(0, 0, 8, 8, vertexAt(0, 0, 255, 0, 0));
    EXPECT_EQ(pixelAt(readBuffer(), 4, 4), rgb565(255, 128, 128)) << "format " << format;
    grChromakeyMode(GR_CHROMAKEY_DISABLE);
  }
  // A new session starts both colours at power-on: a constant of 0 draws
  // black, and black, not the last session's red, is the key.
  grConstantColorValue(0xffffffffu);
  grChromakeyValue(0x00ff0000u);
  grGlideShutdown();
  grGlideInit();
  openWindow(GR_COLORFORMAT_ARGB);
  grDitherMode(GR_DITHER_DISABLE);
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_ITERATED, FXFALSE);
  fillRect(0, 0, 8, 8, vertexAt(0, 0, 255, 255, 255));
  EXPECT_EQ(pixelAt(readBuffer(), 4, 4), 0x0000) << "the last session's constant colour";
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_ITERATED, FXFALSE);
  grChromakeyMode(GR_CHROMAKEY_ENABLE);
  fillRect(0, 0, 8, 8, vertexAt(0, 0, 255, 0, 0));
  EXPECT_EQ(pixelAt(readBuffer(), 4, 4), 0xf800) << "the last session's chroma key";
}

}  // namespace
