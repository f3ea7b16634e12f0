// The trace reader and replay on arbitrary bytes: a refused file has a
// message, and whatever is accepted replays within the board's buffers, to
// the same front buffer serially and on two workers.

#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/trace_reader.h"
#include "board/trace_replay.h"
#include "board/trace_threads.h"

namespace {

constexpr int MAX_FRAMES = 4;  // bounds the time a long accepted trace takes

std::vector<std::uint16_t> replayedFront(const TraceFile& trace, int threads) {
  traceSetThreadCount(threads);
  replayTrace(trace, MAX_FRAMES);
  std::vector<std::uint16_t> pixels(std::size_t(BOARD_WIDTH) * BOARD_HEIGHT);
  if (!readFrontBuffer(pixels.data())) pixels.clear();
  return pixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TraceFile trace;
  std::string error;
  if (!parseTrace(data, size, &trace, &error)) {
    if (error.empty()) __builtin_trap();  // refused without a word
    return 0;
  }
  if (replayedFront(trace, 1) != replayedFront(trace, 2)) __builtin_trap();
  boardReset();
  return 0;
}
