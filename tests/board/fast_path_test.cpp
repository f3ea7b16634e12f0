// The specialised span loops against the general pipeline: the same random
// triangles under each of the renderer's states must give identical pixels.

#include <random>

#include "board/board_context.h"
#include "board/texture_memory.h"
#include "tests/board/board_test_support.h"

namespace {

enum class Scenario {
  OpaqueTextured,
  OpaqueColoured,
  TransparentTextured,
  TransparentColoured,
  Text
};

struct Frame {
  std::vector<std::uint16_t> color, depth;
};

class FastPathTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    grDitherMode(GR_DITHER_4x4);
    grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
    std::mt19937 random(11);
    // A 64x64 mipmapped texture down to 1x1, bilinear, random texels with
    // many black ones for the chroma key.
    std::size_t bytes = mipMapBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1);
    std::vector<std::uint16_t> texels(bytes / 2);
    for (auto& t : texels) t = random() % 3 == 0 ? 0 : std::uint16_t(random());
    mipmapped = guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 64, 64, GR_TEXFMT_RGB_565,
                                    GR_MIPMAP_NEAREST, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1,
                                    GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                    GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0, 0);
    ASSERT_TRUE(guTexDownloadMipMap(mipmapped, texels.data(), nullptr));
  }

  void setState(Scenario s) {
    bool textured = s == Scenario::OpaqueTextured || s == Scenario::TransparentTextured;
    bool transparent = s == Scenario::TransparentTextured || s == Scenario::TransparentColoured;
    grChromakeyMode(GR_CHROMAKEY_DISABLE);
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE,
                 GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, FXFALSE, FXFALSE);
    guTexSource(mipmapped);
    if (transparent) {
      grConstantColorValue(150);
      grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_CONSTANT,
                     GR_COMBINE_OTHER_CONSTANT, FXFALSE);
      grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                           GR_BLEND_ZERO);
    } else {
      grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    }
    if (textured) {
      grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL,
                     GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    } else if (s == Scenario::Text) {
      grChromakeyMode(GR_CHROMAKEY_ENABLE);
      grChromakeyValue(0);
      grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE,
                     GR_COMBINE_LOCAL_CONSTANT, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    } else {
      grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                     GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    }
  }

  Frame render(Scenario s, GrCmpFnc_t depthFunction, bool mask, bool general) {
    forceGeneralSpans(general);
    setState(s);
    grDepthBufferFunction(depthFunction);
    grDepthMask(mask ? FXTRUE : FXFALSE);
    EXPECT_EQ(board().state.span == &drawSpanGeneral, general) << "the loop chosen";
    grBufferClear(0x40608000u, 0, 32768);
    std::mt19937 random(int(s) * 100 + depthFunction);
    // Triangles up to 160 pixels across, some reaching over the screen's edges.
    std::uniform_real_distribution<float> x(-40, 550), y(-40, 420), offset(-80, 80), color(0, 255),
        depth(29000, 36500), w(0.02f, 1.0f), st(-300, 600);
    for (int i = 0; i < 150; ++i) {
      GrVertex v[3];
      float cx = x(random), cy = y(random);
      for (GrVertex& vertex : v) {
        vertex = vertexAt(cx + offset(random), cy + offset(random), color(random), color(random),
                          color(random), depth(random), color(random));
        float oow = w(random);
        vertex.oow = oow;
        vertex.tmuvtx[0].sow = st(random) * oow + SNAP_BIAS;
        vertex.tmuvtx[0].tow = st(random) * oow + SNAP_BIAS;
      }
      grDrawTriangle(&v[0], &v[1], &v[2]);
    }
    forceGeneralSpans(false);
    return {readBuffer(), readBuffer(GR_BUFFER_AUXBUFFER)};
  }

  GrMipMapId_t mipmapped = GR_NULL_MIPMAP_HANDLE;
};

TEST_F(FastPathTest, SpecialisedLoopsMatchTheGeneralPipeline) {
  for (Scenario s :
       {Scenario::OpaqueTextured, Scenario::OpaqueColoured, Scenario::TransparentTextured,
        Scenario::TransparentColoured, Scenario::Text}) {
    for (GrCmpFnc_t function : {GR_CMP_LESS, GR_CMP_GREATER, GR_CMP_ALWAYS}) {
      bool mask = s != Scenario::TransparentTextured && s != Scenario::TransparentColoured;
      Frame fast = render(s, function, mask, false);
      Frame general = render(s, function, mask, true);
      EXPECT_TRUE(fast.color == general.color) << "scenario " << int(s) << " depth " << function;
      EXPECT_TRUE(fast.depth == general.depth) << "scenario " << int(s) << " depth " << function;
    }
  }
}

}  // namespace
