#include "platform/sdl_display.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int WIDTH = 512, HEIGHT = 384;

// SDL's window-less video driver: a real window and renderer in memory.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_TRUE(display.open(WIDTH, HEIGHT));
  }
  void TearDown() override {
    display.close();
    unsetenv("SDL_VIDEODRIVER");
  }
  SdlDisplay display;
};

// The display's window: the one window open (each test opens its own).
SDL_Window* openWindow() {
  for (Uint32 id = 1; id < 256; ++id) {
    if (SDL_Window* window = SDL_GetWindowFromID(id)) return window;
  }
  return nullptr;
}

void pressKey(SDL_Keycode key, Uint16 modifiers = KMOD_NONE) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.keysym.sym = key;
  event.key.keysym.mod = modifiers;
  SDL_PushEvent(&event);
}

std::vector<int> takeAllKeys(SdlDisplay& display) {
  std::vector<int> keys;
  for (int key = display.takeKey(); key >= 0; key = display.takeKey()) keys.push_back(key);
  return keys;
}

TEST_F(WindowTest, ShowsTheFrontBufferAtTwiceItsSizeWithNearestScaling) {
  std::vector<std::uint16_t> picture(std::size_t(WIDTH) * HEIGHT);
  for (int y = 0; y < HEIGHT; ++y) {
    for (int x = 0; x < WIDTH; ++x)
      picture[std::size_t(y) * WIDTH + x] = std::uint16_t(x * 131 + y * 7919);
  }
  display.present(picture.data(), WIDTH, HEIGHT);

  SDL_Renderer* renderer = SDL_GetRenderer(openWindow());
  ASSERT_NE(renderer, nullptr);
  std::vector<std::uint32_t> shown(std::size_t(WIDTH) * HEIGHT * 4);
  ASSERT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shown.data(),
                                 WIDTH * 2 * 4),
            0);
  int wrong = 0;
  for (int y = 0; y < HEIGHT * 2; ++y) {
    for (int x = 0; x < WIDTH * 2; ++x) {
      const std::uint16_t p = picture[std::size_t(y / 2) * WIDTH + x / 2];
      const std::uint32_t s = shown[std::size_t(y) * WIDTH * 2 + x];
      // The top bits of each channel are the picture's own; below them the
      // widening is SDL's.
      const bool same = ((s >> 19) & 31) == (p >> 11) && ((s >> 10) & 63) == ((p >> 5) & 63) &&
                        ((s >> 3) & 31) == (p & 31);
      wrong += !same;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(WindowTest, KeysReachTheProgramAsItsCharactersInOrder) {
  pressKey(SDLK_a);
  pressKey(SDLK_z, KMOD_LSHIFT);
  pressKey(SDLK_LSHIFT);  // a modifier alone is no key
  pressKey(SDLK_0);
  pressKey(SDLK_9);
  pressKey(SDLK_SPACE);
  pressKey(SDLK_ESCAPE);
  pressKey(SDLK_RETURN);
  pressKey(SDLK_KP_ENTER);
  pressKey(SDLK_F1);
  pressKey(SDLK_RETURN, KMOD_LALT);  // Alt+Enter switches full screen instead
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_EQ(takeAllKeys(display),
            (std::vector<int>{'A', 'Z', '0', '9', ' ', 27, 13, 13, KEY_OTHER, KEY_WINDOW_CLOSED}));
  EXPECT_NE(SDL_GetWindowFlags(openWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
}

TEST_F(WindowTest, KeysBeyondTheQueueAreDropped) {
  for (int i = 0; i < 70; ++i) pressKey(i < 64 ? SDLK_a : SDLK_b);
  EXPECT_EQ(takeAllKeys(display), std::vector<int>(64, 'A'));
}

}  // namespace
