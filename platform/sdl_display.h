#pragma once
// The board's window: an SDL2 window titled "wildsky" showing the front
// buffer at twice its size with nearest-neighbour scaling, resizable with
// 4:3 kept, and the keyboard of that window.

#include <cstdint>

#include "board/board.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

inline constexpr int KEY_OTHER = 0x100;          // a key without a character of its own
inline constexpr int KEY_WINDOW_CLOSED = 0x101;  // the window was closed

class SdlDisplay : public BoardDisplay {
 public:
  ~SdlDisplay() override;
  bool open(int width, int height) override;  // false without a display: headless
  void present(const std::uint16_t* rgb565, int width, int height) override;  // also pumps events
  void close() override;
  // The next key typed in the window: 'A'..'Z' for letters, digits, ' ', 27
  // Escape, 13 Enter, KEY_OTHER for any other key, KEY_WINDOW_CLOSED when the
  // window was closed; -1 when none is waiting.
  int takeKey();

 private:
  void pumpEvents();
  void pushKey(int key);

  bool videoStarted_ = false;  // the video subsystem, started by open for close to end
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int width_ = 0, height_ = 0;
  static constexpr int KEY_QUEUE_SIZE = 64;
  int keys_[KEY_QUEUE_SIZE] = {};
  int keyHead_ = 0, keyCount_ = 0;
};
