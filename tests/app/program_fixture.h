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
  std::deque<int> waiting;
  int takeKey() override {
    if (waiting.empty()) return -1;
    const int key = waiting.front();
    waiting.pop_front();
    return key;
  }
};

struct SetClock : ProgramClock {
  double now = 0;
  double readClock() override { return now; }
};

// Moves on by one to seven steps at successive readings; a wait jumps to its end.
struct SteppingBoardClock : BoardClock {
  double time = 0, step = 0;
  int readings = 0;
  double now() override { return time += step * (1 + readings++ % 7); }
  void sleepUntil(double until) override { time = std::max(time, until); }
};

class ProgramRun : public ::testing::Test {
 protected:
  void startWith();
  // Shuts a started program down and returns its exit report.
  std::string stop();
  void TearDown() override;

  std::unique_ptr<TestContent> content;
  ScriptedKeys keys;
  SetClock clock;
  SteppingBoardClock boardClock;
  ProgramState state;
  bool started = false;
};
