#pragma once
// The lanes of the wide span loops on AVX2: eight 32-bit integers (Vec) or
// floats (VecF), or four doubles (VecD), in a register. The loops
// (wide_span_loops.h and its wide_*.h) name each operation after the AVX2
// instruction that does it, without the _mm256_ prefix, in namespace simd;
// here each is that instruction. lanes_sse2.h gives the same operations on
// two SSE2 halves, with the same results bit for bit. A file includes one
// lane set, then the loops; all of it sits in the file's unnamed namespace.

#include "board/wide_code.h"

#if defined(WILDSKY_WIDE_CODE)

#define WILDSKY_LANES 1
// The loops' own functions, compiled for the lane set's instructions.
#define LANE_CODE __attribute__((target("avx2")))
#define LANE_OP __attribute__((target("avx2"), always_inline))

namespace {

using Vec = __m256i;
using VecF = __m256;
using VecD = __m256d;

namespace simd {

// Integers.
LANE_OP inline Vec setzero_si256() { return _mm256_setzero_si256(); }
LANE_OP inline Vec set1_epi32(int v) { return _mm256_set1_epi32(v); }
LANE_OP inline Vec set1_epi16(short v) { return _mm256_set1_epi16(v); }
LANE_OP inline Vec set1_epi64x(long long v) { return _mm256_set1_epi64x(v); }
LANE_OP inline Vec setr_epi32(int a, int b, int c, int d, int e, int f, int g, int h) {
  return _mm256_setr_epi32(a, b, c, d, e, f, g, h);
}
LANE_OP inline Vec setr_epi64x(long long a, long long b, long long c, long long d) {
  return _mm256_setr_epi64x(a, b, c, d);
}
LANE_OP inline Vec set_m128i(__m128i high, __m128i low) { return _mm256_set_m128i(high, low); }
LANE_OP inline Vec load_si256(const void* at) {
  return _mm256_load_si256(static_cast<const Vec*>(at));
}
LANE_OP inline Vec loadu_si256(const void* at) {
  return _mm256_loadu_si256(static_cast<const Vec*>(at));
}
LANE_OP inline void store_si256(void* at, Vec v) { _mm256_store_si256(static_cast<Vec*>(at), v); }
LANE_OP inline Vec cvtepu16_epi32(__m128i v) { return _mm256_cvtepu16_epi32(v); }
LANE_OP inline Vec cvtepi32_epi64(__m128i v) { return _mm256_cvtepi32_epi64(v); }
LANE_OP inline int cvtsi256_si32(Vec v) { return _mm256_cvtsi256_si32(v); }

LANE_OP inline Vec and_si256(Vec a, Vec b) { return _mm256_and_si256(a, b); }
LANE_OP inline Vec or_si256(Vec a, Vec b) { return _mm256_or_si256(a, b); }
LANE_OP inline Vec andnot_si256(Vec a, Vec b) { return _mm256_andnot_si256(a, b); }
LANE_OP inline Vec add_epi16(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
LANE_OP inline Vec sub_epi16(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
LANE_OP inline Vec add_epi32(Vec a, Vec b) { return _mm256_add_epi32(a, b); }
LANE_OP inline Vec sub_epi32(Vec a, Vec b) { return _mm256_sub_epi32(a, b); }
LANE_OP inline Vec add_epi64(Vec a, Vec b) { return _mm256_add_epi64(a, b); }
LANE_OP inline Vec sub_epi64(Vec a, Vec b) { return _mm256_sub_epi64(a, b); }
LANE_OP inline Vec cmpeq_epi32(Vec a, Vec b) { return _mm256_cmpeq_epi32(a, b); }
LANE_OP inline Vec cmpgt_epi32(Vec a, Vec b) { return _mm256_cmpgt_epi32(a, b); }
LANE_OP inline Vec cmpgt_epi64(Vec a, Vec b) { return _mm256_cmpgt_epi64(a, b); }
LANE_OP inline Vec min_epi32(Vec a, Vec b) { return _mm256_min_epi32(a, b); }
LANE_OP inline Vec max_epi32(Vec a, Vec b) { return _mm256_max_epi32(a, b); }
LANE_OP inline Vec mullo_epi16(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }
LANE_OP inline Vec mulhi_epu16(Vec a, Vec b) { return _mm256_mulhi_epu16(a, b); }
LANE_OP inline Vec madd_epi16(Vec a, Vec b) { return _mm256_madd_epi16(a, b); }
LANE_OP inline Vec mullo_epi32(Vec a, Vec b) { return _mm256_mullo_epi32(a, b); }
LANE_OP inline Vec mul_epu32(Vec a, Vec b) { return _mm256_mul_epu32(a, b); }
LANE_OP inline Vec slli_epi16(Vec v, int n) { return _mm256_slli_epi16(v, n); }
LANE_OP inline Vec srli_epi16(Vec v, int n) { return _mm256_srli_epi16(v, n); }
LANE_OP inline Vec slli_epi32(Vec v, int n) { return _mm256_slli_epi32(v, n); }
LANE_OP inline Vec srli_epi32(Vec v, int n) { return _mm256_srli_epi32(v, n); }
LANE_OP inline Vec srai_epi32(Vec v, int n) { return _mm256_srai_epi32(v, n); }
LANE_OP inline Vec slli_epi64(Vec v, int n) { return _mm256_slli_epi64(v, n); }
LANE_OP inline Vec srli_epi64(Vec v, int n) { return _mm256_srli_epi64(v, n); }
LANE_OP inline Vec sllv_epi32(Vec v, Vec n) { return _mm256_sllv_epi32(v, n); }
LANE_OP inline Vec srav_epi32(Vec v, Vec n) { return _mm256_srav_epi32(v, n); }
LANE_OP inline Vec blendv_epi8(Vec a, Vec b, Vec mask) { return _mm256_blendv_epi8(a, b, mask); }
LANE_OP inline Vec permutevar8x32_epi32(Vec v, Vec index) {
  return _mm256_permutevar8x32_epi32(v, index);
}
template <int kSelect>
LANE_OP inline Vec permute2x128_si256(Vec a, Vec b) {
  return _mm256_permute2x128_si256(a, b, kSelect);
}
template <int kOrder>
LANE_OP inline Vec shuffle_epi32(Vec v) {
  return _mm256_shuffle_epi32(v, kOrder);
}
LANE_OP inline int movemask_epi8(Vec v) { return _mm256_movemask_epi8(v); }
LANE_OP inline int testz_si256(Vec a, Vec b) { return _mm256_testz_si256(a, b); }
// Texels at base[index] in the lanes the mask's top bits select; the others
// keep their value in `from` and read nothing.
LANE_OP inline Vec mask_i32gather_epi32(Vec from, const int* base, Vec index, Vec mask) {
  return _mm256_mask_i32gather_epi32(from, base, index, mask, 4);
}

// Floats.
LANE_OP inline VecF setzero_ps() { return _mm256_setzero_ps(); }
LANE_OP inline VecF set1_ps(float v) { return _mm256_set1_ps(v); }
LANE_OP inline VecF set_m128(__m128 high, __m128 low) { return _mm256_set_m128(high, low); }
LANE_OP inline VecF load_ps(const float* at) { return _mm256_load_ps(at); }
LANE_OP inline VecF add_ps(VecF a, VecF b) { return _mm256_add_ps(a, b); }
LANE_OP inline VecF mul_ps(VecF a, VecF b) { return _mm256_mul_ps(a, b); }
LANE_OP inline VecF div_ps(VecF a, VecF b) { return _mm256_div_ps(a, b); }
LANE_OP inline VecF min_ps(VecF a, VecF b) { return _mm256_min_ps(a, b); }
LANE_OP inline VecF max_ps(VecF a, VecF b) { return _mm256_max_ps(a, b); }
template <int kPredicate>
LANE_OP inline VecF cmp_ps(VecF a, VecF b) {
  return _mm256_cmp_ps(a, b, kPredicate);
}
LANE_OP inline VecF cvtepi32_ps(Vec v) { return _mm256_cvtepi32_ps(v); }
LANE_OP inline Vec cvttps_epi32(VecF v) { return _mm256_cvttps_epi32(v); }
LANE_OP inline Vec castps_si256(VecF v) { return _mm256_castps_si256(v); }
LANE_OP inline VecF castsi256_ps(Vec v) { return _mm256_castsi256_ps(v); }

// Doubles.
LANE_OP inline VecD setzero_pd() { return _mm256_setzero_pd(); }
LANE_OP inline VecD set1_pd(double v) { return _mm256_set1_pd(v); }
LANE_OP inline VecD setr_pd(double a, double b, double c, double d) {
  return _mm256_setr_pd(a, b, c, d);
}
LANE_OP inline void store_pd(double* at, VecD v) { _mm256_store_pd(at, v); }
LANE_OP inline VecD add_pd(VecD a, VecD b) { return _mm256_add_pd(a, b); }
LANE_OP inline VecD sub_pd(VecD a, VecD b) { return _mm256_sub_pd(a, b); }
LANE_OP inline VecD mul_pd(VecD a, VecD b) { return _mm256_mul_pd(a, b); }
LANE_OP inline VecD div_pd(VecD a, VecD b) { return _mm256_div_pd(a, b); }
LANE_OP inline VecD min_pd(VecD a, VecD b) { return _mm256_min_pd(a, b); }
LANE_OP inline VecD max_pd(VecD a, VecD b) { return _mm256_max_pd(a, b); }
LANE_OP inline VecD and_pd(VecD a, VecD b) { return _mm256_and_pd(a, b); }
LANE_OP inline VecD or_pd(VecD a, VecD b) { return _mm256_or_pd(a, b); }
template <int kPredicate>
LANE_OP inline VecD cmp_pd(VecD a, VecD b) {
  return _mm256_cmp_pd(a, b, kPredicate);
}
LANE_OP inline VecD floor_pd(VecD v) {
  return _mm256_round_pd(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
}
LANE_OP inline int movemask_pd(VecD v) { return _mm256_movemask_pd(v); }
LANE_OP inline __m128 cvtpd_ps(VecD v) { return _mm256_cvtpd_ps(v); }
LANE_OP inline __m128i cvtpd_epi32(VecD v) { return _mm256_cvtpd_epi32(v); }
LANE_OP inline __m128d castpd256_pd128(VecD v) { return _mm256_castpd256_pd128(v); }

// Whether all eight lanes hold the same number.
LANE_OP inline bool uniform(Vec v) {
  const Vec first = _mm256_broadcastd_epi32(_mm256_castsi256_si128(v));
  return _mm256_movemask_epi8(_mm256_cmpeq_epi32(v, first)) == -1;
}

// Whether a lane can take any other lane's value in one instruction.
constexpr bool LANE_PERMUTES = true;

// The even and the odd numbers of sixteen, eight in `low`, eight in `high`.
LANE_OP inline void deinterleave(Vec low, Vec high, Vec& even, Vec& odd) {
  const Vec evenThenOdd = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  const Vec lowSorted = _mm256_permutevar8x32_epi32(low, evenThenOdd);
  const Vec highSorted = _mm256_permutevar8x32_epi32(high, evenThenOdd);
  even = _mm256_permute2x128_si256(lowSorted, highSorted, 0x20);
  odd = _mm256_permute2x128_si256(lowSorted, highSorted, 0x31);
}

// The low 32 bits of the four 64-bit lanes.
LANE_OP inline __m128i lowWordsOf64(Vec v) {
  return _mm256_castsi256_si128(
      _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
}

// Eight 32-bit values below 65536 as eight 16-bit ones, in order.
LANE_OP inline __m128i narrow(Vec v) {
  return _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

// Eight 16-bit values where the 32-bit lane mask is set, else the old ones.
LANE_OP inline __m128i select16(__m128i old, __m128i updated, Vec mask) {
  __m128i mask16 = _mm_packs_epi32(_mm256_castsi256_si128(mask), _mm256_extracti128_si256(mask, 1));
  return _mm_blendv_epi8(old, updated, mask16);
}

}  // namespace simd

}  // namespace

#endif
