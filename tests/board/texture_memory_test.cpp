// Texture memory of unit 0 (placement, exhaustion, levels decoded on
// download) and the sampler reading it.

#include "board/texture_memory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "board/texture_sampler.h"

namespace {

GrMipMapId_t allocate(int width, int height, GrTextureFormat_t format, GrLOD_t smallLod,
                      GrLOD_t largeLod, GrAspectRatio_t aspect) {
  return guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, width, height, format,
                             GR_MIPMAP_NEAREST, smallLod, largeLod, aspect, GR_TEXTURECLAMP_WRAP,
                             GR_TEXTURECLAMP_CLAMP, GR_TEXTUREFILTER_BILINEAR,
                             GR_TEXTUREFILTER_POINT_SAMPLED, 0.0f, FXFALSE);
}

class TextureMemory : public ::testing::Test {
 protected:
  void SetUp() override { resetTextureMemory(); }
  void TearDown() override { resetTextureMemory(); }
};

// 24 full 256x256 rgb565 chains (174762 bytes each) fit in 4 MiB with 16 bytes
// to spare: the 25th answers -1, a 4x4 8-bit texture takes the last 16 bytes,
// then not even one byte is left.
TEST_F(TextureMemory, ExhaustionAnswersNullHandle) {
  for (GrMipMapId_t k = 0; k < 24; ++k) {
    ASSERT_EQ(allocate(256, 256, GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1), k);
  }
  EXPECT_EQ(textureMemoryInUse(), 24u * 174762u);
  EXPECT_EQ(allocate(256, 256, GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);
  EXPECT_EQ(allocate(4, 4, GR_TEXFMT_INTENSITY_8, GR_LOD_4, GR_LOD_4, GR_ASPECT_1x1), 24u);
  EXPECT_EQ(textureMemoryInUse(), std::size_t(4) << 20);
  EXPECT_EQ(allocate(1, 1, GR_TEXFMT_INTENSITY_8, GR_LOD_1, GR_LOD_1, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);
  resetTextureMemory();
  EXPECT_EQ(textureMemoryInUse(), 0u);
  EXPECT_EQ(boundTextureFor(0), nullptr);
  EXPECT_EQ(allocate(1, 1, GR_TEXFMT_INTENSITY_8, GR_LOD_1, GR_LOD_1, GR_ASPECT_1x1), 0u);
}

TEST_F(TextureMemory, RefusesInconsistentRequests) {
  EXPECT_EQ(allocate(128, 256, GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);  // width does not match the aspect
  EXPECT_EQ(allocate(256, 256, GR_TEXFMT_RGB_565, GR_LOD_256, GR_LOD_1, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);  // small and large lod swapped
  EXPECT_EQ(allocate(256, 256, GR_TEXFMT_RSVD2, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);
  EXPECT_EQ(textureMemoryInUse(), 0u);
  EXPECT_FALSE(guTexDownloadMipMap(0, "", nullptr));
}

// An 8:1 chain from 32x4: levels 32x4, 16x2, 8x1, 4x1 (the smaller side stops
// at 1), each decoded in place; modes recorded for the sampler.
TEST_F(TextureMemory, DownloadDecodesEveryLevel) {
  GrMipMapId_t id = allocate(32, 4, GR_TEXFMT_ARGB_4444, GR_LOD_4, GR_LOD_32, GR_ASPECT_8x1);
  ASSERT_EQ(id, 0u);
  EXPECT_EQ(textureMemoryInUse(), 2u * (128 + 32 + 8 + 4));
  std::vector<std::uint16_t> texels;
  const int sizes[4][2] = {{32, 4}, {16, 2}, {8, 1}, {4, 1}};
  for (int k = 0; k < 4; ++k) {
    for (int t = 0; t < sizes[k][0] * sizes[k][1]; ++t)
      texels.push_back(std::uint16_t(k + 1) << 12 | t);
  }
  ASSERT_TRUE(guTexDownloadMipMap(id, texels.data(), nullptr));
  const BoundTexture* texture = boundTextureFor(id);
  ASSERT_NE(texture, nullptr);
  ASSERT_EQ(texture->levelCount, 4);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(texture->levels[k].width, sizes[k][0]);
    EXPECT_EQ(texture->levels[k].height, sizes[k][1]);
    std::uint32_t alpha = 0x11000000u * std::uint32_t(k + 1);
    EXPECT_EQ(texture->levels[k].texels[0], alpha);
    EXPECT_EQ(texture->levels[k].texels[3], alpha | 0x33u);
  }
  EXPECT_EQ(texture->levels[0].texels[127], 0x110077ffu);
  EXPECT_FLOAT_EQ(texture->scale, 32.0f / 256.0f);
  EXPECT_FALSE(texture->clampS);
  EXPECT_TRUE(texture->clampT);
  EXPECT_TRUE(texture->bilinearMin);
  EXPECT_FALSE(texture->bilinearMag);
  EXPECT_TRUE(texture->mipmapped);

  // A second texture keeps the first one's record in place.
  ASSERT_EQ(allocate(8, 8, GR_TEXFMT_P_8, GR_LOD_8, GR_LOD_8, GR_ASPECT_1x1), 1u);
  EXPECT_EQ(boundTextureFor(0), texture);
  EXPECT_FALSE(guTexDownloadMipMap(1, texels.data(), nullptr)) << "p8 needs its palette";
  EXPECT_FALSE(guTexDownloadMipMap(2, texels.data(), nullptr));
}

// A square texture whose level k is filled with levelColor(k), except level 0,
// whose texels are all different.
struct TestTexture {
  std::vector<std::vector<std::uint32_t>> storage;
  BoundTexture bound{};

  TestTexture(int size, int levels) {
    bound.levelCount = levels;
    bound.scale = float(size) / 256.0f;
    bound.mipmapped = true;
    for (int k = 0; k < levels; ++k) {
      int side = size >> k;
      storage.emplace_back(std::size_t(side) * side, levelColor(k));
      bound.levels[k] = {side, side, storage.back().data()};
    }
    for (std::size_t k = 0; k < storage[0].size(); ++k)
      storage[0][k] = 0xff000000u | std::uint32_t(k);
  }
  static std::uint32_t levelColor(int k) { return 0xff000000u | std::uint32_t(k + 1) << 16; }
  // The 256-unit coordinate of the centre of level-0 texel i.
  float centre(int i) const { return (float(i) + 0.5f) / bound.scale; }
};

}  // namespace

// 1:1, 1:2, 1:4 footprints pick levels 0, 1, 2; in between the nearest level;
// beyond the chain its smallest level; with mipmapping off always level 0.
TEST(TextureSampler, LevelChosenFromTheFootprint) {
  TestTexture t(64, 7);
  auto levelAt = [&](float lod) {
    std::uint32_t texel = sampleTexture(t.bound, 100.0f, 100.0f, lod);
    for (int k = 1; k < 7; ++k) {
      if (texel == TestTexture::levelColor(k)) return k;
    }
    return 0;
  };
  const float inf = std::numeric_limits<float>::infinity();
  const std::pair<float, int> cases[] = {{0.0f, 0},  {1.0f, 1}, {2.0f, 2},         {-3.0f, 0},
                                         {0.45f, 0}, {0.5f, 1}, {1.55f, 2},        {6.0f, 6},
                                         {40.0f, 6}, {inf, 6},  {std::nanf(""), 0}};
  for (auto [lod, level] : cases) EXPECT_EQ(levelAt(lod), level) << lod;
  t.bound.mipmapped = false;
  EXPECT_EQ(levelAt(3.0f), 0);
}

// Past the right edge wrap reads the left column and clamp the edge column;
// bilinear across the edge blends with the opposite side only when wrapping.
TEST(TextureSampler, WrapAgainstClamp) {
  TestTexture t(4, 1);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x)
      t.storage[0][y * 4 + x] =
          0xff000000u | std::uint32_t(x * 0x40) << 16 | std::uint32_t(y * 0x40);
  }
  const float edge = 256.0f;  // the right border of the texture
  float row = t.centre(1);
  EXPECT_EQ(sampleTexture(t.bound, edge + t.centre(0), row, 0.0f), 0xff000040u);
  EXPECT_EQ(sampleTexture(t.bound, -t.centre(0), row, 0.0f), 0xffc00040u);
  EXPECT_EQ(sampleTexture(t.bound, edge, row, 0.0f), 0xff000040u);
  t.bound.bilinearMag = true;
  EXPECT_EQ(sampleTexture(t.bound, edge, row, 0.0f), 0xff600040u);  // (0xc0 + 0) / 2
  EXPECT_EQ(sampleTexture(t.bound, row, 3 * edge + t.centre(2), 0.0f), 0xff400080u);

  t.bound.clampS = true;
  EXPECT_EQ(sampleTexture(t.bound, edge, row, 0.0f), 0xffc00040u);
  EXPECT_EQ(sampleTexture(t.bound, 1e9f, row, 0.0f), 0xffc00040u);
  EXPECT_EQ(sampleTexture(t.bound, -1e9f, row, 0.0f), 0xff000040u);
  EXPECT_EQ(sampleTexture(t.bound, row, edge + t.centre(2), 0.0f), 0xff400080u) << "t still wraps";
  t.bound.clampT = true;
  EXPECT_EQ(sampleTexture(t.bound, row, edge + t.centre(2), 0.0f), 0xff4000c0u);

  // Coordinates no float can place still land on a texel of the texture.
  t.bound.clampS = t.bound.clampT = false;
  for (float wild : {std::nanf(""), std::numeric_limits<float>::infinity(), -3e38f, 3e38f}) {
    std::uint32_t texel = sampleTexture(t.bound, wild, wild, 0.0f);
    EXPECT_EQ(texel >> 24, 0xffu);
  }
}
