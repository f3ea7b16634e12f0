#include "board/texture_sampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

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

// Texel centres return the texel itself; half way between texels the blend of
// both, with the minification filter above lod 0 and the magnification one below.
TEST(TextureSampler, BilinearAndPointFiltering) {
  TestTexture t(4, 1);
  t.storage[0] = {0xff000000, 0xff0000ff, 0x00ff0000, 0xffffffff,  //
                  0xff00ff00, 0xff00ff00, 0xff00ff00, 0xff00ff00,  //
                  0,          0,          0,          0,           //
                  0,          0,          0,          0};
  t.bound.bilinearMag = true;
  EXPECT_EQ(sampleTexture(t.bound, t.centre(1), t.centre(0), 0.0f), 0xff0000ffu);
  float between = (t.centre(0) + t.centre(1)) / 2;
  EXPECT_EQ(sampleTexture(t.bound, between, t.centre(0), 0.0f), 0xff00007fu);
  EXPECT_EQ(sampleTexture(t.bound, between, (t.centre(0) + t.centre(1)) / 2, 0.0f), 0xff007f3fu);
  // A quarter of the way from texel 2 (transparent red) to texel 3 (white).
  float quarter = t.centre(2) + 0.25f / t.bound.scale;
  EXPECT_EQ(sampleTexture(t.bound, quarter, t.centre(0), -1.0f), 0x3fff3f3fu);

  t.bound.bilinearMag = false;
  t.bound.bilinearMin = true;
  // Point sampling: the border between two texels belongs to the right one.
  EXPECT_EQ(sampleTexture(t.bound, between - 0.01f, t.centre(0), -1.0f), 0xff000000u);
  EXPECT_EQ(sampleTexture(t.bound, between, t.centre(0), -1.0f), 0xff0000ffu);
  EXPECT_EQ(sampleTexture(t.bound, between, t.centre(0), 0.2f), 0xff00007fu);
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
