// The program's frames run headless: camera, statistics, keys, screenshot and
// the overlay text.
#include "app/program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

#include "app/screenshot.h"
#include "app/text_overlay.h"
#include "app/tracked_memory.h"
#include "board/trace_replay.h"
#include "render/glide.h"
#include "render/texture_registry.h"
#include "tests/app/program_fixture.h"

namespace {

constexpr int TEST_FACES = 8;  // six in the wild scene, two in the sky

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
  startWith();
  for (int frame = 1; frame <= 70; ++frame) {
    clock.now = frame == 70 ? 3.5 : frame == 69 ? 3.0 : 1.0;
    runFrame(state);
    EXPECT_EQ(state.statistics.framesPerSecond, frame < 70 ? 0.0 : 20.0);
  }
  // Rejected, culled and undrawn faces count as well: every node, every frame.
  EXPECT_DOUBLE_EQ(state.statistics.facesPerSecond, 20.0 * TEST_FACES);
  EXPECT_EQ(state.statistics.totalFaces, 70 * TEST_FACES);
}

TEST_F(ProgramRun, RasterPositionAveragesTheCpuPartOver216Frames) {
  startWith();
  boardClock.step = 0.0007;  // a step moves the beam by about 19 lines
  std::vector<int> samples;
  for (int frame = 1; frame <= 216; ++frame) {
    runFrame(state);
    samples.push_back(state.rasterLines);
    EXPECT_TRUE(state.rasterLines >= 0 && state.rasterLines < 384) << state.rasterLines;
    EXPECT_EQ(state.statistics.rasterAverage,
              frame < 216 ? 0 : std::accumulate(samples.begin(), samples.end(), 0) / 216);
  }
  EXPECT_NE(*std::min_element(samples.begin(), samples.end()),
            *std::max_element(samples.begin(), samples.end()));
}

TEST_F(ProgramRun, KeysActOneAFrameAndAShortRunReportsZeroRatesAndReleasesEverything) {
  const std::uint32_t heapBefore = getTotalMemAllocated();
  startWith();
  keys.waiting = {'s', 'S', 'V', -1, 'v', 'D', -1, 'd'};  // -1: no key that frame
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

using Pixels = std::set<std::pair<int, int>>;  // column, row with the origin lower left

// The pixels lit since the last clear, shown by a swap; clears again.
Pixels litPixels() {
  grBufferSwap(0);
  std::vector<std::uint16_t> shown(std::size_t{BOARD_WIDTH} * BOARD_HEIGHT);
  EXPECT_TRUE(readFrontBuffer(shown.data()));
  Pixels lit;
  for (int i = 0; i < BOARD_WIDTH * BOARD_HEIGHT; ++i) {
    if (shown[i] != 0) lit.insert({i % BOARD_WIDTH, BOARD_HEIGHT - 1 - i / BOARD_WIDTH});
  }
  grBufferClear(0, 0, 0);
  return lit;
}

// Where the font puts the characters of text drawn with its pen at (x, y).
Pixels glyphs(const char* text, int x, int y) {
  Pixels pixels;
  for (; *text != 0; ++text, x += 8) {
    for (int j = 0; j < 8; ++j) {
      for (int i = 0; i < 8; ++i) {
        if (fontGlyphTexel(*text - 32, i, j)) pixels.insert({x + 4 + i, y + 7 - j});
      }
    }
  }
  return pixels;
}

TEST_F(ProgramRun, TextLinesReturnsAndHighBitsLandOnTheFontsTexels) {
  startWith();
  grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
  grBufferClear(0, 0, 0);
  const std::int32_t before = textureMemoryUsed();
  drawText(0, 10, 10, "A%c\n%s\x80", 'b', "C#\rD");
  const std::int32_t afterFirst = textureMemoryUsed();
  EXPECT_GT(afterFirst, before);
  Pixels expected = glyphs("Ab", 10, 10);
  expected.merge(glyphs("C#", 10, 2));
  expected.merge(glyphs("D", 10, 2));  // the carriage return overdraws the line
  EXPECT_EQ(litPixels(), expected);    // 0x80 masks to the control code 0: nothing drawn
  // The font is loaded once; a text longer than the buffer is cut at 255.
  drawText(1, 100, 200, "%sEF", std::string(254, '\r').c_str());
  EXPECT_EQ(textureMemoryUsed(), afterFirst);
  EXPECT_EQ(litPixels(), glyphs("E", 100, 200));
  drawText(0, 10, 364, "\xD6");  // 'V' with the high bit set
  EXPECT_EQ(litPixels(), glyphs("V", 10, 364));
}

}  // namespace
