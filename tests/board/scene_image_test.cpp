// A small scene through every stage of the board, compared with a stored
// reference image. On a mismatch the actual image and a difference image
// are written to the test output folder.

#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "board/texture_memory.h"
#include "tests/board/board_test_support.h"

namespace {

constexpr const char* REFERENCE = WILDSKY_TEST_DATA_DIR "/board_scene.png";

// The checker texture: 64x64 and its mipmaps, two colours in 8x8 squares
// with a thin border, so that filtering and level choice show.
GrMipMapId_t checkerTexture() {
  std::size_t bytes = mipMapBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1);
  std::vector<std::uint16_t> texels(bytes / 2);
  std::size_t at = 0;
  for (int size = 64; size >= 1; size /= 2) {
    int cell = size >= 8 ? size / 8 : 1;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        bool odd = ((x / cell) + (y / cell)) % 2 != 0;
        bool border = size >= 32 && (x % cell == 0 || y % cell == 0);
        texels[at++] = border ? 0xffe0 : odd ? 0xf9a6 : 0x2b5f;
      }
    }
  }
  GrMipMapId_t id = guTexAllocateMemory(
      GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 64, 64, GR_TEXFMT_RGB_565, GR_MIPMAP_NEAREST, GR_LOD_1,
      GR_LOD_64, GR_ASPECT_1x1, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
      GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0, FXFALSE);
  EXPECT_TRUE(guTexDownloadMipMap(id, texels.data(), nullptr));
  return id;
}

// A glyph-like 8x8 texture: a white ring on black, point sampled.
GrMipMapId_t ringTexture() {
  std::vector<std::uint16_t> texels(64, 0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      int dx = 2 * x - 7, dy = 2 * y - 7, r = dx * dx + dy * dy;
      if (r >= 16 && r <= 50) texels[std::size_t(y * 8 + x)] = 0xffff;
    }
  }
  return makeTexture(GR_TEXFMT_RGB_565, GR_LOD_8, texels);
}

// A point of a world-space plane seen by a camera at the origin looking
// along +z: screen position, depth and texture terms as the renderer forms them.
GrVertex projected(float wx, float wy, float wz, float s, float t, float light) {
  float oow = 1.0f / wz;
  GrVertex v = vertexAt(256 + 300 * wx * oow, 192 + 300 * wy * oow, light, light, light,
                        32768 - 32767 * oow * 0.1f, 255);
  v.x = std::round((v.x - SNAP_BIAS) * 16) / 16 + SNAP_BIAS;
  v.y = std::round((v.y - SNAP_BIAS) * 16) / 16 + SNAP_BIAS;
  v.oow = oow;
  v.tmuvtx[0].sow = s * oow + SNAP_BIAS;
  v.tmuvtx[0].tow = t * oow + SNAP_BIAS;
  return v;
}

void drawScene() {
  grDitherMode(GR_DITHER_4x4);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_LESS);
  grDepthMask(FXTRUE);
  grBufferClear(0x10203000u, 0, 65535);
  GrMipMapId_t checker = checkerTexture();
  GrMipMapId_t ring = ringTexture();

  // Sky: a Gouraud gradient far away.
  grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  GrVertex s0 = vertexAt(0, 384, 40, 60, 160, 60000), s1 = vertexAt(512, 384, 90, 40, 150, 60000),
           s2 = vertexAt(512, 150, 230, 180, 200, 60000),
           s3 = vertexAt(0, 150, 250, 200, 150, 60000);
  drawTriangle(s0, s1, s2);
  drawTriangle(s0, s2, s3);

  // Floor: a textured plane in perspective, lit darker towards the back.
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL,
                 GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, GR_COMBINE_FUNCTION_LOCAL,
               GR_COMBINE_FACTOR_ONE, FXFALSE, FXFALSE);
  guTexSource(checker);
  GrVertex f0 = projected(-3, -1, 1.2f, 0, 0, 255), f1 = projected(3, -1, 1.2f, 1536, 0, 255),
           f2 = projected(3, -1, 12, 1536, 2560, 90), f3 = projected(-3, -1, 12, 0, 2560, 90);
  drawTriangle(f0, f1, f2);
  drawTriangle(f0, f2, f3);

  // A Gouraud wedge standing through the floor.
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  GrVertex w0 = projected(-1.5f, -1.6f, 3, 0, 0, 0), w1 = projected(0.5f, -1.6f, 2.5f, 0, 0, 0),
           w2 = projected(-0.5f, 1.2f, 2.8f, 0, 0, 0);
  w0.r = 255, w0.g = 40, w0.b = 40;
  w1.r = 40, w1.g = 255, w1.b = 40;
  w2.r = 40, w2.g = 40, w2.b = 255;
  drawTriangle(w0, w1, w2);

  // Transparent pass: depth writes off, alpha from the constant colour.
  grDepthMask(FXFALSE);
  grConstantColorValue(120);
  grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                       GR_BLEND_ZERO);
  GrVertex g0 = projected(0.2f, -1.2f, 2.2f, 0, 0, 0), g1 = projected(2.4f, -0.8f, 4, 0, 0, 0),
           g2 = projected(1.0f, 1.5f, 3, 0, 0, 0);
  g0.r = 255, g0.g = 255, g0.b = 0;
  g1.r = 255, g1.g = 255, g1.b = 0;
  g2.r = 255, g2.g = 128, g2.b = 0;
  drawTriangle(g0, g1, g2);
  grConstantColorValue(180);
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL,
                 GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  GrVertex h0 = projected(-2.5f, 0.2f, 3.5f, 0, 0, 255),
           h1 = projected(-0.8f, 0, 2.5f, 512, 0, 255),
           h2 = projected(-1.6f, 1.6f, 3, 256, 512, 160);
  drawTriangle(h0, h1, h2);
  grDepthMask(FXTRUE);

  // Overlay text: chroma-keyed glyph triangles, each 15 pixels a side,
  // in front of everything.
  grChromakeyMode(GR_CHROMAKEY_ENABLE);
  grChromakeyValue(0);
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
  guTexSource(ring);
  for (int k = 0; k < 6; ++k) {
    float px = 10 + 34.0f * k, py = 350;
    GrVertex a = vertexAt(px + 30, py, 0, 0, 0, 0), b = vertexAt(px, py, 0, 0, 0, 0),
             c = vertexAt(px, py + 30, 0, 0, 0, 0);
    a.tmuvtx[0].sow = 256 + SNAP_BIAS, a.tmuvtx[0].tow = 256 + SNAP_BIAS;
    b.tmuvtx[0].tow = 256 + SNAP_BIAS;
    drawTriangle(a, b, c);
  }
  grChromakeyMode(GR_CHROMAKEY_DISABLE);
}

std::vector<std::uint8_t> toRgb(const std::vector<std::uint16_t>& pixels) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(pixels.size() * 3);
  for (std::uint16_t p : pixels) {
    int r = p >> 11, g = p >> 5 & 63, b = p & 31;
    rgb.push_back(std::uint8_t(r << 3 | r >> 2));
    rgb.push_back(std::uint8_t(g << 2 | g >> 4));
    rgb.push_back(std::uint8_t(b << 3 | b >> 2));
  }
  return rgb;
}

void writePng(const std::string& name, const std::vector<std::uint8_t>& rgb) {
  std::filesystem::create_directories(WILDSKY_TEST_OUTPUT_DIR);
  std::string path = std::string(WILDSKY_TEST_OUTPUT_DIR) + "/" + name;
  stbi_write_png(path.c_str(), BOARD_WIDTH, BOARD_HEIGHT, 3, rgb.data(), BOARD_WIDTH * 3);
}

using SceneImageTest = BoardTest;

TEST_F(SceneImageTest, SmallSceneMatchesTheReferenceImage) {
  drawScene();
  std::vector<std::uint8_t> actual = toRgb(readBuffer());

  int width = 0, height = 0, channels = 0;
  stbi_uc* stored = stbi_load(REFERENCE, &width, &height, &channels, 3);
  if (stored == nullptr) {
    writePng("board_scene_actual.png", actual);
    FAIL() << "no reference image " << REFERENCE << "; the actual image is in "
           << WILDSKY_TEST_OUTPUT_DIR;
  }
  ASSERT_EQ(width, BOARD_WIDTH);
  ASSERT_EQ(height, BOARD_HEIGHT);
  std::vector<std::uint8_t> reference(stored, stored + actual.size());
  stbi_image_free(stored);

  std::size_t differing = 0;
  std::vector<std::uint8_t> difference(actual.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    int d = std::abs(int(actual[i]) - int(reference[i]));
    difference[i] = std::uint8_t(std::min(255, d * 8));
    differing += d != 0;
  }
  if (differing != 0) {
    writePng("board_scene_actual.png", actual);
    writePng("board_scene_difference.png", difference);
  }
  EXPECT_EQ(differing, 0u) << "see " << WILDSKY_TEST_OUTPUT_DIR;
}

}  // namespace
