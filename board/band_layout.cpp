#include "board/band_layout.h"

#include <algorithm>
#include <cstdlib>

BandLayout evenLayout(int count, int height) {
  BandLayout layout{};
  for (int w = 0; w <= count; ++w) layout.split[w] = std::int16_t(w * height / count);
  return layout;
}

namespace {

// The row by which `target` of the work is done, the work of each share
// spread evenly over its rows.
double rowWhereWorkReaches(const BandLayout& drawn, const double cost[], int count, double target) {
  for (int w = 0; w < count; ++w) {
    const double rows = drawn.split[w + 1] - drawn.split[w];
    if (cost[w] >= target && cost[w] > 0) return drawn.split[w] + rows * (target / cost[w]);
    target -= cost[w];
  }
  return drawn.split[count];
}

}  // namespace

BandLayout rebalancedLayout(const BandLayout& drawn, const double cost[], int count, int height) {
  double clean[MAX_DRAW_WORKERS], total = 0;
  for (int w = 0; w < count; ++w) total += clean[w] = std::max(cost[w], 0.0);
  if (!(total > 0)) return drawn;
  BandLayout next = drawn;
  for (int k = 1; k < count; ++k) {
    const double even = rowWhereWorkReaches(drawn, clean, count, total * k / count);
    const double halfway = (drawn.split[k] + even) / 2;
    // Each share keeps its minimum, counted from both ends of the screen.
    const int low = next.split[k - 1] + MIN_WORKER_ROWS;
    const int high = height - (count - k) * MIN_WORKER_ROWS;
    int boundary = std::clamp(int(halfway + 0.5), low, high);
    // Small moves are not worth it: the workers meet whenever rows change
    // hands. A boundary that stays still keeps the shares' minimum.
    if (std::abs(boundary - drawn.split[k]) < MIN_BOUNDARY_MOVE) {
      boundary = std::clamp(int(drawn.split[k]), low, high);
    }
    next.split[k] = std::int16_t(boundary);
  }
  return next;
}
