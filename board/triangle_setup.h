#pragma once
// Triangle set-up: everything the span loops need, computed once per
// triangle. Coverage uses integer edge functions on the 1/16 pixel grid;
// colours and depth are fixed-point planes evaluated exactly per row;
// the perspective terms are float planes.

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

// A fixed-point plane: the row's start value is computed exactly, the
// column step is added per pixel.
struct FixedPlane {
  AttributePlane plane;  // in fixed-point units
  std::int32_t step;     // per column, rounded
  std::int32_t at(int column, int row) const;
};

struct TriangleSetup {
  EdgeFunction edges[3];
  int rowBegin, rowEnd;  // buffer rows [rowBegin, rowEnd), inside the screen
  int columnBegin, columnEnd;
  FixedPlane red, green, blue, alpha, depth;
  AttributePlane sow, tow, oow;  // perspective terms, in 256-unit texture space
};

// Sets up a triangle for a screen of the given size. originLowerLeft flips y.
// Returns false when nothing can be drawn: zero area, NaN or coordinates
// beyond the guard band, or wholly off screen.
bool setupTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originLowerLeft,
                   int width, int height, TriangleSetup& out);

// The inclusive column range of a row covered by the triangle, clipped to
// the set-up's column range. Returns false when the row has no pixel.
bool spanOfRow(const TriangleSetup& triangle, int row, int& c0, int& c1);
