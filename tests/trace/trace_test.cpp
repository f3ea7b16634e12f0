// Frames drawn with every kind of call the program makes, and the program's
// own frames, are recorded, replayed and compared pixel for pixel; damaged
// files are refused or replayed safely. The program's frames allocate nothing.
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/tracked_memory.h"
#include "board/trace_reader.h"
#include "board/trace_recorder.h"
#include "board/trace_replay.h"
#include "board/trace_threads.h"
#include "tests/app/program_fixture.h"
#include "tests/board/board_test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int FRAMES = 3;

// Random frames (every state the board has; four kinds of texture, one with
// its palette), each ending in a lower-left write lock into the back buffer;
// the first swap waits for the retrace.
void drawFrames(std::uint32_t seed) {
  std::mt19937 random(seed);
  grGlideInit();
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_ABGR, GR_ORIGIN_LOWER_LEFT,
               2, 1);
  std::vector<GrMipMapId_t> textures = makeRandomTextures(random);
  for (int frame = 0; frame < FRAMES; ++frame) {
    grBufferClear(0xff102030u + std::uint32_t(frame), 0, 0xffff);
    drawRandomTriangles(random, textures, 80);
    GrLfbInfo_t info{};
    info.size = sizeof info;
    ASSERT_TRUE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_565,
                          GR_ORIGIN_LOWER_LEFT, FXFALSE, &info));
    auto* pixels = static_cast<std::uint16_t*>(info.lfbPtr);
    for (int x = 10; x < 200; ++x) pixels[(5 + frame) * (info.strideInBytes / 2) + x] = 0xf81f;
    grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER);
    grBufferSwap(frame == 0 ? 1 : 0);
  }
}

std::vector<std::uint16_t> frontBuffer() {
  std::vector<std::uint16_t> pixels(std::size_t(BOARD_WIDTH) * BOARD_HEIGHT);
  EXPECT_TRUE(readFrontBuffer(pixels.data()));
  return pixels;
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class TraceReplay : public ::testing::Test {
 protected:
  void SetUp() override {
    path = fs::temp_directory_path() / ("wildsky-trace-" + std::to_string(getpid()) + ".trace");
    boardReset();
  }
  void TearDown() override {
    boardStopTrace();
    traceSetThreadCount(0);
    boardReset();
    fs::remove(path);
  }
  // Records the frames and returns the front buffer they leave.
  std::vector<std::uint16_t> record() {
    EXPECT_TRUE(boardStartTrace(path.c_str(), FRAMES));
    drawFrames(11);
    EXPECT_FALSE(boardTraceRecording());
    return frontBuffer();
  }

  fs::path path;
};

TEST_F(TraceReplay, ReplayDrawsTheRecordedFramesExactlyWithAnyThreadCount) {
  const std::vector<std::uint16_t> recorded = record();
  TraceFile trace;
  std::string error;
  ASSERT_TRUE(loadTrace(path.c_str(), &trace, &error)) << error;
  EXPECT_EQ(trace.frameCount, FRAMES);
  EXPECT_EQ(trace.finalImage, recorded);

  for (int threads : {1, 2}) {
    traceSetThreadCount(threads);
    ReplayResult result = replayTrace(trace, 0);
    EXPECT_EQ(boardThreadCount(), threads) << "the replay's own reset keeps the thread count";
    EXPECT_EQ(result.frames, FRAMES);
    EXPECT_EQ(result.skipped, 0);
    EXPECT_GT(result.pixels, 0.0);
    EXPECT_TRUE(frontBuffer() == recorded) << "threads " << threads;
  }
  // A shorter replay stops after its frames.
  EXPECT_EQ(replayTrace(trace, 1).frames, 1);
  EXPECT_FALSE(frontBuffer() == recorded);
}

TEST_F(TraceReplay, DamagedFilesAreRefusedOrReplayedSafely) {
  record();
  const std::vector<std::uint8_t> bytes = readFile(path);
  TraceFile trace;
  std::string error;
  // Cut short anywhere in the header or the first records, and across the rest.
  for (std::size_t size = 0; size < bytes.size(); size += size < 3000 ? 1 : 4999) {
    if (!parseTrace(bytes.data(), size, &trace, &error)) {
      EXPECT_FALSE(error.empty());
    } else {
      replayTrace(trace, 0);
    }
  }
  // A cut inside the final image is always caught.
  EXPECT_FALSE(parseTrace(bytes.data(), bytes.size() - 1, &trace, &error));
  EXPECT_NE(error.find("truncated"), std::string::npos);

  std::mt19937 random(5);
  std::vector<std::uint8_t> damaged;
  for (int trial = 0; trial < 30; ++trial) {
    damaged = bytes;
    for (int k = 0; k < 4; ++k) {
      std::size_t at = random() % (bytes.size() - 393216);  // records, not the image
      damaged[at] = std::uint8_t(random());
    }
    if (parseTrace(damaged.data(), damaged.size(), &trace, &error)) replayTrace(trace, 0);
  }
}

// Little-endian words of a hand-made trace.
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t(v >> (8 * k)));
}
void appendRecord(std::vector<std::uint8_t>& out, TraceOp op, std::vector<std::uint32_t> words) {
  out.insert(out.end(), {std::uint8_t(op), 0, 0, 0});
  put32(out, std::uint32_t(words.size() * 4));
  for (std::uint32_t w : words) put32(out, w);
}

TEST_F(TraceReplay, HostileCountsAndSizesNeverReachTheBoard) {
  std::vector<std::uint8_t> file(TRACE_MAGIC, TRACE_MAGIC + 8);
  for (std::uint32_t w : {TRACE_VERSION, 512u, 384u}) put32(file, w);
  appendRecord(file, TraceOp::SstWinOpen, {0, 3, 2, 0, 0, 2, 1});
  appendRecord(file, TraceOp::TexAllocateMemory,
               {0, 3, 256, 256, std::uint32_t(GR_TEXFMT_RGB_565), 1, 8, 0, 3, 0, 0, 1, 1, 0, 0});
  appendRecord(file, TraceOp::TexDownloadMipMap, {0, 1, 0, 2, 0x12345678});  // 2 texels of 87,381
  TraceFile trace;
  std::string error;
  ASSERT_TRUE(parseTrace(file.data(), file.size(), &trace, &error)) << error;
  EXPECT_EQ(replayTrace(trace, 0).skipped, 1);

  const std::pair<TraceOp, std::vector<std::uint32_t>> badRecords[] = {
      {TraceOp::LfbUnlock, {1, 1, 1, 512 * 384 - 1, 2, 0}},  // a run past the buffer
      {TraceOp::DepthMask, {1, 2}},                          // wrong size for its operation
      {TraceOp(200), {}}};
  std::vector<std::uint8_t> bad;
  for (const auto& [op, words] : badRecords) {
    bad = file;
    appendRecord(bad, op, words);
    EXPECT_FALSE(parseTrace(bad.data(), bad.size(), &trace, &error)) << int(op);
  }
  bad = file;
  bad.insert(bad.end(), {20, 0, 0, 0, 0xff, 0xff, 0xff, 0xff});  // a payload beyond the end
  EXPECT_FALSE(parseTrace(bad.data(), bad.size(), &trace, &error));
  bad[3] = 'X';
  EXPECT_FALSE(parseTrace(bad.data(), bad.size(), &trace, &error));
  EXPECT_FALSE(loadTrace("/nonexistent/x.trace", &trace, &error));
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
