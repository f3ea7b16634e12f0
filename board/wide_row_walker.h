#pragma once
// The row walker of the wide span loops: the spans of four rows at a
// time. Part of span_wide.cpp (see wide_lanes.h).

#include <cstdint>

#include "board/triangle_setup.h"
#include "board/wide_code.h"

#if defined(WILDSKY_WIDE_CODE)

namespace {

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

}  // namespace

#endif
