// The program's own frames: recorded and replayed to the same image, and
// run without a heap block allocated from one frame to the next.
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/tracked_memory.h"
#include "board/trace_reader.h"
#include "board/trace_recorder.h"
#include "board/trace_replay.h"
#include "tests/app/program_fixture.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint16_t> frontBuffer() {
  std::vector<std::uint16_t> pixels(std::size_t(BOARD_WIDTH) * BOARD_HEIGHT);
  EXPECT_TRUE(readFrontBuffer(pixels.data()));
  return pixels;
}

TEST_F(ProgramRun, RecordedProgramFramesReplayToTheSameImage) {
  const fs::path path =
      fs::temp_directory_path() / ("wildsky-program-" + std::to_string(getpid()) + ".trace");
  ASSERT_TRUE(boardStartTrace(path.c_str(), 4));
  startWith();
  keys.waiting = {'V'};
  for (int frame = 0; frame < 4; ++frame) runFrame(state);
  EXPECT_FALSE(boardTraceRecording());
  const std::vector<std::uint16_t> recorded = frontBuffer();

  TraceFile trace;
  std::string error;
  const bool loaded = loadTrace(path.c_str(), &trace, &error);
  fs::remove(path);
  ASSERT_TRUE(loaded) << error;
  ReplayResult result = replayTrace(trace, 0);
  EXPECT_EQ(result.frames, 4);
  EXPECT_EQ(result.skipped, 0);
  EXPECT_TRUE(frontBuffer() == recorded);
  EXPECT_EQ(trace.finalImage, recorded);
}

TEST_F(ProgramRun, FramesAllocateNothingOnceRunning) {
  startWith();
  keys.waiting = {'V'};
  for (int frame = 0; frame < 5; ++frame) runFrame(state);
  const std::uint32_t tracked = getTotalMemAllocated();
  const std::size_t heap = mallinfo2().uordblks;
  for (int frame = 0; frame < 30; ++frame) runFrame(state);
  EXPECT_EQ(getTotalMemAllocated(), tracked);
  EXPECT_EQ(mallinfo2().uordblks, heap);
}

}  // namespace
