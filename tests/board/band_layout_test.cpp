// How the workers' rows are shared and moved from frame to frame.

#include "board/band_layout.h"

#include <gtest/gtest.h>

namespace {

// Every row belongs to one worker, and every worker keeps its minimum.
void expectCoversScreen(const BandLayout& layout, int count, int height) {
  EXPECT_EQ(layout.split[0], 0);
  EXPECT_EQ(layout.split[count], height);
  for (int w = 0; w < count; ++w) {
    EXPECT_GE(layout.split[w + 1] - layout.split[w], MIN_WORKER_ROWS) << "worker " << w;
  }
}

TEST(BandLayout, BoundariesMoveHalfwayTowardsEvenWork) {
  BandLayout even = evenLayout(2, 384);
  EXPECT_EQ(even.split[1], 192);
  // The lower half took three times as long: even work would put the
  // boundary at 256, a third of the way into it; the boundary goes halfway.
  const double lowerBusier[] = {100, 300};
  BandLayout next = rebalancedLayout(even, lowerBusier, 2, 384);
  EXPECT_EQ(next.split[1], 224);
  expectCoversScreen(next, 2, 384);

  // All the work in one worker's rows: the other's share grows, and the
  // busy one keeps its minimum however often it is asked.
  const double allInTop[] = {1000, 0};
  BandLayout shrinking = even;
  for (int frame = 0; frame < 20; ++frame) {
    shrinking = rebalancedLayout(shrinking, allInTop, 2, 384);
    expectCoversScreen(shrinking, 2, 384);
  }
  EXPECT_LT(shrinking.split[1], 192);

  // Nothing measured, or nearly even work: the layout stays, so the
  // workers need not meet to hand rows over.
  const double idle[] = {0, 0}, nearlyEven[] = {100, 102};
  EXPECT_EQ(rebalancedLayout(next, idle, 2, 384).split[1], 224);
  EXPECT_EQ(rebalancedLayout(even, nearlyEven, 2, 384).split[1], 192);
}

TEST(BandLayout, ManyWorkersKeepTheirOrderAndMinimum) {
  // Seven workers, the work heaped on the middle one: the boundaries close
  // in around it from both sides and never cross.
  BandLayout layout = evenLayout(7, 384);
  expectCoversScreen(layout, 7, 384);
  const double middle[] = {1, 1, 1, 500, 1, 1, 1};
  for (int frame = 0; frame < 30; ++frame) {
    layout = rebalancedLayout(layout, middle, 7, 384);
    expectCoversScreen(layout, 7, 384);
  }
  EXPECT_LT(layout.split[4] - layout.split[3], 384 / 7);
}

}  // namespace
