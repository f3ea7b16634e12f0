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

TEST(SdlDisplay, KeysOfTheWindowBecomeTheProgramsCharacters) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  SdlDisplay display;
  if (!display.open(BOARD_WIDTH, BOARD_HEIGHT)) GTEST_SKIP() << "no dummy video driver";
  // Shift is not a key to the program; Alt+Enter toggles fullscreen.
  const std::pair<SDL_Keycode, Uint16> presses[] = {
      {SDLK_d, KMOD_NONE},      {SDLK_7, KMOD_NONE},      {SDLK_SPACE, KMOD_NONE},
      {SDLK_ESCAPE, KMOD_NONE}, {SDLK_RETURN, KMOD_NONE}, {SDLK_LSHIFT, KMOD_NONE},
      {SDLK_RETURN, KMOD_LALT}, {SDLK_F5, KMOD_NONE}};
  for (auto [key, modifiers] : presses) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    event.key.keysym.mod = modifiers;
    SDL_PushEvent(&event);
  }
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  std::vector<std::uint16_t> frame(BOARD_WIDTH * BOARD_HEIGHT, 0x07e0);
  display.present(frame.data(), BOARD_WIDTH, BOARD_HEIGHT);
  for (int expected : {int('D'), int('7'), int(' '), 27, 13, KEY_OTHER, KEY_WINDOW_CLOSED, -1}) {
    EXPECT_EQ(display.takeKey(), expected);
  }
  display.close();
  display.close();
  unsetenv("SDL_VIDEODRIVER");
}

}  // namespace
