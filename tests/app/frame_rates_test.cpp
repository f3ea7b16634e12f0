// The camera's angle steps and the frame statistics over the clock's window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

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

// A beam clock that moves on every reading, by pseudo-random steps.
struct MovingBeam : BoardClock {
  double seconds = 0;
  std::uint32_t draw = 1;
  double now() override {
    draw = draw * 1664525u + 1013904223u;
    return seconds += 0.0001 * (1 + (draw >> 28));
  }
  void sleepUntil(double until) override { seconds = std::max(seconds, until); }
};

// RASPOS is the average of the frames' raster lines over 216 frames, zero
// until the 216th.
TEST_F(ProgramRun, RasterPositionAveragesTheCpuPartOver216Frames) {
  startWith();
  MovingBeam beam;
  boardSetClock(&beam);
  std::vector<int> samples;
  for (int frame = 1; frame <= 216; ++frame) {
    runFrame(state);
    samples.push_back(state.rasterLines);
    EXPECT_GE(state.rasterLines, 0);
    EXPECT_LT(state.rasterLines, 384);
    if (frame == 215) {
      EXPECT_EQ(state.statistics.rasterAverage, 0);
    }
  }
  EXPECT_NE(*std::min_element(samples.begin(), samples.end()),
            *std::max_element(samples.begin(), samples.end()));
  EXPECT_EQ(state.statistics.rasterAverage,
            std::accumulate(samples.begin(), samples.end(), 0) / 216);
  boardSetClock(&clocks);
}

// Every window after the first opens where the last one closed and counts
// only its own frames and faces: 70 frames and 700 faces in 3.5 s, then 30
// frames and 900 faces in the next 4.0 s.
TEST(FrameStatistics, EachWindowStartsWhereTheLastClosedWithCountsReset) {
  FrameStatistics statistics{};
  statistics.windowStart = statistics.runStart = 100.0;
  auto frames = [&](int count, int facesEach, double end) {
    for (int frame = 1; frame <= count; ++frame) {
      statistics.facesInWindow += facesEach;
      statistics.totalFaces += facesEach;
      updateStatistics(statistics, 0, frame == count ? end : statistics.windowStart + 1.0);
    }
  };
  frames(70, 10, 103.5);
  EXPECT_DOUBLE_EQ(statistics.framesPerSecond, 20.0);
  EXPECT_DOUBLE_EQ(statistics.facesPerSecond, 200.0);
  EXPECT_EQ(statistics.windowStart, 103.5);
  frames(30, 30, 107.5);
  EXPECT_DOUBLE_EQ(statistics.framesPerSecond, 7.5);
  EXPECT_DOUBLE_EQ(statistics.facesPerSecond, 225.0);
  EXPECT_EQ(statistics.totalFrames, 100);
}

// A frame whose sorting ends after the beam has wrapped to the top of the
// next sweep: from line 380 to line 10 of the next is 14 lines.
struct WrappingBeam : BoardClock {
  std::vector<double> readings;  // in refresh periods, one per reading
  double now() override {
    const double period = readings.empty() ? 0 : readings.front();
    if (!readings.empty()) readings.erase(readings.begin());
    return period / 72.0;
  }
  void sleepUntil(double) override {}
};

TEST_F(ProgramRun, RasterLinesWrapOnceAtTheBottomOfTheScreen) {
  startWith();
  WrappingBeam beam;
  beam.readings = {1000 + 380.5 / 384, 1001 + 10.5 / 384};
  boardSetClock(&beam);
  prepareFrame(state);
  EXPECT_EQ(state.rasterLines, 14);
  boardSetClock(&clocks);
}

// 70 frames in 3.5 s: the window closes past 3.0 s at 20 frames a second, and
// every face node counts, drawn or not. The exit report's rates are the whole
// run's: all frames and faces over the time since the first frame, not the
// last window's.
TEST_F(ProgramRun, ExitReportRatesCoverTheWholeRun) {
  startWith();
  for (int frame = 1; frame <= 70; ++frame) {
    clocks.seconds = frame == 70 ? 3.5 : frame == 69 ? 3.0 : 1.0;
    runFrame(state);
    if (frame == 69) {
      EXPECT_EQ(state.statistics.framesPerSecond, 0.0);
    }
  }
  const double faces = state.statistics.totalFaces;
  ASSERT_GT(faces, 0);
  ASSERT_EQ(state.statistics.facesInWindow, 0);
  EXPECT_EQ(std::fmod(faces, 70.0), 0.0);
  EXPECT_DOUBLE_EQ(state.statistics.framesPerSecond, 20.0);
  EXPECT_DOUBLE_EQ(state.statistics.facesPerSecond, 20.0 * faces / 70);
  clocks.seconds = 4.0;
  char rates[64];
  std::snprintf(rates, sizeof rates, "\nFPS: %.2f  TPS: %.2f\n", 70 / 4.0, faces / 4.0);
  const std::string report = stop();
  EXPECT_NE(report.find(rates), std::string::npos) << report << " lacks " << rates;
}

}  // namespace
