#pragma once
// Set-up's planes four numbers at a time, in the lanes of the lane set the
// file included first (lanes_avx2.h or lanes_sse2.h). Each lane does the
// scalar form's operations in its order, so the numbers are the same.

#include <cstdint>

#include "board/plane_builder.h"

#if defined(WILDSKY_LANES)

namespace {

// clampValue lane by lane, each lane with its own bounds.
LANE_CODE inline VecD clampLanes(VecD v, VecD low, VecD high) {
  v = simd::and_pd(v, simd::cmp_pd<_CMP_ORD_Q>(v, v));  // NaN counts as 0
  v = simd::max_pd(low, v);                              // v < low ? low : v
  return simd::min_pd(high, v);                          // high < v ? high : v
}

LANE_CODE inline VecD clampLanes(VecD v, double low, double high) {
  return clampLanes(v, simd::set1_pd(low), simd::set1_pd(high));
}

// fixedOf, lane by lane, each lane with its own limit.
LANE_CODE inline void fixedLanes(VecD v, VecD limit, std::int64_t out[4]) {
  v = clampLanes(v, simd::sub_pd(simd::setzero_pd(), limit), limit);
  alignas(32) double rounded[4];
  simd::store_pd(rounded, simd::floor_pd(simd::add_pd(v, simd::set1_pd(0.5))));
  for (int k = 0; k < 4; ++k) out[k] = std::int64_t(rounded[k]);
}

LANE_CODE inline void fixedLanes(VecD v, double limit, std::int64_t out[4]) {
  fixedLanes(v, simd::set1_pd(limit), out);
}

struct PlaneLanes {
  VecD value, dx, dy;
};

// PlaneBuilder::build, lane by lane.
LANE_CODE inline PlaneLanes buildLanes(const PlaneBuilder& pb, VecD v0, VecD v1, VecD v2) {
  const VecD d1 = simd::sub_pd(v1, v0), d2 = simd::sub_pd(v2, v0);
  const VecD inverseArea = simd::set1_pd(pb.inverseArea);
  const VecD dx = simd::mul_pd(simd::sub_pd(simd::mul_pd(d1, simd::set1_pd(pb.e2y)),
                                            simd::mul_pd(d2, simd::set1_pd(pb.e1y))),
                               inverseArea);
  const VecD dy = simd::mul_pd(simd::sub_pd(simd::mul_pd(d2, simd::set1_pd(pb.e1x)),
                                            simd::mul_pd(d1, simd::set1_pd(pb.e2x))),
                               inverseArea);
  return {v0, dx, dy};
}

// AttributePlane::at, lane by lane.
LANE_CODE inline VecD planeAtLanes(const PlaneLanes& p, const PlaneBuilder& pb, int column,
                                   int row) {
  const double columnOffset = column + (0.5 - pb.x0), rowOffset = row + (0.5 - pb.y0);
  return simd::add_pd(simd::add_pd(p.value, simd::mul_pd(p.dx, simd::set1_pd(columnOffset))),
                      simd::mul_pd(p.dy, simd::set1_pd(rowOffset)));
}

LANE_CODE inline VecD colorLanes(const GrVertex& v) {
  return clampLanes(simd::setr_pd(v.r, v.g, v.b, v.a), 0.0, 255.0);
}

// buildFixed for the depth plane, its four numbers (origin, dx, dy, step)
// rounded side by side in lanes.
LANE_CODE void buildDepthPlane(const PlaneBuilder& pb, const GrVertex& p0, const GrVertex& p1,
                               const GrVertex& p2, TriangleSetup& out) {
  const int column = out.columnBegin, row = out.rowBegin;
  const AttributePlane p = pb.build(cornerDepth(p0), cornerDepth(p1), cornerDepth(p2));
  constexpr double SCALE =
      double(std::int64_t(1) << (DEPTH_FRACTION_BITS + FixedPlane::EXTRA_BITS));
  constexpr double STEP_SCALE = double(1 << DEPTH_FRACTION_BITS);
  std::int64_t fixed[4];
  fixedLanes(
      simd::setr_pd(p.at(column, row) * SCALE, p.dx * SCALE, p.dy * SCALE, p.dx * STEP_SCALE),
      simd::setr_pd(0x1p58, 0x1p50, 0x1p50, 0x1p30), fixed);
  out.depth = {fixed[0], fixed[1], fixed[2], column, row, std::int32_t(fixed[3])};
}

// buildFixed for red, green, blue and alpha together, one plane a lane.
LANE_CODE void buildColorPlanes(const PlaneBuilder& pb, const GrVertex& p0, const GrVertex& p1,
                                const GrVertex& p2, TriangleSetup& out) {
  const int column = out.columnBegin, row = out.rowBegin;
  const PlaneLanes p = buildLanes(pb, colorLanes(p0), colorLanes(p1), colorLanes(p2));
  const VecD scale =
      simd::set1_pd(double(std::int64_t(1) << (COLOR_FRACTION_BITS + FixedPlane::EXTRA_BITS)));
  std::int64_t origin[4], dx[4], dy[4], step[4];
  fixedLanes(simd::mul_pd(planeAtLanes(p, pb, column, row), scale), 0x1p58, origin);
  fixedLanes(simd::mul_pd(p.dx, scale), 0x1p50, dx);
  fixedLanes(simd::mul_pd(p.dy, scale), 0x1p50, dy);
  fixedLanes(simd::mul_pd(p.dx, simd::set1_pd(double(1 << COLOR_FRACTION_BITS))), 0x1p30, step);
  FixedPlane* colors[4] = {&out.red, &out.green, &out.blue, &out.alpha};
  for (int k = 0; k < 4; ++k) {
    *colors[k] = {origin[k], dx[k], dy[k], column, row, std::int32_t(step[k])};
  }
}

// sow, tow and oow of a corner, unbiased and bounded; the fourth lane unused.
LANE_CODE inline VecD perspectiveLanes(const GrVertex& v) {
  const VecD unbiased = simd::sub_pd(simd::setr_pd(v.tmuvtx[0].sow, v.tmuvtx[0].tow, v.oow, 0.0),
                                     simd::setr_pd(SNAP_BIAS, SNAP_BIAS, 0.0, 0.0));
  return clampLanes(unbiased, -1e30, 1e30);
}

// a * b - c * d lane by lane, bounded.
LANE_CODE inline VecD boundedProducts(VecD a, VecD b, VecD c, VecD d) {
  return clampLanes(simd::sub_pd(simd::mul_pd(a, b), simd::mul_pd(c, d)), -1e30, 1e30);
}

// The footprint numerators, four to a register, each lane the scalar
// form's own product; s0, t0 and w0 are the planes at the origin.
LANE_CODE inline void setUpFootprint(PerspectiveSetup& p, double s0, double t0, double w0) {
  const AttributePlane &s = p.sow, &t = p.tow, &w = p.oow;
  alignas(32) double x[4], y[4];
  simd::store_pd(x, boundedProducts(simd::setr_pd(s.dx, s.dx, t.dx, t.dx),
                                    simd::setr_pd(w0, w.dy, w0, w.dy),
                                    simd::setr_pd(s0, s.dy, t0, t.dy), simd::set1_pd(w.dx)));
  simd::store_pd(y, boundedProducts(simd::setr_pd(s.dy, s.dy, t.dy, t.dy),
                                    simd::setr_pd(w0, w.dx, w0, w.dx),
                                    simd::setr_pd(s0, s.dx, t0, t.dx), simd::set1_pd(w.dy)));
  p.xs = x[0], p.xsPerRow = x[1], p.xt = x[2], p.xtPerRow = x[3];
  p.ys = y[0], p.ysPerColumn = y[1], p.yt = y[2], p.ytPerColumn = y[3];
}

// The sow, tow and oow planes together, their gradients bounded, and the
// footprint numerators from their values at the origin.
LANE_CODE void buildPerspectivePlanes(const PlaneBuilder& pb, const GrVertex& p0,
                                      const GrVertex& p1, const GrVertex& p2,
                                      PerspectiveSetup& out) {
  PlaneLanes p = buildLanes(pb, perspectiveLanes(p0), perspectiveLanes(p1), perspectiveLanes(p2));
  p.dx = clampLanes(p.dx, -1e30, 1e30);
  p.dy = clampLanes(p.dy, -1e30, 1e30);
  alignas(32) double value[4], dx[4], dy[4], at[4];
  simd::store_pd(value, p.value);
  simd::store_pd(dx, p.dx);
  simd::store_pd(dy, p.dy);
  simd::store_pd(at, planeAtLanes(p, pb, out.originColumn, out.originRow));
  AttributePlane* planes[3] = {&out.sow, &out.tow, &out.oow};
  for (int k = 0; k < 3; ++k) *planes[k] = {value[k], dx[k], dy[k], 0.5 - pb.x0, 0.5 - pb.y0};
  setUpFootprint(out, at[0], at[1], at[2]);
}

constexpr PlaneLaneForms PLANE_LANE_FORMS{&buildDepthPlane, &buildColorPlanes,
                                          &buildPerspectivePlanes};

}  // namespace

#endif
