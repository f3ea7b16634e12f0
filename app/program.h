#pragma once
// The program: start-up, the frame loop and shutdown with its exit report.
// The platform is passed in, so the same code runs in the real program (the
// console keyboard, the window, the real clocks) and under test (scripted
// keys, a controlled clock, no window).

#include <cstdint>

#include "app/frame_statistics.h"
#include "scene/scene_types.h"

class BoardDisplay;
class BoardClock;

// Keys typed by the user: a character code (0-255) or a larger code for a key
// without a character; -1 when none is waiting.
class KeySource {
 public:
  virtual ~KeySource() = default;
  virtual int takeKey() = 0;
};

// The run clock in seconds (the program's readClock).
class ProgramClock {
 public:
  virtual ~ProgramClock() = default;
  virtual double readClock() = 0;
};

struct Platform {
  KeySource* keys = nullptr;         // null: no keys
  ProgramClock* clock = nullptr;     // null: the monotonic millisecond clock
  BoardDisplay* display = nullptr;   // null: headless
  BoardClock* boardClock = nullptr;  // null: the board's steady clock
};

// Everything the program owns for the run.
struct ProgramState {
  Platform platform;
  Scene* wildScene = nullptr;
  Scene* skyScene = nullptr;
  float angleX = 90.0f;
  float angleY = 0.0f;
  float angleZ = 0.0f;
  std::int32_t depthParity = 0;
  std::int32_t showStatistics = 1;
  std::int32_t waitForRetrace = 1;
  std::int32_t quitRequested = 0;
  std::int32_t rasterLines = 0;
  FrameStatistics statistics{};
};

inline constexpr int SCREEN_WIDTH = 512;
inline constexpr int SCREEN_HEIGHT = 384;
inline constexpr float SKY_SCALE = 5.0f;

// Loads both scenes from ".\OBJECTS", opens the board and readies the run.
void startProgram(ProgramState& state, const Platform& platform);

// The board as the first frame finds it: depth buffering with the start-up
// function and writes on, every buffer cleared.
void setStartingBoardState();

// The CPU part of a frame: lists, camera, transform, sort, raster sample.
void prepareFrame(ProgramState& state);

// One whole frame, from the raster sample to the buffer swap.
void runFrame(ProgramState& state);

// Releases everything, closes the board and prints the exit report.
void shutdownProgram(ProgramState& state);

// Start-up, frames until a quit, shutdown. Returns the exit status (0).
int runProgram(const Platform& platform);

// The camera step of a frame: the three float32 increments and the wrap.
void advanceCameraAngles(ProgramState& state);
