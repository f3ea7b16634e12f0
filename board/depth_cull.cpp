#include "board/depth_cull.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "board/pixel_pipeline.h"
#include "board/span_wide.h"
#include "board/wide_code.h"

namespace {

// The lowest and highest depth any pixel of a triangle can be given.
struct DepthRange {
  int low, high;
  double corners[3];  // the corners' depths as the plane takes them (cornerDepth)
};

// The lowest and highest depth any pixel of the triangle can be given, if
// its plane is shallow enough (shallowEnough). Covered pixel centres lie
// inside the snapped corners' triangle, where its depth plane lies between
// the corners' depths. The span loops start each span at the plane's value,
// rounded down, and add the rounded step, which differs from the plane's
// own gradient by at most half a unit and a rounding error far below it: a
// pixel lies within `columns + 3` units of the plane. False when a corner's
// depth is NaN.
bool depthRange(const SnappedCorners& corners, int columns, DepthRange& out) {
  const SnappedVertex* v = corners.v;
#if defined(__SSE2__)
  __m128 z = _mm_setr_ps(v[0].source->ooz, v[1].source->ooz, v[2].source->ooz, v[2].source->ooz);
  if (_mm_movemask_ps(_mm_cmpunord_ps(z, z)) != 0) return false;
  // cornerDepth, which floats hold exactly.
  z = _mm_min_ps(_mm_max_ps(z, _mm_set1_ps(float(CORNER_DEPTH_MIN))),
                 _mm_set1_ps(float(CORNER_DEPTH_MAX)));
  __m128 low = _mm_min_ps(z, _mm_shuffle_ps(z, z, _MM_SHUFFLE(2, 3, 0, 1)));
  __m128 high = _mm_max_ps(z, _mm_shuffle_ps(z, z, _MM_SHUFFLE(2, 3, 0, 1)));
  low = _mm_min_ps(low, _mm_movehl_ps(low, low));
  high = _mm_max_ps(high, _mm_movehl_ps(high, high));
  _mm_storeu_pd(out.corners, _mm_cvtps_pd(z));
  _mm_store_sd(out.corners + 2, _mm_cvtps_pd(_mm_movehl_ps(z, z)));
  // Truncated, less or plus one: below the floor, above the ceiling.
  const __m128 scale = _mm_set1_ps(1 << DEPTH_FRACTION_BITS);
  const std::int32_t lowest = _mm_cvttss_si32(_mm_mul_ss(low, scale)) - 1;
  const std::int32_t highest = _mm_cvttss_si32(_mm_mul_ss(high, scale)) + 1;
#else
  const float z0 = v[0].source->ooz, z1 = v[1].source->ooz, z2 = v[2].source->ooz;
  if (z0 != z0 || z1 != z1 || z2 != z2) return false;
  for (int k = 0; k < 3; ++k) out.corners[k] = cornerDepth(*v[k].source);
  const auto [lowestCorner, highestCorner] =
      std::minmax({out.corners[0], out.corners[1], out.corners[2]});
  // Truncated, less or plus one: below the floor, above the ceiling.
  constexpr double SCALE = 1 << DEPTH_FRACTION_BITS;
  const std::int32_t lowest = std::int32_t(lowestCorner * SCALE) - 1;
  const std::int32_t highest = std::int32_t(highestCorner * SCALE) + 1;
#endif
  out.low = iteratedDepth(lowest - (columns + 3));
  out.high = iteratedDepth(highest + (columns + 3));
  return true;
}

// Whether the plane is shallow enough for depthRange: so steep a plane
// that the loops' numbers could be clamped, and leave it, is rare, so this
// is asked only of a triangle its range would drop. The plane's gradient is
// 16 n / twiceArea a pixel, with n = (nx, ny) below; a step below 2^26 units
// of 1/4096 needs |n| below 2^10 twiceArea. The products, in doubles, err
// by far less than the room left.
bool shallowEnough(const SnappedCorners& corners, const DepthRange& range) {
  const SnappedVertex* v = corners.v;
  const double* z = range.corners;
  const double d1 = z[1] - z[0], d2 = z[2] - z[0];
  const double nx = d1 * double(v[2].y - v[0].y) - d2 * double(v[1].y - v[0].y);
  const double ny = d2 * double(v[1].x - v[0].x) - d1 * double(v[2].x - v[0].x);
  const double limit = 1024.0 * double(corners.twiceArea);
  return std::fabs(nx) < limit && std::fabs(ny) < limit;
}

// The stored depths under a triangle's pixel box, in some of its rows.
struct StoredBox {
  const std::uint16_t* depth;
  int stride, columnBegin, columnEnd, rowBegin, rowEnd;
};

#if defined(WILDSKY_WIDE_CODE)

// Non-zero in the lanes whose stored depth lies beyond the limit (above
// it, or below it with `below`): saturating differences.
WIDE inline __m256i beyondLimit(const std::uint16_t* at, __m256i limit, bool below) {
  const __m256i stored = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  return below ? _mm256_subs_epu16(limit, stored) : _mm256_subs_epu16(stored, limit);
}

// anyBeyond sixteen stored depths at a time, reading the box's columns and
// no others: a box narrower than sixteen masks the lanes beside it, a
// wider one reads its last sixteen columns as its last group.
WIDE bool anyBeyondWide(const StoredBox& box, int threshold, bool below) {
  const __m256i limit = _mm256_set1_epi16(std::int16_t(threshold));
  const std::size_t stride = std::size_t(box.stride);
  const std::uint16_t* line = box.depth + std::size_t(box.rowBegin) * stride;
  if (box.columnEnd - box.columnBegin < 16) {
    const int base = std::min(box.columnBegin, box.stride - 16);
    const __m256i column = _mm256_add_epi16(
        _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
        _mm256_set1_epi16(std::int16_t(base)));
    const __m256i inBox = _mm256_and_si256(
        _mm256_cmpgt_epi16(column, _mm256_set1_epi16(std::int16_t(box.columnBegin - 1))),
        _mm256_cmpgt_epi16(_mm256_set1_epi16(std::int16_t(box.columnEnd)), column));
    for (int row = box.rowBegin; row < box.rowEnd; ++row, line += stride) {
      if (!_mm256_testz_si256(beyondLimit(line + base, limit, below), inBox)) return true;
    }
    return false;
  }
  const int lastGroup = box.columnEnd - 16;
  for (int row = box.rowBegin; row < box.rowEnd; ++row, line += stride) {
    __m256i beyond = beyondLimit(line + lastGroup, limit, below);
    for (int c = box.columnBegin; c < lastGroup; c += 16) {
      beyond = _mm256_or_si256(beyond, beyondLimit(line + c, limit, below));
    }
    if (!_mm256_testz_si256(beyond, beyond)) return true;
  }
  return false;
}

#endif

// Whether some stored depth in the box lies above `threshold` (or below it,
// with `below`). Without AVX2, groups of eight that reach past the box read
// neighbours in the row, which only makes the answer more often yes.
bool anyBeyond(const StoredBox& box, int threshold, bool below) {
#if defined(WILDSKY_WIDE_CODE)
  if (box.stride >= 16 && wideSpansEnabled()) return anyBeyondWide(box, threshold, below);
#endif
#if defined(__SSE2__)
  if (box.stride >= 8) {
    const __m128i limit = _mm_set1_epi16(std::int16_t(threshold));
    const int lastGroup = box.stride - 8;
    for (int row = box.rowBegin; row < box.rowEnd; ++row) {
      const std::uint16_t* line = box.depth + std::size_t(row) * std::size_t(box.stride);
      __m128i beyond = _mm_setzero_si128();
      for (int c = box.columnBegin; c < box.columnEnd; c += 8) {
        __m128i stored =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + std::min(c, lastGroup)));
        // Saturating differences are non-zero exactly where a value lies beyond.
        beyond = _mm_or_si128(
            beyond, below ? _mm_subs_epu16(limit, stored) : _mm_subs_epu16(stored, limit));
      }
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(beyond, _mm_setzero_si128())) != 0xffff) return true;
    }
    return false;
  }
#endif
  for (int row = box.rowBegin; row < box.rowEnd; ++row) {
    const std::uint16_t* line = box.depth + std::size_t(row) * std::size_t(box.stride);
    for (int c = box.columnBegin; c < box.columnEnd; ++c) {
      if (below ? line[c] < threshold : line[c] > threshold) return true;
    }
  }
  return false;
}

std::atomic<bool> cullingOn{true};

}  // namespace

void useDepthCull(bool enabled) { cullingOn.store(enabled, std::memory_order_relaxed); }

bool hiddenByDepth(const PipelineState& state, const TriangleSetup& triangle,
                   const SnappedCorners& corners, const SpanTarget& target, int rowBegin,
                   int rowEnd) {
  if (state.depthMode == GR_DEPTHBUFFER_DISABLE) return false;
  if (!cullingOn.load(std::memory_order_relaxed)) return false;
  const GrCmpFnc_t test = state.depthFunction;
  if (test == GR_CMP_NEVER) return true;
  if (test != GR_CMP_LESS && test != GR_CMP_LEQUAL && test != GR_CMP_GREATER &&
      test != GR_CMP_GEQUAL) {
    return false;
  }
  DepthRange z;
  if (!depthRange(corners, triangle.columnEnd - triangle.columnBegin, z)) return false;
  const StoredBox box{target.depth,       target.stride, triangle.columnBegin,
                      triangle.columnEnd, rowBegin,      rowEnd};
  // Some pixel may pass only where a stored depth lies beyond the nearest z.
  bool behind;
  switch (test) {
    case GR_CMP_LESS:  // z < stored
      behind = !anyBeyond(box, z.low, false);
      break;
    case GR_CMP_LEQUAL:  // z <= stored
      behind = z.low > 0 && !anyBeyond(box, z.low - 1, false);
      break;
    case GR_CMP_GREATER:  // z > stored
      behind = !anyBeyond(box, z.high, true);
      break;
    default:  // GR_CMP_GEQUAL: z >= stored
      behind = z.high < 65535 && !anyBeyond(box, z.high + 1, true);
      break;
  }
  return behind && shallowEnough(corners, z);
}
