#pragma once
// The texture sampler of the wide span loops: sampleTexture for eight
// pixels, with the texels of a bilinear group fetched without gathers
// where the group allows it. Part of the wide span loops (see lanes_avx2.h).

#include <cstdint>
#include <cstring>

#include "board/texture_sampler.h"
#include "board/wide_lanes.h"

#if defined(WILDSKY_LANES)

namespace {

// The texture's level tables hold every number a group of eight reads,
// ready to load into lanes (levels 0 to 7 indexed by level; level 8, the
// last of a 256-texel chain, apart).
LANE_CODE inline Vec lanes(const std::int32_t* eight) { return simd::load_si256(eight); }

LANE_CODE inline VecF lanes(const float* eight) { return simd::load_ps(eight); }

// The per-level number of each lane's level.
LANE_CODE inline Vec perLevel(Vec table, Vec level8, Vec level, Vec isLevel8) {
  return simd::blendv_epi8(simd::permutevar8x32_epi32(table, level), level8, isLevel8);
}

// toFixed of texture_detail, lane by lane, of a coordinate times the scale:
// NaN ends at -COORD_LIMIT. The scale and FIXED_ONE are powers of two, so
// one product gives the fixed-point number of two (a tiny coordinate that
// one would round differently truncates to 0 either way).
LANE_CODE inline Vec toFixed8(VecF coordinate, VecF fixedScale) {
  using namespace texture_detail;
  VecF v = simd::mul_ps(coordinate, fixedScale);
  v = simd::max_ps(v, splatF(-COORD_LIMIT));
  v = simd::min_ps(v, splatF(COORD_LIMIT));
  return simd::cvttps_epi32(v);
}

LANE_CODE inline Vec wrapOrClamp8(Vec i, Vec sizeMax, bool clamp) {
  return clamp ? simd::min_epi32(simd::max_epi32(i, simd::setzero_si256()), sizeMax)
               : simd::and_si256(i, sizeMax);
}

// Two rows of texel channels, one a word, weighted along x, then the rows
// along y: the sums of bilinearArgb.
LANE_CODE inline Vec weighChannels(Vec t00, Vec t01, Vec t10, Vec t11, Vec gx, Vec fx, Vec gy,
                                   Vec fy) {
  Vec top =
      simd::srli_epi16(simd::add_epi16(simd::mullo_epi16(t00, gx), simd::mullo_epi16(t01, fx)), 8);
  Vec bottom =
      simd::srli_epi16(simd::add_epi16(simd::mullo_epi16(t10, gx), simd::mullo_epi16(t11, fx)), 8);
  return simd::srli_epi16(
      simd::add_epi16(simd::mullo_epi16(top, gy), simd::mullo_epi16(bottom, fy)), 8);
}

// Channels of ARGB texels in 16-bit words: red and blue, alpha and green,
// green alone (in the low word).
LANE_CODE inline Vec redAndBlue(Vec texels) { return simd::and_si256(texels, splat(0x00ff00ff)); }
LANE_CODE inline Vec alphaAndGreen(Vec texels) { return simd::srli_epi16(texels, 8); }
LANE_CODE inline Vec greenOf(Vec texels) {
  return simd::and_si256(simd::srli_epi32(texels, 8), splat(255));
}

// bilinearArgb for eight pixels: red and blue of every texel in the words
// of one register, alpha and green in another, so that a pixel's weights,
// in both words of its lane, serve both channels as they stand.
LANE_CODE inline Vec bilinear8(Vec t00, Vec t01, Vec t10, Vec t11, Vec fx, Vec fy) {
  const Vec w256 = simd::set1_epi16(256);
  const Vec fx2 = simd::or_si256(fx, simd::slli_epi32(fx, 16));
  const Vec fy2 = simd::or_si256(fy, simd::slli_epi32(fy, 16));
  const Vec gx2 = simd::sub_epi16(w256, fx2), gy2 = simd::sub_epi16(w256, fy2);
  Vec rb = weighChannels(redAndBlue(t00), redAndBlue(t01), redAndBlue(t10), redAndBlue(t11), gx2,
                         fx2, gy2, fy2);
  Vec ag = weighChannels(alphaAndGreen(t00), alphaAndGreen(t01), alphaAndGreen(t10),
                         alphaAndGreen(t11), gx2, fx2, gy2, fy2);
  return simd::or_si256(rb, simd::slli_epi16(ag, 8));
}

// Texel numbers from level 0's first texel.
LANE_CODE inline Vec texelIndex(Vec offset, Vec widthShift, Vec x, Vec y) {
  return simd::add_epi32(offset, simd::add_epi32(simd::sllv_epi32(y, widthShift), x));
}

LANE_CODE inline Vec loadTexels(const int* at) { return simd::loadu_si256(at); }

// The smallest value, in every lane.
LANE_CODE inline Vec smallest(Vec v) {
  v = simd::min_epi32(v, simd::shuffle_epi32<_MM_SHUFFLE(2, 3, 0, 1)>(v));
  v = simd::min_epi32(v, simd::shuffle_epi32<_MM_SHUFFLE(1, 0, 3, 2)>(v));
  return simd::min_epi32(v, simd::permute2x128_si256<1>(v, v));
}

// The four bilinear texels without gathers, where every lane reads the same
// level and texel rows y0, y1, its right texel x1 is x0 + 1 (not wrapped or
// clamped onto x0) and x0 lies within eight texels of the leftmost: two
// loads of nine texels per row, picked by lane.
LANE_CODE inline bool sameTexelRows(const int* texels, Vec level, Vec x0, Vec x1, Vec y0, Vec y1,
                                    Vec offset, Vec shift, Vec widthMax, Vec& t00, Vec& t01,
                                    Vec& t10, Vec& t11) {
  if (!simd::uniform(level) || !simd::uniform(y0) || !simd::uniform(y1)) return false;
  Vec nextColumn = simd::cmpeq_epi32(x1, simd::add_epi32(x0, splat(1)));
  if (simd::movemask_epi8(nextColumn) != -1) return false;
  Vec left = smallest(x0);
  Vec pick = simd::sub_epi32(x0, left);
  int first = simd::cvtsi256_si32(left);
  if (first + 8 > simd::cvtsi256_si32(widthMax)) return false;
  if (!simd::testz_si256(simd::cmpgt_epi32(pick, splat(7)), simd::cmpgt_epi32(pick, splat(7)))) {
    return false;
  }
  // Texel numbers are never negative: as unsigned ones they index without
  // a sign extension.
  const std::uint32_t base = std::uint32_t(simd::cvtsi256_si32(offset) + first);
  const int widthShift = simd::cvtsi256_si32(shift);
  const int* row0 = texels + (base + (std::uint32_t(simd::cvtsi256_si32(y0)) << widthShift));
  const int* row1 = texels + (base + (std::uint32_t(simd::cvtsi256_si32(y1)) << widthShift));
  t00 = simd::permutevar8x32_epi32(loadTexels(row0), pick);
  t01 = simd::permutevar8x32_epi32(loadTexels(row0 + 1), pick);
  t10 = simd::permutevar8x32_epi32(loadTexels(row1), pick);
  t11 = simd::permutevar8x32_epi32(loadTexels(row1 + 1), pick);
  return true;
}

// The four bilinear texels without gathers, which are slow, where every
// lane's right texel x1 is x0 + 1: each lane loads its two texels of a row
// as one 64-bit number. Every lane's texel numbers lie inside its level,
// active or not, so every load is safe.
LANE_CODE inline bool adjacentTexelPairs(const int* texels, Vec x0, Vec x1, Vec row0, Vec row1,
                                         Vec& t00, Vec& t01, Vec& t10, Vec& t11) {
  Vec nextColumn = simd::cmpeq_epi32(x1, simd::add_epi32(x0, splat(1)));
  if (simd::movemask_epi8(nextColumn) != -1) return false;
  // Unsigned texel numbers, as in sameTexelRows.
  alignas(32) std::uint32_t at0[8], at1[8];
  simd::store_si256(at0, row0);
  simd::store_si256(at1, row1);
  auto pair = [texels](std::uint32_t at) {
    long long both;
    std::memcpy(&both, texels + at, sizeof both);
    return both;
  };
  // Each lane's pair as a 64-bit number: the left texels are the even numbers.
  simd::deinterleave(simd::setr_epi64x(pair(at0[0]), pair(at0[1]), pair(at0[2]), pair(at0[3])),
                     simd::setr_epi64x(pair(at0[4]), pair(at0[5]), pair(at0[6]), pair(at0[7])), t00,
                     t01);
  simd::deinterleave(simd::setr_epi64x(pair(at1[0]), pair(at1[1]), pair(at1[2]), pair(at1[3])),
                     simd::setr_epi64x(pair(at1[4]), pair(at1[5]), pair(at1[6]), pair(at1[7])), t10,
                     t11);
  return true;
}

// sampleTexture for eight pixels; only the active lanes load texels.
LANE_CODE inline __attribute__((always_inline)) Vec sampleLanes(const BoundTexture& tx, VecF s,
                                                                VecF t, VecF lod, Vec active) {
  const LevelTables& tables = tx.tables;
  const int* texels = reinterpret_cast<const int*>(tx.levels[0].texels);  // every level's block
  const Vec zero = simd::setzero_si256();
  Vec level = zero;
  if (tx.mipmapped) {
    Vec atLeastHalf = simd::castps_si256(simd::cmp_ps<_CMP_GE_OQ>(lod, splatF(0.5f)));
    Vec atLast = simd::castps_si256(simd::cmp_ps<_CMP_GE_OQ>(lod, lanes(tables.lastLevelAsFloat)));
    Vec nearest = simd::cvttps_epi32(simd::add_ps(lod, splatF(0.5f)));
    nearest = simd::blendv_epi8(nearest, lanes(tables.lastLevel), atLast);
    level = simd::and_si256(nearest, atLeastHalf);
  }
  const VecF fixedScale = lanes(tables.fixedScale);
  Vec u = simd::srav_epi32(toFixed8(s, fixedScale), level);
  Vec v = simd::srav_epi32(toFixed8(t, fixedScale), level);
  Vec isLevel8 = simd::cmpeq_epi32(level, splat(8));
  Vec offset = perLevel(lanes(tables.offset), lanes(tables.offset8), level, isLevel8);
  Vec shift = perLevel(lanes(tables.widthShift), lanes(tables.widthShift8), level, isLevel8);
  Vec widthMax = perLevel(lanes(tables.widthMax), lanes(tables.widthMax8), level, isLevel8);
  Vec heightMax = perLevel(lanes(tables.heightMax), lanes(tables.heightMax8), level, isLevel8);
  if (!tx.bilinearMin && !tx.bilinearMag) {
    Vec x = wrapOrClamp8(simd::srai_epi32(u, 8), widthMax, tx.clampS);
    Vec y = wrapOrClamp8(simd::srai_epi32(v, 8), heightMax, tx.clampT);
    return simd::mask_i32gather_epi32(simd::setzero_si256(), texels,
                                      texelIndex(offset, shift, x, y), active);
  }
  // Bilinear lanes step back half a texel; point-sampled lanes keep their
  // texel with zero weights, which the sums return unchanged.
  Vec bilinear;
  if (tx.bilinearMin == tx.bilinearMag) {
    bilinear = simd::set1_epi32(-1);
  } else {
    Vec minifying = simd::castps_si256(simd::cmp_ps<_CMP_GT_OQ>(lod, simd::setzero_ps()));
    bilinear = tx.bilinearMin ? minifying : simd::andnot_si256(minifying, splat(-1));
  }
  Vec halfTexel = simd::and_si256(bilinear, splat(128));
  u = simd::sub_epi32(u, halfTexel);
  v = simd::sub_epi32(v, halfTexel);
  Vec fx = simd::and_si256(simd::and_si256(u, splat(255)), bilinear);
  Vec fy = simd::and_si256(simd::and_si256(v, splat(255)), bilinear);
  Vec x0 = simd::srai_epi32(u, 8), y0 = simd::srai_epi32(v, 8);
  Vec x1 = wrapOrClamp8(simd::add_epi32(x0, splat(1)), widthMax, tx.clampS);
  Vec y1 = wrapOrClamp8(simd::add_epi32(y0, splat(1)), heightMax, tx.clampT);
  x0 = wrapOrClamp8(x0, widthMax, tx.clampS);
  y0 = wrapOrClamp8(y0, heightMax, tx.clampT);
  Vec t00, t01, t10, t11;
  // sameTexelRows picks texels by lane, which only AVX2 does in one step.
  if (simd::LANE_PERMUTES &&
      sameTexelRows(texels, level, x0, x1, y0, y1, offset, shift, widthMax, t00, t01, t10, t11)) {
    return bilinear8(t00, t01, t10, t11, fx, fy);
  }
  if (adjacentTexelPairs(texels, x0, x1, texelIndex(offset, shift, x0, y0),
                         texelIndex(offset, shift, x0, y1), t00, t01, t10, t11)) {
    return bilinear8(t00, t01, t10, t11, fx, fy);
  }
  t00 = simd::mask_i32gather_epi32(simd::setzero_si256(), texels, texelIndex(offset, shift, x0, y0),
                                   active);
  t01 = simd::mask_i32gather_epi32(simd::setzero_si256(), texels, texelIndex(offset, shift, x1, y0),
                                   active);
  t10 = simd::mask_i32gather_epi32(simd::setzero_si256(), texels, texelIndex(offset, shift, x0, y1),
                                   active);
  t11 = simd::mask_i32gather_epi32(simd::setzero_si256(), texels, texelIndex(offset, shift, x1, y1),
                                   active);
  return bilinear8(t00, t01, t10, t11, fx, fy);
}

// The sampler as a call: it is too large to inline into every loop.
LANE_CODE Vec sample8(const BoundTexture& tx, VecF s, VecF t, VecF lod, Vec active) {
  return sampleLanes(tx, s, t, lod, active);
}

// The sampler for two or four groups of eight in one call (see texelsOfAll).
template <int kCount>
struct SampledGroups {
  VecF s[kCount], t[kCount], lod[kCount];
  Vec active[kCount];
};

template <int kCount>
LANE_CODE void sampleGroups(const BoundTexture& tx, const SampledGroups<kCount>& in,
                            Vec (&out)[kCount]) {
  for (int i = 0; i < kCount; ++i)
    out[i] = sampleLanes(tx, in.s[i], in.t[i], in.lod[i], in.active[i]);
}

}  // namespace

#endif
