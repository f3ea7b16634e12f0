#pragma once
// Checks of an SSE lane set's operations that SSE2 has no single
// instruction for, against what the AVX2 instruction they stand for does,
// written out lane by lane. A test file includes lanes_sse2.h, then this;
// every check is compiled for the lane set's instructions (LANE_CODE) and
// called from a test.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#if defined(WILDSKY_LANES)

namespace {

using Ints = std::array<std::int32_t, 8>;
using Doubles = std::array<double, 4>;

LANE_CODE Ints ints(Vec v) {
  alignas(32) Ints out;  // the store is an aligned one
  simd::store_si256(out.data(), v);
  return out;
}

LANE_CODE Vec lanesOf(const Ints& v) { return simd::loadu_si256(v.data()); }

std::int64_t int64Lane(const Ints& v, int k) {
  return std::int64_t(std::uint64_t(std::uint32_t(v[2 * k + 1])) << 32 | std::uint32_t(v[2 * k]));
}

// Random lanes, a third of them values at the edges of the ranges.
Ints randomInts(std::mt19937& random) {
  constexpr std::int32_t EDGES[] = {0,     1,         -1,        31,     32,     65535, 65536,
                                    32767, INT32_MAX, INT32_MIN, 0x8000, -32768, 0xffff};
  Ints v;
  for (std::int32_t& lane : v) {
    const std::uint32_t drawn = random();
    lane = drawn % 3 == 0 ? EDGES[(drawn / 3) % std::size(EDGES)] : std::int32_t(random());
  }
  return v;
}

LANE_CODE void checkIntegerOperations() {
  std::mt19937 random(11);
  for (int round = 0; round < 4000; ++round) {
    const Ints a = randomInts(random), mask = randomInts(random);
    // Counts and picks the same in every lane take a shortcut.
    Ints b = randomInts(random);
    if (round % 4 == 1) b.fill(b[0]);
    // 64-bit lanes with equal high words compare by their low words.
    Ints c = b;
    if (round % 2 == 0) {
      c[1] = a[1];
      c[5] = a[5];
    }
    const Ints greater64 = ints(simd::cmpgt_epi64(lanesOf(a), lanesOf(c)));
    for (int k = 0; k < 4; ++k) {
      const std::int32_t expected = int64Lane(a, k) > int64Lane(c, k) ? -1 : 0;
      ASSERT_EQ(greater64[2 * k], expected) << round;
      ASSERT_EQ(greater64[2 * k + 1], expected) << round;
    }
    const Ints low = ints(simd::min_epi32(lanesOf(a), lanesOf(b)));
    const Ints high = ints(simd::max_epi32(lanesOf(a), lanesOf(b)));
    const Ints product = ints(simd::mullo_epi32(lanesOf(a), lanesOf(b)));
    const Ints left = ints(simd::sllv_epi32(lanesOf(a), lanesOf(b)));
    const Ints right = ints(simd::srav_epi32(lanesOf(a), lanesOf(b)));
    const Ints picked = ints(simd::permutevar8x32_epi32(lanesOf(a), lanesOf(b)));
    const Ints blended = ints(simd::blendv_epi8(lanesOf(a), lanesOf(b), lanesOf(mask)));
    for (int k = 0; k < 8; ++k) {
      ASSERT_EQ(low[k], std::min(a[k], b[k]));
      ASSERT_EQ(high[k], std::max(a[k], b[k]));
      ASSERT_EQ(product[k], std::int32_t(std::uint32_t(a[k]) * std::uint32_t(b[k])));
      const std::uint32_t count = std::uint32_t(b[k]);
      ASSERT_EQ(left[k], count > 31 ? 0 : std::int32_t(std::uint32_t(a[k]) << count));
      ASSERT_EQ(right[k], a[k] >> (count > 31 ? 31 : count));
      ASSERT_EQ(picked[k], a[b[k] & 7]);
      for (int byte = 0; byte < 4; ++byte) {
        const int shift = 8 * byte;
        const std::uint32_t from = std::uint32_t(mask[k] >> shift & 0x80 ? b[k] : a[k]);
        ASSERT_EQ(std::uint32_t(blended[k]) >> shift & 0xff, from >> shift & 0xff);
      }
    }
    int byteSigns = 0;
    bool anyCommon = false;
    for (int k = 0; k < 8; ++k) {
      for (int byte = 0; byte < 4; ++byte) {
        byteSigns |= int(std::uint32_t(a[k]) >> (8 * byte + 7) & 1) << (4 * k + byte);
      }
      anyCommon = anyCommon || (a[k] & b[k]) != 0;
    }
    ASSERT_EQ(simd::movemask_epi8(lanesOf(a)), byteSigns);
    ASSERT_EQ(simd::testz_si256(lanesOf(a), lanesOf(b)), anyCommon ? 0 : 1);
  }
}

LANE_CODE void checkPacksSelectsAndHalves() {
  std::mt19937 random(12);
  for (int round = 0; round < 2000; ++round) {
    const Ints a = randomInts(random), b = randomInts(random), mask = randomInts(random);
    std::uint16_t narrowed[8], old[8], updated[8], selected[8];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(narrowed), simd::narrow(lanesOf(a)));
    for (int k = 0; k < 8; ++k) {
      ASSERT_EQ(narrowed[k], std::uint16_t(std::clamp(a[k], 0, 65535))) << a[k];
      old[k] = std::uint16_t(b[k]);
      updated[k] = std::uint16_t(b[k] >> 16);
    }
    __m128i oldLanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(old));
    __m128i updatedLanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(updated));
    // Widened: eight 16-bit numbers to 32 bits without their sign, four
    // 32-bit ones to 64 bits with it.
    const Ints widened = ints(simd::cvtepu16_epi32(oldLanes));
    const Ints longs =
        ints(simd::cvtepi32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a.data()))));
    for (int k = 0; k < 8; ++k) ASSERT_EQ(widened[k], std::int32_t(old[k]));
    for (int k = 0; k < 4; ++k) ASSERT_EQ(int64Lane(longs, k), std::int64_t(a[k]));
    // The mask's 32-bit lanes are packed to 16 bits with saturation first,
    // and then each byte's top bit chooses.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(selected),
                     simd::select16(oldLanes, updatedLanes, lanesOf(mask)));
    for (int k = 0; k < 8; ++k) {
      const std::uint16_t word = std::uint16_t(std::clamp(mask[k], -32768, 32767));
      const std::uint16_t expected = std::uint16_t((word & 0x8000 ? updated[k] : old[k]) & 0xff00) |
                                     std::uint16_t((word & 0x80 ? updated[k] : old[k]) & 0xff);
      ASSERT_EQ(selected[k], expected);
    }
    // The two selects the span loops use.
    const Ints lowHalves = ints(simd::permute2x128_si256<0x20>(lanesOf(a), lanesOf(b)));
    const Ints swapped = ints(simd::permute2x128_si256<1>(lanesOf(a), lanesOf(a)));
    for (int k = 0; k < 4; ++k) {
      ASSERT_EQ(lowHalves[k], a[k]);
      ASSERT_EQ(lowHalves[k + 4], b[k]);
      ASSERT_EQ(swapped[k], a[k + 4]);
      ASSERT_EQ(swapped[k + 4], a[k]);
    }
  }
}

// A gather reads only the lanes its mask selects: the others point far
// outside the texels (the sanitizer build would see such a read).
LANE_CODE void checkGathersReadOnlySelectedLanes() {
  const int texels[4] = {10, 20, 30, 40};
  const Vec index = simd::setr_epi32(3, 1 << 28, 0, -(1 << 28), 2, 1 << 28, 1, 1 << 28);
  const Vec mask = simd::setr_epi32(-1, 0, INT32_MIN, 0x7fffffff, -1, 1, -2, 0);
  const Ints gathered = ints(simd::mask_i32gather_epi32(simd::set1_epi32(7), texels, index, mask));
  EXPECT_EQ(gathered, (Ints{40, 7, 10, 7, 30, 7, 20, 7}));
}

LANE_CODE Doubles doubles(VecD v) {
  alignas(16) Doubles out;  // the store is an aligned one
  simd::store_pd(out.data(), v);
  return out;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

LANE_CODE void checkDoubleOperations() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double twoTo52 = 4503599627370496.0;
  // clang-format off
  const double values[] = {0.0, -0.0, 0.5, -0.5, 1.0, -1.0, 2.5, -2.5, 0.999999, -1e-300, 1e-300,
                           twoTo52 - 0.5, -(twoTo52 - 0.5), twoTo52, -twoTo52, twoTo52 + 1,
                           -twoTo52 - 1, 3e20, -3e20, inf, -inf, nan, 123456789.75, -98765.25, 7.0};
  // clang-format on
  constexpr int COUNT = int(std::size(values));
  for (int i = 0; i < COUNT; ++i) {
    const Doubles a = {values[i], values[(i + 1) % COUNT], values[(i + 2) % COUNT],
                       values[(i + 3) % COUNT]};
    const Doubles b = {values[(i * 7) % COUNT], values[(i * 7 + 1) % COUNT], a[2],
                       values[(i * 3) % COUNT]};
    const VecD lanesA = simd::setr_pd(a[0], a[1], a[2], a[3]);
    const VecD lanesB = simd::setr_pd(b[0], b[1], b[2], b[3]);
    const Doubles floored = doubles(simd::floor_pd(lanesA));
    const Doubles unequal = doubles(simd::cmp_pd<_CMP_NEQ_OQ>(lanesA, lanesB));
    const Doubles less = doubles(simd::cmp_pd<_CMP_LT_OQ>(lanesA, lanesB));
    const Doubles bothNumbers = doubles(simd::cmp_pd<_CMP_ORD_Q>(lanesA, lanesB));
    std::int32_t rounded[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(rounded), simd::cvtpd_epi32(lanesA));
    int signs = 0;
    for (int k = 0; k < 4; ++k) {
      EXPECT_TRUE(sameBits(floored[k], std::floor(a[k])) ||
                  (std::isnan(a[k]) && std::isnan(floored[k])))
          << "floor(" << a[k] << ") gave " << floored[k];
      const bool ordered = !std::isnan(a[k]) && !std::isnan(b[k]);
      EXPECT_EQ(unequal[k] != 0, ordered && a[k] != b[k]) << a[k] << " " << b[k];
      EXPECT_EQ(less[k] != 0, a[k] < b[k]);
      EXPECT_EQ(bothNumbers[k] != 0, ordered) << a[k] << " " << b[k];
      // Out of range and NaN give the "integer indefinite" value.
      const bool fits = a[k] > -2147483648.5 && a[k] < 2147483647.5;
      EXPECT_EQ(rounded[k], fits ? std::int32_t(std::nearbyint(a[k])) : INT32_MIN);
      signs |= int(std::signbit(a[k])) << k;
    }
    EXPECT_EQ(simd::movemask_pd(lanesA), signs);
  }
}

}  // namespace

#endif
