#include "app/frame_statistics.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameStatistics, WindowClosesOnlyAfterMoreThanThreeSeconds) {
  FrameStatistics statistics{};
  statistics.windowStart = statistics.runStart = 100.0;
  for (int frame = 1; frame <= 69; ++frame) {
    statistics.facesInWindow += 10;
    updateStatistics(statistics, 0, frame == 69 ? 103.0 : 101.0);
  }
  // Exactly 3.0 s does not close the window.
  EXPECT_EQ(statistics.framesPerSecond, 0.0);
  EXPECT_EQ(statistics.framesInWindow, 69);

  statistics.facesInWindow += 10;
  updateStatistics(statistics, 0, 103.5);
  EXPECT_DOUBLE_EQ(statistics.framesPerSecond, 20.0);
  EXPECT_DOUBLE_EQ(statistics.facesPerSecond, 200.0);
  EXPECT_EQ(statistics.windowStart, 103.5);
  EXPECT_EQ(statistics.framesInWindow, 0);
  EXPECT_EQ(statistics.facesInWindow, 0);
  EXPECT_EQ(statistics.totalFrames, 70);
}

TEST(FrameStatistics, RasterAverageOverGroupsOf216Frames) {
  FrameStatistics statistics{};
  for (int frame = 1; frame <= 215; ++frame) updateStatistics(statistics, 100, 0);
  EXPECT_EQ(statistics.rasterAverage, 0);
  updateStatistics(statistics, 100, 0);
  EXPECT_EQ(statistics.rasterAverage, 100);
  EXPECT_EQ(statistics.rasterFrames, 0);
  EXPECT_EQ(statistics.rasterSum, 0);

  // One line short of 216 x 100 truncates to 99.
  updateStatistics(statistics, 99, 0);
  for (int frame = 2; frame <= 216; ++frame) updateStatistics(statistics, 100, 0);
  EXPECT_EQ(statistics.rasterAverage, 99);
}

}  // namespace
