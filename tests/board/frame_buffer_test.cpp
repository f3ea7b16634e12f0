// Buffers, swap, locks and opening and closing.

#include <vector>

#include "tests/board/board_test_support.h"

namespace {

// A 2-pixel triangle of colour r, g, b with its corner at (x, 0).
void dot(float x, float r, float g, float b) {
  drawTriangle(vertexAt(x, 0, r, g, b), vertexAt(x + 2, 0, r, g, b), vertexAt(x, 2, r, g, b));
}

using FrameBufferTest = BoardTest;

// A clock standing a quarter of the way into its 1000th refresh (72 Hz);
// keeps the times it is asked to sleep until, in refresh periods.
struct StoppedClock : BoardClock {
  std::vector<double> sleeps;
  double now() override { return 1000.25 / 72; }
  void sleepUntil(double time) override { sleeps.push_back(time * 72); }
};

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
  grGlideShutdown();
  grGlideShutdown();
  EXPECT_EQ(display.closes, 1);
}

// A swap waits for the retrace its interval names, counted from the one
// before now; interval 0 waits for none. The beam stands a quarter down.
TEST_F(FrameBufferTest, SwapsWaitForTheRetraceAndTheBeamFollowsTheClock) {
  StoppedClock clock;
  boardSetClock(&clock);
  grBufferSwap(0);
  grBufferSwap(1);
  grBufferSwap(2);
  ASSERT_EQ(clock.sleeps.size(), 2u);
  EXPECT_NEAR(clock.sleeps[0], 1001, 1e-6);
  EXPECT_NEAR(clock.sleeps[1], 1002, 1e-6);
  EXPECT_EQ(grSstVideoLine(), 96);
}

// Three drawing threads: what they draw during a lock is finished in place.
TEST_F(FrameBufferTest, LocksReadAndWriteInPlaceWhileDrawingGoesOn) {
  boardSetThreadCount(3);
  // One red pixel at the bottom-left corner of the blue back buffer.
  grBufferClear(0x0000ff00u, 0, 0);
  dot(0, 255, 0, 0);
  GrLfbInfo_t info{}, refused{};
  ASSERT_TRUE(lockBuffer(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_UPPER_LEFT, &info));
  EXPECT_EQ(info.writeMode, GR_LFBWRITEMODE_565);
  const auto* bottom = static_cast<const std::uint16_t*>(info.lfbPtr) +
                       (BOARD_HEIGHT - 1) * (info.strideInBytes / 2);
  EXPECT_EQ(bottom[0], 0xf800);
  EXPECT_FALSE(lockBuffer(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_LOWER_LEFT, &refused))
      << "one lock at a time";
  // An upper-left lock is the buffer itself: what is drawn meanwhile shows at once.
  dot(20, 0, 255, 0);
  EXPECT_EQ(bottom[20], 0x07e0) << "drawn during the lock";
  EXPECT_TRUE(grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER));
  EXPECT_FALSE(grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER));

  // A write lock is refused another buffer's write mode, and the pixel
  // pipeline, which the board does not run on written pixels.
  refused.size = sizeof refused;
  EXPECT_FALSE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_ZA16,
                         GR_ORIGIN_UPPER_LEFT, FXFALSE, &refused));
  EXPECT_FALSE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_565,
                         GR_ORIGIN_UPPER_LEFT, FXTRUE, &refused));

  // A write lock in the lower-left origin writes back on unlock what was
  // written through it, and keeps what was drawn meanwhile.
  ASSERT_TRUE(lockBuffer(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_LOWER_LEFT, &info));
  static_cast<std::uint16_t*>(info.lfbPtr)[3] = 0x1234;
  dot(10, 0, 255, 0);
  ASSERT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
  EXPECT_EQ(pixelAt(readBuffer(), 3, 0), 0x1234);
  EXPECT_EQ(pixelAt(readBuffer(), 10, 0), 0x07e0);

  // A read lock in the lower-left origin shows the bottom row first and
  // writes nothing back: what is drawn meanwhile stays.
  ASSERT_TRUE(lockBuffer(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_LOWER_LEFT, &info));
  EXPECT_EQ(static_cast<const std::uint16_t*>(info.lfbPtr)[3], 0x1234);
  dot(30, 255, 0, 0);
  ASSERT_TRUE(grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER));
  EXPECT_EQ(pixelAt(readBuffer(), 30, 0), 0xf800);
}

// A lock holds the buffer its name gave when it was taken, as a pointer to
// the board's memory would: a swap during the lock shows that buffer, and
// the unlock leaves the writes there in either origin.
TEST_F(FrameBufferTest, AWriteLockKeepsItsBufferThroughASwap) {
  for (GrOriginLocation_t origin : {GR_ORIGIN_UPPER_LEFT, GR_ORIGIN_LOWER_LEFT}) {
    for (int buffer = 0; buffer < 2; ++buffer) {
      grBufferClear(0x0000ff00u, 0, 0);  // both buffers blue
      grBufferSwap(0);
    }
    GrLfbInfo_t info{};
    ASSERT_TRUE(lockBuffer(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, origin, &info));
    const int topRow = origin == GR_ORIGIN_UPPER_LEFT ? 0 : BOARD_HEIGHT - 1;
    static_cast<std::uint16_t*>(info.lfbPtr)[topRow * (info.strideInBytes / 2)] = 0xf800;
    grBufferSwap(0);
    ASSERT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
    EXPECT_EQ(readBuffer(GR_BUFFER_FRONTBUFFER)[0], 0xf800) << "origin " << origin;
    EXPECT_EQ(readBuffer(GR_BUFFER_BACKBUFFER)[0], 0x001f) << "origin " << origin;
  }
}

}  // namespace
