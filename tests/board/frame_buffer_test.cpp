// Buffers, swap, locks, the emulated retrace and opening and closing.

#include <vector>

#include "tests/board/board_test_support.h"

namespace {

class FakeClock : public BoardClock {
 public:
  double time = 0;
  std::vector<double> sleeps;
  double now() override { return time; }
  void sleepUntil(double until) override {
    sleeps.push_back(until);
    if (until > time) time = until;
  }
};

class FakeDisplay : public BoardDisplay {
 public:
  bool canOpen = true;
  int opens = 0, closes = 0;
  std::vector<std::uint16_t> lastFrame;
  bool open(int width, int height) override {
    ++opens;
    EXPECT_EQ(width, BOARD_WIDTH);
    EXPECT_EQ(height, BOARD_HEIGHT);
    return canOpen;
  }
  void present(const std::uint16_t* rgb565, int width, int height) override {
    lastFrame.assign(rgb565, rgb565 + width * height);
  }
  void close() override { ++closes; }
};

using FrameBufferTest = BoardTest;

TEST_F(FrameBufferTest, ClearFillsBackBufferAndDepthWhenDepthIsOn) {
  grBufferClear(0x00ff0000u, 0, 0x1234);  // RGBA: green
  auto back = readBuffer(GR_BUFFER_BACKBUFFER);
  EXPECT_EQ(back.front(), 0x07e0);
  EXPECT_EQ(back.back(), 0x07e0);
  EXPECT_EQ(readBuffer(GR_BUFFER_FRONTBUFFER).front(), 0);
  EXPECT_EQ(readBuffer(GR_BUFFER_AUXBUFFER).front(), 0) << "depth buffering is off";

  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grBufferClear(0xff000000u, 0, 0x1234);  // red
  EXPECT_EQ(readBuffer(GR_BUFFER_BACKBUFFER)[1000], 0xf800);
  auto depth = readBuffer(GR_BUFFER_AUXBUFFER);
  EXPECT_EQ(depth.front(), 0x1234);
  EXPECT_EQ(depth.back(), 0x1234);
}

TEST_F(FrameBufferTest, ColourFormatDecidesHowAColourIsRead) {
  struct Case {
    GrColorFormat_t format;
    GrColor_t value;
  };
  // Pure red in each format.
  for (Case c : {Case{GR_COLORFORMAT_ARGB, 0x00ff0000u}, Case{GR_COLORFORMAT_ABGR, 0x000000ffu},
                 Case{GR_COLORFORMAT_RGBA, 0xff000000u}, Case{GR_COLORFORMAT_BGRA, 0x0000ff00u}}) {
    grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, c.format, GR_ORIGIN_LOWER_LEFT, 2, 0);
    grBufferClear(c.value, 0, 0);
    EXPECT_EQ(readBuffer()[0], 0xf800) << c.format;
  }
}

TEST_F(FrameBufferTest, SwapExchangesFrontAndBackAndPresents) {
  FakeDisplay display;
  boardSetDisplay(&display);
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
               2, 0);
  EXPECT_EQ(display.opens, 1);
  grBufferClear(0xff000000u, 0, 0);  // red into the back buffer
  grBufferSwap(0);
  EXPECT_EQ(readBuffer(GR_BUFFER_FRONTBUFFER)[5], 0xf800);
  EXPECT_EQ(readBuffer(GR_BUFFER_BACKBUFFER)[5], 0);
  ASSERT_EQ(display.lastFrame.size(), std::size_t(BOARD_WIDTH * BOARD_HEIGHT));
  EXPECT_EQ(display.lastFrame[5], 0xf800);
  grBufferClear(0x0000ff00u, 0, 0);  // blue
  grBufferSwap(0);
  EXPECT_EQ(readBuffer(GR_BUFFER_FRONTBUFFER)[5], 0x001f);
  EXPECT_EQ(readBuffer(GR_BUFFER_BACKBUFFER)[5], 0xf800);
  grGlideShutdown();
  grGlideShutdown();
  EXPECT_EQ(display.closes, 1);

  // A display taken away while open is closed and no longer shown to.
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
               2, 0);
  boardSetDisplay(nullptr);
  EXPECT_EQ(display.closes, 2);
  grBufferSwap(0);
}

TEST_F(FrameBufferTest, LockGivesEitherOriginOfEitherBuffer) {
  // One red pixel at the bottom-left corner of the back buffer.
  drawTriangle(vertexAt(0, 0, 255, 0, 0), vertexAt(2, 0, 255, 0, 0), vertexAt(0, 2, 255, 0, 0));
  GrLfbInfo_t info{};
  info.size = sizeof info;
  ASSERT_TRUE(grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_ANY,
                        GR_ORIGIN_LOWER_LEFT, FXFALSE, &info));
  EXPECT_EQ(info.writeMode, GR_LFBWRITEMODE_565);
  EXPECT_EQ(info.origin, GR_ORIGIN_LOWER_LEFT);
  EXPECT_GE(info.strideInBytes, std::uint32_t(BOARD_WIDTH * 2));
  EXPECT_EQ(static_cast<const std::uint16_t*>(info.lfbPtr)[0], 0xf800);
  EXPECT_FALSE(grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_ANY,
                         GR_ORIGIN_LOWER_LEFT, FXFALSE, &info))
      << "one lock at a time";
  EXPECT_TRUE(grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER));
  EXPECT_FALSE(grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER));

  ASSERT_TRUE(grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_ANY,
                        GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
  const auto* rows = static_cast<const std::uint8_t*>(info.lfbPtr);
  const auto* lastRow =
      reinterpret_cast<const std::uint16_t*>(rows + (BOARD_HEIGHT - 1) * info.strideInBytes);
  EXPECT_EQ(lastRow[0], 0xf800);
  EXPECT_EQ(static_cast<const std::uint16_t*>(info.lfbPtr)[0], 0);
  grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER);

  info.size = 4;
  EXPECT_FALSE(grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_ANY,
                         GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
  info.size = sizeof info;
  EXPECT_FALSE(
      grLfbLock(GR_LFB_READ_ONLY, 77, GR_LFBWRITEMODE_ANY, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
  EXPECT_FALSE(grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_ANY,
                         GR_ORIGIN_UPPER_LEFT, FXFALSE, nullptr));
}

TEST_F(FrameBufferTest, WriteLockInLowerLeftOriginWritesBackOnUnlock) {
  GrLfbInfo_t info{};
  info.size = sizeof info;
  ASSERT_TRUE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_565,
                        GR_ORIGIN_LOWER_LEFT, FXFALSE, &info));
  static_cast<std::uint16_t*>(info.lfbPtr)[3] = 0x1234;
  ASSERT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
  EXPECT_EQ(pixelAt(readBuffer(), 3, 0), 0x1234);
}

TEST_F(FrameBufferTest, SwapWithIntervalWaitsForTheNextRetrace) {
  FakeClock clock;
  boardSetClock(&clock);
  clock.time = 10.004;  // 720.288 refresh periods
  grBufferSwap(1);
  ASSERT_EQ(clock.sleeps.size(), 1u);
  EXPECT_NEAR(clock.sleeps[0], 721.0 / 72, 1e-9);
  grBufferSwap(0);
  EXPECT_EQ(clock.sleeps.size(), 1u) << "no wait without an interval";
}

TEST_F(FrameBufferTest, VideoLineFollowsTheClock) {
  FakeClock clock;
  boardSetClock(&clock);
  clock.time = 100.0 / 72;
  EXPECT_EQ(grSstVideoLine(), 0);
  clock.time = (100.0 + 0.5) / 72;
  EXPECT_EQ(grSstVideoLine(), 192);
  clock.time = (100.0 + 0.999) / 72;
  EXPECT_EQ(grSstVideoLine(), 383);
}

TEST_F(FrameBufferTest, QueryReportsOneBoard) {
  GrHwConfiguration hw{};
  EXPECT_TRUE(grSstQueryHardware(&hw));
  EXPECT_EQ(hw.num_sst, 1);
  EXPECT_FALSE(grSstQueryHardware(nullptr));
}

}  // namespace
