#include "platform/sdl_display.h"

#include <SDL.h>

#include <cstdlib>

namespace {

constexpr int WINDOW_SCALE = 2;

// A display to show a window on; a video driver named in SDL_VIDEODRIVER
// (such as "offscreen") is taken at its word.
bool displayAvailable() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr && *driver != '\0') return true;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// The character the program's keyboard layer reads for a key, 0 for keys
// that are not keys to the program (modifiers on their own).
int characterFor(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  switch (key) {
    case SDLK_SPACE:
      return ' ';
    case SDLK_ESCAPE:
      return 27;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return 13;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
    case SDLK_LCTRL:
    case SDLK_RCTRL:
    case SDLK_LALT:
    case SDLK_RALT:
    case SDLK_LGUI:
    case SDLK_RGUI:
    case SDLK_CAPSLOCK:
    case SDLK_NUMLOCKCLEAR:
    case SDLK_MODE:
      return 0;
    default:
      return KEY_OTHER;
  }
}

}  // namespace

SdlDisplay::~SdlDisplay() { close(); }

bool SdlDisplay::open(int width, int height) {
  if (window_ != nullptr) return true;
  if (!displayAvailable() || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  videoStarted_ = true;
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  window_ = SDL_CreateWindow("wildsky", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             width * WINDOW_SCALE, height * WINDOW_SCALE, SDL_WINDOW_RESIZABLE);
  if (window_ != nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (renderer_ != nullptr) {
    // The logical size letterboxes the picture at 4:3 whatever the window's shape.
    SDL_RenderSetLogicalSize(renderer_, width, height);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                 width, height);
  }
  if (texture_ == nullptr) {
    close();
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

void SdlDisplay::present(const std::uint16_t* rgb565, int width, int height) {
  if (texture_ == nullptr || width != width_ || height != height_) return;
  SDL_UpdateTexture(texture_, nullptr, rgb565, width * int(sizeof(std::uint16_t)));
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
  pumpEvents();
}

void SdlDisplay::close() {
  if (!videoStarted_) return;
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
  videoStarted_ = false;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

int SdlDisplay::takeKey() {
  pumpEvents();
  if (keyCount_ == 0) return -1;
  int key = keys_[keyHead_];
  keyHead_ = (keyHead_ + 1) % KEY_QUEUE_SIZE;
  --keyCount_;
  return key;
}

void SdlDisplay::pushKey(int key) {
  if (keyCount_ == KEY_QUEUE_SIZE) return;  // a full queue drops further keys
  keys_[(keyHead_ + keyCount_) % KEY_QUEUE_SIZE] = key;
  ++keyCount_;
}

void SdlDisplay::pumpEvents() {
  if (window_ == nullptr) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
      pushKey(KEY_WINDOW_CLOSED);
    } else if (event.type == SDL_KEYDOWN) {
      SDL_Keycode key = event.key.keysym.sym;
      bool enter = key == SDLK_RETURN || key == SDLK_KP_ENTER;
      if (enter && (event.key.keysym.mod & KMOD_ALT) != 0) {
        bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
        SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
      } else if (int c = characterFor(key); c != 0) {
        pushKey(c);
      }
    }
  }
}
