#pragma once
// The texture walk of the wide span loops: the perspective-correct
// coordinates and level of detail of eight pixels, from the triangle's
// planes, then their texels. Part of span_wide.cpp (see wide_lanes.h).

#include "board/texture_walk.h"
#include "board/triangle_setup.h"
#include "board/wide_code.h"
#include "board/wide_lanes.h"
#include "board/wide_texture_sampler.h"

#if defined(WILDSKY_WIDE_CODE)

namespace {

// fastLog2 of texture_walk.h, lane by lane.
WIDE inline VecF log2Of(VecF x) {
  Vec bits = _mm256_castps_si256(x);
  Vec exponent =
      _mm256_sub_epi32(_mm256_and_si256(_mm256_srli_epi32(bits, 23), splat(255)), splat(127));
  VecF mantissa = _mm256_cvtepi32_ps(_mm256_and_si256(bits, splat(0x7fffff)));
  return _mm256_add_ps(_mm256_cvtepi32_ps(exponent),
                       _mm256_mul_ps(mantissa, splatF(1.0f / 8388608.0f)));
}

// A TextureWalk's row values in lanes, each lane its own span's; the
// steps along the row are the triangle's, in WalkPlanes.
struct WideWalk {
  VecF sow, tow, oow, footprintX, footprintYs, footprintYt;
};

// TextureWalk's numbers of a triangle in lanes, gathered once, so that a
// span's start takes a few vector operations, each the scalar walk's own.
struct WalkPlanes {
  __m256d value, dx, dy, columnShift, rowShift;  // sow, tow, oow (twice)
  __m256d footprint, footprintStep;              // xs, xt by row and ys, yt by column
  __m256d scale;
  int originColumn, originRow;
  VecF sowStep, towStep, oowStep, footprintYsStep, footprintYtStep;
};

// One field of the sow, tow and oow planes (and oow's again).
WIDE inline __m256d planeLanes(const PerspectiveSetup& p, double AttributePlane::*field) {
  return _mm256_setr_pd(p.sow.*field, p.tow.*field, p.oow.*field, p.oow.*field);
}

WIDE inline WalkPlanes walkPlanes(const TriangleSetup& triangle, const BoundTexture* texture) {
  const PerspectiveSetup& p = triangle.perspective;
  const double scale = texture != nullptr ? texture->scale : 1.0;
  return {planeLanes(p, &AttributePlane::value),
          planeLanes(p, &AttributePlane::dx),
          planeLanes(p, &AttributePlane::dy),
          planeLanes(p, &AttributePlane::columnShift),
          planeLanes(p, &AttributePlane::rowShift),
          _mm256_setr_pd(p.xs, p.xt, p.ys, p.yt),
          _mm256_setr_pd(p.xsPerRow, p.xtPerRow, p.ysPerColumn, p.ytPerColumn),
          _mm256_set1_pd(scale),
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

WIDE inline RowWalk rowWalk(const WalkPlanes& w, int row, int column) {
  __m256d columnAt = _mm256_add_pd(_mm256_set1_pd(double(column)), w.columnShift);
  __m256d rowAt = _mm256_add_pd(_mm256_set1_pd(double(row)), w.rowShift);
  __m256d at = _mm256_add_pd(_mm256_add_pd(w.value, _mm256_mul_pd(w.dx, columnAt)),
                             _mm256_mul_pd(w.dy, rowAt));
  double rows = row - w.originRow, columns = column - w.originColumn;
  __m256d numerators = _mm256_mul_pd(
      _mm256_add_pd(w.footprint,
                    _mm256_mul_pd(w.footprintStep, _mm256_setr_pd(rows, rows, columns, columns))),
      w.scale);
  __m128d x = _mm256_castpd256_pd128(numerators);  // xs, xt
  __m128d squares = _mm_mul_pd(x, x);
  float footprintX =
      toFloat(_mm_cvtsd_f64(squares) + _mm_cvtsd_f64(_mm_unpackhi_pd(squares, squares)));
  __m128 y = _mm256_cvtpd_ps(numerators);  // ys, yt in lanes 2 and 3
  __m128 footprint =
      _mm_move_ss(_mm_shuffle_ps(y, y, _MM_SHUFFLE(3, 3, 2, 0)), _mm_set_ss(footprintX));
  return {_mm256_cvtpd_ps(at), footprint};
}

// The walk of span a in lanes 0-3 and of span b in lanes 4-7.
WIDE inline WideWalk wideWalk(const RowWalk& a, const RowWalk& b) {
  VecF perspective = _mm256_set_m128(b.perspective, a.perspective);
  VecF footprint = _mm256_set_m128(b.footprint, a.footprint);
  return {laneOfHalves(perspective, 0), laneOfHalves(perspective, 1), laneOfHalves(perspective, 2),
          laneOfHalves(footprint, 0),   laneOfHalves(footprint, 1),   laneOfHalves(footprint, 2)};
}

// The texel of the pixels k columns into their spans: coordinatesAt, then the sampler.
WIDE inline __attribute__((always_inline)) Vec texelsAt(const WideWalk& walk,
                                                        const WalkPlanes& steps,
                                                        const BoundTexture& tx, Vec k, Vec active) {
  VecF fk = _mm256_cvtepi32_ps(k);
  VecF inverseW =
      _mm256_div_ps(splatF(1.0f), _mm256_add_ps(walk.oow, _mm256_mul_ps(fk, steps.oowStep)));
  VecF s = _mm256_mul_ps(_mm256_add_ps(walk.sow, _mm256_mul_ps(fk, steps.sowStep)), inverseW);
  VecF t = _mm256_mul_ps(_mm256_add_ps(walk.tow, _mm256_mul_ps(fk, steps.towStep)), inverseW);
  VecF ys = _mm256_add_ps(walk.footprintYs, _mm256_mul_ps(fk, steps.footprintYsStep));
  VecF yt = _mm256_add_ps(walk.footprintYt, _mm256_mul_ps(fk, steps.footprintYtStep));
  VecF footprintY = _mm256_add_ps(_mm256_mul_ps(ys, ys), _mm256_mul_ps(yt, yt));
  // footprintX > footprintY ? footprintX : footprintY, NaN going to footprintY.
  VecF footprint = _mm256_max_ps(walk.footprintX, footprintY);
  VecF inverseW2 = _mm256_mul_ps(inverseW, inverseW);
  VecF lod = _mm256_mul_ps(splatF(0.5f),
                           log2Of(_mm256_mul_ps(_mm256_mul_ps(footprint, inverseW2), inverseW2)));
  return sample8(tx, s, t, lod, active);
}

}  // namespace

#endif
