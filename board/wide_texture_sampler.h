#pragma once
// The texture sampler of the wide span loops: sampleTexture for eight
// pixels, with the texels of a bilinear group fetched without gathers
// where the group allows it. Part of span_wide.cpp (see wide_lanes.h).

#include <cstdint>
#include <cstring>

#include "board/texture_sampler.h"
#include "board/wide_code.h"
#include "board/wide_lanes.h"

#if defined(WILDSKY_WIDE_CODE)

namespace {

// The texture's level tables hold every number a group of eight reads,
// ready to load into lanes (levels 0 to 7 indexed by level; level 8, the
// last of a 256-texel chain, apart).
WIDE inline Vec lanes(const std::int32_t* eight) {
  return _mm256_load_si256(reinterpret_cast<const Vec*>(eight));
}

WIDE inline VecF lanes(const float* eight) { return _mm256_load_ps(eight); }

// The per-level number of each lane's level.
WIDE inline Vec perLevel(Vec table, Vec level8, Vec level, Vec isLevel8) {
  return _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(table, level), level8, isLevel8);
}

// toFixed of texture_detail, lane by lane: NaN ends at -COORD_LIMIT.
WIDE inline Vec toFixed8(VecF texels) {
  using namespace texture_detail;
  VecF v = _mm256_mul_ps(texels, splatF(FIXED_ONE));
  v = _mm256_max_ps(v, splatF(-COORD_LIMIT));
  v = _mm256_min_ps(v, splatF(COORD_LIMIT));
  return _mm256_cvttps_epi32(v);
}

WIDE inline Vec wrapOrClamp8(Vec i, Vec sizeMax, bool clamp) {
  return clamp ? _mm256_min_epi32(_mm256_max_epi32(i, _mm256_setzero_si256()), sizeMax)
               : _mm256_and_si256(i, sizeMax);
}

// Two rows of texel channels, one a word, weighted along x, then the rows
// along y: the sums of bilinearArgb.
WIDE inline Vec weighChannels(Vec t00, Vec t01, Vec t10, Vec t11, Vec gx, Vec fx, Vec gy, Vec fy) {
  Vec top = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(t00, gx), _mm256_mullo_epi16(t01, fx)), 8);
  Vec bottom = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(t10, gx), _mm256_mullo_epi16(t11, fx)), 8);
  return _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(top, gy), _mm256_mullo_epi16(bottom, fy)), 8);
}

WIDE inline Vec redAndBlue(Vec texels) { return _mm256_and_si256(texels, splat(0x00ff00ff)); }
WIDE inline Vec alphaAndGreen(Vec texels) { return _mm256_srli_epi16(texels, 8); }

// bilinearArgb for eight pixels: red and blue of every texel in the words
// of one register, alpha and green in another, so that a pixel's weights,
// in both words of its lane, serve both channels as they stand.
WIDE inline Vec bilinear8(Vec t00, Vec t01, Vec t10, Vec t11, Vec fx, Vec fy) {
  const Vec w256 = _mm256_set1_epi16(256);
  const Vec fx2 = _mm256_or_si256(fx, _mm256_slli_epi32(fx, 16));
  const Vec fy2 = _mm256_or_si256(fy, _mm256_slli_epi32(fy, 16));
  const Vec gx2 = _mm256_sub_epi16(w256, fx2), gy2 = _mm256_sub_epi16(w256, fy2);
  Vec rb = weighChannels(redAndBlue(t00), redAndBlue(t01), redAndBlue(t10), redAndBlue(t11), gx2,
                         fx2, gy2, fy2);
  Vec ag = weighChannels(alphaAndGreen(t00), alphaAndGreen(t01), alphaAndGreen(t10),
                         alphaAndGreen(t11), gx2, fx2, gy2, fy2);
  return _mm256_or_si256(rb, _mm256_slli_epi16(ag, 8));
}

// Texel numbers from level 0's first texel.
WIDE inline Vec texelIndex(Vec offset, Vec widthShift, Vec x, Vec y) {
  return _mm256_add_epi32(offset, _mm256_add_epi32(_mm256_sllv_epi32(y, widthShift), x));
}

WIDE inline Vec loadTexels(const int* at) {
  return _mm256_loadu_si256(reinterpret_cast<const Vec*>(at));
}

// Whether every lane holds the same value.
WIDE inline bool uniform(Vec v) {
  Vec first = _mm256_broadcastd_epi32(_mm256_castsi256_si128(v));
  return _mm256_movemask_epi8(_mm256_cmpeq_epi32(v, first)) == -1;
}

// The smallest value, in every lane.
WIDE inline Vec smallest(Vec v) {
  v = _mm256_min_epi32(v, _mm256_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
  v = _mm256_min_epi32(v, _mm256_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
  return _mm256_min_epi32(v, _mm256_permute2x128_si256(v, v, 1));
}

// The four bilinear texels without gathers, where every lane reads the same
// level and texel rows y0, y1, its right texel x1 is x0 + 1 (not wrapped or
// clamped onto x0) and x0 lies within eight texels of the leftmost: two
// loads of nine texels per row, picked by lane.
WIDE inline bool sameTexelRows(const int* texels, Vec level, Vec x0, Vec x1, Vec y0, Vec y1,
                               Vec offset, Vec shift, Vec widthMax, Vec& t00, Vec& t01, Vec& t10,
                               Vec& t11) {
  if (!uniform(level) || !uniform(y0) || !uniform(y1)) return false;
  Vec nextColumn = _mm256_cmpeq_epi32(x1, _mm256_add_epi32(x0, splat(1)));
  if (_mm256_movemask_epi8(nextColumn) != -1) return false;
  Vec left = smallest(x0);
  Vec pick = _mm256_sub_epi32(x0, left);
  int first = _mm256_cvtsi256_si32(left);
  if (first + 8 > _mm256_cvtsi256_si32(widthMax)) return false;
  if (!_mm256_testz_si256(_mm256_cmpgt_epi32(pick, splat(7)), _mm256_cmpgt_epi32(pick, splat(7)))) {
    return false;
  }
  // Texel numbers are never negative: as unsigned ones they index without
  // a sign extension.
  const std::uint32_t base = std::uint32_t(_mm256_cvtsi256_si32(offset) + first);
  const int widthShift = _mm256_cvtsi256_si32(shift);
  const int* row0 = texels + (base + (std::uint32_t(_mm256_cvtsi256_si32(y0)) << widthShift));
  const int* row1 = texels + (base + (std::uint32_t(_mm256_cvtsi256_si32(y1)) << widthShift));
  t00 = _mm256_permutevar8x32_epi32(loadTexels(row0), pick);
  t01 = _mm256_permutevar8x32_epi32(loadTexels(row0 + 1), pick);
  t10 = _mm256_permutevar8x32_epi32(loadTexels(row1), pick);
  t11 = _mm256_permutevar8x32_epi32(loadTexels(row1 + 1), pick);
  return true;
}

// The four bilinear texels without gathers, which are slow, where every
// lane's right texel x1 is x0 + 1: each lane loads its two texels of a row
// as one 64-bit number. Every lane's texel numbers lie inside its level,
// active or not, so every load is safe.
WIDE inline bool adjacentTexelPairs(const int* texels, Vec x0, Vec x1, Vec row0, Vec row1, Vec& t00,
                                    Vec& t01, Vec& t10, Vec& t11) {
  Vec nextColumn = _mm256_cmpeq_epi32(x1, _mm256_add_epi32(x0, splat(1)));
  if (_mm256_movemask_epi8(nextColumn) != -1) return false;
  // Unsigned texel numbers, as in sameTexelRows.
  alignas(32) std::uint32_t at0[8], at1[8];
  _mm256_store_si256(reinterpret_cast<Vec*>(at0), row0);
  _mm256_store_si256(reinterpret_cast<Vec*>(at1), row1);
  auto pair = [texels](std::uint32_t at) {
    long long both;
    std::memcpy(&both, texels + at, sizeof both);
    return both;
  };
  // Lanes 0-3 and 4-7 as pairs; the first texels of the pairs are the even numbers.
  const Vec evenThenOdd = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  Vec a0 = _mm256_permutevar8x32_epi32(
      _mm256_setr_epi64x(pair(at0[0]), pair(at0[1]), pair(at0[2]), pair(at0[3])), evenThenOdd);
  Vec a1 = _mm256_permutevar8x32_epi32(
      _mm256_setr_epi64x(pair(at0[4]), pair(at0[5]), pair(at0[6]), pair(at0[7])), evenThenOdd);
  Vec b0 = _mm256_permutevar8x32_epi32(
      _mm256_setr_epi64x(pair(at1[0]), pair(at1[1]), pair(at1[2]), pair(at1[3])), evenThenOdd);
  Vec b1 = _mm256_permutevar8x32_epi32(
      _mm256_setr_epi64x(pair(at1[4]), pair(at1[5]), pair(at1[6]), pair(at1[7])), evenThenOdd);
  t00 = _mm256_permute2x128_si256(a0, a1, 0x20);
  t01 = _mm256_permute2x128_si256(a0, a1, 0x31);
  t10 = _mm256_permute2x128_si256(b0, b1, 0x20);
  t11 = _mm256_permute2x128_si256(b0, b1, 0x31);
  return true;
}

// sampleTexture for eight pixels; only the active lanes load texels.
WIDE Vec sample8(const BoundTexture& tx, VecF s, VecF t, VecF lod, Vec active) {
  const LevelTables& tables = tx.tables;
  const int* texels = reinterpret_cast<const int*>(tx.levels[0].texels);  // every level's block
  const Vec zero = _mm256_setzero_si256();
  Vec level = zero;
  if (tx.mipmapped) {
    Vec atLeastHalf = _mm256_castps_si256(_mm256_cmp_ps(lod, splatF(0.5f), _CMP_GE_OQ));
    Vec atLast =
        _mm256_castps_si256(_mm256_cmp_ps(lod, lanes(tables.lastLevelAsFloat), _CMP_GE_OQ));
    Vec nearest = _mm256_cvttps_epi32(_mm256_add_ps(lod, splatF(0.5f)));
    nearest = _mm256_blendv_epi8(nearest, lanes(tables.lastLevel), atLast);
    level = _mm256_and_si256(nearest, atLeastHalf);
  }
  Vec u = _mm256_srav_epi32(toFixed8(_mm256_mul_ps(s, lanes(tables.scale))), level);
  Vec v = _mm256_srav_epi32(toFixed8(_mm256_mul_ps(t, lanes(tables.scale))), level);
  Vec isLevel8 = _mm256_cmpeq_epi32(level, splat(8));
  Vec offset = perLevel(lanes(tables.offset), lanes(tables.offset8), level, isLevel8);
  Vec shift = perLevel(lanes(tables.widthShift), lanes(tables.widthShift8), level, isLevel8);
  Vec widthMax = perLevel(lanes(tables.widthMax), lanes(tables.widthMax8), level, isLevel8);
  Vec heightMax = perLevel(lanes(tables.heightMax), lanes(tables.heightMax8), level, isLevel8);
  if (!tx.bilinearMin && !tx.bilinearMag) {
    Vec x = wrapOrClamp8(_mm256_srai_epi32(u, 8), widthMax, tx.clampS);
    Vec y = wrapOrClamp8(_mm256_srai_epi32(v, 8), heightMax, tx.clampT);
    return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), texels,
                                       texelIndex(offset, shift, x, y), active, 4);
  }
  // Bilinear lanes step back half a texel; point-sampled lanes keep their
  // texel with zero weights, which the sums return unchanged.
  Vec bilinear;
  if (tx.bilinearMin == tx.bilinearMag) {
    bilinear = _mm256_set1_epi32(-1);
  } else {
    Vec minifying = _mm256_castps_si256(_mm256_cmp_ps(lod, _mm256_setzero_ps(), _CMP_GT_OQ));
    bilinear = tx.bilinearMin ? minifying : _mm256_andnot_si256(minifying, splat(-1));
  }
  Vec halfTexel = _mm256_and_si256(bilinear, splat(128));
  u = _mm256_sub_epi32(u, halfTexel);
  v = _mm256_sub_epi32(v, halfTexel);
  Vec fx = _mm256_and_si256(_mm256_and_si256(u, splat(255)), bilinear);
  Vec fy = _mm256_and_si256(_mm256_and_si256(v, splat(255)), bilinear);
  Vec x0 = _mm256_srai_epi32(u, 8), y0 = _mm256_srai_epi32(v, 8);
  Vec x1 = wrapOrClamp8(_mm256_add_epi32(x0, splat(1)), widthMax, tx.clampS);
  Vec y1 = wrapOrClamp8(_mm256_add_epi32(y0, splat(1)), heightMax, tx.clampT);
  x0 = wrapOrClamp8(x0, widthMax, tx.clampS);
  y0 = wrapOrClamp8(y0, heightMax, tx.clampT);
  Vec t00, t01, t10, t11;
  if (sameTexelRows(texels, level, x0, x1, y0, y1, offset, shift, widthMax, t00, t01, t10, t11)) {
    return bilinear8(t00, t01, t10, t11, fx, fy);
  }
  if (adjacentTexelPairs(texels, x0, x1, texelIndex(offset, shift, x0, y0),
                         texelIndex(offset, shift, x0, y1), t00, t01, t10, t11)) {
    return bilinear8(t00, t01, t10, t11, fx, fy);
  }
  t00 = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), texels,
                                    texelIndex(offset, shift, x0, y0), active, 4);
  t01 = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), texels,
                                    texelIndex(offset, shift, x1, y0), active, 4);
  t10 = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), texels,
                                    texelIndex(offset, shift, x0, y1), active, 4);
  t11 = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), texels,
                                    texelIndex(offset, shift, x1, y1), active, 4);
  return bilinear8(t00, t01, t10, t11, fx, fy);
}

}  // namespace

#endif
