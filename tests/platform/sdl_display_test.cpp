#include "platform/sdl_display.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int WIDTH = 512, HEIGHT = 384;

// The display's window: the one window open.
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

// Under SDL's window-less video driver: a real window and renderer in memory.
// A resized window keeps the picture's shape; a modifier alone is no key;
// Alt+Enter switches full screen instead; keys beyond the queue are dropped.
// A refused window (too wide) gives the video subsystem back, as closing
// does; it comes first, as open() succeeds at once while a window exists.
TEST(SdlWindow, ShowsTheFrontBufferAtTwiceItsSizeWithNearestScalingAndGivesKeysInOrder) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  SdlDisplay display;
  EXPECT_FALSE(display.open(20000, HEIGHT));
  EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
  ASSERT_TRUE(display.open(WIDTH, HEIGHT));
  std::vector<std::uint16_t> picture(std::size_t(WIDTH) * HEIGHT);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = std::uint16_t(i * 131 + i / WIDTH);
  display.present(picture.data(), WIDTH, HEIGHT);

  SDL_Renderer* renderer = SDL_GetRenderer(openWindow());
  ASSERT_NE(renderer, nullptr);
  std::vector<std::uint32_t> shown(std::size_t(WIDTH) * HEIGHT * 4);
  ASSERT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shown.data(),
                                 WIDTH * 2 * 4),
            0);
  // The top bits of each channel are the picture's own; below them the
  // widening is SDL's.
  int wrong = 0;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const std::uint32_t s = shown[i];
    const std::size_t x = i % (WIDTH * 2), y = i / (WIDTH * 2);
    wrong += (((s >> 8) & 0xF800) | ((s >> 5) & 0x07E0) | ((s >> 3) & 0x1F)) !=
             picture[y / 2 * WIDTH + x / 2];
  }
  EXPECT_EQ(wrong, 0);

  // A window made wider than 4:3 shows the picture whole, centred, between
  // black bars (read from the window's own pixels: reads through the
  // renderer see only the picture's area).
  SDL_SetWindowSize(openWindow(), 1600, 768);
  display.present(picture.data(), WIDTH, HEIGHT);
  SDL_Surface* window = SDL_GetWindowSurface(openWindow());
  ASSERT_TRUE(window != nullptr && window->w == 1600 && window->h == 768 &&
              window->format->BytesPerPixel == 4);
  const auto shownAt = [&](int x, int y) {
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(static_cast<const Uint32*>(window->pixels)[y * window->pitch / 4 + x],
               window->format, &r, &g, &b);
    return std::uint16_t((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
  };
  EXPECT_EQ(shownAt(287, 385), 0) << "the left bar";
  EXPECT_EQ(shownAt(1312, 385), 0) << "the right bar";
  EXPECT_EQ(shownAt(288, 385), picture[192 * WIDTH]);
  EXPECT_EQ(shownAt(1311, 385), picture[192 * WIDTH + WIDTH - 1]);

  pressKey(SDLK_a);
  pressKey(SDLK_z, KMOD_LSHIFT);
  for (SDL_Keycode key : {SDLK_LSHIFT, SDLK_0, SDLK_9, SDLK_SPACE, SDLK_ESCAPE, SDLK_RETURN,
                          SDLK_KP_ENTER, SDLK_F1}) {
    pressKey(key);
  }
  pressKey(SDLK_RETURN, KMOD_LALT);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_EQ(takeAllKeys(display),
            (std::vector<int>{'A', 'Z', '0', '9', ' ', 27, 13, 13, KEY_OTHER, KEY_WINDOW_CLOSED}));
  EXPECT_NE(SDL_GetWindowFlags(openWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
  for (int i = 0; i < 70; ++i) pressKey(i < 64 ? SDLK_a : SDLK_b);
  EXPECT_EQ(takeAllKeys(display), std::vector<int>(64, 'A'));
  display.close();
  EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
  unsetenv("SDL_VIDEODRIVER");
}

}  // namespace
