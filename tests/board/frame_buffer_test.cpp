// Buffers, swap, locks, the emulated retrace and opening and closing.

#include <algorithm>
#include <vector>

#include "tests/board/board_test_support.h"

namespace {

struct FakeClock : BoardClock {
  double time = 0;
  std::vector<double> sleeps;
  double now() override { return time; }
  void sleepUntil(double until) override { sleeps.push_back(until), time = std::max(time, until); }
};

// A 2-pixel triangle of colour r, g, b with its corner at (x, 0).
void dot(float x, float r, float g, float b) {
  drawTriangle(vertexAt(x, 0, r, g, b), vertexAt(x + 2, 0, r, g, b), vertexAt(x, 2, r, g, b));
}

using FrameBufferTest = BoardTest;

TEST_F(FrameBufferTest, ClearFillsBackBufferAndDepthWhenDepthIsOn) {
  auto all = [](std::uint16_t v) {
    return std::vector<std::uint16_t>(BOARD_WIDTH * BOARD_HEIGHT, v);
  };
  grBufferClear(0x00ff0000u, 0, 0x1234);  // RGBA: green
  EXPECT_EQ(readBuffer(), all(0x07e0));
  EXPECT_EQ(readBuffer(GR_BUFFER_FRONTBUFFER), all(0));
  EXPECT_EQ(readBuffer(GR_BUFFER_AUXBUFFER), all(0)) << "depth buffering is off";

  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grBufferClear(0xff000000u, 0, 0x1234);  // red
  EXPECT_EQ(readBuffer(), all(0xf800));
  EXPECT_EQ(readBuffer(GR_BUFFER_AUXBUFFER), all(0x1234));

  // The colour format decides how a colour is read: pure red in each.
  const std::pair<GrColorFormat_t, GrColor_t> reds[] = {{GR_COLORFORMAT_ARGB, 0x00ff0000u},
                                                        {GR_COLORFORMAT_ABGR, 0x000000ffu},
                                                        {GR_COLORFORMAT_BGRA, 0x0000ff00u}};
  for (auto [format, red] : reds) {
    openWindow(format);
    grBufferClear(red, 0, 0);
    EXPECT_EQ(readBuffer()[0], 0xf800) << format;
  }
}

TEST_F(FrameBufferTest, SwapExchangesFrontAndBackAndPresents) {
  TestDisplay display;
  boardSetDisplay(&display);
  openWindow(GR_COLORFORMAT_RGBA);
  EXPECT_EQ(display.opens, 1);
  grBufferClear(0xff000000u, 0, 0);  // red into the back buffer
  grBufferSwap(0);
  EXPECT_EQ(readBuffer(GR_BUFFER_FRONTBUFFER)[5], 0xf800);
  EXPECT_EQ(readBuffer()[5], 0);
  ASSERT_EQ(display.shown.size(), 1u);
  EXPECT_EQ(display.shown[0], readBuffer(GR_BUFFER_FRONTBUFFER));
  grBufferClear(0x0000ff00u, 0, 0);  // blue
  grBufferSwap(0);
  EXPECT_EQ(readBuffer(GR_BUFFER_FRONTBUFFER)[5], 0x001f);
  EXPECT_EQ(readBuffer()[5], 0xf800);
  grGlideShutdown();
  grGlideShutdown();
  EXPECT_EQ(display.closes, 1);
}

TEST_F(FrameBufferTest, LockGivesEitherOriginOfEitherBuffer) {
  // One red pixel at the bottom-left corner of the blue back buffer.
  grBufferClear(0x0000ff00u, 0, 0);
  dot(0, 255, 0, 0);
  GrLfbInfo_t info{};
  ASSERT_TRUE(lockBuffer(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_LOWER_LEFT, &info));
  EXPECT_EQ(info.writeMode, GR_LFBWRITEMODE_565);
  EXPECT_EQ(info.origin, GR_ORIGIN_LOWER_LEFT);
  EXPECT_EQ(static_cast<const std::uint16_t*>(info.lfbPtr)[0], 0xf800);
  EXPECT_FALSE(lockBuffer(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_LOWER_LEFT, &info))
      << "one lock at a time";
  // The read lock gives nothing back on unlock: what was drawn in place meanwhile stays.
  dot(20, 0, 255, 0);
  EXPECT_TRUE(grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER));
  EXPECT_FALSE(grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER));
  EXPECT_EQ(pixelAt(readBuffer(), 20, 0), 0x07e0);

  // A write lock in the lower-left origin writes back on unlock what was
  // written through it, and keeps what was drawn meanwhile.
  ASSERT_TRUE(lockBuffer(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_LOWER_LEFT, &info));
  static_cast<std::uint16_t*>(info.lfbPtr)[3] = 0x1234;
  dot(10, 0, 255, 0);
  ASSERT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
  EXPECT_EQ(pixelAt(readBuffer(), 3, 0), 0x1234);
  EXPECT_EQ(pixelAt(readBuffer(), 10, 0), 0x07e0);

  // A window opened with the upper-left origin draws row 0 at the top.
  openWindow(GR_COLORFORMAT_RGBA, GR_ORIGIN_UPPER_LEFT);
  grBufferClear(0, 0, 0);
  drawTriangle(vertexAt(0, 0, 255, 0, 0), vertexAt(4, 0, 255, 0, 0), vertexAt(0, 4, 255, 0, 0));
  auto pixels = readBuffer();
  EXPECT_EQ(pixels[0], 0xf800);
  EXPECT_EQ(pixelAt(pixels, 0, 0), 0);
}

TEST_F(FrameBufferTest, RetraceWaitAndVideoLineFollowTheClock) {
  FakeClock clock;
  boardSetClock(&clock);
  clock.time = 10.004;  // 720.288 refresh periods
  grBufferSwap(1);
  ASSERT_EQ(clock.sleeps.size(), 1u);
  EXPECT_NEAR(clock.sleeps[0], 721.0 / 72, 1e-9);
  grBufferSwap(0);
  EXPECT_EQ(clock.sleeps.size(), 1u) << "no wait without an interval";
  // The video line runs down the screen over each refresh period.
  for (auto [fraction, line] : {std::pair{0.0, 0}, std::pair{0.5, 192}, std::pair{0.999, 383}}) {
    clock.time = (100.0 + fraction) / 72;
    EXPECT_EQ(grSstVideoLine(), line) << fraction;
  }
}

}  // namespace
