#pragma once
// What the rasterizer samples: a texture resident in texture memory, decoded
// to 0xAARRGGBB, and the per-pixel sampler.
//
// Coordinates s and t are in the 256-unit space: the larger side of level 0
// spans 256 units whatever the level used, so a 64x32 texture has scale 0.25
// and spans 0..256 in s and 0..128 in t. Texel centres lie at +0.5. Level
// sizes are powers of two (wrap masks the texel index).
//
// The sampler works in fixed point with 8 fractional bits per texel. Texel
// coordinates are limited to +-2^22 level-0 texels first, so far-off or NaN
// coordinates give a defined texel instead of an overflow (float coordinates
// that large have no fractional precision left anyway).

#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct TextureLevel {
  int width, height;
  const std::uint32_t* texels;  // 0xAARRGGBB, rows top to bottom
};

// Per-level numbers in the form the wide span loops load them, indexed by
// level (levels past the last repeat level 0).
struct LevelTables {
  alignas(32) std::int32_t offset[9];  // first texel, counted from level 0's
  alignas(32) std::int32_t widthShift[9];
  alignas(32) std::int32_t widthMax[9], heightMax[9];  // size - 1
  // Level 8 (the last of a 256-texel chain), the last level and the scale
  // in fixed-point texels, each repeated in eight lanes.
  alignas(32) std::int32_t offset8[8], widthShift8[8], widthMax8[8], heightMax8[8];
  alignas(32) std::int32_t lastLevel[8];
  alignas(32) float lastLevelAsFloat[8], fixedScale[8];
  bool inOneBlock;  // every level lies in level 0's block, after it
};

struct BoundTexture {
  TextureLevel levels[9];  // levels[0] the largest
  int levelCount;
  float scale;  // level-0 texels per unit of the 256-unit space: a power of two
  bool clampS, clampT, bilinearMin, bilinearMag, mipmapped;
  LevelTables tables;  // filled by describeLevels once the levels are set
};

namespace texture_detail {

inline constexpr float FIXED_ONE = 256.0f;              // 8 fractional bits
inline constexpr float COORD_LIMIT = 4194304.0f * 256;  // 2^22 texels, in fixed point

// NaN compares false both ways and ends up at -COORD_LIMIT.
inline std::int32_t toFixed(float texels) {
  float v = texels * FIXED_ONE;
  v = v > -COORD_LIMIT ? v : -COORD_LIMIT;
  v = v < COORD_LIMIT ? v : COORD_LIMIT;
  return static_cast<std::int32_t>(v);
}

inline int clampIndex(int i, int size) { return i < 0 ? 0 : (i >= size ? size - 1 : i); }

inline int wrapOrClamp(int i, int size, bool clamp) {
  return clamp ? clampIndex(i, size) : (i & (size - 1));
}

// a * (256 - f) + b * f, two channels at a time; f in 0..256.
inline std::uint32_t lerpArgb(std::uint32_t a, std::uint32_t b, std::uint32_t f) {
  std::uint32_t g = 256 - f;
  std::uint32_t rb = ((a & 0x00ff00ffu) * g + (b & 0x00ff00ffu) * f) >> 8 & 0x00ff00ffu;
  std::uint32_t ag = ((a >> 8 & 0x00ff00ffu) * g + (b >> 8 & 0x00ff00ffu) * f) & 0xff00ff00u;
  return rb | ag;
}

// The four texels of a bilinear footprint weighted by fx along x, then fy
// along y (both 0..255): per channel the same sums lerpArgb forms.
inline std::uint32_t bilinearArgb(std::uint32_t t00, std::uint32_t t01, std::uint32_t t10,
                                  std::uint32_t t11, std::uint32_t fx, std::uint32_t fy) {
#if defined(__SSE2__)
  // Top and bottom rows side by side, one 16-bit lane per channel; every
  // weighted sum stays below 2^16.
  const __m128i zero = _mm_setzero_si128();
  __m128i left = _mm_unpacklo_epi8(
      _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(t00)), _mm_cvtsi32_si128(int(t10))), zero);
  __m128i right = _mm_unpacklo_epi8(
      _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(t01)), _mm_cvtsi32_si128(int(t11))), zero);
  __m128i rows =
      _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(left, _mm_set1_epi16(short(256 - fx))),
                                   _mm_mullo_epi16(right, _mm_set1_epi16(short(fx)))),
                     8);
  __m128i bottom = _mm_unpackhi_epi64(rows, rows);
  __m128i out = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(rows, _mm_set1_epi16(short(256 - fy))),
                                             _mm_mullo_epi16(bottom, _mm_set1_epi16(short(fy)))),
                               8);
  return std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(out, out)));
#else
  return lerpArgb(lerpArgb(t00, t01, fx), lerpArgb(t10, t11, fx), fy);
#endif
}

}  // namespace texture_detail

// Fills texture.tables from its levels, level count and scale.
inline void describeLevels(BoundTexture& texture) {
  LevelTables& t = texture.tables;
  t.inOneBlock = texture.levelCount >= 1 && texture.levelCount <= 9;
  for (int l = 0; l < 9; ++l) {
    const TextureLevel& level = texture.levels[l < texture.levelCount ? l : 0];
    std::ptrdiff_t distance = level.texels - texture.levels[0].texels;
    if (distance < 0 || distance > (1 << 24)) t.inOneBlock = false;
    t.offset[l] = std::int32_t(distance);
    t.widthShift[l] = std::countr_zero(unsigned(level.width));
    t.widthMax[l] = level.width - 1;
    t.heightMax[l] = level.height - 1;
  }
  for (int lane = 0; lane < 8; ++lane) {
    t.offset8[lane] = t.offset[8];
    t.widthShift8[lane] = t.widthShift[8];
    t.widthMax8[lane] = t.widthMax[8];
    t.heightMax8[lane] = t.heightMax[8];
    t.lastLevel[lane] = texture.levelCount - 1;
    t.lastLevelAsFloat[lane] = float(texture.levelCount - 1);
    // Scales are powers of two, so this product rounds nothing.
    t.fixedScale[lane] = texture.scale * texture_detail::FIXED_ONE;
  }
}

// The level that sampleTexture reads for this lod: the nearest level when
// mipmapped (a tie, lod k + 0.5, goes to the smaller level k + 1), else level 0.
inline int textureLevelFor(const BoundTexture& texture, float lod) {
  if (!texture.mipmapped || !(lod >= 0.5f)) return 0;
  int last = texture.levelCount - 1;
  if (lod >= float(last)) return last;
  return static_cast<int>(lod + 0.5f);
}

// lod: log2 of the level-0 texels a pixel covers (<= 0 magnification); s, t
// in the 256-unit space. Returns 0xAARRGGBB.
inline std::uint32_t sampleTexture(const BoundTexture& texture, float s, float t, float lod) {
  using namespace texture_detail;
  int level = textureLevelFor(texture, lod);
  const TextureLevel& l = texture.levels[level];
  std::int32_t u = toFixed(s * texture.scale) >> level;
  std::int32_t v = toFixed(t * texture.scale) >> level;
  bool bilinear = lod > 0 ? texture.bilinearMin : texture.bilinearMag;
  if (!bilinear) {
    int x = wrapOrClamp(u >> 8, l.width, texture.clampS);
    int y = wrapOrClamp(v >> 8, l.height, texture.clampT);
    return l.texels[y * l.width + x];
  }
  u -= 128;
  v -= 128;
  int x0 = u >> 8, y0 = v >> 8;
  int x1 = wrapOrClamp(x0 + 1, l.width, texture.clampS);
  int y1 = wrapOrClamp(y0 + 1, l.height, texture.clampT);
  x0 = wrapOrClamp(x0, l.width, texture.clampS);
  y0 = wrapOrClamp(y0, l.height, texture.clampT);
  const std::uint32_t* row0 = l.texels + y0 * l.width;
  const std::uint32_t* row1 = l.texels + y1 * l.width;
  std::uint32_t fx = std::uint32_t(u & 255), fy = std::uint32_t(v & 255);
  return bilinearArgb(row0[x0], row0[x1], row1[x0], row1[x1], fx, fy);
}
