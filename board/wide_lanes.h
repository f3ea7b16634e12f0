#pragma once
// Helpers of the wide span loops over the lanes of the lane set the file
// included first (lanes_avx2.h or lanes_sse2.h); see there.

#if defined(WILDSKY_LANES)

namespace {

LANE_CODE inline Vec splat(int v) { return simd::set1_epi32(v); }
LANE_CODE inline VecF splatF(float v) { return simd::set1_ps(v); }

// Lane k of the low half in lanes 0-3 and of the high half in lanes 4-7.
template <int kLane>
LANE_CODE inline Vec laneOfHalves(Vec v) {
  return simd::shuffle_epi32<kLane * 0x55>(v);
}

template <int kLane>
LANE_CODE inline VecF laneOfHalves(VecF v) {
  return simd::castsi256_ps(laneOfHalves<kLane>(simd::castps_si256(v)));
}

}  // namespace

#endif
