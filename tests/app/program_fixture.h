#pragma once
// Runs the program's real start-up, frames and shutdown in the test process,
// headless, on the test content, with scripted keys and controlled clocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>

#include "app/program.h"
#include "board/board.h"
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

class ProgramRun : public ::testing::Test {
 protected:
  void startWith();    // starts the program on fresh test content
  void start();        // starts it on the content in place, with these keys and clocks
  std::string stop();  // shuts a started program down; gives its exit report
  void TearDown() override;

  std::unique_ptr<TestContent> content;
  ScriptedKeys keys;
  TestClocks clocks;
  ProgramState state;
};
