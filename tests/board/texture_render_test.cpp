#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "board/texture_memory.h"
#include "tests/board/board_test_support.h"

namespace {

// A vertex with texture coordinates s, t in the 256-unit space, seen at 1/w = oow.
GrVertex texturedVertex(float x, float y, float s, float t, float oow = 1, float shade = 255) {
  GrVertex v = vertexAt(x, y, shade, shade, shade);
  v.oow = oow;
  v.tmuvtx[0].sow = s * oow + SNAP_BIAS;
  v.tmuvtx[0].tow = t * oow + SNAP_BIAS;
  v.tmuvtx[0].oow = oow;
  return v;
}

void drawQuad(const GrVertex& a, const GrVertex& b, const GrVertex& c, const GrVertex& d) {
  grDrawTriangle(&a, &b, &c);
  grDrawTriangle(&a, &c, &d);
}

// Colour = texel times the iterated colour; the texture unit passes its texel.
void modulateTexture(GrMipMapId_t id) {
  guTexSource(id);
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE,
               GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL,
                 GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
}

// A 64x64 rgb565 chain down to 1x1 whose level k is filled by texel(k, x, y).
template <typename Texel>
GrMipMapId_t makeMipMap(GrTextureFilterMode_t filter, Texel texel) {
  GrMipMapId_t id = guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 64, 64, GR_TEXFMT_RGB_565,
                                        GR_MIPMAP_NEAREST, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1,
                                        GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, filter, filter,
                                        0.0f, FXFALSE);
  std::vector<std::uint16_t> texels;
  for (int k = 0, side = 64; side >= 1; ++k, side /= 2) {
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) texels.push_back(texel(k, x, y));
    }
  }
  EXPECT_TRUE(guTexDownloadMipMap(id, texels.data(), nullptr));
  return id;
}

std::vector<std::uint8_t> toRgb(const std::vector<std::uint16_t>& pixels) {
  std::vector<std::uint8_t> rgb;
  for (std::uint16_t p : pixels) {
    rgb.insert(rgb.end(),
               {std::uint8_t((p >> 11) * 255 / 31), std::uint8_t((p >> 5 & 63) * 255 / 63),
                std::uint8_t((p & 31) * 255 / 31)});
  }
  return rgb;
}

class TextureRender : public BoardTest {};

}  // namespace

// A square carrying the whole 64x64 texture drawn 64, 32 and 16 pixels wide:
// one, two and four texels per pixel pick levels 0, 1 and 2.
TEST_F(TextureRender, LevelChosenForTriangleScale) {
  const std::uint16_t levelColors[7] = {0xf800, 0x07e0, 0x001f, 0xffff, 0xffe0, 0x07ff, 0xf81f};
  modulateTexture(
      makeMipMap(GR_TEXTUREFILTER_POINT_SAMPLED, [&](int k, int, int) { return levelColors[k]; }));
  const int sizes[3] = {64, 32, 16};
  for (int k = 0; k < 3; ++k) {
    float x = 20.0f + 100.0f * k, y = 100, size = float(sizes[k]);
    drawQuad(texturedVertex(x, y, 0, 256), texturedVertex(x + size, y, 256, 256),
             texturedVertex(x + size, y + size, 256, 0), texturedVertex(x, y + size, 0, 0));
  }
  std::vector<std::uint16_t> pixels = readBuffer();
  for (int k = 0; k < 3; ++k) {
    int x = 20 + 100 * k, size = sizes[k];
    EXPECT_EQ(pixelAt(pixels, x + size / 2, 100 + size / 2), levelColors[k])
        << "scale 1:" << (1 << k);
    EXPECT_EQ(pixelAt(pixels, x + 1, 101), levelColors[k]) << "scale 1:" << (1 << k);
  }
}

// A floor receding in perspective, the texture tiled four times across it,
// mipmapped, bilinear, shaded by the iterated colour: compared with the
// stored image (each level has its own tint, so the level changes show).
TEST_F(TextureRender, TexturedQuadMatchesReference) {
  GrMipMapId_t id = makeMipMap(GR_TEXTUREFILTER_BILINEAR, [](int k, int x, int y) {
    bool light = ((x >> (3 - std::min(k, 3))) + (y >> (3 - std::min(k, 3)))) % 2 == 0;
    int r = light ? 31 : 6 + 3 * k, g = light ? 50 - 6 * k : 10, b = light ? 10 + 3 * k : 25;
    return std::uint16_t(r << 11 | g << 5 | b);
  });
  modulateTexture(id);
  grBufferClear(0x202020ff, 0, 0);
  // Edge lengths in the ratio of the depths (1/oow): a true projection of a rectangle.
  drawQuad(texturedVertex(0, 0, 0, 1024, 1.0f, 255), texturedVertex(512, 0, 1024, 1024, 1.0f, 255),
           texturedVertex(320, 300, 1024, 0, 0.25f, 120),
           texturedVertex(192, 300, 0, 0, 0.25f, 120));
  std::vector<std::uint8_t> actual = toRgb(readBuffer());

  std::filesystem::path output = WILDSKY_TEST_OUTPUT_DIR;
  std::filesystem::create_directories(output);
  std::string reference = std::string(WILDSKY_TEST_DATA_DIR) + "/textured_quad.png";
  std::string actualPath = (output / "textured_quad.png").string();
  int width = 0, height = 0, channels = 0;
  stbi_uc* expected = stbi_load(reference.c_str(), &width, &height, &channels, 3);
  if (!expected) {
    stbi_write_png(actualPath.c_str(), BOARD_WIDTH, BOARD_HEIGHT, 3, actual.data(),
                   BOARD_WIDTH * 3);
    FAIL() << "no reference image " << reference << "; this run's image is " << actualPath;
  }
  ASSERT_EQ(width, BOARD_WIDTH);
  ASSERT_EQ(height, BOARD_HEIGHT);
  // Rounding may move a channel by one step of 565; anything more is a change.
  std::vector<std::uint8_t> difference(actual.size());
  int changed = 0;
  for (std::size_t k = 0; k < actual.size(); ++k) {
    int d = std::abs(int(actual[k]) - int(expected[k]));
    difference[k] = std::uint8_t(std::min(255, d * 16));
    changed += d > 9;
  }
  stbi_image_free(expected);
  if (changed > 0) {
    stbi_write_png(actualPath.c_str(), BOARD_WIDTH, BOARD_HEIGHT, 3, actual.data(),
                   BOARD_WIDTH * 3);
    stbi_write_png((output / "textured_quad_difference.png").string().c_str(), BOARD_WIDTH,
                   BOARD_HEIGHT, 3, difference.data(), BOARD_WIDTH * 3);
  }
  EXPECT_EQ(changed, 0) << "see " << actualPath << " and textured_quad_difference.png";
}
