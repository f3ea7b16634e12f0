// The window without a display: the board runs headless and keys stay empty.

#include "platform/sdl_display.h"

#include <cstdlib>

#include "tests/board/board_test_support.h"

namespace {

TEST(SdlDisplay, WithoutADisplayTheBoardRunsHeadless) {
  setenv("DISPLAY", "", 1);
  unsetenv("WAYLAND_DISPLAY");
  SdlDisplay display;
  EXPECT_FALSE(display.open(BOARD_WIDTH, BOARD_HEIGHT));
  EXPECT_EQ(display.takeKey(), -1);

  boardReset();
  boardSetDisplay(&display);
  EXPECT_TRUE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA,
                           GR_ORIGIN_LOWER_LEFT, 2, 0));
  grBufferClear(0xff000000u, 0, 0);
  grBufferSwap(0);
  EXPECT_EQ(readBuffer(GR_BUFFER_FRONTBUFFER)[0], 0xf800);
  EXPECT_EQ(display.takeKey(), -1);
  grGlideShutdown();
  boardReset();
}

}  // namespace
