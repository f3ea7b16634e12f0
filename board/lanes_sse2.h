#pragma once
// The lanes of the wide span loops on SSE2, for processors without AVX2:
// every operation of lanes_avx2.h, under the same name, done on two halves
// of four lanes (lanes 0-3 in `low`, 4-7 in `high`; for doubles, 0-1 and
// 2-3), with the AVX2 instruction's result bit for bit. Where SSE2 has no
// instruction for an operation, it is built from others, or done lane by
// lane (the variable permute, the gathers), with a shortcut where every
// lane asks for the same.
//
// A file that defines WILDSKY_SSE42_LANES first gets the same lanes for
// processors with SSE4.2: its loops are compiled for SSE4.2, and the
// operations SSE4.1 and SSE4.2 have an instruction for (minimum, maximum,
// 32-bit product, 64-bit compare, byte blend, test, floor, unsigned pack,
// widening) take it; the variable permute takes SSSE3's byte shuffles
// instead of going lane by lane. The rest of the program stays on SSE2.

#if defined(__SSE2__)

#include <immintrin.h>  // SSE2's instructions, and the AVX predicates' names

#include <cstdint>
#include <type_traits>

#define WILDSKY_LANES 1
#if defined(WILDSKY_SSE42_LANES)
#define LANE_CODE __attribute__((target("sse4.2")))
#define LANE_OP __attribute__((target("sse4.2"), always_inline))
#else
#define LANE_CODE
#define LANE_OP __attribute__((always_inline))
#endif

namespace {

struct Vec {
  __m128i low, high;
};
struct VecF {
  __m128 low, high;
};
struct VecD {
  __m128d low, high;
};

namespace simd {

// An operation of SSE2 on both halves.
template <typename Lanes, typename Operation>
LANE_OP inline Lanes bothHalves(Lanes a, Lanes b, Operation op) {
  return {op(a.low, b.low), op(a.high, b.high)};
}

// The lanes in memory, to be read one by one.
struct IntLanes {
  alignas(16) std::int32_t v[8];
};
LANE_OP inline IntLanes toMemory(Vec v) {
  IntLanes m;
  _mm_store_si128(reinterpret_cast<__m128i*>(m.v), v.low);
  _mm_store_si128(reinterpret_cast<__m128i*>(m.v + 4), v.high);
  return m;
}
// Lanes from eight numbers, put together in registers: a 16-byte load of
// numbers just stored one by one would wait for every store.
template <typename Lane>
LANE_OP inline Vec fromLanes(Lane lane) {
  return {_mm_setr_epi32(lane(0), lane(1), lane(2), lane(3)),
          _mm_setr_epi32(lane(4), lane(5), lane(6), lane(7))};
}
// Whether all eight lanes hold the same number.
LANE_OP inline bool uniform(Vec v) {
  const __m128i first = _mm_shuffle_epi32(v.low, 0);
  const __m128i same = _mm_and_si128(_mm_cmpeq_epi32(v.low, first), _mm_cmpeq_epi32(v.high, first));
  return _mm_movemask_epi8(same) == 0xffff;
}

// Integers.
LANE_OP inline Vec setzero_si256() { return {_mm_setzero_si128(), _mm_setzero_si128()}; }
LANE_OP inline Vec set1_epi32(int v) { return {_mm_set1_epi32(v), _mm_set1_epi32(v)}; }
LANE_OP inline Vec set1_epi16(short v) { return {_mm_set1_epi16(v), _mm_set1_epi16(v)}; }
LANE_OP inline Vec set1_epi64x(long long v) { return {_mm_set1_epi64x(v), _mm_set1_epi64x(v)}; }
LANE_OP inline Vec setr_epi32(int a, int b, int c, int d, int e, int f, int g, int h) {
  return {_mm_setr_epi32(a, b, c, d), _mm_setr_epi32(e, f, g, h)};
}
LANE_OP inline Vec setr_epi64x(long long a, long long b, long long c, long long d) {
  return {_mm_set_epi64x(b, a), _mm_set_epi64x(d, c)};
}
LANE_OP inline Vec set_m128i(__m128i high, __m128i low) { return {low, high}; }
LANE_OP inline Vec load_si256(const void* at) {
  const __m128i* p = static_cast<const __m128i*>(at);
  return {_mm_load_si128(p), _mm_load_si128(p + 1)};
}
LANE_OP inline Vec loadu_si256(const void* at) {
  const __m128i* p = static_cast<const __m128i*>(at);
  return {_mm_loadu_si128(p), _mm_loadu_si128(p + 1)};
}
LANE_OP inline void store_si256(void* at, Vec v) {
  __m128i* p = static_cast<__m128i*>(at);
  _mm_store_si128(p, v.low);
  _mm_store_si128(p + 1, v.high);
}
#if defined(WILDSKY_SSE42_LANES)
LANE_OP inline Vec cvtepu16_epi32(__m128i v) {
  return {_mm_cvtepu16_epi32(v), _mm_unpackhi_epi16(v, _mm_setzero_si128())};
}
LANE_OP inline Vec cvtepi32_epi64(__m128i v) {
  return {_mm_cvtepi32_epi64(v), _mm_cvtepi32_epi64(_mm_unpackhi_epi64(v, v))};
}
#else
LANE_OP inline Vec cvtepu16_epi32(__m128i v) {
  return {_mm_unpacklo_epi16(v, _mm_setzero_si128()), _mm_unpackhi_epi16(v, _mm_setzero_si128())};
}
LANE_OP inline Vec cvtepi32_epi64(__m128i v) {
  const __m128i sign = _mm_srai_epi32(v, 31);
  return {_mm_unpacklo_epi32(v, sign), _mm_unpackhi_epi32(v, sign)};
}
#endif
LANE_OP inline int cvtsi256_si32(Vec v) { return _mm_cvtsi128_si32(v.low); }

LANE_OP inline Vec and_si256(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_and_si128(x, y); });
}
LANE_OP inline Vec or_si256(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_or_si128(x, y); });
}
LANE_OP inline Vec andnot_si256(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_andnot_si128(x, y); });
}
LANE_OP inline Vec add_epi16(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_add_epi16(x, y); });
}
LANE_OP inline Vec sub_epi16(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_sub_epi16(x, y); });
}
LANE_OP inline Vec add_epi32(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_add_epi32(x, y); });
}
LANE_OP inline Vec sub_epi32(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_sub_epi32(x, y); });
}
LANE_OP inline Vec add_epi64(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_add_epi64(x, y); });
}
LANE_OP inline Vec sub_epi64(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_sub_epi64(x, y); });
}
LANE_OP inline Vec cmpeq_epi32(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_cmpeq_epi32(x, y); });
}
LANE_OP inline Vec cmpgt_epi32(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_cmpgt_epi32(x, y); });
}
#if defined(WILDSKY_SSE42_LANES)
LANE_OP inline Vec cmpgt_epi64(Vec a, Vec b) {
  return {_mm_cmpgt_epi64(a.low, b.low), _mm_cmpgt_epi64(a.high, b.high)};
}
#else
// Signed 64-bit x > y: the high words compared signed, and where they are
// equal the low words compared unsigned (signed, with their top bits flipped).
LANE_OP inline Vec cmpgt_epi64(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) {
    const __m128i lowTopBits = _mm_set_epi32(0, INT32_MIN, 0, INT32_MIN);
    x = _mm_xor_si128(x, lowTopBits);
    y = _mm_xor_si128(y, lowTopBits);
    __m128i greater = _mm_cmpgt_epi32(x, y), equal = _mm_cmpeq_epi32(x, y);
    __m128i lowGreater = _mm_shuffle_epi32(greater, _MM_SHUFFLE(2, 2, 0, 0));
    __m128i result = _mm_or_si128(greater, _mm_and_si128(equal, lowGreater));
    return _mm_shuffle_epi32(result, _MM_SHUFFLE(3, 3, 1, 1));
  });
}
#endif
LANE_OP inline __m128i selectBits(__m128i mask, __m128i ifSet, __m128i ifClear) {
  return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}
#if defined(WILDSKY_SSE42_LANES)
LANE_OP inline Vec min_epi32(Vec a, Vec b) {
  return {_mm_min_epi32(a.low, b.low), _mm_min_epi32(a.high, b.high)};
}
LANE_OP inline Vec max_epi32(Vec a, Vec b) {
  return {_mm_max_epi32(a.low, b.low), _mm_max_epi32(a.high, b.high)};
}
#else
LANE_OP inline Vec min_epi32(Vec a, Vec b) {
  return bothHalves(a, b,
                    [](__m128i x, __m128i y) { return selectBits(_mm_cmpgt_epi32(x, y), y, x); });
}
LANE_OP inline Vec max_epi32(Vec a, Vec b) {
  return bothHalves(a, b,
                    [](__m128i x, __m128i y) { return selectBits(_mm_cmpgt_epi32(x, y), x, y); });
}
#endif
LANE_OP inline Vec mullo_epi16(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_mullo_epi16(x, y); });
}
LANE_OP inline Vec mulhi_epu16(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_mulhi_epu16(x, y); });
}
LANE_OP inline Vec madd_epi16(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_madd_epi16(x, y); });
}
#if defined(WILDSKY_SSE42_LANES)
LANE_OP inline Vec mullo_epi32(Vec a, Vec b) {
  return {_mm_mullo_epi32(a.low, b.low), _mm_mullo_epi32(a.high, b.high)};
}
#else
// The low 32 bits of each product, the same signed or unsigned: the even
// lanes' and the odd lanes' 64-bit products, interleaved.
LANE_OP inline Vec mullo_epi32(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) {
    __m128i even = _mm_mul_epu32(x, y);
    __m128i odd = _mm_mul_epu32(_mm_srli_epi64(x, 32), _mm_srli_epi64(y, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
  });
}
#endif
LANE_OP inline Vec mul_epu32(Vec a, Vec b) {
  return bothHalves(a, b, [](__m128i x, __m128i y) { return _mm_mul_epu32(x, y); });
}
LANE_OP inline Vec slli_epi16(Vec v, int n) {
  return {_mm_slli_epi16(v.low, n), _mm_slli_epi16(v.high, n)};
}
LANE_OP inline Vec srli_epi16(Vec v, int n) {
  return {_mm_srli_epi16(v.low, n), _mm_srli_epi16(v.high, n)};
}
LANE_OP inline Vec slli_epi32(Vec v, int n) {
  return {_mm_slli_epi32(v.low, n), _mm_slli_epi32(v.high, n)};
}
LANE_OP inline Vec srli_epi32(Vec v, int n) {
  return {_mm_srli_epi32(v.low, n), _mm_srli_epi32(v.high, n)};
}
LANE_OP inline Vec srai_epi32(Vec v, int n) {
  return {_mm_srai_epi32(v.low, n), _mm_srai_epi32(v.high, n)};
}
LANE_OP inline Vec slli_epi64(Vec v, int n) {
  return {_mm_slli_epi64(v.low, n), _mm_slli_epi64(v.high, n)};
}
LANE_OP inline Vec srli_epi64(Vec v, int n) {
  return {_mm_srli_epi64(v.low, n), _mm_srli_epi64(v.high, n)};
}
// Each lane shifted by its own count. SSE2 shifts all four lanes by one
// count, the low 64 bits of a register, so a lane's count goes there alone;
// counts above 31 give what the variable shifts give (zero, or the sign).
template <typename Shift>
LANE_OP inline __m128i shiftEachLane(__m128i v, __m128i n, Shift shift) {
  auto countOf = [n](auto lane) {
    return _mm_cvtsi32_si128(_mm_cvtsi128_si32(_mm_shuffle_epi32(n, decltype(lane)::value)));
  };
  const __m128i lane0 = _mm_setr_epi32(-1, 0, 0, 0), lane1 = _mm_setr_epi32(0, -1, 0, 0);
  const __m128i lane2 = _mm_setr_epi32(0, 0, -1, 0), lane3 = _mm_setr_epi32(0, 0, 0, -1);
  return _mm_or_si128(
      _mm_or_si128(_mm_and_si128(lane0, shift(v, countOf(std::integral_constant<int, 0>()))),
                   _mm_and_si128(lane1, shift(v, countOf(std::integral_constant<int, 1>())))),
      _mm_or_si128(_mm_and_si128(lane2, shift(v, countOf(std::integral_constant<int, 2>()))),
                   _mm_and_si128(lane3, shift(v, countOf(std::integral_constant<int, 3>())))));
}
template <typename Shift>
LANE_OP inline Vec shiftLanes(Vec v, Vec n, Shift shift) {
  if (uniform(n)) {
    const __m128i count = _mm_cvtsi32_si128(_mm_cvtsi128_si32(n.low));
    return {shift(v.low, count), shift(v.high, count)};
  }
  return {shiftEachLane(v.low, n.low, shift), shiftEachLane(v.high, n.high, shift)};
}
LANE_OP inline Vec sllv_epi32(Vec v, Vec n) {
  return shiftLanes(v, n, [](__m128i x, __m128i count) { return _mm_sll_epi32(x, count); });
}
LANE_OP inline Vec srav_epi32(Vec v, Vec n) {
  return shiftLanes(v, n, [](__m128i x, __m128i count) { return _mm_sra_epi32(x, count); });
}
// Each byte from b where the mask's byte has its top bit set, else from a.
LANE_OP inline __m128i blendBytes(__m128i a, __m128i b, __m128i mask) {
#if defined(WILDSKY_SSE42_LANES)
  return _mm_blendv_epi8(a, b, mask);
#else
  return selectBits(_mm_cmplt_epi8(mask, _mm_setzero_si128()), b, a);
#endif
}
LANE_OP inline Vec blendv_epi8(Vec a, Vec b, Vec mask) {
  return {blendBytes(a.low, b.low, mask.low), blendBytes(a.high, b.high, mask.high)};
}
#if defined(WILDSKY_SSE42_LANES)
// One half of the permute: each lane's byte shuffle of both halves, taken
// from the high one where its index has bit 2 set.
LANE_OP inline __m128i permuteHalf(Vec v, __m128i index) {
  // Four times the lane within a half, in every byte of the lane, then the
  // bytes' own numbers added.
  const __m128i firstByte = _mm_and_si128(_mm_slli_epi32(index, 2), _mm_set1_epi32(12));
  const __m128i bytes =
      _mm_add_epi8(_mm_shuffle_epi8(firstByte, _mm_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8,
                                                              12, 12, 12, 12)),
                   _mm_set1_epi32(0x03020100));
  const __m128 fromHigh = _mm_castsi128_ps(_mm_slli_epi32(index, 29));
  return _mm_castps_si128(_mm_blendv_ps(_mm_castsi128_ps(_mm_shuffle_epi8(v.low, bytes)),
                                        _mm_castsi128_ps(_mm_shuffle_epi8(v.high, bytes)),
                                        fromHigh));
}
#endif
LANE_OP inline Vec permutevar8x32_epi32(Vec v, Vec index) {
  if (uniform(index)) return set1_epi32(toMemory(v).v[_mm_cvtsi128_si32(index.low) & 7]);
#if defined(WILDSKY_SSE42_LANES)
  return {permuteHalf(v, index.low), permuteHalf(v, index.high)};
#else
  const IntLanes values = toMemory(v), at = toMemory(index);
  return fromLanes([&](int k) { return values.v[at.v[k] & 7]; });
#endif
}
// Each half of the result: a's low or high half, b's, or zero, as the
// select's low and high four bits say.
template <int kSelect>
LANE_OP inline __m128i pickHalf(Vec a, Vec b) {
  if constexpr ((kSelect & 8) != 0) return _mm_setzero_si128();
  if constexpr ((kSelect & 3) == 0) return a.low;
  if constexpr ((kSelect & 3) == 1) return a.high;
  if constexpr ((kSelect & 3) == 2) return b.low;
  return b.high;
}
template <int kSelect>
LANE_OP inline Vec permute2x128_si256(Vec a, Vec b) {
  return {pickHalf<kSelect & 15>(a, b), pickHalf<(kSelect >> 4) & 15>(a, b)};
}
template <int kOrder>
LANE_OP inline Vec shuffle_epi32(Vec v) {
  return {_mm_shuffle_epi32(v.low, kOrder), _mm_shuffle_epi32(v.high, kOrder)};
}
LANE_OP inline int movemask_epi8(Vec v) {
  return int(std::uint32_t(_mm_movemask_epi8(v.low)) | std::uint32_t(_mm_movemask_epi8(v.high))
                                                           << 16);
}
LANE_OP inline int testz_si256(Vec a, Vec b) {
#if defined(WILDSKY_SSE42_LANES)
  return _mm_testz_si128(a.low, b.low) & _mm_testz_si128(a.high, b.high);
#else
  __m128i any = _mm_or_si128(_mm_and_si128(a.low, b.low), _mm_and_si128(a.high, b.high));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xffff;
#endif
}
// Texels at base[index] in the lanes the mask's top bits select; the others
// keep their value in `from` and read nothing.
LANE_OP inline Vec mask_i32gather_epi32(Vec from, const int* base, Vec index, Vec mask) {
  const IntLanes kept = toMemory(from), at = toMemory(index), selected = toMemory(mask);
  return fromLanes([&](int k) { return selected.v[k] < 0 ? base[at.v[k]] : kept.v[k]; });
}

// Floats.
LANE_OP inline VecF setzero_ps() { return {_mm_setzero_ps(), _mm_setzero_ps()}; }
LANE_OP inline VecF set1_ps(float v) { return {_mm_set1_ps(v), _mm_set1_ps(v)}; }
LANE_OP inline VecF set_m128(__m128 high, __m128 low) { return {low, high}; }
LANE_OP inline VecF load_ps(const float* at) { return {_mm_load_ps(at), _mm_load_ps(at + 4)}; }
LANE_OP inline VecF add_ps(VecF a, VecF b) {
  return bothHalves(a, b, [](__m128 x, __m128 y) { return _mm_add_ps(x, y); });
}
LANE_OP inline VecF mul_ps(VecF a, VecF b) {
  return bothHalves(a, b, [](__m128 x, __m128 y) { return _mm_mul_ps(x, y); });
}
LANE_OP inline VecF div_ps(VecF a, VecF b) {
  return bothHalves(a, b, [](__m128 x, __m128 y) { return _mm_div_ps(x, y); });
}
LANE_OP inline VecF min_ps(VecF a, VecF b) {
  return bothHalves(a, b, [](__m128 x, __m128 y) { return _mm_min_ps(x, y); });
}
LANE_OP inline VecF max_ps(VecF a, VecF b) {
  return bothHalves(a, b, [](__m128 x, __m128 y) { return _mm_max_ps(x, y); });
}
// The predicates the loops use; each false where either side is NaN.
template <int kPredicate>
LANE_OP inline VecF cmp_ps(VecF a, VecF b) {
  static_assert(kPredicate == _CMP_GE_OQ || kPredicate == _CMP_GT_OQ);
  if constexpr (kPredicate == _CMP_GE_OQ) {
    return bothHalves(a, b, [](__m128 x, __m128 y) { return _mm_cmpge_ps(x, y); });
  }
  return bothHalves(a, b, [](__m128 x, __m128 y) { return _mm_cmpgt_ps(x, y); });
}
LANE_OP inline VecF cvtepi32_ps(Vec v) { return {_mm_cvtepi32_ps(v.low), _mm_cvtepi32_ps(v.high)}; }
LANE_OP inline Vec cvttps_epi32(VecF v) {
  return {_mm_cvttps_epi32(v.low), _mm_cvttps_epi32(v.high)};
}
LANE_OP inline Vec castps_si256(VecF v) {
  return {_mm_castps_si128(v.low), _mm_castps_si128(v.high)};
}
LANE_OP inline VecF castsi256_ps(Vec v) {
  return {_mm_castsi128_ps(v.low), _mm_castsi128_ps(v.high)};
}

// Doubles.
LANE_OP inline VecD setzero_pd() { return {_mm_setzero_pd(), _mm_setzero_pd()}; }
LANE_OP inline VecD set1_pd(double v) { return {_mm_set1_pd(v), _mm_set1_pd(v)}; }
LANE_OP inline VecD setr_pd(double a, double b, double c, double d) {
  return {_mm_setr_pd(a, b), _mm_setr_pd(c, d)};
}
LANE_OP inline void store_pd(double* at, VecD v) {
  _mm_store_pd(at, v.low);
  _mm_store_pd(at + 2, v.high);
}
LANE_OP inline VecD add_pd(VecD a, VecD b) {
  return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_add_pd(x, y); });
}
LANE_OP inline VecD sub_pd(VecD a, VecD b) {
  return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_sub_pd(x, y); });
}
LANE_OP inline VecD mul_pd(VecD a, VecD b) {
  return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_mul_pd(x, y); });
}
LANE_OP inline VecD div_pd(VecD a, VecD b) {
  return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_div_pd(x, y); });
}
LANE_OP inline VecD min_pd(VecD a, VecD b) {
  return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_min_pd(x, y); });
}
LANE_OP inline VecD max_pd(VecD a, VecD b) {
  return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_max_pd(x, y); });
}
LANE_OP inline VecD and_pd(VecD a, VecD b) {
  return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_and_pd(x, y); });
}
LANE_OP inline VecD or_pd(VecD a, VecD b) {
  return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_or_pd(x, y); });
}
// The predicates the loops use; each false where either side is NaN, and
// the one that is true where neither is.
template <int kPredicate>
LANE_OP inline VecD cmp_pd(VecD a, VecD b) {
  static_assert(kPredicate == _CMP_NEQ_OQ || kPredicate == _CMP_LT_OQ ||
                kPredicate == _CMP_GT_OQ || kPredicate == _CMP_ORD_Q);
  if constexpr (kPredicate == _CMP_ORD_Q) {
    return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_cmpord_pd(x, y); });
  } else if constexpr (kPredicate == _CMP_NEQ_OQ) {
    return bothHalves(a, b, [](__m128d x, __m128d y) {
      return _mm_and_pd(_mm_cmpord_pd(x, y), _mm_cmpneq_pd(x, y));
    });
  } else if constexpr (kPredicate == _CMP_LT_OQ) {
    return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_cmplt_pd(x, y); });
  }
  return bothHalves(a, b, [](__m128d x, __m128d y) { return _mm_cmpgt_pd(x, y); });
}
#if defined(WILDSKY_SSE42_LANES)
LANE_OP inline __m128d floorHalf(__m128d x) { return _mm_floor_pd(x); }
#else
// floor: below 2^52 in size, adding and taking away 2^52 (with the value's
// sign) rounds to a whole number, one too large where it rounded up; from
// 2^52 on every double is whole, and NaN stays NaN. The result has the
// value's sign, as floor's has (floor(-0.0) is -0.0).
LANE_OP inline __m128d floorHalf(__m128d x) {
  const __m128d signBit = _mm_set1_pd(-0.0), whole = _mm_set1_pd(4503599627370496.0);
  const __m128d sign = _mm_and_pd(x, signBit);
  const __m128d shift = _mm_or_pd(whole, sign);
  __m128d rounded = _mm_sub_pd(_mm_add_pd(x, shift), shift);
  const __m128d small = _mm_cmplt_pd(_mm_andnot_pd(signBit, x), whole);
  rounded = _mm_or_pd(_mm_and_pd(small, rounded), _mm_andnot_pd(small, x));
  rounded = _mm_sub_pd(rounded, _mm_and_pd(_mm_cmpgt_pd(rounded, x), _mm_set1_pd(1.0)));
  return _mm_or_pd(rounded, sign);
}
#endif
LANE_OP inline VecD floor_pd(VecD v) { return {floorHalf(v.low), floorHalf(v.high)}; }
LANE_OP inline int movemask_pd(VecD v) {
  return _mm_movemask_pd(v.low) | _mm_movemask_pd(v.high) << 2;
}
LANE_OP inline __m128 cvtpd_ps(VecD v) {
  return _mm_movelh_ps(_mm_cvtpd_ps(v.low), _mm_cvtpd_ps(v.high));
}
LANE_OP inline __m128i cvtpd_epi32(VecD v) {
  return _mm_unpacklo_epi64(_mm_cvtpd_epi32(v.low), _mm_cvtpd_epi32(v.high));
}
LANE_OP inline __m128d castpd256_pd128(VecD v) { return v.low; }

// Whether a lane can take any other lane's value in one instruction.
constexpr bool LANE_PERMUTES = false;

// The even and the odd numbers of sixteen, eight in `low`, eight in `high`.
LANE_OP inline __m128i evenOrOdd(__m128i first, __m128i second, bool odd) {
  const __m128 a = _mm_castsi128_ps(first), b = _mm_castsi128_ps(second);
  return _mm_castps_si128(odd ? _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))
                              : _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
}
LANE_OP inline void deinterleave(Vec low, Vec high, Vec& even, Vec& odd) {
  even = {evenOrOdd(low.low, low.high, false), evenOrOdd(high.low, high.high, false)};
  odd = {evenOrOdd(low.low, low.high, true), evenOrOdd(high.low, high.high, true)};
}

// The low 32 bits of the four 64-bit lanes.
LANE_OP inline __m128i lowWordsOf64(Vec v) { return evenOrOdd(v.low, v.high, false); }

#if defined(WILDSKY_SSE42_LANES)
// Eight 32-bit values below 65536 as eight 16-bit ones, in order, each
// clamped to 0..65535 as the unsigned pack saturates.
LANE_OP inline __m128i narrow(Vec v) { return _mm_packus_epi32(v.low, v.high); }
#else
// Eight 32-bit values below 65536 as eight 16-bit ones, in order: each
// clamped to 0..65535 as the unsigned pack saturates, moved into the signed
// range for SSE2's signed pack, and moved back.
LANE_OP inline __m128i narrow(Vec v) {
  v = min_epi32(max_epi32(v, setzero_si256()), set1_epi32(65535));
  const __m128i half = _mm_set1_epi32(32768);
  __m128i packed = _mm_packs_epi32(_mm_sub_epi32(v.low, half), _mm_sub_epi32(v.high, half));
  return _mm_xor_si128(packed, _mm_set1_epi16(std::int16_t(0x8000)));
}
#endif

// Eight 16-bit values where the 32-bit lane mask is set, else the old ones.
LANE_OP inline __m128i select16(__m128i old, __m128i updated, Vec mask) {
  return blendBytes(old, updated, _mm_packs_epi32(mask.low, mask.high));
}

}  // namespace simd

}  // namespace

#endif
