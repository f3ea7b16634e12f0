// The program's frames run headless: camera, statistics, keys, screenshot and
// the exit report.
#include "app/program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "app/screenshot.h"
#include "app/tracked_memory.h"
#include "tests/app/program_fixture.h"

namespace {

TEST(CameraAngles, StepInSinglePrecisionAndWrapPastAFullTurn) {
  ProgramState state;
  std::pair<int, float> wrapX{}, wrapZ{};  // the update that wraps, the angle after it
  for (int update = 1; update <= 1000; ++update) {
    const float x = state.angleX, z = state.angleZ;
    advanceCameraAngles(state);
    if (wrapX.first == 0 && state.angleX < x) wrapX = {update, state.angleX};
    if (wrapZ.first == 0 && state.angleZ < z) wrapZ = {update, state.angleZ};
  }
  EXPECT_EQ(wrapX.first, 901);
  EXPECT_NEAR(wrapX.second, 0.297, 0.001);
  EXPECT_EQ(wrapZ.first, 300);
  EXPECT_GT(wrapZ.second, 0.0f);
  EXPECT_LT(wrapZ.second, 0.001f);
  EXPECT_EQ(state.angleY, -1000.0f);  // never reduced
}

TEST_F(ProgramRun, FramesPerSecondOverTheThreeSecondWindow) {
  constexpr int TEST_FACES = 8;  // six in the wild scene, two in the sky
  startWith();
  for (int frame = 1; frame <= 70; ++frame) {
    clocks.seconds = frame == 70 ? 3.5 : frame == 69 ? 3.0 : 1.0;
    runFrame(state);
    EXPECT_EQ(state.statistics.framesPerSecond, frame < 70 ? 0.0 : 20.0);
  }
  // Rejected, culled and undrawn faces count as well: every node, every frame.
  EXPECT_DOUBLE_EQ(state.statistics.facesPerSecond, 20.0 * TEST_FACES);
  EXPECT_EQ(state.statistics.totalFaces, 70 * TEST_FACES);
}

TEST_F(ProgramRun, KeysActOneAFrameAndAShortRunReportsZeroRatesAndReleasesEverything) {
  const std::uint32_t heapBefore = getTotalMemAllocated();
  startWith();
  keys.waiting = {'s', 'S', 'V', -1, 'v', 'D', -1, 'd'};
  std::vector<int> statistics, retrace;
  std::vector<std::uint8_t> firstDump;
  for (int frame = 1; frame <= 8; ++frame) {
    runFrame(state);
    statistics.push_back(state.showStatistics);
    retrace.push_back(state.waitForRetrace);
    if (frame == 6) firstDump = readFileBytes("dump.tga");
  }
  EXPECT_EQ(statistics, (std::vector<int>{0, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(retrace, (std::vector<int>{1, 1, 0, 0, 1, 1, 1, 1}));  // frame 4 draws the "V" mark
  const std::vector<std::uint8_t> lastDump = readFileBytes("dump.tga");
  EXPECT_EQ(firstDump.size(), 589868u);
  EXPECT_EQ(lastDump.size(), 589868u);
  EXPECT_NE(firstDump, lastDump);
  EXPECT_EQ(state.quitRequested, 0);
  for (int key : {int{'q'}, int{' '}, 27, 0x100, 0x101}) {
    state.quitRequested = 0;
    keys.waiting = {key};
    runFrame(state);
    EXPECT_EQ(state.quitRequested, 1) << "key " << key;
  }
  // Nothing where no file can be created nor for a size beyond the screen;
  // the lock is given back each time, so a later screenshot still works.
  saveScreenshot("missing-folder/dump.tga", 512, 384);
  saveScreenshot("big.tga", 1024, 768);
  EXPECT_FALSE(std::filesystem::exists("missing-folder") || std::filesystem::exists("big.tga"));
  saveScreenshot("small.tga", 2, 1);
  EXPECT_EQ(readFileBytes("small.tga").size(), 18u + 6u + 26u);

  // The clock never moved: the rates are 0.00, not a division by zero.
  const std::string report = stop();
  EXPECT_EQ(getTotalMemAllocated(), heapBefore);
  EXPECT_EQ(report.rfind("qxTotalMemAllocated = " + std::to_string(heapBefore) + "\n", 0), 0u)
      << report;
  EXPECT_NE(report.find("\nFPS: 0.00  TPS: 0.00\nTEXMEM: "), std::string::npos) << report;
  EXPECT_NE(report.find("   RASPOS:   0\n"), std::string::npos) << report;
}

}  // namespace
