// The pixel pipeline: iteration across a triangle, the colour combine unit,
// chroma key, dither, the depth test and alpha blending.

#include <algorithm>
#include <cmath>

#include "tests/board/board_test_support.h"

namespace {

using InterpolationTest = BoardTest;

// (The reference images check the colours' pixel centres.)
TEST_F(InterpolationTest, DepthTakesThePixelCentreValue) {
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
}

// A uniform ARGB4444 texture (a 0x88, r 0xcc, g 0x66, b 0x33), the iterated
// colour ITER and the constant colour CONST (RGBA 0x0a14fa4d).
constexpr int ITER[4] = {200, 100, 50, 128}, CONST[4] = {10, 20, 250, 77};
constexpr GrColor_t CONST_RGBA = 0x0a14fa4du;

int scaled(double f, double x) { return int(std::lround(f * x / 255.0)); }
int clamp8(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

class CombineTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    guTexSource(makeTexture({GR_TEXFMT_ARGB_4444, 8, 8, GR_LOD_8, GR_LOD_8, GR_ASPECT_1x1,
                             GR_MIPMAP_DISABLE, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                             GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED},
                            std::vector<std::uint16_t>(64, 0x8c63)));
    grConstantColorValue(CONST_RGBA);
  }
  static std::uint16_t drawn(const GrVertex& v = vertexAt(0, 0, ITER[0], ITER[1], ITER[2], 0,
                                                          ITER[3])) {
    grBufferClear(0, 0, 0);
    fillRect(0, 0, 8, 8, v);
    return pixelAt(readBuffer(), 4, 4);
  }
};

TEST_F(CombineTest, ASampleOfFunctionsFactorsAndSources) {
  constexpr GrCombineLocal_t ITERATED = GR_COMBINE_LOCAL_ITERATED;
  constexpr GrCombineLocal_t CONSTANT = GR_COMBINE_LOCAL_CONSTANT;
  const int a = ITER[3];  // local alpha: the alpha unit's local is iterated
  auto expect = [](GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                   GrCombineOther_t other, bool invert, int r, int g, int b) {
    grColorCombine(function, factor, local, other, invert ? FXTRUE : FXFALSE);
    EXPECT_EQ(drawn(), rgb565(r, g, b)) << "function " << function << " factor " << factor;
  };
  expect(GR_COMBINE_FUNCTION_ZERO, GR_COMBINE_FACTOR_ONE, 0, 0, false, 0, 0, 0);
  expect(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, CONSTANT, 0, false, CONST[0], CONST[1],
         CONST[2]);
  expect(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, ITERATED, 0, true, 55, 155, 205);
  expect(GR_COMBINE_FUNCTION_LOCAL_ALPHA, GR_COMBINE_FACTOR_ZERO, 0, 0, false, a, a, a);
  expect(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_TEXTURE_ALPHA, 0,
         GR_COMBINE_OTHER_CONSTANT, false, scaled(0x88, CONST[0]), scaled(0x88, CONST[1]),
         scaled(0x88, CONST[2]));
  expect(GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL, GR_COMBINE_FACTOR_ONE_MINUS_LOCAL_ALPHA,
         CONSTANT, GR_COMBINE_OTHER_ITERATED, false, clamp8(scaled(127, 200) + CONST[0]),
         clamp8(scaled(127, 100) + CONST[1]), clamp8(scaled(127, 50) + CONST[2]));
  expect(GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL, GR_COMBINE_FACTOR_LOCAL_ALPHA,
         ITERATED, GR_COMBINE_OTHER_CONSTANT, false, 200 - scaled(a, 190), 100 - scaled(a, 80),
         50 + scaled(a, 200));
  expect(GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL, GR_COMBINE_FACTOR_ONE, ITERATED,
         GR_COMBINE_OTHER_TEXTURE, false, clamp8(0xcc - 200), clamp8(0x66 - 100),
         clamp8(0x33 - 50));
  expect(GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL, GR_COMBINE_FACTOR_ONE_MINUS_LOCAL,
         ITERATED, 0, false, 200 - scaled(55, 200), 100 - scaled(155, 100), 50 - scaled(205, 50));
  expect(GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL_ALPHA, GR_COMBINE_FACTOR_OTHER_ALPHA, ITERATED,
         GR_COMBINE_OTHER_ITERATED, true, 255 - clamp8(scaled(a, 200) + a),
         255 - clamp8(scaled(a, 100) + a), 255 - clamp8(scaled(a, 50) + a));
}

// The texture combine's alpha with its own invert flag and the texture
// unit's zero "other" input; the alpha unit's texture and depth sources,
// seen through a blend by source alpha; the functions and roundings the
// sample above leaves out.
TEST_F(CombineTest, TextureCombineAlphaSourcesAndSignedRounding) {
  const int a = ITER[3], t = 0x88;
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL_ALPHA,
                 GR_COMBINE_FACTOR_TEXTURE_ALPHA, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  EXPECT_EQ(drawn(), rgb565(a - scaled(t, 200), a - scaled(t, 100), a - scaled(t, 50)));
  // (iterated - constant) * t / 255 + constant, rounded to nearest: green
  // 20 + 2.67 gives 23, which RGB565 keeps apart from 22.
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL,
                 GR_COMBINE_FACTOR_TEXTURE_ALPHA, GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_ITERATED, FXFALSE);
  EXPECT_EQ(drawn(vertexAt(0, 0, CONST[0], 25, CONST[2], 0, ITER[3])),
            rgb565(CONST[0], 23, CONST[2]));
  // Only the alpha is inverted: the texture alpha factor is 255 - 0x88.
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, GR_COMBINE_FUNCTION_LOCAL,
               GR_COMBINE_FACTOR_ONE, FXFALSE, FXTRUE);
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_TEXTURE_ALPHA,
                 GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_ITERATED, FXFALSE);
  EXPECT_EQ(drawn(), rgb565(scaled(119, 200), scaled(119, 100), scaled(119, 50)));
  // Unit 0's other alpha is zero: texel - texel * 0 is the texel.
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL,
               GR_COMBINE_FACTOR_OTHER_ALPHA, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE,
               FXFALSE, FXFALSE);
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  EXPECT_EQ(drawn(), rgb565(0xcc, 0x66, 0x33));
  // Alpha from the texel's alpha, then from the depth's high byte (200 << 8).
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, GR_COMBINE_FUNCTION_LOCAL,
               GR_COMBINE_FACTOR_ONE, FXFALSE, FXFALSE);
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_ITERATED, FXFALSE);
  grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
  grAlphaCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  EXPECT_EQ(drawn(), rgb565(scaled(t, 200), scaled(t, 100), scaled(t, 50)));
  grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_DEPTH,
                 GR_COMBINE_OTHER_ITERATED, FXFALSE);
  EXPECT_EQ(drawn(vertexAt(0, 0, ITER[0], ITER[1], ITER[2], 200 << 8, ITER[3])),
            rgb565(scaled(200, 200), scaled(200, 100), scaled(200, 50)));
}

TEST_F(CombineTest, ChromaKeyDropsPixelsWhoseOtherColourIsTheKey) {
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  grChromakeyMode(GR_CHROMAKEY_ENABLE);
  grChromakeyValue(0xcc663300u);  // the texel's colour; its alpha is ignored
  EXPECT_EQ(drawn(), 0);
  grChromakeyValue(0xcc663400u);
  EXPECT_EQ(drawn(), rgb565(0xcc, 0x66, 0x33));
  // With the constant colour as the other input, the key compares against it.
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  grChromakeyValue(CONST_RGBA & 0xffffff00u);
  EXPECT_EQ(drawn(), 0);
  grChromakeyMode(GR_CHROMAKEY_DISABLE);
  EXPECT_EQ(drawn(), rgb565(200, 100, 50));
}

using DepthTest = BoardTest;

// Each function's value is the set of outcomes it passes: 1 less, 2 equal,
// 4 greater (so 3 is less-or-equal, 5 not equal, 7 always).
TEST_F(DepthTest, EveryFunctionWithMaskOnAndOff) {
  constexpr int stored = 30000;
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  for (GrCmpFnc_t function = GR_CMP_NEVER; function <= GR_CMP_ALWAYS; ++function) {
    for (bool mask : {true, false}) {
      for (int incoming : {stored - 1, stored, stored + 1}) {
        grDepthBufferFunction(function);
        grDepthMask(mask ? FXTRUE : FXFALSE);
        grBufferClear(0, 0, stored);
        fillRect(10, 10, 20, 20, vertexAt(0, 0, 255, 0, 0, float(incoming)));
        bool pass = function & (incoming < stored ? 1 : incoming == stored ? 2 : 4);
        auto color = readBuffer(), depth = readBuffer(GR_BUFFER_AUXBUFFER);
        SCOPED_TRACE(testing::Message()
                     << "function " << function << " mask " << mask << " incoming " << incoming);
        EXPECT_EQ(pixelAt(color, 15, 15), pass ? 0xf800 : 0);
        EXPECT_EQ(pixelAt(depth, 15, 15), pass && mask ? incoming : stored);
        EXPECT_EQ(pixelAt(depth, 25, 15), stored);
      }
    }
  }
}

using BlendTest = BoardTest;

// The factor for one channel as the era's documentation defines it, with the
// destination read as opaque (no alpha buffer): 1 source alpha, 2 the other
// side's colour, 3 destination alpha, 4 one, 5 one minus source alpha, 6 one
// minus the other side's colour, 7 one minus destination alpha, 0xf the
// alpha saturation (zero for the source, the source colour for the destination).
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

// The constant colour's alpha is read from the byte the colour format puts
// it in: 0x80 blends white over black to half.
TEST_F(BlendTest, ConstantAlphaInEveryColourFormat) {
  const std::pair<GrColorFormat_t, GrColor_t> formats[] = {{GR_COLORFORMAT_ARGB, 0x80000000u},
                                                           {GR_COLORFORMAT_ABGR, 0x80000000u},
                                                           {GR_COLORFORMAT_RGBA, 0x00000080u},
                                                           {GR_COLORFORMAT_BGRA, 0x00000080u}};
  for (auto [format, value] : formats) {
    openWindow(format);
    grDitherMode(GR_DITHER_DISABLE);
    grBufferClear(0, 0, 0);
    grConstantColorValue(value);
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_ITERATED, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                         GR_BLEND_ZERO);
    fillRect(0, 0, 8, 8, vertexAt(0, 0, 255, 255, 255, 0, 255));
    EXPECT_EQ(pixelAt(readBuffer(), 4, 4), rgb565(128, 128, 128)) << "format " << format;
  }
}

}  // namespace
