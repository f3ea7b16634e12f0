#pragma once
// The row walker of the wide span loops: the spans of four rows at a
// time. Part of the wide span loops (see lanes_avx2.h).

#include <cstdint>

#include "board/triangle_setup.h"

#if defined(WILDSKY_LANES)

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
  LANE_CODE WideRowWalker(const TriangleSetup& triangle, int firstRow)
      : columnFirst_(simd::set1_pd(triangle.columnBegin)),
        columnLast_(simd::set1_pd(triangle.columnEnd - 1)) {
    const VecD rowOffsets = simd::setr_pd(0, 1, 2, 3);
    for (int i = 0; i < 3; ++i) {
      const EdgeDivision d = edgeDivision(triangle.edges[i], firstRow);
      WalkedEdge& w = edges_[i];
      w.divisor = simd::set1_pd(double(d.divisor));
      w.numerators = simd::add_pd(simd::set1_pd(double(d.numerator)),
                                  simd::mul_pd(rowOffsets, simd::set1_pd(double(d.step))));
      w.step = simd::set1_pd(4.0 * double(d.step));
      w.role = d.role;
    }
  }

  // The spans of the next four rows.
  LANE_CODE FourRows next() {
    const VecD zero = simd::setzero_pd(), one = simd::set1_pd(1.0);
    VecD low = columnFirst_, high = columnLast_, outside = zero;
    for (WalkedEdge& e : edges_) {
      VecD remainder;
      const VecD q = floorQuotient(e.numerators, e.divisor, remainder);
      if (e.role == EdgeRole::lowerBound) {  // rounded up
        VecD inexact = simd::cmp_pd<_CMP_NEQ_OQ>(remainder, zero);
        low = simd::max_pd(low, simd::add_pd(q, simd::and_pd(inexact, one)));
      } else if (e.role == EdgeRole::upperBound) {
        high = simd::min_pd(high, q);
      } else {
        outside = simd::or_pd(outside, simd::cmp_pd<_CMP_LT_OQ>(q, zero));
      }
      e.numerators = simd::add_pd(e.numerators, e.step);
    }
    FourRows rows;
    VecD empty = simd::or_pd(outside, simd::cmp_pd<_CMP_GT_OQ>(low, high));
    rows.withPixels = ~simd::movemask_pd(empty) & 15;
    // Rows without pixels may hold bounds beyond int; they are never read.
    _mm_store_si128(reinterpret_cast<__m128i*>(rows.first),
                    simd::cvtpd_epi32(simd::min_pd(low, columnLast_)));
    _mm_store_si128(reinterpret_cast<__m128i*>(rows.last),
                    simd::cvtpd_epi32(simd::max_pd(high, columnFirst_)));
    return rows;
  }

 private:
  struct WalkedEdge {
    VecD numerators, step, divisor;  // the numerators of four rows
    EdgeRole role;
  };

  // floor(n / d) for the lanes' numerators, d > 0, with its remainder. The
  // rounded quotient lies at most one above the true one, never below: a
  // whole number is a double, and rounding keeps the order.
  LANE_CODE static VecD floorQuotient(VecD n, VecD d, VecD& remainder) {
    VecD q = simd::floor_pd(simd::div_pd(n, d));
    VecD r = simd::sub_pd(n, simd::mul_pd(q, d));
    VecD below = simd::cmp_pd<_CMP_LT_OQ>(r, simd::setzero_pd());
    remainder = simd::add_pd(r, simd::and_pd(below, d));
    return simd::sub_pd(q, simd::and_pd(below, simd::set1_pd(1.0)));
  }

  WalkedEdge edges_[3];
  VecD columnFirst_, columnLast_;
};

}  // namespace

#endif
