#pragma once
// Triangle set-up: everything the span loops need, computed once per
// triangle. Coverage uses integer edge functions on the 1/16 pixel grid;
// colours and depth are fixed-point planes evaluated exactly per row;
// the perspective terms are float planes.

#include <algorithm>
#include <cstdint>

#include "render/glide.h"

// a * column + b * row + c >= 0 for pixel centres inside; c already holds
// the fill rule's tie-break.
struct EdgeFunction {
  std::int64_t a, b, c;
};

// A linear attribute over the screen, evaluated in double from the first
// vertex, so that every loop and thread that asks gets the same number.
struct AttributePlane {
  double value;                  // at the first vertex
  double dx, dy;                 // per column, per row
  double columnShift, rowShift;  // pixel centre (0, 0) relative to the first vertex
  double at(int column, int row) const {
    return value + dx * (column + columnShift) + dy * (row + rowShift);
  }
};

inline constexpr int COLOR_FRACTION_BITS = 16;  // colours 0..255 need 24 bits
inline constexpr int DEPTH_FRACTION_BITS = 12;  // ooz is clamped so that spans fit 32 bits

// A fixed-point plane, evaluated in 64-bit integers from a corner of the
// triangle's bounding box, so that any row's start value comes out the same
// whichever loop or thread asks. The span loops then add the 32-bit step.
struct FixedPlane {
  static constexpr int EXTRA_BITS = 8;  // below the plane's own fraction, for the gradients
  std::int64_t origin;                  // at pixel (originColumn, originRow), with EXTRA_BITS
  std::int64_t dx, dy;                  // per column, per row, with EXTRA_BITS
  int originColumn, originRow;
  std::int32_t step;  // per column, rounded
  std::int32_t at(int column, int row) const {
    std::int64_t v = (origin + dx * (column - originColumn) + dy * (row - originRow)) >> EXTRA_BITS;
    // Inside the triangle values stay far below this; degenerate slivers
    // are clamped into 32 bits, and the spans' steps from there wrap.
    constexpr std::int64_t LIMIT = std::int64_t(1) << 30;
    return std::int32_t(v < -LIMIT ? -LIMIT : v > LIMIT ? LIMIT : v);
  }
};

// The perspective terms S = sow, T = tow, W = oow (256-unit texture space)
// and the numerators of the texture footprint: with s = S / W,
// ds/dx = (Sx W - S Wx) / W^2, whose numerator changes only from row to row,
// and ds/dy = (Sy W - S Wy) / W^2, whose numerator changes only along a row.
// Every coefficient is held within +-1e30 so that float conversions stay defined.
struct PerspectiveSetup {
  AttributePlane sow, tow, oow;
  int originColumn, originRow;
  double xs, xsPerRow, xt, xtPerRow;        // x numerators of s and t at originRow
  double ys, ysPerColumn, yt, ytPerColumn;  // y numerators at originColumn
};

struct TriangleSetup {
  EdgeFunction edges[3];
  int rowBegin, rowEnd;  // buffer rows [rowBegin, rowEnd), inside the screen
  int columnBegin, columnEnd;
  FixedPlane red, green, blue, alpha, depth;
  PerspectiveSetup perspective;
};

// Sets up a triangle for a screen of the given size. originLowerLeft flips y;
// without withPerspective the perspective terms are left unset, for states
// that read no texel. Returns false when nothing can be drawn: zero area,
// NaN or coordinates beyond the guard band, or wholly off screen.
bool setupTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originLowerLeft,
                   int width, int height, TriangleSetup& out, bool withPerspective = true);

// The corners as set-up snaps and orders them.
struct SnappedVertex {
  std::int64_t x, y;  // 1/16 pixel, y down the buffer
  const GrVertex* source;
};

struct SnappedCorners {
  SnappedVertex v[3];      // counter-clockwise on the buffer
  std::int64_t twiceArea;  // in 1/256 square pixels, positive
};

// setupTriangle in two stages, so that a triangle found hidden by its
// corners' depths costs no more than the first: the pixel box, then the
// edges and every plane.
bool setUpBox(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originLowerLeft,
              int width, int height, TriangleSetup& out, SnappedCorners& corners);
void setUpPlanes(const SnappedCorners& corners, TriangleSetup& out, bool withPerspective);

// The depth the depth plane gives a corner: its ooz, held to a range whose
// fixed-point differences fit 32 bits (the pixels' clamp to 0..65535
// follows), NaN as 0.
inline constexpr double CORNER_DEPTH_MIN = -65536.0, CORNER_DEPTH_MAX = 131071.0;
inline double cornerDepth(const GrVertex& v) {
  const double z = v.ooz;
  return std::clamp(z == z ? z : 0.0, CORNER_DEPTH_MIN, CORNER_DEPTH_MAX);
}

// Buffer rows [rowBegin, rowEnd) holding every row setupTriangle would give
// (and perhaps one more at either end), from the corners alone; false when
// it would draw nothing for certain: the corners all above the screen, all
// below it, all left or all right of it, or a height beyond the guard band.
bool triangleRows(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originLowerLeft,
                  int width, int height, int& rowBegin, int& rowEnd);

// What an edge says of a row's columns, as floor(numerator / divisor) with
// divisor > 0 and the numerator growing by step from row to row: a lower
// bound is ceil(-atZero / a), an upper one floor(atZero / -a); an edge along
// the rows is a row test, inside while its numerator (divided by 1) is >= 0.
enum class EdgeRole { lowerBound, upperBound, rowTest };
struct EdgeDivision {
  EdgeRole role;
  std::int64_t numerator, divisor, step;  // the numerator at the first row
};

inline EdgeDivision edgeDivision(const EdgeFunction& e, int firstRow) {
  const std::int64_t atZero = e.b * firstRow + e.c;
  if (e.a > 0) return {EdgeRole::lowerBound, -atZero, e.a, -e.b};
  if (e.a < 0) return {EdgeRole::upperBound, atZero, -e.a, e.b};
  return {EdgeRole::rowTest, atZero, 1, e.b};
}

// The covered column ranges of consecutive rows, clipped to the set-up's
// column range: one division per edge at the first row, exact integer steps
// after it.
class RowSpanWalker {
 public:
  RowSpanWalker(const TriangleSetup& triangle, int firstRow);
  // The span of the current row, then on to the next row; false when the
  // current row has no pixel.
  bool next(int& c0, int& c1) {
    std::int64_t low = columnBegin_, high = columnEnd_ - 1;
    bool inside = true;
    for (Edge& e : edges_) {
      if (e.role == EdgeRole::lowerBound) {
        low = std::max(low, e.quotient + (e.remainder != 0));  // lower bounds round up
      } else if (e.role == EdgeRole::upperBound) {
        high = std::min(high, e.quotient);
      } else {
        inside = inside && e.quotient >= 0;
      }
      e.advance();
    }
    if (!inside || low > high) return false;
    c0 = int(low);
    c1 = int(high);
    return true;
  }

 private:
  // An edge's division kept as quotient and remainder while the numerator
  // grows row by row (a row test, dividing by 1, never carries).
  struct Edge {
    EdgeRole role;
    std::int64_t quotient, remainder, divisor, stepQuotient, stepRemainder;
    // Branch-free: whether the remainder carries varies row by row.
    void advance() {
      quotient += stepQuotient;
      remainder += stepRemainder;
      std::int64_t carry = -std::int64_t(remainder >= divisor);
      remainder -= divisor & carry;
      quotient -= carry;
    }
  };
  Edge edges_[3];
  int columnBegin_, columnEnd_;
};
