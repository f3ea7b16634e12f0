// The span loops of span_fast.cpp, eight pixels at a time in AVX2. Every
// step is the scalar loop's own arithmetic done lane by lane (the same float
// operations in the same order, the same integer rounding), so the pixels
// are identical; pixels outside the span or failing the depth test are
// masked. A group of eight lies inside its buffer row, or four and four
// inside two rows drawn in the same call, so a masked pixel is written back
// unchanged by the thread that owns the row.

#include "board/span_wide.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "board/pixel_pipeline.h"
#include "board/texture_walk.h"
#include "board/wide_code.h"

namespace {

bool detectWideSpans() {
#if defined(WILDSKY_WIDE_CODE)
  const char* setting = std::getenv("WILDSKY_BOARD_SIMD");
  if (setting != nullptr && std::strcmp(setting, "0") == 0) return false;
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

bool& wideSpansSetting() {
  static bool enabled = detectWideSpans();
  return enabled;
}

}  // namespace

bool wideSpansEnabled() { return wideSpansSetting(); }

void useWideSpans(bool enabled) { wideSpansSetting() = enabled && detectWideSpans(); }

#if !defined(WILDSKY_WIDE_CODE)

RowsFunction wideRowsFunction(SpanKind, int) { return nullptr; }

#else

namespace {

using Vec = __m256i;
using VecF = __m256;

WIDE inline Vec splat(int v) { return _mm256_set1_epi32(v); }
WIDE inline VecF splatF(float v) { return _mm256_set1_ps(v); }

WIDE inline Vec clampInt(Vec v, int low, int high) {
  return _mm256_min_epi32(_mm256_max_epi32(v, splat(low)), splat(high));
}

// The colour arithmetic works on 16-bit words: red and blue of a pixel
// share its lane (red in the high word), green has the low word alone, so
// two channels take every step together.
WIDE inline Vec words(int v) { return _mm256_set1_epi16(short(v)); }

// round(x / 255) in each word, for 0 <= x <= 255 * 255, as div255.
WIDE inline Vec divide255(Vec x) {
  x = _mm256_add_epi16(x, words(128));
  return _mm256_srli_epi16(_mm256_add_epi16(x, _mm256_srli_epi16(x, 8)), 8);
}

// floor(m / 255) in each word: (m * 0x8081) >> 23.
WIDE inline Vec floor255(Vec m) {
  return _mm256_srli_epi16(_mm256_mulhi_epu16(m, words(0x8081)), 7);
}

// a * b in each word, for words whose products stay below 65536.
WIDE inline Vec multiplySmall(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }

// Each lane's `high` in its high word and `low` in its low one (both below
// 65536): red and blue in one lane.
WIDE inline Vec pairWords(Vec high, Vec low) {
  return _mm256_or_si256(_mm256_slli_epi32(high, 16), low);
}

// Eight 32-bit values below 65536 as eight 16-bit ones, in order.
WIDE inline __m128i narrow(Vec v) {
  return _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

// Eight 16-bit values where the 32-bit lane mask is set, else the old ones.
WIDE inline __m128i select16(__m128i old, __m128i updated, Vec mask) {
  __m128i mask16 = _mm_packs_epi32(_mm256_castsi256_si128(mask), _mm256_extracti128_si256(mask, 1));
  return _mm_blendv_epi8(old, updated, mask16);
}

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

// fastLog2 of texture_walk.h, lane by lane.
WIDE inline VecF log2Of(VecF x) {
  Vec bits = _mm256_castps_si256(x);
  Vec exponent =
      _mm256_sub_epi32(_mm256_and_si256(_mm256_srli_epi32(bits, 23), splat(255)), splat(127));
  VecF mantissa = _mm256_cvtepi32_ps(_mm256_and_si256(bits, splat(0x7fffff)));
  return _mm256_add_ps(_mm256_cvtepi32_ps(exponent),
                       _mm256_mul_ps(mantissa, splatF(1.0f / 8388608.0f)));
}

// A TextureWalk's row values in lanes, each lane its own span's; the
// steps along the row are the triangle's, in WalkPlanes.
struct WideWalk {
  VecF sow, tow, oow, footprintX, footprintYs, footprintYt;
};

// Lanes 0-3 from a, lanes 4-7 from b.
WIDE inline Vec halves(int a, int b) {
  return _mm256_set_m128i(_mm_set1_epi32(b), _mm_set1_epi32(a));
}

// TextureWalk's numbers of a triangle in lanes, gathered once, so that a
// span's start takes a few vector operations, each the scalar walk's own.
struct WalkPlanes {
  __m256d value, dx, dy, columnShift, rowShift;  // sow, tow, oow (twice)
  __m256d footprint, footprintStep;              // xs, xt by row and ys, yt by column
  __m256d scale;
  int originColumn, originRow;
  VecF sowStep, towStep, oowStep, footprintYsStep, footprintYtStep;
};

// One field of the sow, tow and oow planes (and oow's again).
WIDE inline __m256d planeLanes(const PerspectiveSetup& p, double AttributePlane::*field) {
  return _mm256_setr_pd(p.sow.*field, p.tow.*field, p.oow.*field, p.oow.*field);
}

WIDE inline WalkPlanes walkPlanes(const TriangleSetup& triangle, const BoundTexture* texture) {
  const PerspectiveSetup& p = triangle.perspective;
  const double scale = texture != nullptr ? texture->scale : 1.0;
  return {planeLanes(p, &AttributePlane::value),
          planeLanes(p, &AttributePlane::dx),
          planeLanes(p, &AttributePlane::dy),
          planeLanes(p, &AttributePlane::columnShift),
          planeLanes(p, &AttributePlane::rowShift),
          _mm256_setr_pd(p.xs, p.xt, p.ys, p.yt),
          _mm256_setr_pd(p.xsPerRow, p.xtPerRow, p.ysPerColumn, p.ytPerColumn),
          _mm256_set1_pd(scale),
          p.originColumn,
          p.originRow,
          splatF(float(p.sow.dx)),
          splatF(float(p.tow.dx)),
          splatF(float(p.oow.dx)),
          splatF(float(p.ysPerColumn * scale)),
          splatF(float(p.ytPerColumn * scale))};
}

// A span's walk at its first pixel: sow, tow, oow and footprintX,
// footprintYs, footprintYt, in lanes 0-2 of each.
struct RowWalk {
  __m128 perspective, footprint;
};

WIDE inline RowWalk rowWalk(const WalkPlanes& w, int row, int column) {
  __m256d columnAt = _mm256_add_pd(_mm256_set1_pd(double(column)), w.columnShift);
  __m256d rowAt = _mm256_add_pd(_mm256_set1_pd(double(row)), w.rowShift);
  __m256d at = _mm256_add_pd(_mm256_add_pd(w.value, _mm256_mul_pd(w.dx, columnAt)),
                             _mm256_mul_pd(w.dy, rowAt));
  double rows = row - w.originRow, columns = column - w.originColumn;
  __m256d numerators = _mm256_mul_pd(
      _mm256_add_pd(w.footprint,
                    _mm256_mul_pd(w.footprintStep, _mm256_setr_pd(rows, rows, columns, columns))),
      w.scale);
  __m128d x = _mm256_castpd256_pd128(numerators);  // xs, xt
  __m128d squares = _mm_mul_pd(x, x);
  float footprintX =
      toFloat(_mm_cvtsd_f64(squares) + _mm_cvtsd_f64(_mm_unpackhi_pd(squares, squares)));
  __m128 y = _mm256_cvtpd_ps(numerators);  // ys, yt in lanes 2 and 3
  __m128 footprint =
      _mm_move_ss(_mm_shuffle_ps(y, y, _MM_SHUFFLE(3, 3, 2, 0)), _mm_set_ss(footprintX));
  return {_mm256_cvtpd_ps(at), footprint};
}

// Lane k of the low half in lanes 0-3 and of the high half in lanes 4-7.
WIDE inline Vec laneIndexOfHalves(int k) {
  return _mm256_setr_epi32(k, k, k, k, k + 4, k + 4, k + 4, k + 4);
}

WIDE inline VecF laneOfHalves(VecF v, int k) {
  return _mm256_permutevar8x32_ps(v, laneIndexOfHalves(k));
}

WIDE inline Vec laneOfHalves(Vec v, int k) {
  return _mm256_permutevar8x32_epi32(v, laneIndexOfHalves(k));
}

// The walk of span a in lanes 0-3 and of span b in lanes 4-7.
WIDE inline WideWalk wideWalk(const RowWalk& a, const RowWalk& b) {
  VecF perspective = _mm256_set_m128(b.perspective, a.perspective);
  VecF footprint = _mm256_set_m128(b.footprint, a.footprint);
  return {laneOfHalves(perspective, 0), laneOfHalves(perspective, 1), laneOfHalves(perspective, 2),
          laneOfHalves(footprint, 0),   laneOfHalves(footprint, 1),   laneOfHalves(footprint, 2)};
}

// The texel of the pixels k columns into their spans: coordinatesAt, then the sampler.
WIDE inline __attribute__((always_inline)) Vec texelsAt(const WideWalk& walk,
                                                        const WalkPlanes& steps,
                                                        const BoundTexture& tx, Vec k, Vec active) {
  VecF fk = _mm256_cvtepi32_ps(k);
  VecF inverseW =
      _mm256_div_ps(splatF(1.0f), _mm256_add_ps(walk.oow, _mm256_mul_ps(fk, steps.oowStep)));
  VecF s = _mm256_mul_ps(_mm256_add_ps(walk.sow, _mm256_mul_ps(fk, steps.sowStep)), inverseW);
  VecF t = _mm256_mul_ps(_mm256_add_ps(walk.tow, _mm256_mul_ps(fk, steps.towStep)), inverseW);
  VecF ys = _mm256_add_ps(walk.footprintYs, _mm256_mul_ps(fk, steps.footprintYsStep));
  VecF yt = _mm256_add_ps(walk.footprintYt, _mm256_mul_ps(fk, steps.footprintYtStep));
  VecF footprintY = _mm256_add_ps(_mm256_mul_ps(ys, ys), _mm256_mul_ps(yt, yt));
  // footprintX > footprintY ? footprintX : footprintY, NaN going to footprintY.
  VecF footprint = _mm256_max_ps(walk.footprintX, footprintY);
  VecF inverseW2 = _mm256_mul_ps(inverseW, inverseW);
  VecF lod = _mm256_mul_ps(splatF(0.5f),
                           log2Of(_mm256_mul_ps(_mm256_mul_ps(footprint, inverseW2), inverseW2)));
  return sample8(tx, s, t, lod, active);
}

template <int kDepth>
WIDE inline Vec depthPasses8(Vec z, Vec stored) {
  const Vec all = splat(-1);
  if constexpr (kDepth == GR_CMP_NEVER) return _mm256_setzero_si256();
  if constexpr (kDepth == GR_CMP_LESS) return _mm256_cmpgt_epi32(stored, z);
  if constexpr (kDepth == GR_CMP_EQUAL) return _mm256_cmpeq_epi32(z, stored);
  if constexpr (kDepth == GR_CMP_LEQUAL)
    return _mm256_andnot_si256(_mm256_cmpgt_epi32(z, stored), all);
  if constexpr (kDepth == GR_CMP_GREATER) return _mm256_cmpgt_epi32(z, stored);
  if constexpr (kDepth == GR_CMP_NOTEQUAL)
    return _mm256_andnot_si256(_mm256_cmpeq_epi32(z, stored), all);
  if constexpr (kDepth == GR_CMP_GEQUAL)
    return _mm256_andnot_si256(_mm256_cmpgt_epi32(stored, z), all);
  return all;
}

// A fixed-point plane along the span: start + k * step, wrapping as the
// scalar loop's repeated additions do.
WIDE inline Vec planeAt(Vec start, Vec step, Vec k) {
  return _mm256_add_epi32(start, _mm256_mullo_epi32(k, step));
}

WIDE inline Vec colorAt(Vec start, Vec step, Vec k) {
  return clampInt(_mm256_srai_epi32(planeAt(start, step, k), COLOR_FRACTION_BITS), 0, 255);
}

// 8-bit channels of RGB565 pixels, expanded by bit replication, word by word.
WIDE inline Vec expandChannel(Vec v, int bits) {
  return _mm256_or_si256(_mm256_slli_epi16(v, 8 - bits), _mm256_srli_epi16(v, 2 * bits - 8));
}

// The 4x4 dither as a bias: DITHER.to5[d][c] is floor((c * 31 + bias) / 255)
// and DITHER.to6[d][c] floor((c * 63 + bias) / 255), where bias is
// floor((2d + 1) * 255 / 32); by dither row, then column & 3 (twice over),
// in both words of a lane. The bias stays below 255, so a word holding no
// channel rounds to zero.
struct DitherBias {
  alignas(32) int rows[4][8];
};

constexpr DitherBias makeDitherBias() {
  DitherBias b{};
  for (int row = 0; row < 4; ++row) {
    for (int i = 0; i < 8; ++i) {
      int bias = (2 * DITHER.thresholdAt[row][i & 3] + 1) * 255 / 32;
      b.rows[row][i] = bias << 16 | bias;
    }
  }
  return b;
}

constexpr DitherBias DITHER_BIAS = makeDitherBias();

// The values at the first pixels of a group's spans: one span's in every
// lane, or two spans', four lanes each.
struct WideSpan {
  Vec red, green, blue, alpha;
  WideWalk walk;
  Vec ditherBias;  // by dither index: column & 3, plus 4 for the second row
};

inline const Vec& ditherRow(int row) {
  return *reinterpret_cast<const Vec*>(DITHER_BIAS.rows[row & 3]);
}

// The red, green, blue and alpha planes of a triangle in 64-bit lanes,
// for FixedPlane::at in lanes.
struct ColorPlanes {
  Vec origin, dx, dy, originColumn, originRow;
};

// One field of the four planes.
template <typename Field>
WIDE inline Vec planeFieldLanes(const TriangleSetup& t, Field FixedPlane::*field) {
  return _mm256_setr_epi64x(t.red.*field, t.green.*field, t.blue.*field, t.alpha.*field);
}

WIDE inline ColorPlanes colorPlanes(const TriangleSetup& t) {
  return {planeFieldLanes(t, &FixedPlane::origin), planeFieldLanes(t, &FixedPlane::dx),
          planeFieldLanes(t, &FixedPlane::dy), planeFieldLanes(t, &FixedPlane::originColumn),
          planeFieldLanes(t, &FixedPlane::originRow)};
}

// a * n in 64-bit lanes, wrapping as the scalar product does, for 0 <= n < 2^32.
WIDE inline Vec multiply64(Vec a, Vec n) {
  Vec high = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), n);
  return _mm256_add_epi64(_mm256_mul_epu32(a, n), _mm256_slli_epi64(high, 32));
}

// FixedPlane::at of the four planes, as 32-bit values in the low half.
WIDE inline __m128i colorStarts(const ColorPlanes& p, int row, int column) {
  Vec sum = _mm256_add_epi64(
      _mm256_add_epi64(
          p.origin, multiply64(p.dx, _mm256_sub_epi64(_mm256_set1_epi64x(column), p.originColumn))),
      multiply64(p.dy, _mm256_sub_epi64(_mm256_set1_epi64x(row), p.originRow)));
  // Clamping before the shift by EXTRA_BITS gives the clamp after it; the
  // low 32 bits of a logical shift are those of the arithmetic one.
  constexpr std::int64_t LIMIT = std::int64_t(1) << (30 + FixedPlane::EXTRA_BITS);
  const Vec high = _mm256_set1_epi64x(LIMIT), low = _mm256_set1_epi64x(-LIMIT);
  sum = _mm256_blendv_epi8(sum, high, _mm256_cmpgt_epi64(sum, high));
  sum = _mm256_blendv_epi8(sum, low, _mm256_cmpgt_epi64(low, sum));
  Vec shifted = _mm256_srli_epi64(sum, FixedPlane::EXTRA_BITS);
  return _mm256_castsi256_si128(
      _mm256_permutevar8x32_epi32(shifted, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
}

// What a triangle's spans share, prepared once for all of them: the walk's
// planes (left unset for the Gouraud kinds) and the iterated values' steps
// along a row.
struct WideTriangle {
  WalkPlanes walk;
  ColorPlanes colors;
  Vec redStep, greenStep, blueStep, alphaStep, depthStep;
};

// A span's start: its first pixel's iterated values and texture walk.
// Colours and walk are left to shade(), once a pixel passes the depth
// test: in a deep scene many spans are hidden whole.
template <SpanKind kKind>
struct SpanStart {
  std::int32_t depth;
  int row, column;
  __m128i colors;  // red, green, blue, alpha
  RowWalk walk;

  WIDE __attribute__((always_inline))
  SpanStart(const TriangleSetup& triangle, int spanRow, int spanColumn)
      : depth(triangle.depth.at(spanColumn, spanRow)), row(spanRow), column(spanColumn) {}

  WIDE __attribute__((always_inline)) void shade(const WideTriangle& wide) {
    colors = colorStarts(wide.colors, row, column);
    if constexpr (textured(kKind)) walk = rowWalk(wide.walk, row, column);
  }
};

// The values of span a in lanes 0-3 and of span b in lanes 4-7, both shaded.
template <SpanKind kKind>
WIDE inline __attribute__((always_inline)) WideSpan wideSpan(const SpanStart<kKind>& a,
                                                             const SpanStart<kKind>& b) {
  Vec colors = _mm256_set_m128i(b.colors, a.colors);
  WideSpan span;
  span.red = laneOfHalves(colors, 0);
  span.green = laneOfHalves(colors, 1);
  span.blue = laneOfHalves(colors, 2);
  span.alpha = laneOfHalves(colors, 3);
  if constexpr (textured(kKind)) span.walk = wideWalk(a.walk, b.walk);
  span.ditherBias = _mm256_permute2x128_si256(ditherRow(a.row), ditherRow(b.row), 0x20);
  return span;
}

// The group's pixels in the buffers: eight in a row, or four in each of two rows.
template <bool kPaired>
struct GroupPixels {
  std::uint16_t* color[2];
  std::uint16_t* depth[2];

  WIDE static __m128i load(std::uint16_t* const at[2]) {
    if constexpr (!kPaired) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at[0]));
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at[0])),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at[1])));
  }
  WIDE static void store(std::uint16_t* const at[2], __m128i pixels) {
    if constexpr (!kPaired) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(at[0]), pixels);
    } else {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(at[0]), pixels);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(at[1]), _mm_unpackhi_epi64(pixels, pixels));
    }
  }
};

// The lanes of eight pixels, k columns into spans starting at depth z,
// that pass the depth test, with their depth written when the mask allows.
template <int kDepth, bool kPaired>
WIDE inline __attribute__((always_inline)) Vec testDepth(const PipelineState& state,
                                                         const WideTriangle& wide, Vec z,
                                                         const GroupPixels<kPaired>& at, Vec k,
                                                         Vec active) {
  using Pixels = GroupPixels<kPaired>;
  if constexpr (kDepth != DEPTH_OFF) {
    Vec zk =
        clampInt(_mm256_srai_epi32(planeAt(z, wide.depthStep, k), DEPTH_FRACTION_BITS), 0, 65535);
    __m128i stored16 = Pixels::load(at.depth);
    active = _mm256_and_si256(active, depthPasses8<kDepth>(zk, _mm256_cvtepu16_epi32(stored16)));
    if (state.depthMask && !_mm256_testz_si256(active, active)) {
      Pixels::store(at.depth, select16(stored16, narrow(zk), active));
    }
  }
  return active;
}

// The colours of eight pixels, k columns into their spans; the inactive
// ones are written back unchanged.
template <SpanKind kKind, bool kPaired>
WIDE inline __attribute__((always_inline)) void shadeWithTexel(
    const PipelineState& state, const WideTriangle& wide, const WideSpan& span,
    const GroupPixels<kPaired>& at, Vec k, Vec ditherIndex, Vec active, Vec texel) {
  using Pixels = GroupPixels<kPaired>;
  Vec redBlue = pairWords(colorAt(span.red, wide.redStep, k), colorAt(span.blue, wide.blueStep, k));
  Vec green = colorAt(span.green, wide.greenStep, k);
  if constexpr (textured(kKind)) {
    redBlue = divide255(multiplySmall(redAndBlue(texel), redBlue));
    green =
        divide255(multiplySmall(_mm256_and_si256(_mm256_srli_epi32(texel, 8), splat(255)), green));
  }
  __m128i old = Pixels::load(at.color);
  if constexpr (blended(kKind)) {
    const bool constantAlpha = state.alphaCombine.local == GR_COMBINE_LOCAL_CONSTANT;
    Vec a = constantAlpha ? splat(state.constantColor.a) : colorAt(span.alpha, wide.alphaStep, k);
    a = pairWords(a, a);
    Vec rest = _mm256_sub_epi16(words(255), a);
    Vec d = _mm256_cvtepu16_epi32(old);
    Vec dRedBlue =
        expandChannel(pairWords(_mm256_srli_epi32(d, 11), _mm256_and_si256(d, splat(31))), 5);
    Vec dGreen = expandChannel(_mm256_and_si256(_mm256_srli_epi32(d, 5), splat(63)), 6);
    redBlue = divide255(_mm256_add_epi16(multiplySmall(redBlue, a), multiplySmall(dRedBlue, rest)));
    green = divide255(_mm256_add_epi16(multiplySmall(green, a), multiplySmall(dGreen, rest)));
  }
  Vec bias = _mm256_permutevar8x32_epi32(span.ditherBias, ditherIndex);
  Vec redBlue5 = floor255(_mm256_add_epi16(multiplySmall(redBlue, words(31)), bias));
  Vec green6 = floor255(_mm256_add_epi16(multiplySmall(green, words(63)), bias));
  // red * 2^11 + blue, then green's bits between them.
  Vec packed = _mm256_or_si256(_mm256_madd_epi16(redBlue5, splat(2048 << 16 | 1)),
                               _mm256_slli_epi32(green6, 5));
  Pixels::store(at.color, select16(old, narrow(packed), active));
}

// shadeWithTexel with the group's own texels.
template <SpanKind kKind, bool kPaired>
WIDE inline __attribute__((always_inline)) void shadeColors(const PipelineState& state,
                                                            const WideTriangle& wide,
                                                            const WideSpan& span,
                                                            const GroupPixels<kPaired>& at, Vec k,
                                                            Vec ditherIndex, Vec active) {
  Vec texel = splat(-1);
  if constexpr (textured(kKind)) {
    if (state.texture != nullptr) texel = texelsAt(span.walk, wide.walk, *state.texture, k, active);
  }
  shadeWithTexel<kKind>(state, wide, span, at, k, ditherIndex, active, texel);
}

WIDE inline Vec laneNumbers() { return _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7); }

// A group of eight of a span's pixels from column g, inside its buffer row.
struct SpanGroup {
  GroupPixels<false> at;
  Vec k, ditherIndex, active;
};

WIDE inline __attribute__((always_inline)) SpanGroup spanGroup(std::uint16_t* color,
                                                               std::uint16_t* depth, int width,
                                                               int c0, int c1, int g) {
  const int base = g + 8 <= width ? g : width - 8;
  const Vec columns = _mm256_add_epi32(splat(base), laneNumbers());
  const Vec active = _mm256_and_si256(_mm256_cmpgt_epi32(columns, splat(g - 1)),
                                      _mm256_cmpgt_epi32(splat(c1 + 1), columns));
  return {{{color + base, nullptr}, {depth + base, nullptr}},
          _mm256_sub_epi32(columns, splat(c0)),
          _mm256_and_si256(columns, splat(3)),
          active};
}

// A span's groups taken together: their depth tests, then their texels,
// then their colours, so that the work of one overlaps the other's. The
// span's start is shaded at the first group with a pixel in front.
template <SpanKind kKind, int kDepth, int kCount>
WIDE inline __attribute__((always_inline)) void shadeGroups(const PipelineState& state,
                                                            const WideTriangle& wide,
                                                            SpanStart<kKind>& start, WideSpan& span,
                                                            bool& shaded, Vec z,
                                                            SpanGroup (&groups)[kCount]) {
  bool draw[kCount], any = false;
  for (SpanGroup& g : groups) g.active = testDepth<kDepth>(state, wide, z, g.at, g.k, g.active);
  for (int i = 0; i < kCount; ++i) {
    draw[i] = !_mm256_testz_si256(groups[i].active, groups[i].active);
    any = any || draw[i];
  }
  if (!any) return;
  if (!shaded) {
    start.shade(wide);
    span = wideSpan(start, start);
    shaded = true;
  }
  Vec texels[kCount];
  for (int i = 0; i < kCount; ++i) {
    texels[i] = splat(-1);
    if constexpr (textured(kKind)) {
      if (state.texture != nullptr && draw[i]) {
        texels[i] = texelsAt(span.walk, wide.walk, *state.texture, groups[i].k, groups[i].active);
      }
    }
  }
  for (int i = 0; i < kCount; ++i) {
    const SpanGroup& g = groups[i];
    if (draw[i])
      shadeWithTexel<kKind>(state, wide, span, g.at, g.k, g.ditherIndex, g.active, texels[i]);
  }
}

// One span, sixteen pixels at a time and the last eight alone.
template <SpanKind kKind, int kDepth>
WIDE inline __attribute__((always_inline)) void shadeSpan(const PipelineState& state,
                                                          const TriangleSetup& triangle,
                                                          const SpanTarget& target,
                                                          const WideTriangle& wide, int row, int c0,
                                                          int c1) {
  const int width = target.stride;
  SpanStart<kKind> start(triangle, row, c0);
  const Vec z = splat(start.depth);
  WideSpan span;
  bool shaded = false;
  std::uint16_t* color = target.color + row * target.stride;
  std::uint16_t* depth = target.depth + row * target.stride;
  int g = c0;
  for (; g + 8 <= c1; g += 16) {
    SpanGroup pair[2] = {spanGroup(color, depth, width, c0, c1, g),
                         spanGroup(color, depth, width, c0, c1, g + 8)};
    shadeGroups<kKind, kDepth>(state, wide, start, span, shaded, z, pair);
  }
  if (g <= c1) {
    SpanGroup last[1] = {spanGroup(color, depth, width, c0, c1, g)};
    shadeGroups<kKind, kDepth>(state, wide, start, span, shaded, z, last);
  }
}

// Two spans of at most four pixels, from rows a and b, as one group.
template <SpanKind kKind, int kDepth>
WIDE inline __attribute__((always_inline)) void shadeSpanPair(
    const PipelineState& state, const TriangleSetup& triangle, const SpanTarget& target,
    const WideTriangle& wide, int rowA, int a0, int a1, int rowB, int b0, int b1) {
  const int last = target.stride - 4;  // each half stays inside its row
  const int baseA = a0 < last ? a0 : last, baseB = b0 < last ? b0 : last;
  const Vec lane = _mm256_and_si256(laneNumbers(), splat(3));
  const Vec columns = _mm256_add_epi32(halves(baseA, baseB), lane);
  const Vec first = halves(a0, b0);
  Vec active = _mm256_and_si256(_mm256_cmpgt_epi32(columns, _mm256_sub_epi32(first, splat(1))),
                                _mm256_cmpgt_epi32(halves(a1 + 1, b1 + 1), columns));
  SpanStart<kKind> startA(triangle, rowA, a0), startB(triangle, rowB, b0);
  const std::size_t atA = std::size_t(rowA) * std::size_t(target.stride) + std::size_t(baseA);
  const std::size_t atB = std::size_t(rowB) * std::size_t(target.stride) + std::size_t(baseB);
  GroupPixels<true> at{{target.color + atA, target.color + atB},
                       {target.depth + atA, target.depth + atB}};
  const Vec k = _mm256_sub_epi32(columns, first);
  active = testDepth<kDepth>(state, wide, halves(startA.depth, startB.depth), at, k, active);
  if (_mm256_testz_si256(active, active)) return;
  startA.shade(wide);
  startB.shade(wide);
  Vec ditherIndex = _mm256_or_si256(_mm256_and_si256(columns, splat(3)),
                                    _mm256_andnot_si256(splat(3), laneNumbers()));
  shadeColors<kKind>(state, wide, wideSpan(startA, startB), at, k, ditherIndex, active);
}

// The spans of four consecutive rows.
struct FourRows {
  int withPixels;  // bit k: row k has a span
  alignas(16) std::int32_t first[4], last[4];
};

// RowSpanWalker four rows at a time: each edge's bound for four rows in
// the lanes of one register, found by division rather than stepped. The
// numbers are integers held exactly in doubles: inside the guard band an
// edge's numerators stay below 2^51 and its divisor below 2^30, so every
// product and difference below is exact, and a quotient rounded from the
// double division is at most one too large, which the remainder shows.
class WideRowWalker {
 public:
  WIDE WideRowWalker(const TriangleSetup& triangle, int firstRow)
      : columnFirst_(_mm256_set1_pd(triangle.columnBegin)),
        columnLast_(_mm256_set1_pd(triangle.columnEnd - 1)) {
    const __m256d rowOffsets = _mm256_setr_pd(0, 1, 2, 3);
    for (int i = 0; i < 3; ++i) {
      const EdgeDivision d = edgeDivision(triangle.edges[i], firstRow);
      WalkedEdge& w = edges_[i];
      w.divisor = _mm256_set1_pd(double(d.divisor));
      w.numerators = _mm256_add_pd(_mm256_set1_pd(double(d.numerator)),
                                   _mm256_mul_pd(rowOffsets, _mm256_set1_pd(double(d.step))));
      w.step = _mm256_set1_pd(4.0 * double(d.step));
      w.role = d.role;
    }
  }

  // The spans of the next four rows.
  WIDE FourRows next() {
    const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
    __m256d low = columnFirst_, high = columnLast_, outside = zero;
    for (WalkedEdge& e : edges_) {
      __m256d remainder;
      const __m256d q = floorQuotient(e.numerators, e.divisor, remainder);
      if (e.role == EdgeRole::lowerBound) {  // rounded up
        __m256d inexact = _mm256_cmp_pd(remainder, zero, _CMP_NEQ_OQ);
        low = _mm256_max_pd(low, _mm256_add_pd(q, _mm256_and_pd(inexact, one)));
      } else if (e.role == EdgeRole::upperBound) {
        high = _mm256_min_pd(high, q);
      } else {
        outside = _mm256_or_pd(outside, _mm256_cmp_pd(q, zero, _CMP_LT_OQ));
      }
      e.numerators = _mm256_add_pd(e.numerators, e.step);
    }
    FourRows rows;
    __m256d empty = _mm256_or_pd(outside, _mm256_cmp_pd(low, high, _CMP_GT_OQ));
    rows.withPixels = ~_mm256_movemask_pd(empty) & 15;
    // Rows without pixels may hold bounds beyond int; they are never read.
    _mm_store_si128(reinterpret_cast<__m128i*>(rows.first),
                    _mm256_cvtpd_epi32(_mm256_min_pd(low, columnLast_)));
    _mm_store_si128(reinterpret_cast<__m128i*>(rows.last),
                    _mm256_cvtpd_epi32(_mm256_max_pd(high, columnFirst_)));
    return rows;
  }

 private:
  struct WalkedEdge {
    __m256d numerators, step, divisor;  // the numerators of four rows
    EdgeRole role;
  };

  // floor(n / d) for the lanes' numerators, d > 0, with its remainder. The
  // rounded quotient lies at most one above the true one, never below: a
  // whole number is a double, and rounding keeps the order.
  WIDE static __m256d floorQuotient(__m256d n, __m256d d, __m256d& remainder) {
    __m256d q = _mm256_round_pd(_mm256_div_pd(n, d), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    __m256d r = _mm256_sub_pd(n, _mm256_mul_pd(q, d));
    __m256d below = _mm256_cmp_pd(r, _mm256_setzero_pd(), _CMP_LT_OQ);
    remainder = _mm256_add_pd(r, _mm256_and_pd(below, d));
    return _mm256_sub_pd(q, _mm256_and_pd(below, _mm256_set1_pd(1.0)));
  }

  WalkedEdge edges_[3];
  __m256d columnFirst_, columnLast_;
};

// Rows of a triangle. Spans of four pixels or fewer, most of a small
// triangle's, are shaded two at a time.
template <SpanKind kKind, int kDepth>
WIDE void drawRowsWide(const PipelineState& state, const TriangleSetup& triangle,
                       const SpanTarget& target, int rowBegin, int rowEnd) {
  WideTriangle wide;
  wide.colors = colorPlanes(triangle);
  wide.redStep = splat(triangle.red.step);
  wide.greenStep = splat(triangle.green.step);
  wide.blueStep = splat(triangle.blue.step);
  wide.alphaStep = splat(triangle.alpha.step);
  wide.depthStep = splat(triangle.depth.step);
  if constexpr (textured(kKind)) wide.walk = walkPlanes(triangle, state.texture);
  WideRowWalker spans(triangle, rowBegin);
  int waitingRow = -1, w0 = 0, w1 = 0;  // a short span without a partner yet
  for (int first = rowBegin; first < rowEnd; first += 4) {
    const FourRows rows = spans.next();
    const int inside = rowEnd - first >= 4 ? 15 : (1 << (rowEnd - first)) - 1;
    for (int left = rows.withPixels & inside; left != 0; left &= left - 1) {
      const int k = std::countr_zero(unsigned(left)), row = first + k;
      const int c0 = rows.first[k], c1 = rows.last[k];
      if (c1 - c0 >= 4) {
        shadeSpan<kKind, kDepth>(state, triangle, target, wide, row, c0, c1);
      } else if (waitingRow < 0) {
        waitingRow = row, w0 = c0, w1 = c1;
      } else {
        shadeSpanPair<kKind, kDepth>(state, triangle, target, wide, waitingRow, w0, w1, row, c0,
                                     c1);
        waitingRow = -1;
      }
    }
  }
  if (waitingRow >= 0) shadeSpan<kKind, kDepth>(state, triangle, target, wide, waitingRow, w0, w1);
}

template <SpanKind kKind, int... kDepth>
constexpr std::array<RowsFunction, sizeof...(kDepth)> depthVariants(
    std::integer_sequence<int, kDepth...>) {
  return {&drawRowsWide<kKind, kDepth>...};
}

template <SpanKind kKind>
constexpr auto variantsOf() {
  return depthVariants<kKind>(std::make_integer_sequence<int, DEPTH_OFF + 1>{});
}

constexpr std::array<std::array<RowsFunction, DEPTH_OFF + 1>, 4> WIDE_ROWS = {
    variantsOf<SpanKind::OpaqueGouraud>(), variantsOf<SpanKind::OpaqueTextured>(),
    variantsOf<SpanKind::BlendedGouraud>(), variantsOf<SpanKind::BlendedTextured>()};

}  // namespace

RowsFunction wideRowsFunction(SpanKind kind, int depthSlot) {
  bool listed = int(kind) < int(WIDE_ROWS.size()) && depthSlot >= 0 && depthSlot <= DEPTH_OFF;
  return listed ? WIDE_ROWS[int(kind)][depthSlot] : nullptr;
}

#endif
