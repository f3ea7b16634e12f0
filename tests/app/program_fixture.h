#pragma once
// Runs the program's real start-up, frames and shutdown in the test process,
// headless, on generated content, with scripted keys and controlled clocks.

#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "app/program.h"
#include "board/board.h"
#include "tests/app/test_content.h"

class ScriptedKeys : public KeySource {
 public:
  std::deque<int> waiting;
  int takeKey() override {
    if (waiting.empty()) return -1;
    const int key = waiting.front();
    waiting.pop_front();
    return key;
  }
};

class SetClock : public ProgramClock {
 public:
  double now = 0;
  double readClock() override { return now; }
};

// Moves on by one to seven steps at successive readings; a wait jumps
// to its end at once.
class SteppingBoardClock : public BoardClock {
 public:
  double time = 0;
  double step = 0;
  int readings = 0;
  double now() override { return time += step * (1 + readings++ % 7); }
  void sleepUntil(double until) override {
    if (until > time) time = until;
  }
};

// Cleans the process-wide state of the program's parts after a run.
void resetProgramParts();

class ProgramRun : public ::testing::Test {
 protected:
  void startWith(ContentParts parts = {});
  void TearDown() override;

  std::unique_ptr<TestContent> content;
  std::unique_ptr<CurrentFolder> inContent;
  ScriptedKeys keys;
  SetClock clock;
  SteppingBoardClock boardClock;
  ProgramState state;
  bool started = false;
};
