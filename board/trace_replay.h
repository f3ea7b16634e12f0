#pragma once
// Replaying a trace on the board, headless and without waiting for the
// retrace, from the state grGlideInit leaves.

#include <cstdint>

#include "board/trace_reader.h"

struct ReplayResult {
  int frames = 0;           // buffer swaps replayed
  double seconds = 0;       // from the first command to the last
  double pixels = 0;        // triangle area drawn in the frames replayed
  int skipped = 0;          // downloads whose texels did not fit the mipmap
  bool wholeTrace = false;  // every command replayed, none left after the last frame
};

// Replays the commands up to and including the maxFrames-th swap (all of
// them when maxFrames <= 0). The board is left as the last command left it.
ReplayResult replayTrace(const TraceFile& trace, int maxFrames);

// The front buffer, rows top to bottom, BOARD_WIDTH x BOARD_HEIGHT pixels.
bool readFrontBuffer(std::uint16_t* pixels);
