#pragma once
// Runs the program's real start-up, frames and shutdown in the test process,
// headless, on the test content, with scripted keys and controlled clocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "board/board.h"
#include "board/trace_replay.h"
#include "tests/app/test_content.h"

struct ScriptedKeys : KeySource {
  std::deque<int> waiting;  // -1: no key that frame
  int takeKey() override {
    const int key = waiting.empty() ? -1 : waiting.front();
    if (!waiting.empty()) waiting.pop_front();
    return key;
  }
};

// The program's clock reads `seconds`; the board's moves only by waits, to their end.
struct TestClocks : ProgramClock, BoardClock {
  double seconds = 0, boardTime = 0;
  double readClock() override { return seconds; }
  double now() override { return boardTime; }
  void sleepUntil(double until) override { boardTime = std::max(boardTime, until); }
};

// The front buffer, rows top to bottom, read through a read lock (which a
// trace being recorded records).
inline std::vector<std::uint16_t> frontBuffer() {
  std::vector<std::uint16_t> pixels(std::size_t(BOARD_WIDTH) * BOARD_HEIGHT);
  EXPECT_TRUE(readFrontBuffer(pixels.data()));
  return pixels;
}

class ProgramRun : public ::testing::Test {
 protected:
  void startWith();
  std::string stop();  // shuts a started program down; gives its exit report
  void TearDown() override;

  std::unique_ptr<TestContent> content;
  ScriptedKeys keys;
  TestClocks clocks;
  ProgramState state;
};
