#pragma once
// What set-up builds a triangle's attribute planes from, shared by its
// scalar form (triangle_setup.cpp) and its forms in lanes (plane_lanes.h).

#include <algorithm>
#include <cstdint>

#include "board/triangle_setup.h"

// The bias the interface adds to screen x and y and to sow and tow.
inline constexpr double SNAP_BIAS = 786432.0;  // 3 * 2^18: leaves x, y on the 1/16 pixel grid

// floor(v) for v well inside Int's range: the truncation, less one where
// it lies above. Inline and branch-free (the sign varies from triangle to
// triangle); without SSE4.1 the library's floor takes several times as
// many steps, each waiting on the last.
template <typename Int>
inline Int floorTo(double v) {
  const auto truncated = Int(v);
  return truncated - Int(double(truncated) > v);
}

// round(v), half up, for |v| well inside 64 bits.
inline std::int64_t roundToInt(double v) { return floorTo<std::int64_t>(v + 0.5); }

// NaN counts as 0.
inline double clampValue(double v, double low, double high) {
  return std::clamp(v == v ? v : 0.0, low, high);
}

// v rounded to an integer, clamped to +-limit, NaN as 0.
inline std::int64_t fixedOf(double v, double limit) {
  return roundToInt(std::clamp(v == v ? v : 0.0, -limit, limit));
}

// What every plane of a triangle is built from: its first corner and that
// corner's two edges, in pixels, and the planes' divisor.
struct PlaneFrame {
  double x0, y0, e1x, e1y, e2x, e2y;
  double inverseArea;  // 1 / twice the area in square pixels
};

struct PlaneBuilder : PlaneFrame {
  AttributePlane build(double v0, double v1, double v2) const {
    double d1 = v1 - v0, d2 = v2 - v0;
    AttributePlane p;
    p.value = v0;
    p.dx = (d1 * e2y - d2 * e1y) * inverseArea;
    p.dy = (d2 * e1x - d1 * e2x) * inverseArea;
    p.columnShift = 0.5 - x0;
    p.rowShift = 0.5 - y0;
    return p;
  }

  // column and row: the bounding box corner the plane is evaluated from.
  FixedPlane buildFixed(double v0, double v1, double v2, int fractionBits, int column,
                        int row) const {
    AttributePlane p = build(v0, v1, v2);
    double scale = double(std::int64_t(1) << (fractionBits + FixedPlane::EXTRA_BITS));
    FixedPlane f;
    f.origin = fixedOf(p.at(column, row) * scale, 0x1p58);
    f.dx = fixedOf(p.dx * scale, 0x1p50);
    f.dy = fixedOf(p.dy * scale, 0x1p50);
    f.originColumn = column;
    f.originRow = row;
    // A step this large only matters on one-pixel spans, where it is unused.
    f.step = std::int32_t(fixedOf(p.dx * double(1 << fractionBits), 0x1p30));
    return f;
  }
};

// The planes built four numbers at a time in lanes, each the scalar
// form's number bit for bit. The depth and colour planes are evaluated from
// the pixel box's corner (out.columnBegin, out.rowBegin), the perspective
// planes from the origin the caller gives them (out.originColumn,
// out.originRow).
struct PlaneLaneForms {
  void (*depth)(const PlaneBuilder& pb, const GrVertex& p0, const GrVertex& p1,
                const GrVertex& p2, TriangleSetup& out);
  void (*colors)(const PlaneBuilder& pb, const GrVertex& p0, const GrVertex& p1,
                 const GrVertex& p2, TriangleSetup& out);
  // The sow, tow and oow planes and the footprint numerators.
  void (*perspective)(const PlaneBuilder& pb, const GrVertex& p0, const GrVertex& p1,
                      const GrVertex& p2, PerspectiveSetup& out);
};

// The forms in AVX2, SSE4.2 and SSE2 lanes; null where the build has none.
const PlaneLaneForms* avx2PlaneForms();
const PlaneLaneForms* sse42PlaneForms();
const PlaneLaneForms* sse2PlaneForms();
