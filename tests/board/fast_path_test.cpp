// The specialised span loops against the general pipeline: the same random
// triangles under each of the renderer's states must give identical pixels.

#include <random>

#include "board/board_context.h"
#include "board/span_wide.h"
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

// Texture modes the wide sampler handles apart: every level of a 256-texel
// chain (the ninth lives outside its level tables), non-square levels,
// clamping on one axis, point sampling, different filters for minification
// and magnification, mipmapping off.
struct TextureMode {
  int largeSide;
  GrLOD_t smallLod, largeLod;
  GrAspectRatio_t aspect;
  GrMipMapMode_t mipmap;
  GrTextureClampMode_t clampS, clampT;
  GrTextureFilterMode_t minFilter, magFilter;
};

constexpr TextureMode TEXTURE_MODES[] = {
    {256, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1, GR_MIPMAP_NEAREST, GR_TEXTURECLAMP_WRAP,
     GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR},
    {64, GR_LOD_1, GR_LOD_64, GR_ASPECT_4x1, GR_MIPMAP_NEAREST, GR_TEXTURECLAMP_CLAMP,
     GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_POINT_SAMPLED},
    {64, GR_LOD_2, GR_LOD_64, GR_ASPECT_1x2, GR_MIPMAP_NEAREST, GR_TEXTURECLAMP_WRAP,
     GR_TEXTURECLAMP_CLAMP, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_BILINEAR},
    {32, GR_LOD_32, GR_LOD_32, GR_ASPECT_1x1, GR_MIPMAP_DISABLE, GR_TEXTURECLAMP_CLAMP,
     GR_TEXTURECLAMP_CLAMP, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED},
};

// The wide loops (where the processor has them), the scalar specialised
// loops and the general pipeline give the same bytes under every texture
// mode and depth function, with triangles from magnified to minified past
// the smallest level.
TEST_F(FastPathTest, WideAndScalarLoopsMatchUnderEveryTextureModeAndDepthFunction) {
  std::mt19937 random(5);
  for (const TextureMode& mode : TEXTURE_MODES) {
    int width = mode.largeSide, height = mode.largeSide;
    if (mode.aspect == GR_ASPECT_4x1) height /= 4;
    if (mode.aspect == GR_ASPECT_1x2) width /= 2;
    std::vector<std::uint16_t> texels(
        mipMapBytes(GR_TEXFMT_RGB_565, mode.smallLod, mode.largeLod, mode.aspect) / 2);
    for (auto& t : texels) t = std::uint16_t(random());
    GrMipMapId_t id =
        guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, width, height, GR_TEXFMT_RGB_565,
                            mode.mipmap, mode.smallLod, mode.largeLod, mode.aspect, mode.clampS,
                            mode.clampT, mode.minFilter, mode.magFilter, 0, 0);
    ASSERT_NE(id, GR_NULL_MIPMAP_HANDLE);
    ASSERT_TRUE(guTexDownloadMipMap(id, texels.data(), nullptr));
    for (int function = GR_CMP_NEVER; function <= GR_CMP_ALWAYS + 1; ++function) {
      Frame frames[3];
      for (int path = 0; path < 3; ++path) {
        useWideSpans(path == 0);
        forceGeneralSpans(path == 2);
        bool blended = function % 2 == 1;
        setState(blended ? Scenario::TransparentTextured : Scenario::OpaqueTextured);
        if (blended && function == GR_CMP_LESS) {
          grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO,
                         GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_CONSTANT, FXFALSE);
        }
        guTexSource(id);
        bool depthOn = function <= GR_CMP_ALWAYS;
        grDepthBufferMode(depthOn ? GR_DEPTHBUFFER_ZBUFFER : GR_DEPTHBUFFER_DISABLE);
        grDepthBufferFunction(depthOn ? function : GR_CMP_LESS);
        grDepthMask(function % 3 != 0 ? FXTRUE : FXFALSE);
        grBufferClear(0x30507000u, 0, 32768);
        std::mt19937 scene(function);
        std::uniform_real_distribution<float> x(-40, 550), y(-40, 420), offset(-60, 60),
            color(0, 255), depth(29000, 36500), w(0.02f, 1.0f), st(-300, 600), far(-3e4f, 6e4f);
        for (int i = 0; i < 120; ++i) {
          GrVertex v[3];
          float cx = x(scene), cy = y(scene);
          bool minified = i % 4 == 0;
          for (GrVertex& vertex : v) {
            vertex = vertexAt(cx + offset(scene), cy + offset(scene), color(scene), color(scene),
                              color(scene), depth(scene), color(scene));
            float oow = w(scene);
            vertex.oow = oow;
            vertex.tmuvtx[0].sow = (minified ? far(scene) : st(scene)) * oow + SNAP_BIAS;
            vertex.tmuvtx[0].tow = (minified ? far(scene) : st(scene)) * oow + SNAP_BIAS;
          }
          grDrawTriangle(&v[0], &v[1], &v[2]);
        }
        frames[path] = {readBuffer(), readBuffer(GR_BUFFER_AUXBUFFER)};
      }
      useWideSpans(true);
      forceGeneralSpans(false);
      for (int path : {0, 1}) {
        EXPECT_TRUE(frames[path].color == frames[2].color)
            << "path " << path << " side " << mode.largeSide << " depth " << function;
        EXPECT_TRUE(frames[path].depth == frames[2].depth)
            << "path " << path << " side " << mode.largeSide << " depth " << function;
      }
    }
  }
}

}  // namespace
