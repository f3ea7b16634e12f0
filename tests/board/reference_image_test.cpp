// Scenes drawn through the board and compared with stored reference images.

#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "tests/board/board_test_support.h"

namespace {

// Compares the back buffer with the stored image data/`name` at RGB565
// precision. On a mismatch this run's image is written to the test output folder.
void expectMatchesReference(const std::string& name) {
  std::vector<std::uint8_t> rgb;
  for (std::uint16_t p : readBuffer()) {
    int r = p >> 11, g = p >> 5 & 63, b = p & 31;
    rgb.insert(rgb.end(), {std::uint8_t(r << 3 | r >> 2), std::uint8_t(g << 2 | g >> 4),
                           std::uint8_t(b << 3 | b >> 2)});
  }
  int width = 0, height = 0, channels = 0;
  std::string reference = std::string(WILDSKY_TEST_DATA_DIR) + "/" + name;
  stbi_uc* stored = stbi_load(reference.c_str(), &width, &height, &channels, 3);
  std::size_t changed = rgb.size();
  if (stored != nullptr && width == BOARD_WIDTH && height == BOARD_HEIGHT) {
    changed = 0;
    for (std::size_t k = 0; k < rgb.size(); ++k) {
      int shift = k % 3 == 1 ? 2 : 3;
      changed += rgb[k] >> shift != stored[k] >> shift;
    }
  }
  stbi_image_free(stored);
  if (changed != 0) {
    std::filesystem::create_directories(WILDSKY_TEST_OUTPUT_DIR);
    std::string actual = std::string(WILDSKY_TEST_OUTPUT_DIR) + "/" + name;
    stbi_write_png(actual.c_str(), BOARD_WIDTH, BOARD_HEIGHT, 3, rgb.data(), BOARD_WIDTH * 3);
  }
  EXPECT_EQ(changed, 0u) << reference << " differs; this run's image is in "
                         << WILDSKY_TEST_OUTPUT_DIR;
}

// A square wrapping RGB565 texture from largeLod down to smallLod whose level of
// `side` texels is filled by texel(side, x, y).
template <typename Texel>
GrMipMapId_t squareTexture(GrLOD_t smallLod, GrLOD_t largeLod, bool bilinear, Texel texel) {
  std::vector<std::uint16_t> texels;
  for (int side = 256 >> largeLod; side >= 256 >> smallLod; side /= 2) {
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) texels.push_back(texel(side, x, y));
    }
  }
  GrTextureFilterMode_t filter =
      bilinear ? GR_TEXTUREFILTER_BILINEAR : GR_TEXTUREFILTER_POINT_SAMPLED;
  return makeTexture({GR_TEXFMT_RGB_565, 256 >> largeLod, 256 >> largeLod, smallLod, largeLod,
                      GR_ASPECT_1x1, smallLod == largeLod ? GR_MIPMAP_DISABLE : GR_MIPMAP_NEAREST,
                      GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, filter, filter},
                     texels);
}

// A point of a world-space plane seen by a camera at the origin looking
// along +z: screen position, depth and texture terms as the renderer forms them.
GrVertex projected(float wx, float wy, float wz, float s, float t, float r, float g, float b) {
  float oow = 1.0f / wz;
  GrVertex v = vertexAt(256 + 300 * wx * oow, 192 + 300 * wy * oow, r, g, b,
                        32768 - 32767 * oow * 0.1f, 255);
  v.x = std::round((v.x - SNAP_BIAS) * 16) / 16 + SNAP_BIAS;
  v.y = std::round((v.y - SNAP_BIAS) * 16) / 16 + SNAP_BIAS;
  return textured(v, s, t, oow);
}

using ReferenceImageTest = BoardTest;

// Sky, a perspective floor, Gouraud, blended and chroma-keyed triangles.
TEST_F(ReferenceImageTest, SmallSceneMatchesTheReferenceImage) {
  grDitherMode(GR_DITHER_4x4);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_LESS);
  grDepthMask(FXTRUE);
  grBufferClear(0x10203000u, 0, 65535);
  // A 64x64 checker of two colours in 8x8 squares with a thin border, so that
  // filtering and level choice show; a white ring on black like a glyph.
  GrMipMapId_t checker = squareTexture(GR_LOD_1, GR_LOD_64, true, [](int size, int x, int y) {
    int cell = size >= 8 ? size / 8 : 1;
    bool odd = ((x / cell) + (y / cell)) % 2 != 0;
    bool border = size >= 32 && (x % cell == 0 || y % cell == 0);
    return std::uint16_t(border ? 0xffe0 : odd ? 0xf9a6 : 0x2b5f);
  });
  GrMipMapId_t ring = squareTexture(GR_LOD_8, GR_LOD_8, false, [](int, int x, int y) {
    int dx = 2 * x - 7, dy = 2 * y - 7, r = dx * dx + dy * dy;
    return std::uint16_t(r >= 16 && r <= 50 ? 0xffff : 0);
  });

  // Sky: a Gouraud gradient far away.
  setState(Scenario::OpaqueColoured, false);
  drawQuad(vertexAt(0, 384, 40, 60, 160, 60000), vertexAt(512, 384, 90, 40, 150, 60000),
           vertexAt(512, 150, 230, 180, 200, 60000), vertexAt(0, 150, 250, 200, 150, 60000));

  // Floor: a textured plane in perspective, lit darker towards the back.
  setState(Scenario::OpaqueTextured, false);
  guTexSource(checker);
  drawQuad(
      projected(-3, -1, 1.2f, 0, 0, 255, 255, 255), projected(3, -1, 1.2f, 1536, 0, 255, 255, 255),
      projected(3, -1, 12, 1536, 2560, 90, 90, 90), projected(-3, -1, 12, 0, 2560, 90, 90, 90));

  // A Gouraud wedge standing through the floor.
  setState(Scenario::OpaqueColoured, false);
  drawTriangle(projected(-1.5f, -1.6f, 3, 0, 0, 255, 40, 40),
               projected(0.5f, -1.6f, 2.5f, 0, 0, 40, 255, 40),
               projected(-0.5f, 1.2f, 2.8f, 0, 0, 40, 40, 255));

  // Transparent pass: depth writes off, alpha from the constant colour.
  grDepthMask(FXFALSE);
  setState(Scenario::BlendedColoured, false);
  grConstantColorValue(120);
  drawTriangle(projected(0.2f, -1.2f, 2.2f, 0, 0, 255, 255, 0),
               projected(2.4f, -0.8f, 4, 0, 0, 255, 255, 0),
               projected(1.0f, 1.5f, 3, 0, 0, 255, 128, 0));
  setState(Scenario::BlendedTextured, false);
  grConstantColorValue(180);
  drawTriangle(projected(-2.5f, 0.2f, 3.5f, 0, 0, 255, 255, 255),
               projected(-0.8f, 0, 2.5f, 512, 0, 255, 255, 255),
               projected(-1.6f, 1.6f, 3, 256, 512, 160, 160, 160));
  grDepthMask(FXTRUE);

  // Overlay text: chroma-keyed glyph triangles, 30 pixels a side, in front of everything.
  setState(Scenario::Text, false);
  guTexSource(ring);
  for (int k = 0; k < 6; ++k) {
    float px = 10 + 34.0f * k, py = 350;
    drawTriangle(textured(vertexAt(px + 30, py, 0, 0, 0), 256, 256),
                 textured(vertexAt(px, py, 0, 0, 0), 0, 256), vertexAt(px, py + 30, 0, 0, 0));
  }
  expectMatchesReference("board_scene.png");
}

}  // namespace
