// The texture, colour and alpha combine units, chroma key and dither.

#include <cmath>

#include "tests/board/board_test_support.h"

namespace {

// A uniform ARGB4444 texel: a 0x88, r 0xcc, g 0x66, b 0x33.
constexpr std::uint16_t TEXEL = 0x8c63;
constexpr int TEX[4] = {0xcc, 0x66, 0x33, 0x88};
constexpr int ITER[4] = {200, 100, 50, 128};
constexpr int CONST[4] = {10, 20, 250, 77};  // in RGBA: 0x0a14fa4d
constexpr GrColor_t CONST_RGBA = 0x0a14fa4du;

int scaled(double f, double x) { return int(std::lround(f * x / 255.0)); }
int clamp8(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

class CombineTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    guTexSource(makeTexture(GR_TEXFMT_ARGB_4444, GR_LOD_8, GR_LOD_8,
                            std::vector<std::uint16_t>(64, TEXEL), false));
    grConstantColorValue(CONST_RGBA);
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE,
                 GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, FXFALSE, FXFALSE);
  }
  static std::uint16_t drawn() {
    grBufferClear(0, 0, 0);
    fillRect(0, 0, 8, 8, vertexAt(0, 0, ITER[0], ITER[1], ITER[2], 0, ITER[3]));
    return pixelAt(readBuffer(), 4, 4);
  }
  static void expectColor(GrCombineFunction_t function, GrCombineFactor_t factor,
                          GrCombineLocal_t local, GrCombineOther_t other, bool invert, int r, int g,
                          int b) {
    grColorCombine(function, factor, local, other, invert ? FXTRUE : FXFALSE);
    EXPECT_EQ(drawn(), rgb565(r, g, b)) << "function " << function << " factor " << factor;
  }
};

TEST_F(CombineTest, ASampleOfFunctionsFactorsAndSources) {
  constexpr GrCombineLocal_t ITERATED = GR_COMBINE_LOCAL_ITERATED;
  constexpr GrCombineLocal_t CONSTANT = GR_COMBINE_LOCAL_CONSTANT;
  constexpr GrCombineOther_t TEXTURE = GR_COMBINE_OTHER_TEXTURE;
  const int a = ITER[3];  // local alpha: the alpha unit's local is iterated
  expectColor(GR_COMBINE_FUNCTION_ZERO, GR_COMBINE_FACTOR_ONE, 0, 0, false, 0, 0, 0);
  expectColor(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, CONSTANT, 0, false, CONST[0],
              CONST[1], CONST[2]);
  expectColor(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, ITERATED, 0, true, 55, 155, 205);
  expectColor(GR_COMBINE_FUNCTION_LOCAL_ALPHA, GR_COMBINE_FACTOR_ZERO, 0, 0, false, a, a, a);
  expectColor(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_TEXTURE_ALPHA, 0,
              GR_COMBINE_OTHER_CONSTANT, false, scaled(0x88, CONST[0]), scaled(0x88, CONST[1]),
              scaled(0x88, CONST[2]));
  expectColor(GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL, GR_COMBINE_FACTOR_ONE_MINUS_LOCAL_ALPHA,
              CONSTANT, GR_COMBINE_OTHER_ITERATED, false, clamp8(scaled(127, 200) + CONST[0]),
              clamp8(scaled(127, 100) + CONST[1]), clamp8(scaled(127, 50) + CONST[2]));
  expectColor(GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL, GR_COMBINE_FACTOR_LOCAL_ALPHA,
              ITERATED, GR_COMBINE_OTHER_CONSTANT, false, 200 - scaled(a, 190), 100 - scaled(a, 80),
              50 + scaled(a, 200));
  expectColor(GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL, GR_COMBINE_FACTOR_ONE, ITERATED, TEXTURE,
              false, clamp8(0xcc - 200), clamp8(0x66 - 100), clamp8(0x33 - 50));
  expectColor(GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL, GR_COMBINE_FACTOR_ONE_MINUS_LOCAL,
              ITERATED, 0, false, 200 - scaled(55, 200), 100 - scaled(155, 100),
              50 - scaled(205, 50));
  expectColor(GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL_ALPHA, GR_COMBINE_FACTOR_OTHER_ALPHA,
              ITERATED, GR_COMBINE_OTHER_ITERATED, true, 255 - clamp8(scaled(a, 200) + a),
              255 - clamp8(scaled(a, 100) + a), 255 - clamp8(scaled(a, 50) + a));
}

TEST_F(CombineTest, TextureCombineAndAlphaCombineFeedTheBlend) {
  // The texture unit inverts its texel; the alpha unit takes the texel's
  // alpha, which then blends the result over white.
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, GR_COMBINE_FUNCTION_LOCAL,
               GR_COMBINE_FACTOR_ONE, FXTRUE, FXFALSE);
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  grAlphaCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                       GR_BLEND_ZERO);
  grBufferClear(0xffffff00u, 0, 0);
  fillRect(0, 0, 8, 8, vertexAt(0, 0, 0, 0, 0, 0, 0));
  int expected[3];
  for (int c = 0; c < 3; ++c) {
    expected[c] = int(std::lround(((255 - TEX[c]) * 0x88 + 255 * (255 - 0x88)) / 255.0));
  }
  EXPECT_EQ(pixelAt(readBuffer(), 4, 4), rgb565(expected[0], expected[1], expected[2]));
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

TEST_F(CombineTest, OrderedDitherOfAFlatColourAveragesToIt) {
  grDitherMode(GR_DITHER_4x4);
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  constexpr int color[3] = {100, 150, 37};
  fillRect(0, 0, 64, 64, vertexAt(0, 0, color[0], color[1], color[2]));
  auto pixels = readBuffer();
  double sum[3] = {};
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      std::uint16_t p = pixelAt(pixels, x, y);
      // The pattern repeats every four pixels both ways.
      ASSERT_EQ(p, pixelAt(pixels, x % 4, y % 4));
      sum[0] += (p >> 11) / 31.0;
      sum[1] += (p >> 5 & 63) / 63.0;
      sum[2] += (p & 31) / 31.0;
    }
  }
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(sum[c] / 4096 * 255, color[c], 255.0 / 31 / 16);
  // Not every pixel alike: the dither spreads the colour over two levels.
  EXPECT_NE(pixelAt(pixels, 0, 0), pixelAt(pixels, 1, 1));
}

}  // namespace
