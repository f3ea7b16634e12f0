// The window: headless without a display; with SDL's dummy driver a
// real window whose events become the program's keys.

#include "platform/sdl_display.h"

#include <SDL.h>

#include <cstdlib>

#include "tests/board/board_test_support.h"

namespace {

TEST(SdlDisplay, WithoutADisplayTheBoardRunsHeadless) {
  setenv("DISPLAY", "", 1);
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
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

void pressKey(SDL_Keycode key, Uint16 modifiers = KMOD_NONE) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.state = SDL_PRESSED;
  event.key.keysym.sym = key;
  event.key.keysym.mod = modifiers;
  SDL_PushEvent(&event);
}

TEST(SdlDisplay, KeysOfTheWindowBecomeTheProgramsCharacters) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  SdlDisplay display;
  if (!display.open(BOARD_WIDTH, BOARD_HEIGHT)) GTEST_SKIP() << "no dummy video driver";
  std::vector<std::uint16_t> frame(BOARD_WIDTH * BOARD_HEIGHT, 0x07e0);
  pressKey(SDLK_d);
  pressKey(SDLK_7);
  pressKey(SDLK_SPACE);
  pressKey(SDLK_ESCAPE);
  pressKey(SDLK_RETURN);
  pressKey(SDLK_LSHIFT);             // not a key to the program
  pressKey(SDLK_RETURN, KMOD_LALT);  // fullscreen, not a key
  pressKey(SDLK_F5);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  display.present(frame.data(), BOARD_WIDTH, BOARD_HEIGHT);
  for (int expected : {int('D'), int('7'), int(' '), 27, 13, KEY_OTHER, KEY_WINDOW_CLOSED}) {
    EXPECT_EQ(display.takeKey(), expected);
  }
  EXPECT_EQ(display.takeKey(), -1);
  display.close();
  display.close();
  unsetenv("SDL_VIDEODRIVER");
}

}  // namespace
