#include "app/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "app/screenshot.h"
#include "app/tracked_memory.h"
#include "render/glide.h"
#include "tests/app/program_fixture.h"

namespace {

constexpr int TEST_FACES = 8;  // six in the wild scene, two in the sky

// The front buffer as the screenshot writes it: blue, green, red per pixel,
// rows top to bottom.
std::vector<std::uint8_t> frontBufferAsTga() {
  GrLfbInfo_t info{};
  info.size = sizeof info;
  EXPECT_TRUE(grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_FRONTBUFFER, GR_LFBWRITEMODE_ANY,
                        GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
  std::vector<std::uint8_t> bytes;
  const auto* pixels = static_cast<const std::uint16_t*>(info.lfbPtr);
  for (int row = 0; row < SCREEN_HEIGHT; ++row) {
    for (int column = 0; column < SCREEN_WIDTH; ++column) {
      const ScreenPixel pixel =
          screenPixelFromRgb565(pixels[column + row * info.strideInBytes / 2]);
      bytes.insert(bytes.end(), {pixel.blue, pixel.green, pixel.red});
    }
  }
  grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_FRONTBUFFER);
  return bytes;
}

TEST(CameraAngles, StepInSinglePrecisionAndWrapPastAFullTurn) {
  ProgramState state;
  int firstWrapX = 0, firstWrapZ = 0;
  float afterWrapX = 0, afterWrapZ = 0;
  for (int update = 1; update <= 1000; ++update) {
    const float x = state.angleX, z = state.angleZ;
    advanceCameraAngles(state);
    if (firstWrapX == 0 && state.angleX < x) {
      firstWrapX = update;
      afterWrapX = state.angleX;
    }
    if (firstWrapZ == 0 && state.angleZ < z) {
      firstWrapZ = update;
      afterWrapZ = state.angleZ;
    }
  }
  EXPECT_EQ(firstWrapX, 901);
  EXPECT_NEAR(afterWrapX, 0.297, 0.001);
  EXPECT_EQ(firstWrapZ, 300);
  EXPECT_GT(afterWrapZ, 0.0f);
  EXPECT_LT(afterWrapZ, 0.001f);
  EXPECT_EQ(state.angleY, -1000.0f);  // never reduced
}

TEST_F(ProgramRun, FirstFrameLooksAlongTheStartAnglesAndTheSkyIsFiveTimesLarger) {
  startWith();
  EXPECT_EQ(state.angleX, 90.0f);
  EXPECT_EQ(state.angleY, 0.0f);
  EXPECT_EQ(state.angleZ, 0.0f);
  // The first wild vertex is (-150, 100, -90) in the file; the sky's (-400, 300, -300).
  const SceneVertex& wild = state.wildScene->vertices[0];
  const SceneVertex& sky = state.skyScene->vertices[0];
  EXPECT_EQ(wild.x, -150.0f);
  EXPECT_EQ(sky.x, -2000.0f);
  EXPECT_EQ(sky.y, 1500.0f);

  runFrame(state);
  // Turned 90 degrees about x: camera (x, z, -y).
  EXPECT_NEAR(wild.viewX, -150.0f, 1e-3);
  EXPECT_NEAR(wild.viewY, -90.0f, 1e-3);
  EXPECT_NEAR(wild.viewZ, -100.0f, 1e-3);
  EXPECT_EQ(state.angleX, 90.0f + 0.3f);
  EXPECT_EQ(state.angleY, -1.0f);
  EXPECT_EQ(state.angleZ, 1.2f);
  EXPECT_EQ(state.depthParity, 1);
  EXPECT_EQ(state.statistics.totalFaces, TEST_FACES);
}

TEST_F(ProgramRun, ARunTooShortForTheClockReportsZeroRatesAndReleasesEverything) {
  const std::uint32_t heapBefore = getTotalMemAllocated();
  startWith();
  keys.waiting = {'Q'};
  runFrame(state);
  EXPECT_EQ(state.quitRequested, 1);
  ::testing::internal::CaptureStdout();
  shutdownProgram(state);
  started = false;
  const std::string report = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(getTotalMemAllocated(), heapBefore);
  const std::string memoryLine = "qxTotalMemAllocated = " + std::to_string(heapBefore) + "\n";
  EXPECT_EQ(report.rfind(memoryLine, 0), 0u) << report;
  EXPECT_NE(report.find("\nFPS: 0.00  TPS: 0.00\nTEXMEM: "), std::string::npos) << report;
  EXPECT_NE(report.find("   RASPOS:   0\n"), std::string::npos) << report;
}

TEST_F(ProgramRun, FramesPerSecondOverTheThreeSecondWindow) {
  startWith();
  for (int frame = 1; frame <= 70; ++frame) {
    clock.now = frame == 70 ? 3.5 : frame == 69 ? 3.0 : 1.0;
    runFrame(state);
    if (frame == 69) {
      EXPECT_EQ(state.statistics.framesPerSecond, 0.0);
    }
  }
  EXPECT_DOUBLE_EQ(state.statistics.framesPerSecond, 20.0);
  // Rejected, culled and undrawn faces count as well: every node, every frame.
  EXPECT_DOUBLE_EQ(state.statistics.facesPerSecond, 20.0 * TEST_FACES);
  EXPECT_EQ(state.statistics.totalFaces, 70 * TEST_FACES);
  EXPECT_EQ(state.depthParity, 0);
}

TEST_F(ProgramRun, RasterPositionAveragesTheCpuPartOver216Frames) {
  startWith();
  boardClock.step = 0.0007;  // a step moves the beam by about 19 lines
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
  const int sum = std::accumulate(samples.begin(), samples.end(), 0);
  EXPECT_NE(*std::min_element(samples.begin(), samples.end()),
            *std::max_element(samples.begin(), samples.end()));
  EXPECT_EQ(state.statistics.rasterAverage, sum / 216);
}

TEST_F(ProgramRun, KeysToggleTheOverlayAndTheRetraceOneKeyPerFrame) {
  startWith();
  keys.waiting = {'s', 'S'};
  runFrame(state);
  EXPECT_EQ(state.showStatistics, 0);
  runFrame(state);
  EXPECT_EQ(state.showStatistics, 1);

  keys.waiting = {'V'};
  runFrame(state);
  EXPECT_EQ(state.waitForRetrace, 0);
  runFrame(state);  // draws the "V" mark
  keys.waiting = {'v'};
  runFrame(state);
  EXPECT_EQ(state.waitForRetrace, 1);
  EXPECT_EQ(state.quitRequested, 0);

  for (int key : {int{'q'}, int{' '}, 27, 0x100, 0x101}) {
    state.quitRequested = 0;
    keys.waiting = {key};
    runFrame(state);
    EXPECT_EQ(state.quitRequested, 1) << "key " << key;
  }
}

TEST_F(ProgramRun, ScreenshotHoldsTheFrameAsShownAndTheLastOneIsKept) {
  startWith();
  keys.waiting = {'D'};
  runFrame(state);
  const std::vector<std::uint8_t> first = readFileBytes("dump.tga");
  ASSERT_EQ(first.size(), 589868u);
  const std::vector<std::uint8_t> shown = frontBufferAsTga();
  EXPECT_TRUE(std::equal(shown.begin(), shown.end(), first.begin() + 18));

  runFrame(state);
  keys.waiting = {'d'};
  runFrame(state);
  const std::vector<std::uint8_t> second = readFileBytes("dump.tga");
  ASSERT_EQ(second.size(), 589868u);
  EXPECT_NE(first, second);
  const std::vector<std::uint8_t> shownLater = frontBufferAsTga();
  EXPECT_TRUE(std::equal(shownLater.begin(), shownLater.end(), second.begin() + 18));
}

}  // namespace
