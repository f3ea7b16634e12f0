#pragma once
// The texture walk of the wide span loops: the perspective-correct
// coordinates and level of detail of eight pixels, from the triangle's
// planes, then their texels. Part of the wide span loops (see lanes_avx2.h).

#include "board/texture_walk.h"
#include "board/triangle_setup.h"
#include "board/wide_lanes.h"
#include "board/wide_texture_sampler.h"

#if defined(WILDSKY_LANES)

namespace {

// fastLog2 of texture_walk.h, lane by lane.
LANE_CODE inline VecF log2Of(VecF x) {
  Vec bits = simd::castps_si256(x);
  Vec exponent =
      simd::sub_epi32(simd::and_si256(simd::srli_epi32(bits, 23), splat(255)), splat(127));
  VecF mantissa = simd::cvtepi32_ps(simd::and_si256(bits, splat(0x7fffff)));
  return simd::add_ps(simd::cvtepi32_ps(exponent),
                      simd::mul_ps(mantissa, splatF(1.0f / 8388608.0f)));
}

// A TextureWalk's row values in lanes, each lane its own span's; the
// steps along the row are the triangle's, in WalkPlanes.
struct WideWalk {
  VecF sow, tow, oow, footprintX, footprintYs, footprintYt;
};

// TextureWalk's numbers of a triangle in lanes, gathered once, so that a
// span's start takes a few vector operations, each the scalar walk's own.
struct WalkPlanes {
  VecD value, dx, dy, columnShift, rowShift;  // sow, tow, oow (twice)
  VecD footprint, footprintStep;              // xs, xt by row and ys, yt by column
  VecD scale;
  int originColumn, originRow;
  VecF sowStep, towStep, oowStep, footprintYsStep, footprintYtStep;
};

// One field of the sow, tow and oow planes (and oow's again).
LANE_CODE inline VecD planeLanes(const PerspectiveSetup& p, double AttributePlane::*field) {
  return simd::setr_pd(p.sow.*field, p.tow.*field, p.oow.*field, p.oow.*field);
}

LANE_CODE inline WalkPlanes walkPlanes(const TriangleSetup& triangle, const BoundTexture* texture) {
  const PerspectiveSetup& p = triangle.perspective;
  const double scale = texture != nullptr ? texture->scale : 1.0;
  return {planeLanes(p, &AttributePlane::value),
          planeLanes(p, &AttributePlane::dx),
          planeLanes(p, &AttributePlane::dy),
          planeLanes(p, &AttributePlane::columnShift),
          planeLanes(p, &AttributePlane::rowShift),
          simd::setr_pd(p.xs, p.xt, p.ys, p.yt),
          simd::setr_pd(p.xsPerRow, p.xtPerRow, p.ysPerColumn, p.ytPerColumn),
          simd::set1_pd(scale),
          p.originColumn,
          p.originRow,
          splatF(float(p.sow.dx)),
          splatF(float(p.tow.dx)),
          splatF(float(p.oow.dx)),
          splatF(float(p.ysPerColumn * scale)),
          splatF(float(p.ytPerColumn * scale))};
}

// A span's walk at its first pixel: sow, tow, oow and footprintX,
// footprintYs, footprintYt, in lanes 0-2 of each.
struct RowWalk {
  __m128 perspective, footprint;
};

LANE_CODE inline RowWalk rowWalk(const WalkPlanes& w, int row, int column) {
  VecD columnAt = simd::add_pd(simd::set1_pd(double(column)), w.columnShift);
  VecD rowAt = simd::add_pd(simd::set1_pd(double(row)), w.rowShift);
  VecD at =
      simd::add_pd(simd::add_pd(w.value, simd::mul_pd(w.dx, columnAt)), simd::mul_pd(w.dy, rowAt));
  double rows = row - w.originRow, columns = column - w.originColumn;
  VecD numerators = simd::mul_pd(
      simd::add_pd(w.footprint,
                   simd::mul_pd(w.footprintStep, simd::setr_pd(rows, rows, columns, columns))),
      w.scale);
  __m128d x = simd::castpd256_pd128(numerators);  // xs, xt
  __m128d squares = _mm_mul_pd(x, x);
  float footprintX =
      toFloat(_mm_cvtsd_f64(squares) + _mm_cvtsd_f64(_mm_unpackhi_pd(squares, squares)));
  __m128 y = simd::cvtpd_ps(numerators);  // ys, yt in lanes 2 and 3
  __m128 footprint =
      _mm_move_ss(_mm_shuffle_ps(y, y, _MM_SHUFFLE(3, 3, 2, 0)), _mm_set_ss(footprintX));
  return {simd::cvtpd_ps(at), footprint};
}

// The walk of span a in lanes 0-3 and of span b in lanes 4-7.
LANE_CODE inline WideWalk wideWalk(const RowWalk& a, const RowWalk& b) {
  VecF perspective = simd::set_m128(b.perspective, a.perspective);
  VecF footprint = simd::set_m128(b.footprint, a.footprint);
  return {laneOfHalves<0>(perspective), laneOfHalves<1>(perspective), laneOfHalves<2>(perspective),
          laneOfHalves<0>(footprint),   laneOfHalves<1>(footprint),   laneOfHalves<2>(footprint)};
}

// The coordinates and level of detail of the pixels k columns into their spans.
struct LaneCoordinates {
  VecF s, t, lod;
};

LANE_CODE inline __attribute__((always_inline)) LaneCoordinates coordinatesAt(
    const WideWalk& walk, const WalkPlanes& steps, Vec k) {
  VecF fk = simd::cvtepi32_ps(k);
  VecF inverseW =
      simd::div_ps(splatF(1.0f), simd::add_ps(walk.oow, simd::mul_ps(fk, steps.oowStep)));
  VecF s = simd::mul_ps(simd::add_ps(walk.sow, simd::mul_ps(fk, steps.sowStep)), inverseW);
  VecF t = simd::mul_ps(simd::add_ps(walk.tow, simd::mul_ps(fk, steps.towStep)), inverseW);
  VecF ys = simd::add_ps(walk.footprintYs, simd::mul_ps(fk, steps.footprintYsStep));
  VecF yt = simd::add_ps(walk.footprintYt, simd::mul_ps(fk, steps.footprintYtStep));
  VecF footprintY = simd::add_ps(simd::mul_ps(ys, ys), simd::mul_ps(yt, yt));
  // footprintX > footprintY ? footprintX : footprintY, NaN going to footprintY.
  VecF footprint = simd::max_ps(walk.footprintX, footprintY);
  VecF inverseW2 = simd::mul_ps(inverseW, inverseW);
  VecF lod = simd::mul_ps(splatF(0.5f),
                          log2Of(simd::mul_ps(simd::mul_ps(footprint, inverseW2), inverseW2)));
  return {s, t, lod};
}

// The texel of the pixels k columns into their spans: coordinatesAt, then the sampler.
LANE_CODE inline __attribute__((always_inline)) Vec texelsAt(const WideWalk& walk,
                                                             const WalkPlanes& steps,
                                                             const BoundTexture& tx, Vec k,
                                                             Vec active) {
  const LaneCoordinates c = coordinatesAt(walk, steps, k);
  return sample8(tx, c.s, c.t, c.lod, active);
}

}  // namespace

#endif
