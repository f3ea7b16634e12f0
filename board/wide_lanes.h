#pragma once
// The lanes of the wide span loops: eight 32-bit integers or floats in an
// AVX2 register. This header and the other wide_*.h belong to
// span_wide.cpp alone; their functions sit in its unnamed namespace, so
// that they compile exactly as the code of that one file.

#include "board/wide_code.h"

#if defined(WILDSKY_WIDE_CODE)

namespace {

using Vec = __m256i;
using VecF = __m256;

WIDE inline Vec splat(int v) { return _mm256_set1_epi32(v); }
WIDE inline VecF splatF(float v) { return _mm256_set1_ps(v); }

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

}  // namespace

#endif
