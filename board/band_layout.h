#pragma once
// How the screen's rows are shared among the drawing workers: each owns one
// run of consecutive rows, so that only the triangles crossing a boundary
// are set up by two workers. The boundaries move from frame to frame so that
// each worker's share of a frame's work is about the same.

#include <cstdint>

inline constexpr int MAX_DRAW_WORKERS = 32;
// A worker keeps at least this many rows, so that a share can grow back.
inline constexpr int MIN_WORKER_ROWS = 4;
// A boundary moves by at least this many rows, or stays.
inline constexpr int MIN_BOUNDARY_MOVE = 4;

// Worker w owns rows [split[w], split[w + 1]); split[0] is 0 and
// split[workerCount] the screen's height.
struct BandLayout {
  std::int16_t split[MAX_DRAW_WORKERS + 1];
};

// Rows shared evenly among count workers (2 <= count <= MAX_DRAW_WORKERS).
BandLayout evenLayout(int count, int height);

// The layout for the next frame, from the one a frame was drawn with and
// the time each worker was busy on it: the work is taken as spread evenly
// over each worker's rows, and each boundary moves halfway towards where
// the work would be shared evenly. Costs of zero in all keep the layout.
BandLayout rebalancedLayout(const BandLayout& drawn, const double cost[], int count, int height);
