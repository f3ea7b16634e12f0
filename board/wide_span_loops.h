#pragma once
// The span loops of span_fast.cpp, eight pixels at a time in the lanes of
// the lane set the file included first (lanes_avx2.h or lanes_sse2.h). Every
// step is the scalar loop's own arithmetic done lane by lane (the same float
// operations in the same order, the same integer rounding), so the pixels
// are identical; pixels outside the span, keyed out or failing the depth
// test are masked. A group of eight lies inside its buffer row, or four and
// four inside two rows drawn in the same call, so a masked pixel is written
// back unchanged by the thread that owns the row. The texture walk, the sampler
// and the row walker they use are in the wide_*.h headers beside this file.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <utility>

#include "board/pixel_pipeline.h"
#include "board/span_kinds.h"
#include "board/wide_lanes.h"
#include "board/wide_row_walker.h"
#include "board/wide_texture_sampler.h"
#include "board/wide_texture_walk.h"

#if defined(WILDSKY_LANES)

namespace {

LANE_CODE inline Vec clampInt(Vec v, int low, int high) {
  return simd::min_epi32(simd::max_epi32(v, splat(low)), splat(high));
}

// The colour arithmetic works on 16-bit words: red and blue of a pixel
// share its lane (red in the high word), green has the low word alone, so
// two channels take every step together.
LANE_CODE inline Vec words(int v) { return simd::set1_epi16(short(v)); }

// round(x / 255) in each word, for 0 <= x <= 255 * 255, as div255.
LANE_CODE inline Vec divide255(Vec x) {
  x = simd::add_epi16(x, words(128));
  return simd::srli_epi16(simd::add_epi16(x, simd::srli_epi16(x, 8)), 8);
}

// floor(m / 255) in each word: (m * 0x8081) >> 23.
LANE_CODE inline Vec floor255(Vec m) {
  return simd::srli_epi16(simd::mulhi_epu16(m, words(0x8081)), 7);
}

// a * b in each word, for words whose products stay below 65536.
LANE_CODE inline Vec multiplySmall(Vec a, Vec b) { return simd::mullo_epi16(a, b); }

// Each lane's `high` in its high word and `low` in its low one (both below
// 65536): red and blue in one lane.
LANE_CODE inline Vec pairWords(Vec high, Vec low) {
  return simd::or_si256(simd::slli_epi32(high, 16), low);
}

// Lanes 0-3 from a, lanes 4-7 from b.
LANE_CODE inline Vec halves(int a, int b) {
  return simd::set_m128i(_mm_set1_epi32(b), _mm_set1_epi32(a));
}

template <int kDepth>
LANE_CODE inline Vec depthPasses8(Vec z, Vec stored) {
  const Vec all = splat(-1);
  if constexpr (kDepth == GR_CMP_NEVER) return simd::setzero_si256();
  if constexpr (kDepth == GR_CMP_LESS) return simd::cmpgt_epi32(stored, z);
  if constexpr (kDepth == GR_CMP_EQUAL) return simd::cmpeq_epi32(z, stored);
  if constexpr (kDepth == GR_CMP_LEQUAL)
    return simd::andnot_si256(simd::cmpgt_epi32(z, stored), all);
  if constexpr (kDepth == GR_CMP_GREATER) return simd::cmpgt_epi32(z, stored);
  if constexpr (kDepth == GR_CMP_NOTEQUAL)
    return simd::andnot_si256(simd::cmpeq_epi32(z, stored), all);
  if constexpr (kDepth == GR_CMP_GEQUAL)
    return simd::andnot_si256(simd::cmpgt_epi32(stored, z), all);
  return all;
}

// A fixed-point plane along the span: start + k * step, wrapping as the
// scalar loop's repeated additions do.
LANE_CODE inline Vec planeAt(Vec start, Vec step, Vec k) {
  return simd::add_epi32(start, simd::mullo_epi32(k, step));
}

LANE_CODE inline Vec colorAt(Vec start, Vec step, Vec k) {
  return clampInt(simd::srai_epi32(planeAt(start, step, k), COLOR_FRACTION_BITS), 0, 255);
}

// 8-bit channels of RGB565 pixels, expanded by bit replication, word by word.
LANE_CODE inline Vec expandChannel(Vec v, int bits) {
  return simd::or_si256(simd::slli_epi16(v, 8 - bits), simd::srli_epi16(v, 2 * bits - 8));
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

LANE_CODE inline Vec ditherRow(int row) { return simd::load_si256(DITHER_BIAS.rows[row & 3]); }

// The red, green, blue and alpha planes of a triangle in 64-bit lanes,
// for FixedPlane::at in lanes.
struct ColorPlanes {
  Vec origin, dx, dy, originColumn, originRow;
};

// One field of the four planes.
template <typename Field>
LANE_CODE inline Vec planeFieldLanes(const TriangleSetup& t, Field FixedPlane::*field) {
  return simd::setr_epi64x(t.red.*field, t.green.*field, t.blue.*field, t.alpha.*field);
}

LANE_CODE inline ColorPlanes colorPlanes(const TriangleSetup& t) {
  return {planeFieldLanes(t, &FixedPlane::origin), planeFieldLanes(t, &FixedPlane::dx),
          planeFieldLanes(t, &FixedPlane::dy), planeFieldLanes(t, &FixedPlane::originColumn),
          planeFieldLanes(t, &FixedPlane::originRow)};
}

// a * n in 64-bit lanes, wrapping as the scalar product does, for 0 <= n < 2^32.
LANE_CODE inline Vec multiply64(Vec a, Vec n) {
  Vec high = simd::mul_epu32(simd::srli_epi64(a, 32), n);
  return simd::add_epi64(simd::mul_epu32(a, n), simd::slli_epi64(high, 32));
}

// The last steps of FixedPlane::at in four 64-bit lanes: the sums, shifted
// and clamped, as 32-bit values.
LANE_CODE inline __m128i fixedValues(Vec sum) {
  // Clamping before the shift by EXTRA_BITS gives the clamp after it; the
  // low 32 bits of a logical shift are those of the arithmetic one.
  constexpr std::int64_t LIMIT = std::int64_t(1) << (30 + FixedPlane::EXTRA_BITS);
  const Vec high = simd::set1_epi64x(LIMIT), low = simd::set1_epi64x(-LIMIT);
  sum = simd::blendv_epi8(sum, high, simd::cmpgt_epi64(sum, high));
  sum = simd::blendv_epi8(sum, low, simd::cmpgt_epi64(low, sum));
  return simd::lowWordsOf64(simd::srli_epi64(sum, FixedPlane::EXTRA_BITS));
}

// FixedPlane::at in four 64-bit lanes, from the columns and rows past the origin.
LANE_CODE inline __m128i fixedAt(Vec origin, Vec dx, Vec dy, Vec fromColumn, Vec fromRow) {
  return fixedValues(simd::add_epi64(simd::add_epi64(origin, multiply64(dx, fromColumn)),
                                     multiply64(dy, fromRow)));
}

// FixedPlane::at of the four planes, as 32-bit values in the low half.
LANE_CODE inline __m128i colorStarts(const ColorPlanes& p, int row, int column) {
  return fixedAt(p.origin, p.dx, p.dy, simd::sub_epi64(simd::set1_epi64x(column), p.originColumn),
                 simd::sub_epi64(simd::set1_epi64x(row), p.originRow));
}

// FixedPlane::at of one plane at the first columns of four rows from
// firstRow, whose spans lie right of and below the plane's origin.
LANE_CODE inline __m128i fixedAtRows(const FixedPlane& p, const std::int32_t (&columns)[4],
                                     int firstRow) {
  const Vec fromColumn = simd::sub_epi64(
      simd::cvtepi32_epi64(_mm_load_si128(reinterpret_cast<const __m128i*>(columns))),
      simd::set1_epi64x(p.originColumn));
  const long long below = firstRow - p.originRow;  // rows below the origin
  const Vec fromRow = simd::setr_epi64x(below, below + 1, below + 2, below + 3);
  return fixedAt(simd::set1_epi64x(p.origin), simd::set1_epi64x(p.dx), simd::set1_epi64x(p.dy),
                 fromColumn, fromRow);
}

// What a triangle's spans share, prepared once for all of them: the walk's
// planes (left unset for the Gouraud kinds) and the iterated values' steps
// along a row.
struct WideTriangle {
  WalkPlanes walk;
  ColorPlanes colors;
  Vec redStep, greenStep, blueStep, alphaStep, depthStep;
};

// A row's covered columns [first, last] and the depth at the first.
struct RowSpan {
  int row, first, last;
  std::int32_t depth;
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

  LANE_CODE __attribute__((always_inline)) explicit SpanStart(const RowSpan& span)
      : depth(span.depth), row(span.row), column(span.first) {}

  LANE_CODE __attribute__((always_inline)) void shade(const WideTriangle& wide) {
    colors = colorStarts(wide.colors, row, column);
    if constexpr (textured(kKind)) walk = rowWalk(wide.walk, row, column);
  }
};

// The values of span a in lanes 0-3 and of span b in lanes 4-7, both shaded.
template <SpanKind kKind>
LANE_CODE inline __attribute__((always_inline)) WideSpan wideSpan(const SpanStart<kKind>& a,
                                                                  const SpanStart<kKind>& b) {
  Vec colors = simd::set_m128i(b.colors, a.colors);
  WideSpan span;
  span.red = laneOfHalves<0>(colors);
  span.green = laneOfHalves<1>(colors);
  span.blue = laneOfHalves<2>(colors);
  span.alpha = laneOfHalves<3>(colors);
  if constexpr (textured(kKind)) span.walk = wideWalk(a.walk, b.walk);
  span.ditherBias = simd::permute2x128_si256<0x20>(ditherRow(a.row), ditherRow(b.row));
  return span;
}

// The group's pixels in the buffers: eight in a row, or four in each of two rows.
template <bool kPaired>
struct GroupPixels {
  std::uint16_t* color[2];
  std::uint16_t* depth[2];

  LANE_CODE static __m128i load(std::uint16_t* const at[2]) {
    if constexpr (!kPaired) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at[0]));
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at[0])),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at[1])));
  }
  LANE_CODE static void store(std::uint16_t* const at[2], __m128i pixels) {
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
LANE_CODE inline __attribute__((always_inline)) Vec testDepth(const PipelineState& state,
                                                              const WideTriangle& wide, Vec z,
                                                              const GroupPixels<kPaired>& at, Vec k,
                                                              Vec active) {
  using Pixels = GroupPixels<kPaired>;
  if constexpr (kDepth != DEPTH_OFF) {
    Vec zk =
        clampInt(simd::srai_epi32(planeAt(z, wide.depthStep, k), DEPTH_FRACTION_BITS), 0, 65535);
    __m128i stored16 = Pixels::load(at.depth);
    active = simd::and_si256(active, depthPasses8<kDepth>(zk, simd::cvtepu16_epi32(stored16)));
    if (state.depthMask && !simd::testz_si256(active, active)) {
      Pixels::store(at.depth, simd::select16(stored16, simd::narrow(zk), active));
    }
  }
  return active;
}

// The colours of eight pixels, k columns into their spans; the inactive
// ones are written back unchanged.
template <SpanKind kKind, bool kPaired>
LANE_CODE inline __attribute__((always_inline)) void shadeWithTexel(
    const PipelineState& state, const WideTriangle& wide, const WideSpan& span,
    const GroupPixels<kPaired>& at, Vec k, Vec ditherIndex, Vec active, Vec texel) {
  using Pixels = GroupPixels<kPaired>;
  Vec redBlue, green;
  if constexpr (kKind == SpanKind::KeyedText) {
    redBlue = redAndBlue(texel);
    green = greenOf(texel);
  } else {
    redBlue = pairWords(colorAt(span.red, wide.redStep, k), colorAt(span.blue, wide.blueStep, k));
    green = colorAt(span.green, wide.greenStep, k);
    if constexpr (textured(kKind)) {
      redBlue = divide255(multiplySmall(redAndBlue(texel), redBlue));
      green = divide255(multiplySmall(greenOf(texel), green));
    }
  }
  __m128i old = Pixels::load(at.color);
  if constexpr (blended(kKind)) {
    const bool constantAlpha = state.alphaCombine.local == GR_COMBINE_LOCAL_CONSTANT;
    Vec a = constantAlpha ? splat(state.constantColor.a) : colorAt(span.alpha, wide.alphaStep, k);
    a = pairWords(a, a);
    Vec rest = simd::sub_epi16(words(255), a);
    Vec d = simd::cvtepu16_epi32(old);
    Vec dRedBlue =
        expandChannel(pairWords(simd::srli_epi32(d, 11), simd::and_si256(d, splat(31))), 5);
    Vec dGreen = expandChannel(simd::and_si256(simd::srli_epi32(d, 5), splat(63)), 6);
    redBlue = divide255(simd::add_epi16(multiplySmall(redBlue, a), multiplySmall(dRedBlue, rest)));
    green = divide255(simd::add_epi16(multiplySmall(green, a), multiplySmall(dGreen, rest)));
  }
  Vec bias = simd::permutevar8x32_epi32(span.ditherBias, ditherIndex);
  Vec redBlue5 = floor255(simd::add_epi16(multiplySmall(redBlue, words(31)), bias));
  Vec green6 = floor255(simd::add_epi16(multiplySmall(green, words(63)), bias));
  // red * 2^11 + blue, then green's bits between them.
  Vec packed = simd::or_si256(simd::madd_epi16(redBlue5, splat(2048 << 16 | 1)),
                              simd::slli_epi32(green6, 5));
  Pixels::store(at.color, simd::select16(old, simd::narrow(packed), active));
}

// The texels of the active lanes k columns into their spans; white without a texture.
template <SpanKind kKind>
LANE_CODE inline __attribute__((always_inline)) Vec groupTexels(const PipelineState& state,
                                                                const WideTriangle& wide,
                                                                const WideSpan& span, Vec k,
                                                                Vec active) {
  if constexpr (textured(kKind)) {
    if (state.texture != nullptr) return texelsAt(span.walk, wide.walk, *state.texture, k, active);
  }
  return splat(int(PLACEHOLDER_TEXEL));
}

// The active lanes whose texel's colour is not the chroma key's.
LANE_CODE inline Vec notKeyed(const PipelineState& state, Vec texels, Vec active) {
  const Rgba8 key = state.chromaKeyColor;
  const Vec keyed = simd::cmpeq_epi32(simd::and_si256(texels, splat(0xffffff)),
                                      splat(key.r << 16 | key.g << 8 | key.b));
  return simd::andnot_si256(keyed, active);
}

LANE_CODE inline Vec laneNumbers() { return simd::setr_epi32(0, 1, 2, 3, 4, 5, 6, 7); }

// A group of eight of a span's pixels from column g, inside its buffer row.
struct SpanGroup {
  GroupPixels<false> at;
  Vec k, ditherIndex, active;
};

// A span's buffer rows, and its first and past-last columns in lanes,
// which every group of the span compares with.
struct SpanColumns {
  std::uint16_t *color, *depth;
  int width;
  Vec firstColumn, pastLast;
};

LANE_CODE inline __attribute__((always_inline)) SpanColumns spanColumns(std::uint16_t* color,
                                                                        std::uint16_t* depth,
                                                                        int width, int c0, int c1) {
  return {color, depth, width, splat(c0), splat(c1 + 1)};
}

// The group from column g, whose columns g to g + 7 the caller carries in
// lanes. A group that would cross the row's end moves left to end with it,
// and its lanes left of g are masked.
LANE_CODE inline __attribute__((always_inline)) SpanGroup spanGroup(const SpanColumns& s, int g,
                                                                    Vec columns) {
  Vec active = simd::cmpgt_epi32(s.pastLast, columns);
  int base = g;
  if (g + 8 > s.width) [[unlikely]] {
    base = s.width - 8;
    columns = simd::add_epi32(splat(base), laneNumbers());
    active = simd::and_si256(simd::cmpgt_epi32(columns, splat(g - 1)),
                             simd::cmpgt_epi32(s.pastLast, columns));
  }
  return {{{s.color + base, nullptr}, {s.depth + base, nullptr}},
          simd::sub_epi32(columns, s.firstColumn),
          simd::and_si256(columns, splat(3)),
          active};
}

// The span's start shaded, once.
template <SpanKind kKind>
LANE_CODE inline __attribute__((always_inline)) void shadeStart(const WideTriangle& wide,
                                                                SpanStart<kKind>& start,
                                                                WideSpan& span, bool& shaded) {
  if (shaded) return;
  start.shade(wide);
  span = wideSpan(start, start);
  shaded = true;
}

// The texels of a span's groups from one call of the sampler. A call
// clobbers every vector register, so the loop's values are stored and
// loaded again around each call: around one call for all groups, instead
// of one each.
template <int kCount>
LANE_CODE inline __attribute__((always_inline)) void texelsOfAll(const BoundTexture& texture,
                                                                 const WideTriangle& wide,
                                                                 const WideSpan& span,
                                                                 const SpanGroup (&groups)[kCount],
                                                                 Vec (&texels)[kCount]) {
  SampledGroups<kCount> all;
  for (int i = 0; i < kCount; ++i) {
    const LaneCoordinates c = coordinatesAt(span.walk, wide.walk, groups[i].k);
    all.s[i] = c.s;
    all.t[i] = c.t;
    all.lod[i] = c.lod;
    all.active[i] = groups[i].active;
  }
  sampleGroups(texture, all, texels);
}

// The colours of the groups with a pixel in front.
template <SpanKind kKind, int kCount>
LANE_CODE inline __attribute__((always_inline)) void shadeDrawn(
    const PipelineState& state, const WideTriangle& wide, const WideSpan& span,
    const SpanGroup (&groups)[kCount], const bool (&draw)[kCount], const Vec (&texels)[kCount]) {
  for (int i = 0; i < kCount; ++i) {
    const SpanGroup& g = groups[i];
    if (draw[i])
      shadeWithTexel<kKind>(state, wide, span, g.at, g.k, g.ditherIndex, g.active, texels[i]);
  }
}

// A span's groups taken together: their depth tests, then their texels,
// then their colours, so that the work of one overlaps the other's. The
// span's start is shaded at the first group with a pixel in front; keyed
// text samples first, as its key needs the texels.
template <SpanKind kKind, int kDepth, int kCount>
LANE_CODE inline __attribute__((always_inline)) void shadeGroups(
    const PipelineState& state, const WideTriangle& wide, SpanStart<kKind>& start, WideSpan& span,
    bool& shaded, Vec z, SpanGroup (&groups)[kCount]) {
  Vec texels[kCount];
  if constexpr (kKind == SpanKind::KeyedText) {
    // The key drops a pixel before the depth test sees it.
    shadeStart(wide, start, span, shaded);
    for (int i = 0; i < kCount; ++i) {
      texels[i] = groupTexels<kKind>(state, wide, span, groups[i].k, groups[i].active);
      groups[i].active = notKeyed(state, texels[i], groups[i].active);
    }
  }
  bool draw[kCount], any = false;
  for (SpanGroup& g : groups) g.active = testDepth<kDepth>(state, wide, z, g.at, g.k, g.active);
  for (int i = 0; i < kCount; ++i) {
    draw[i] = !simd::testz_si256(groups[i].active, groups[i].active);
    any = any || draw[i];
  }
  if (!any) return;
  if constexpr (kKind != SpanKind::KeyedText) {
    // Without a key nothing after the depth test drops a pixel, so hidden
    // groups are never sampled.
    shadeStart(wide, start, span, shaded);
    if constexpr (textured(kKind) && kCount >= 2) {
      if (state.texture != nullptr && std::ranges::all_of(draw, std::identity{})) {
        texelsOfAll(*state.texture, wide, span, groups, texels);
        shadeDrawn<kKind>(state, wide, span, groups, draw, texels);
        return;
      }
    }
    for (int i = 0; i < kCount; ++i) {
      texels[i] = splat(int(PLACEHOLDER_TEXEL));
      // The texture asked first, as groupTexels asks again: with draw[i]
      // first GCC builds workload a's loop with 8 percent more instructions.
      if (state.texture != nullptr && draw[i]) {
        texels[i] = groupTexels<kKind>(state, wide, span, groups[i].k, groups[i].active);
      }
    }
  }
  shadeDrawn<kKind>(state, wide, span, groups, draw, texels);
}

// One span, thirty-two pixels at a time where kFour, then sixteen, and the
// last eight alone.
template <SpanKind kKind, int kDepth, bool kFour>
LANE_CODE inline __attribute__((always_inline)) void shadeSpan(const PipelineState& state,
                                                               const SpanTarget& target,
                                                               const WideTriangle& wide,
                                                               RowSpan rowSpan) {
  const int width = target.stride, row = rowSpan.row, c0 = rowSpan.first, c1 = rowSpan.last;
  SpanStart<kKind> start(rowSpan);
  const Vec z = splat(start.depth);
  WideSpan span;
  // Set only once a group has a pixel in front, and read only after; GCC
  // cannot see that through the loop of four groups. Zeros cost little on
  // a span that long.
  if constexpr (kFour) span = WideSpan{};
  bool shaded = false;
  const SpanColumns columns = spanColumns(target.color + row * target.stride,
                                          target.depth + row * target.stride, width, c0, c1);
  // The columns of the group at g, in lanes.
  Vec groupColumns = simd::add_epi32(columns.firstColumn, laneNumbers());
  int g = c0;
  for (; kFour && g + 24 <= c1; g += 32) {
    SpanGroup four[4] = {spanGroup(columns, g, groupColumns),
                         spanGroup(columns, g + 8, simd::add_epi32(groupColumns, splat(8))),
                         spanGroup(columns, g + 16, simd::add_epi32(groupColumns, splat(16))),
                         spanGroup(columns, g + 24, simd::add_epi32(groupColumns, splat(24)))};
    shadeGroups<kKind, kDepth>(state, wide, start, span, shaded, z, four);
    groupColumns = simd::add_epi32(groupColumns, splat(32));
  }
  for (; g + 8 <= c1; g += 16) {
    SpanGroup pair[2] = {spanGroup(columns, g, groupColumns),
                         spanGroup(columns, g + 8, simd::add_epi32(groupColumns, splat(8)))};
    shadeGroups<kKind, kDepth>(state, wide, start, span, shaded, z, pair);
    groupColumns = simd::add_epi32(groupColumns, splat(16));
  }
  if (g <= c1) {
    SpanGroup last[1] = {spanGroup(columns, g, groupColumns)};
    shadeGroups<kKind, kDepth>(state, wide, start, span, shaded, z, last);
  }
}

// A span of LONG_SPAN_PIXELS or more, as a call of its own: inlined, its
// loop of four groups makes the compiler build the shorter spans' loops
// with more instructions. Spans of 32 to 63 pixels drew slower this way
// than in pairs.
constexpr int LONG_SPAN_PIXELS = 64;

template <SpanKind kKind, int kDepth>
LANE_CODE __attribute__((noinline)) void shadeLongSpan(const PipelineState& state,
                                                       const SpanTarget& target,
                                                       const WideTriangle& wide, RowSpan rowSpan) {
  shadeSpan<kKind, kDepth, true>(state, target, wide, rowSpan);
}

// The starts of two spans shaded, as one group's values.
template <SpanKind kKind>
LANE_CODE inline __attribute__((always_inline)) WideSpan shadePair(const WideTriangle& wide,
                                                                   SpanStart<kKind>& a,
                                                                   SpanStart<kKind>& b) {
  a.shade(wide);
  b.shade(wide);
  return wideSpan(a, b);
}

// Two spans of at most four pixels, from rows a and b, as one group.
template <SpanKind kKind, int kDepth>
LANE_CODE inline __attribute__((always_inline)) void shadeSpanPair(const PipelineState& state,
                                                                   const SpanTarget& target,
                                                                   const WideTriangle& wide,
                                                                   RowSpan a, RowSpan b) {
  const int last = target.stride - 4;  // each half stays inside its row
  const int baseA = a.first < last ? a.first : last, baseB = b.first < last ? b.first : last;
  const Vec lane = simd::and_si256(laneNumbers(), splat(3));
  const Vec columns = simd::add_epi32(halves(baseA, baseB), lane);
  const Vec first = halves(a.first, b.first);
  Vec active = simd::and_si256(simd::cmpgt_epi32(columns, simd::sub_epi32(first, splat(1))),
                               simd::cmpgt_epi32(halves(a.last + 1, b.last + 1), columns));
  SpanStart<kKind> startA(a), startB(b);
  const std::size_t atA = std::size_t(a.row) * std::size_t(target.stride) + std::size_t(baseA);
  const std::size_t atB = std::size_t(b.row) * std::size_t(target.stride) + std::size_t(baseB);
  GroupPixels<true> at{{target.color + atA, target.color + atB},
                       {target.depth + atA, target.depth + atB}};
  const Vec k = simd::sub_epi32(columns, first);
  WideSpan span;
  Vec texel;
  if constexpr (kKind == SpanKind::KeyedText) {
    // The key drops a pixel before the depth test sees it.
    span = shadePair(wide, startA, startB);
    texel = groupTexels<kKind>(state, wide, span, k, active);
    active = notKeyed(state, texel, active);
  }
  active = testDepth<kDepth>(state, wide, halves(startA.depth, startB.depth), at, k, active);
  if (simd::testz_si256(active, active)) return;
  if constexpr (kKind != SpanKind::KeyedText) {
    span = shadePair(wide, startA, startB);
    texel = groupTexels<kKind>(state, wide, span, k, active);
  }
  Vec ditherIndex = simd::or_si256(simd::and_si256(columns, splat(3)),
                                   simd::andnot_si256(splat(3), laneNumbers()));
  shadeWithTexel<kKind>(state, wide, span, at, k, ditherIndex, active, texel);
}

// Rows of a triangle. Spans of four pixels or fewer, most of a small
// triangle's, are shaded two at a time; long ones by shadeLongSpan.
template <SpanKind kKind, int kDepth>
LANE_CODE void drawRowsWide(const PipelineState& state, const TriangleSetup& triangle,
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
  RowSpan waiting{};  // a short span without a partner yet
  bool isWaiting = false;
  for (int first = rowBegin; first < rowEnd; first += 4) {
    const FourRows rows = spans.next();
    const int inside = rowEnd - first >= 4 ? 15 : (1 << (rowEnd - first)) - 1;
    const int withPixels = rows.withPixels & inside;
    if (withPixels == 0) continue;
    // The four rows' start depths together; a row without a span has a
    // value that is never read.
    alignas(16) std::int32_t depths[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(depths),
                    fixedAtRows(triangle.depth, rows.first, first));
    for (int left = withPixels; left != 0; left &= left - 1) {
      const int k = std::countr_zero(unsigned(left));
      const RowSpan span{first + k, rows.first[k], rows.last[k], depths[k]};
      if (span.last - span.first >= 4) {
        if (span.last - span.first >= LONG_SPAN_PIXELS - 1) {
          shadeLongSpan<kKind, kDepth>(state, target, wide, span);
        } else {
          shadeSpan<kKind, kDepth, false>(state, target, wide, span);
        }
      } else if (!isWaiting) {
        waiting = span;
        isWaiting = true;
      } else {
        shadeSpanPair<kKind, kDepth>(state, target, wide, waiting, span);
        isWaiting = false;
      }
    }
  }
  if (isWaiting) shadeSpan<kKind, kDepth, false>(state, target, wide, waiting);
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

// The loops by kind and depth slot.
constexpr std::array<std::array<RowsFunction, DEPTH_OFF + 1>, int(SpanKind::Count)> WIDE_ROWS = {
    variantsOf<SpanKind::OpaqueGouraud>(), variantsOf<SpanKind::OpaqueTextured>(),
    variantsOf<SpanKind::BlendedGouraud>(), variantsOf<SpanKind::BlendedTextured>(),
    variantsOf<SpanKind::KeyedText>()};

// The loop for a kind and depth slot; null when the kind has none.
RowsFunction wideRowsOf(SpanKind kind, int depthSlot) {
  bool listed = int(kind) < int(WIDE_ROWS.size()) && depthSlot >= 0 && depthSlot <= DEPTH_OFF;
  return listed ? WIDE_ROWS[int(kind)][depthSlot] : nullptr;
}

}  // namespace

#endif
