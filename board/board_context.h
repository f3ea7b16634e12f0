#pragma once
// The board's one context: memory, state and the window it presents to.
// Every gr* operation works on it; boardReset returns it to power-on.

#include <cstdint>

#include "board/board.h"
#include "board/pipeline_state.h"
#include "render/glide.h"

inline constexpr int BOARD_PIXELS = BOARD_WIDTH * BOARD_HEIGHT;

// Everything but the memory, so that a reset need not build a second board.
struct BoardSettings {
  int frontIndex = 0;

  PipelineState state;
  GrColor_t constantColorValue = 0;  // as given, re-read when the colour format changes
  GrColor_t chromaKeyValue = 0;
  GrMipMapId_t textureId = GR_NULL_MIPMAP_HANDLE;

  bool windowOpen = false;
  bool displayOpen = false;  // the window opened; false: headless
  GrColorFormat_t colorFormat = GR_COLORFORMAT_ARGB;
  GrOriginLocation_t origin = GR_ORIGIN_UPPER_LEFT;
  double refreshHz = 72.0;

  // The lock in force, if any.
  bool locked = false;
  bool lockWrites = false;
  GrBuffer_t lockedBuffer = GR_BUFFER_BACKBUFFER;
  GrOriginLocation_t lockedOrigin = GR_ORIGIN_UPPER_LEFT;
  // The memory the buffer's name gave when locked: a swap during the lock
  // renames the colour buffers but leaves the lock on this one.
  std::uint16_t* lockedMemory = nullptr;

  BoardDisplay* display = nullptr;
  BoardClock* clock = nullptr;
  int threadCountRequest = -1;  // as given to boardSetThreadCount; -1: never given
};

struct BoardContext : BoardSettings {
  // Counts the changes of state, across resets too, so that a number names
  // one state for good.
  std::uint64_t stateVersion = 0;
  // The drawing queue's marks at the last two swaps: the ends of the frame
  // before the current one and of the frame before that.
  std::uint64_t lastSwapMark = 0;
  std::uint64_t swapMarkBefore = 0;
  // Whether a clear came since the last swap.
  bool clearedSinceSwap = false;
  std::uint16_t colorBuffers[2][BOARD_PIXELS];
  std::uint16_t depthBuffer[BOARD_PIXELS];
  std::uint16_t lockBuffer[BOARD_PIXELS];    // a lower-left view of a buffer while locked
  std::uint16_t lockOriginal[BOARD_PIXELS];  // that view as the lock handed it out

  std::uint16_t* backBuffer() { return colorBuffers[frontIndex ^ 1]; }
  std::uint16_t* frontBuffer() { return colorBuffers[frontIndex]; }
  // The buffer a lock or a read names; null for a name the board lacks.
  std::uint16_t* namedBuffer(GrBuffer_t buffer);
  // Writes into `to`, a copy of the buffer under a lower-left write lock,
  // what the unlock leaves there: the pixels the caller changed in the view.
  void applyLowerLeftWrites(std::uint16_t* to) const;
};

BoardContext& board();

// The clock in use: the one set by boardSetClock, else the steady clock.
BoardClock& boardClock();

// Re-reads the GrColor_t values of the state in the current colour format,
// chooses the span loop again and counts the change; every state change
// ends here.
void boardStateChanged();
