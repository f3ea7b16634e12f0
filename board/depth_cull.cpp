#include "board/depth_cull.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "board/pixel_pipeline.h"
#include "board/span_wide.h"
#include "board/wide_code.h"

namespace {

// The lowest and highest depth any pixel of the box can be given.
struct DepthRange {
  int low, high;
};

// The lowest and highest depth any pixel of the triangle can be given. The
// plane is affine, so over the pixel box it is lowest and highest at
// corners; its origin is the box's first corner. The span loops start each
// span at the plane's value, rounded down, and add the rounded step, which
// differs from the plane's own gradient by at most half a unit and 1/512:
// a pixel lies within `columns + 3` units of the plane. False when a value
// or the step could be clamped, where the loops' numbers leave the plane.
bool depthRange(const TriangleSetup& triangle, DepthRange& out) {
  const FixedPlane& plane = triangle.depth;
  constexpr std::int64_t SAFE = std::int64_t(1) << 29;
  if (plane.step <= -SAFE || plane.step >= SAFE) return false;
  const std::int64_t columns = triangle.columnEnd - triangle.columnBegin;
  const std::int64_t alongRow = plane.dx * (columns - 1);
  const std::int64_t alongColumn = plane.dy * (triangle.rowEnd - 1 - triangle.rowBegin);
  const std::int64_t lowest = (plane.origin + std::min<std::int64_t>(alongRow, 0) +
                               std::min<std::int64_t>(alongColumn, 0)) >>
                              FixedPlane::EXTRA_BITS;
  const std::int64_t highest = (plane.origin + std::max<std::int64_t>(alongRow, 0) +
                                std::max<std::int64_t>(alongColumn, 0)) >>
                               FixedPlane::EXTRA_BITS;
  if (lowest <= -SAFE || highest >= SAFE) return false;
  out.low = iteratedDepth(std::int32_t(lowest - (columns + 3)));
  out.high = iteratedDepth(std::int32_t(highest + (columns + 3)));
  return true;
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
                   const SpanTarget& target, int rowBegin, int rowEnd) {
  if (state.depthMode == GR_DEPTHBUFFER_DISABLE) return false;
  if (!cullingOn.load(std::memory_order_relaxed)) return false;
  const GrCmpFnc_t test = state.depthFunction;
  if (test == GR_CMP_NEVER) return true;
  if (test != GR_CMP_LESS && test != GR_CMP_LEQUAL && test != GR_CMP_GREATER &&
      test != GR_CMP_GEQUAL) {
    return false;
  }
  DepthRange z;
  if (!depthRange(triangle, z)) return false;
  const StoredBox box{target.depth,       target.stride, triangle.columnBegin,
                      triangle.columnEnd, rowBegin,      rowEnd};
  // Some pixel may pass only where a stored depth lies beyond the nearest z.
  switch (test) {
    case GR_CMP_LESS:  // z < stored
      return !anyBeyond(box, z.low, false);
    case GR_CMP_LEQUAL:  // z <= stored
      return z.low > 0 && !anyBeyond(box, z.low - 1, false);
    case GR_CMP_GREATER:  // z > stored
      return !anyBeyond(box, z.high, true);
    default:  // GR_CMP_GEQUAL: z >= stored
      return z.high < 65535 && !anyBeyond(box, z.high + 1, true);
  }
}
