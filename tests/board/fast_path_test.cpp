// The specialised span loops, wide (where the processor has them) and
// scalar, against the general pipeline: the same random triangles under each
// of the renderer's states must give identical pixels.

#include <random>

#include "board/board_context.h"
#include "board/span_wide.h"
#include "tests/board/board_test_support.h"

namespace {

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

using FastPathTest = BoardTest;

// Every scenario under every texture mode, every depth function and depth
// off, with the depth mask on and off, drawn by the three kinds of loop.
TEST_F(FastPathTest, WideScalarAndGeneralLoopsDrawTheSameBytes) {
  grDitherMode(GR_DITHER_4x4);
  std::mt19937 random(5);
  for (const TextureMode& mode : TEXTURE_MODES) {
    int width = mode.largeSide, height = mode.largeSide;
    if (mode.aspect == GR_ASPECT_4x1) height /= 4;
    if (mode.aspect == GR_ASPECT_1x2) width /= 2;
    // Random texels, many of them black for the chroma key.
    std::vector<std::uint16_t> texels(
        mipMapBytes(GR_TEXFMT_RGB_565, mode.smallLod, mode.largeLod, mode.aspect) / 2);
    for (auto& t : texels) t = random() % 3 == 0 ? 0 : std::uint16_t(random());
    GrMipMapId_t id =
        guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, width, height, GR_TEXFMT_RGB_565,
                            mode.mipmap, mode.smallLod, mode.largeLod, mode.aspect, mode.clampS,
                            mode.clampT, mode.minFilter, mode.magFilter, 0, 0);
    ASSERT_NE(id, GR_NULL_MIPMAP_HANDLE);
    ASSERT_TRUE(guTexDownloadMipMap(id, texels.data(), nullptr));
    for (int function = GR_CMP_NEVER; function <= GR_CMP_ALWAYS + 1; ++function) {
      for (int s = 0; s <= int(Scenario::Text); ++s) {
        std::vector<std::uint16_t> frames[3][2];
        for (int path = 0; path < 3; ++path) {
          useWideSpans(path == 0);
          forceGeneralSpans(path == 2);
          setState(Scenario(s), function == GR_CMP_LESS);
          guTexSource(id);
          bool depthOn = function <= GR_CMP_ALWAYS;
          grDepthBufferMode(depthOn ? GR_DEPTHBUFFER_ZBUFFER : GR_DEPTHBUFFER_DISABLE);
          grDepthBufferFunction(depthOn ? function : GR_CMP_LESS);
          grDepthMask(function % 3 != 0 ? FXTRUE : FXFALSE);
          EXPECT_EQ(board().state.span == &drawSpanGeneral, path == 2) << "the loop chosen";
          grBufferClear(0x30507000u, 0, 32768);
          std::mt19937 scene(unsigned(function * 8 + s));
          drawRandomTriangles(scene, {}, 120);
          frames[path][0] = readBuffer();
          frames[path][1] = readBuffer(GR_BUFFER_AUXBUFFER);
        }
        for (int path : {0, 1}) {
          SCOPED_TRACE(testing::Message() << "path " << path << " side " << mode.largeSide
                                          << " depth " << function << " scenario " << s);
          EXPECT_TRUE(frames[path][0] == frames[2][0]);
          EXPECT_TRUE(frames[path][1] == frames[2][1]);
        }
      }
    }
  }
  useWideSpans(true);
  forceGeneralSpans(false);
}

}  // namespace
