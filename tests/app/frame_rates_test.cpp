// The camera's angle steps and the frame statistics over the clock's window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/program.h"
#include "board/board.h"
#include "tests/app/program_fixture.h"

namespace {

TEST(CameraAngles, StepInSinglePrecisionAndWrapPastAFullTurn) {
  ProgramState state;
  int firstWrapX = 0, firstWrapZ = 0;
  for (int update = 1; update <= 1000; ++update) {
    const float x = state.angleX, z = state.angleZ;
    advanceCameraAngles(state);
    if (firstWrapX == 0 && state.angleX < x) firstWrapX = update;
    if (firstWrapZ == 0 && state.angleZ < z) firstWrapZ = update;
  }
  EXPECT_EQ(firstWrapX, 901);
  EXPECT_EQ(firstWrapZ, 300);
  EXPECT_EQ(state.angleY, -1000.0f);  // never reduced
}

// RASPOS: the integer average of the raster lines over each group of 216 frames, 0 until the first.
TEST(FrameStatistics, RasterAverageIsOverEachGroupOf216Frames) {
  FrameStatistics statistics{};
  for (int frame = 1; frame <= 2 * 216; ++frame) {
    updateStatistics(statistics, frame > 216 ? 7 : frame % 2 == 0 ? 100 : 301, 0);
    if (frame == 215) {
      EXPECT_EQ(statistics.rasterAverage, 0);
    }
    if (frame == 216) {
      EXPECT_EQ(statistics.rasterAverage, 200);  // 200.5
    }
  }
  EXPECT_EQ(statistics.rasterAverage, 7);
}

// The beam wraps within the frame: from line 380 to line 10 of the next sweep is 14 lines.
struct WrappingBeam : BoardClock {
  double periods[2] = {1000 + 380.5 / 384, 1001 + 10.5 / 384};  // refresh periods read
  int next = 0;
  double now() override { return periods[std::min(next++, 1)] / 72.0; }
  void sleepUntil(double) override {}
};

TEST_F(ProgramRun, RasterLinesWrapOnceAtTheBottomOfTheScreen) {
  startWith();
  WrappingBeam beam;
  boardSetClock(&beam);
  prepareFrame(state);
  EXPECT_EQ(state.rasterLines, 14);
  boardSetClock(&clocks);
}

// 70 frames in 3.5 s: the window closes past 3.0 s at 20 frames a second, and every face node
// counts, drawn or not. The next window opens where that one closed and counts only its own 30
// frames, in 4.0 s. The exit report's rates are the whole run's: all frames and faces over the time
// since the first frame, not the last window's.
TEST_F(ProgramRun, FrameRatesCoverEachWindowAndTheExitReportTheWholeRun) {
  startWith();
  double faces = 0;
  for (int frame = 1; frame <= 100; ++frame) {
    clocks.seconds = frame < 69    ? 1.0
                     : frame == 69 ? 3.0
                     : frame == 70 ? 3.5
                     : frame < 100 ? 6.5
                                   : 7.5;
    runFrame(state);
    if (frame == 69) {
      EXPECT_EQ(state.statistics.framesPerSecond, 0.0);
    }
    if (frame == 70) {
      faces = state.statistics.totalFaces;
      ASSERT_GT(faces, 0);
      ASSERT_EQ(state.statistics.facesInWindow, 0);
      EXPECT_EQ(std::fmod(faces, 70.0), 0.0);
      EXPECT_DOUBLE_EQ(state.statistics.framesPerSecond, 20.0);
      EXPECT_DOUBLE_EQ(state.statistics.facesPerSecond, 20.0 * faces / 70);
    }
  }
  EXPECT_DOUBLE_EQ(state.statistics.framesPerSecond, 7.5);
  EXPECT_DOUBLE_EQ(state.statistics.facesPerSecond, 7.5 * faces / 70);
  clocks.seconds = 8.0;
  char rates[64];
  std::snprintf(rates, sizeof rates, "\nFPS: %.2f  TPS: %.2f\n", 100 / 8.0, faces / 70 * 100 / 8.0);
  const std::string report = stop();
  EXPECT_NE(report.find(rates), std::string::npos) << report << " lacks " << rates;
}

}  // namespace
