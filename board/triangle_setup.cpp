#include "board/triangle_setup.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <tuple>
#include <utility>

#include "board/plane_builder.h"
#include "board/span_wide.h"
#include "board/wide_code.h"

namespace {

constexpr double SUBPIXELS = 16.0;
// Vertices may lie this far off screen (in pixels); edge products then stay
// below 2^52 in 64-bit integers.
constexpr double GUARD_BAND = 1 << 20;

#if !defined(__SSE2__)
bool snap(const GrVertex& v, bool originLowerLeft, int height, SnappedVertex& out) {
  double x = double(v.x) - SNAP_BIAS, y = double(v.y) - SNAP_BIAS;
  if (!(std::fabs(x) <= GUARD_BAND) || !(std::fabs(y) <= GUARD_BAND)) return false;
  out.x = roundToInt(x * SUBPIXELS);
  out.y = roundToInt(y * SUBPIXELS);
  if (originLowerLeft) out.y = std::int64_t(height) * 16 - out.y;
  out.source = &v;
  return true;
}
#endif

// snap for the three corners, false when any lies beyond the guard band.
// With SSE2, x and y go through the same double operations side by side.
[[gnu::always_inline]] inline bool snapCorners(const GrVertex& a, const GrVertex& b,
                                               const GrVertex& c, bool originLowerLeft, int height,
                                               SnappedVertex v[3]) {
#if defined(__SSE2__)
  const GrVertex* corners[3] = {&a, &b, &c};
  const __m128d bias = _mm_set1_pd(SNAP_BIAS), signBit = _mm_set1_pd(-0.0);
  __m128d xy[3];
  __m128d inside = _mm_cmpeq_pd(bias, bias);
  for (int k = 0; k < 3; ++k) {
    // x and y lie side by side in a vertex.
    __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&corners[k]->x));
    xy[k] = _mm_sub_pd(_mm_cvtps_pd(_mm_castsi128_ps(pair)), bias);
    inside =
        _mm_and_pd(inside, _mm_cmple_pd(_mm_andnot_pd(signBit, xy[k]), _mm_set1_pd(GUARD_BAND)));
  }
  if (_mm_movemask_pd(inside) != 3) return false;  // NaN compares false too
  // y turned upside down: height * 16 - y, in the y lane only.
  const __m128i flip = originLowerLeft ? _mm_setr_epi32(0, -1, 0, 0) : _mm_setzero_si128();
  const __m128i flippedFrom = _mm_setr_epi32(0, height * 16, 0, 0);
  for (int k = 0; k < 3; ++k) {
    // roundToInt: the truncation, less one where it lies above; the values
    // fit 32 bits inside the guard band.
    __m128d up = _mm_add_pd(_mm_mul_pd(xy[k], _mm_set1_pd(SUBPIXELS)), _mm_set1_pd(0.5));
    __m128i truncated = _mm_cvttpd_epi32(up);
    __m128i above = _mm_castpd_si128(_mm_cmpgt_pd(_mm_cvtepi32_pd(truncated), up));
    __m128i rounded = _mm_add_epi32(truncated, _mm_shuffle_epi32(above, _MM_SHUFFLE(2, 0, 2, 0)));
    __m128i flipped = _mm_sub_epi32(flippedFrom, rounded);
    rounded = _mm_or_si128(_mm_andnot_si128(flip, rounded), _mm_and_si128(flip, flipped));
    // x and y widened to 64 bits and stored together, so that copying the
    // corner later reads what one store wrote (a read spanning two stores
    // waits for both to reach the cache).
    static_assert(offsetof(SnappedVertex, y) == offsetof(SnappedVertex, x) + 8);
    __m128i wide = _mm_unpacklo_epi32(rounded, _mm_srai_epi32(rounded, 31));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&v[k].x), wide);
    v[k].source = corners[k];
  }
  return true;
#else
  return snap(a, originLowerLeft, height, v[0]) && snap(b, originLowerLeft, height, v[1]) &&
         snap(c, originLowerLeft, height, v[2]);
#endif
}

// floor(n / d) for d > 0 and |n| < 2^53: a double division, off by at most
// one, corrected exactly; cheaper than a 64-bit integer division.
std::int64_t floorDiv(std::int64_t n, std::int64_t d) {
  auto q = std::int64_t(double(n) / double(d));
  while (q * d > n) --q;
  while ((q + 1) * d <= n) ++q;
  return q;
}


// The pixel box snapped corners may cover inside the screen.
struct PixelBox {
  int rowBegin, rowEnd, columnBegin, columnEnd;
  bool empty() const { return rowBegin >= rowEnd || columnBegin >= columnEnd; }
};

[[gnu::always_inline]] inline PixelBox pixelBox(const SnappedVertex v[3], int width, int height) {
  std::int64_t minX = std::min({v[0].x, v[1].x, v[2].x}), maxX = std::max({v[0].x, v[1].x, v[2].x});
  std::int64_t minY = std::min({v[0].y, v[1].y, v[2].y}), maxY = std::max({v[0].y, v[1].y, v[2].y});
  // Pixel centres lie at 16 * index + 8; an arithmetic shift by 4 is floor(n / 16).
  return {int(std::max<std::int64_t>(0, -((8 - minY) >> 4))),
          int(std::min<std::int64_t>(height, ((maxY - 8) >> 4) + 1)),
          int(std::max<std::int64_t>(0, -((8 - minX) >> 4))),
          int(std::min<std::int64_t>(width, ((maxX - 8) >> 4) + 1))};
}

// Twice the signed area, in 1/256 pixels: positive counter-clockwise on the buffer.
std::int64_t twiceArea(const SnappedVertex v[3]) {
  return (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[1].y - v[0].y) * (v[2].x - v[0].x);
}

#if defined(WILDSKY_WIDE_CODE)

// A vertex's x and y, side by side.
WIDE inline __m128i xyOf(const GrVertex& vertex) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&vertex.x));
}

// roundToInt in lanes: the floor of v + 0.5, a whole number, converted exactly.
WIDE inline __m128i snappedLanes(__m256d p) {
  const __m256d up =
      _mm256_add_pd(_mm256_mul_pd(p, _mm256_set1_pd(SUBPIXELS)), _mm256_set1_pd(0.5));
  return _mm256_cvtpd_epi32(_mm256_floor_pd(up));
}

// snapCorners in lanes: x and y of a and b in `ab`, of c (twice) in `cc`.
WIDE bool snapLanes(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originLowerLeft,
                    int height, __m128i& ab, __m128i& cc) {
  const __m256d bias = _mm256_set1_pd(SNAP_BIAS);
  const __m256d abAt =
      _mm256_sub_pd(_mm256_cvtps_pd(_mm_castsi128_ps(_mm_unpacklo_epi64(xyOf(a), xyOf(b)))), bias);
  const __m256d ccAt =
      _mm256_sub_pd(_mm256_cvtps_pd(_mm_castsi128_ps(_mm_unpacklo_epi64(xyOf(c), xyOf(c)))), bias);
  const __m256d guard = _mm256_set1_pd(GUARD_BAND), signBit = _mm256_set1_pd(-0.0);
  const __m256d inside =
      _mm256_and_pd(_mm256_cmp_pd(_mm256_andnot_pd(signBit, abAt), guard, _CMP_LE_OQ),
                    _mm256_cmp_pd(_mm256_andnot_pd(signBit, ccAt), guard, _CMP_LE_OQ));
  if (_mm256_movemask_pd(inside) != 15) return false;  // NaN compares false too
  ab = snappedLanes(abAt);
  cc = snappedLanes(ccAt);
  if (originLowerLeft) {
    // y turned upside down: height * 16 - y, in the y lanes only.
    const __m128i yLanes = _mm_setr_epi32(0, -1, 0, -1), from = _mm_set1_epi32(height * 16);
    ab = _mm_blendv_epi8(ab, _mm_sub_epi32(from, ab), yLanes);
    cc = _mm_blendv_epi8(cc, _mm_sub_epi32(from, cc), yLanes);
  }
  return true;
}

// twiceArea of the corners in lanes: the edges from a, multiplied in 64 bits.
WIDE inline std::int64_t twiceAreaLanes(__m128i ab, __m128i cc) {
  const __m128i a = _mm_unpacklo_epi64(ab, ab);
  const __m128i e1 = _mm_sub_epi32(_mm_unpackhi_epi64(ab, ab), a), e2 = _mm_sub_epi32(cc, a);
  // e1.x * e2.y and e1.y * e2.x, from lanes 0 and 2.
  const __m128i products = _mm_mul_epi32(_mm_shuffle_epi32(e1, _MM_SHUFFLE(1, 1, 0, 0)),
                                         _mm_shuffle_epi32(e2, _MM_SHUFFLE(0, 0, 1, 1)));
  return _mm_cvtsi128_si64(products) - _mm_extract_epi64(products, 1);
}

// pixelBox of the corners in lanes, worked out for x and y side by side.
WIDE inline PixelBox pixelBoxLanes(__m128i ab, __m128i cc, int width, int height) {
  __m128i low = _mm_min_epi32(ab, cc), high = _mm_max_epi32(ab, cc);
  low = _mm_min_epi32(low, _mm_unpackhi_epi64(low, low));
  high = _mm_max_epi32(high, _mm_unpackhi_epi64(high, high));
  // Lowest x and y, then highest: beginnings -((8 - low) >> 4) and ends
  // ((high - 8) >> 4) + 1, as pixelBox has them.
  const __m128i signs = _mm_setr_epi32(-1, -1, 1, 1);
  __m128i shifted = _mm_srai_epi32(
      _mm_sign_epi32(_mm_sub_epi32(_mm_unpacklo_epi64(low, high), _mm_set1_epi32(8)), signs), 4);
  __m128i bounds = _mm_add_epi32(_mm_sign_epi32(shifted, signs), _mm_setr_epi32(0, 0, 1, 1));
  bounds = _mm_max_epi32(bounds, _mm_setr_epi32(0, 0, INT32_MIN, INT32_MIN));
  bounds = _mm_min_epi32(bounds, _mm_setr_epi32(INT32_MAX, INT32_MAX, width, height));
  PixelBox box;
  static_assert(sizeof box == 16 && offsetof(PixelBox, columnEnd) == 12);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&box),
                   _mm_shuffle_epi32(bounds, _MM_SHUFFLE(2, 0, 3, 1)));
  return box;
}

// findCoverage with the corners in lanes.
WIDE bool findCoverageWide(const GrVertex& a, const GrVertex& b, const GrVertex& c,
                           bool originLowerLeft, int width, int height, SnappedCorners& out,
                           PixelBox& box) {
  __m128i ab, cc;
  if (!snapLanes(a, b, c, originLowerLeft, height, ab, cc)) return false;
  const std::int64_t area = twiceAreaLanes(ab, cc);
  if (area == 0) return false;
  const bool clockwise = area < 0;
  // x and y stored together, as snapCorners stores them.
  const __m256i abWide = _mm256_cvtepi32_epi64(ab);
  const __m128i bWide = _mm256_extracti128_si256(abWide, 1), cWide = _mm_cvtepi32_epi64(cc);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&out.v[0].x), _mm256_castsi256_si128(abWide));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&out.v[1].x), clockwise ? cWide : bWide);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&out.v[2].x), clockwise ? bWide : cWide);
  out.v[0].source = &a;
  out.v[1].source = clockwise ? &c : &b;
  out.v[2].source = clockwise ? &b : &c;
  out.twiceArea = clockwise ? -area : area;
  box = pixelBoxLanes(ab, cc, width, height);
  return !box.empty();
}

#endif

// The snapped corners of a triangle, counter-clockwise on the buffer, and
// the pixel box it may cover inside the screen. False when nothing can be
// drawn: zero area, NaN or coordinates beyond the guard band, or wholly off
// screen.
bool findCoverage(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originLowerLeft,
                  int width, int height, SnappedCorners& out, PixelBox& box) {
#if defined(WILDSKY_WIDE_CODE)
  if (wideSpansEnabled()) {
    return findCoverageWide(a, b, c, originLowerLeft, width, height, out, box);
  }
#endif
  // The corners are snapped and ordered in locals and stored once: swapping
  // them in place makes the next reads wait for the stores.
  SnappedVertex v[3];
  if (!snapCorners(a, b, c, originLowerLeft, height, v)) return false;
  std::int64_t area = twiceArea(v);
  if (area == 0) return false;
  const bool clockwise = area < 0;
  out.v[0] = v[0];
  out.v[1] = clockwise ? v[2] : v[1];
  out.v[2] = clockwise ? v[1] : v[2];
  out.twiceArea = clockwise ? -area : area;
  box = pixelBox(v, width, height);
  return !box.empty();
}

}  // namespace

bool triangleRows(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originLowerLeft,
                  int width, int height, int& rowBegin, int& rowEnd) {
  // The caller's thread routes every triangle by its rows, from the corners
  // alone, without snapping them; one wholly beside the screen stops here
  // instead of crossing to every worker to be refused there. Snapping moves
  // a corner by at most 1/32 pixel, less than the half pixel from a pixel's
  // edge to its centre, so the covered columns and rows lie within the
  // corners'. The x are compared as the vertices hold them, biased, where
  // the comparisons are exact.
  const float left = std::min({a.x, b.x, c.x}), right = std::max({a.x, b.x, c.x});
  if (!(right > float(SNAP_BIAS)) || !(left < float(SNAP_BIAS + width))) return false;
  const double ya = double(a.y) - SNAP_BIAS, yb = double(b.y) - SNAP_BIAS,
               yc = double(c.y) - SNAP_BIAS;
  double low = std::min({ya, yb, yc}), high = std::max({ya, yb, yc});
  // A NaN corner may pass (min and max can leave it out); set-up refuses it.
  if (!(low >= -GUARD_BAND) || !(high <= GUARD_BAND)) return false;
  if (originLowerLeft) std::tie(low, high) = std::pair(height - high, height - low);
  rowBegin = std::max(0, floorTo<int>(low));
  rowEnd = std::min(height, -floorTo<int>(-high));  // ceil
  return rowBegin < rowEnd;
}

namespace {

// The three edge functions, with the fill rule's tie-break: pixels on a
// left or top edge are inside.
void setUpEdges(const SnappedVertex v[3], TriangleSetup& out) {
  for (int i = 0; i < 3; ++i) {
    const SnappedVertex& p = v[i];
    const SnappedVertex& q = v[(i + 1) % 3];
    std::int64_t dx = q.x - p.x, dy = q.y - p.y;
    EdgeFunction& e = out.edges[i];
    e.a = -dy * 16;
    e.b = dx * 16;
    e.c = dx * (8 - p.y) - dy * (8 - p.x);
    bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    if (!topLeft) e.c -= 1;
  }
}

// The frame's first corner, its two edges, in pixels, and the divisor.
void findPlaneFrame(const SnappedVertex v[3], std::int64_t twiceArea, PlaneFrame& frame) {
  frame.inverseArea = (SUBPIXELS * SUBPIXELS) / double(twiceArea);
  frame.x0 = double(v[0].x) / SUBPIXELS;
  frame.y0 = double(v[0].y) / SUBPIXELS;
  frame.e1x = double(v[1].x - v[0].x) / SUBPIXELS;
  frame.e1y = double(v[1].y - v[0].y) / SUBPIXELS;
  frame.e2x = double(v[2].x - v[0].x) / SUBPIXELS;
  frame.e2y = double(v[2].y - v[0].y) / SUBPIXELS;
}

// The planes' forms in the span loops' lanes, or null for the scalar forms.
const PlaneLaneForms* planeLaneForms() {
  switch (spanLanes()) {
    case SpanLanes::Avx2:
      return avx2PlaneForms();
    case SpanLanes::Sse42:
      return sse42PlaneForms();
    case SpanLanes::Sse2:
      return sse2PlaneForms();
    default:
      return nullptr;
  }
}

// The depth plane, from the bounding box corner.
void setUpDepthPlane(const PlaneBuilder& pb, const GrVertex& p0, const GrVertex& p1,
                     const GrVertex& p2, const PlaneLaneForms* lanes, TriangleSetup& out) {
  if (lanes != nullptr) {
    lanes->depth(pb, p0, p1, p2, out);
    return;
  }
  out.depth = pb.buildFixed(cornerDepth(p0), cornerDepth(p1), cornerDepth(p2), DEPTH_FRACTION_BITS,
                            out.columnBegin, out.rowBegin);
}

// The colour and alpha planes, from the bounding box corner.
void setUpColorPlanes(const PlaneBuilder& pb, const GrVertex& p0, const GrVertex& p1,
                      const GrVertex& p2, const PlaneLaneForms* lanes, TriangleSetup& out) {
  if (lanes != nullptr) {
    lanes->colors(pb, p0, p1, p2, out);
    return;
  }
  auto color = [](float value) { return clampValue(value, 0.0, 255.0); };
  out.red = pb.buildFixed(color(p0.r), color(p1.r), color(p2.r), COLOR_FRACTION_BITS,
                          out.columnBegin, out.rowBegin);
  out.green = pb.buildFixed(color(p0.g), color(p1.g), color(p2.g), COLOR_FRACTION_BITS,
                            out.columnBegin, out.rowBegin);
  out.blue = pb.buildFixed(color(p0.b), color(p1.b), color(p2.b), COLOR_FRACTION_BITS,
                           out.columnBegin, out.rowBegin);
  out.alpha = pb.buildFixed(color(p0.a), color(p1.a), color(p2.a), COLOR_FRACTION_BITS,
                            out.columnBegin, out.rowBegin);
}

// The perspective planes and the texture footprint numerators.
void setUpPerspective(const PlaneBuilder& pb, const GrVertex& p0, const GrVertex& p1,
                      const GrVertex& p2, const PlaneLaneForms* lanes, TriangleSetup& out) {
  PerspectiveSetup& p = out.perspective;
  p.originColumn = out.columnBegin;
  p.originRow = out.rowBegin;
  if (lanes != nullptr) {
    lanes->perspective(pb, p0, p1, p2, p);
    return;
  }
  auto unbiased = [](float value) { return clampValue(double(value) - SNAP_BIAS, -1e30, 1e30); };
  auto w = [](float value) { return clampValue(value, -1e30, 1e30); };
  p.sow = pb.build(unbiased(p0.tmuvtx[0].sow), unbiased(p1.tmuvtx[0].sow),
                   unbiased(p2.tmuvtx[0].sow));
  p.tow = pb.build(unbiased(p0.tmuvtx[0].tow), unbiased(p1.tmuvtx[0].tow),
                   unbiased(p2.tmuvtx[0].tow));
  p.oow = pb.build(w(p0.oow), w(p1.oow), w(p2.oow));
  for (AttributePlane* plane : {&p.sow, &p.tow, &p.oow}) {
    plane->dx = clampValue(plane->dx, -1e30, 1e30);
    plane->dy = clampValue(plane->dy, -1e30, 1e30);
  }
  const double s0 = p.sow.at(p.originColumn, p.originRow);
  const double t0 = p.tow.at(p.originColumn, p.originRow);
  const double w0 = p.oow.at(p.originColumn, p.originRow);
  auto bounded = [](double value) { return clampValue(value, -1e30, 1e30); };
  p.xs = bounded(p.sow.dx * w0 - s0 * p.oow.dx);
  p.xsPerRow = bounded(p.sow.dx * p.oow.dy - p.sow.dy * p.oow.dx);
  p.xt = bounded(p.tow.dx * w0 - t0 * p.oow.dx);
  p.xtPerRow = bounded(p.tow.dx * p.oow.dy - p.tow.dy * p.oow.dx);
  p.ys = bounded(p.sow.dy * w0 - s0 * p.oow.dy);
  p.ysPerColumn = bounded(p.sow.dy * p.oow.dx - p.sow.dx * p.oow.dy);
  p.yt = bounded(p.tow.dy * w0 - t0 * p.oow.dy);
  p.ytPerColumn = bounded(p.tow.dy * p.oow.dx - p.tow.dx * p.oow.dy);
}

}  // namespace

bool setUpBox(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originLowerLeft,
              int width, int height, TriangleSetup& out, SnappedCorners& corners) {
  PixelBox box;
  if (!findCoverage(a, b, c, originLowerLeft, width, height, corners, box)) return false;
  out.rowBegin = box.rowBegin;
  out.rowEnd = box.rowEnd;
  out.columnBegin = box.columnBegin;
  out.columnEnd = box.columnEnd;
  return true;
}

void setUpPlanes(const SnappedCorners& corners, TriangleSetup& out, bool withPerspective) {
  const SnappedVertex* v = corners.v;
  setUpEdges(v, out);
  PlaneBuilder pb;
  findPlaneFrame(v, corners.twiceArea, pb);
  const GrVertex& p0 = *v[0].source;
  const GrVertex& p1 = *v[1].source;
  const GrVertex& p2 = *v[2].source;
  const PlaneLaneForms* lanes = planeLaneForms();
  setUpDepthPlane(pb, p0, p1, p2, lanes, out);
  setUpColorPlanes(pb, p0, p1, p2, lanes, out);
  if (withPerspective) setUpPerspective(pb, p0, p1, p2, lanes, out);
}

bool setupTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originLowerLeft,
                   int width, int height, TriangleSetup& out, bool withPerspective) {
  SnappedCorners corners;
  if (!setUpBox(a, b, c, originLowerLeft, width, height, out, corners)) return false;
  setUpPlanes(corners, out, withPerspective);
  return true;
}

RowSpanWalker::RowSpanWalker(const TriangleSetup& triangle, int firstRow)
    : columnBegin_(triangle.columnBegin), columnEnd_(triangle.columnEnd) {
  for (int i = 0; i < 3; ++i) {
    const EdgeDivision d = edgeDivision(triangle.edges[i], firstRow);
    std::int64_t quotient = floorDiv(d.numerator, d.divisor);
    std::int64_t stepQuotient = floorDiv(d.step, d.divisor);
    edges_[i] = {d.role,    quotient,     d.numerator - quotient * d.divisor,
                 d.divisor, stepQuotient, d.step - stepQuotient * d.divisor};
  }
}
