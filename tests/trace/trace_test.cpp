// Recorded frames, random ones and the program's own, replay pixel for pixel;
// damaged and hostile files are refused or replayed safely. The program's
// frames allocate nothing.
#include <malloc.h>
#include <stb_image.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
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

std::vector<std::uint16_t> frontBuffer() {
  std::vector<std::uint16_t> pixels(std::size_t(BOARD_WIDTH) * BOARD_HEIGHT);
  EXPECT_TRUE(readFrontBuffer(pixels.data()));
  return pixels;
}

fs::path tracePath(const char* name) {
  return fs::temp_directory_path() / (name + std::to_string(getpid()) + ".trace");
}

class TraceReplay : public ::testing::Test {
 protected:
  void SetUp() override { boardReset(); }
  void TearDown() override {
    boardStopTrace();
    traceSetThreadCount(0);
    boardReset();
    fs::remove(path);
  }
  // Random frames (every state the board has, four kinds of texture), each
  // ending in a lower-left write lock, the first swap waiting for the
  // retrace; gives the front buffer they leave. During each lock a second
  // lock is refused and triangles are drawn, which the unlock keeps.
  std::vector<std::uint16_t> record() {
    EXPECT_TRUE(boardStartTrace(path.c_str(), FRAMES));
    std::mt19937 random(11);
    grGlideInit();
    openWindow(GR_COLORFORMAT_ABGR);
    std::vector<GrMipMapId_t> textures = makeRandomTextures(random);
    for (int frame = 0; frame < FRAMES; ++frame) {
      grBufferClear(0xff102030u + std::uint32_t(frame), 0, 0xffff);
      drawRandomTriangles(random, textures, 80);
      GrLfbInfo_t info{};
      EXPECT_TRUE(lockBuffer(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_LOWER_LEFT, &info));
      auto* pixels = static_cast<std::uint16_t*>(info.lfbPtr);
      for (int x = 10; x < 200; ++x) pixels[(5 + frame) * (info.strideInBytes / 2) + x] = 0xf81f;
      GrLfbInfo_t refused{};
      EXPECT_FALSE(
          lockBuffer(GR_LFB_READ_ONLY, GR_BUFFER_FRONTBUFFER, GR_ORIGIN_UPPER_LEFT, &refused));
      drawRandomTriangles(random, textures, 5);
      grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER);
      grBufferSwap(frame == 0 ? 1 : 0);
    }
    EXPECT_FALSE(boardTraceRecording());
    return frontBuffer();
  }

  fs::path path = tracePath("wildsky-trace-");
  TraceFile trace;
  std::string error;
};

TEST_F(TraceReplay, ReplayDrawsTheRecordedFramesExactlyWithAnyThreadCount) {
  const std::vector<std::uint16_t> recorded = record();
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
    EXPECT_TRUE(result.wholeTrace);
  }
  const ReplayResult shorter = replayTrace(trace, 1);
  EXPECT_TRUE(shorter.frames == 1 && !shorter.wholeTrace)
      << "a shorter replay stops after its frames";
  EXPECT_FALSE(frontBuffer() == recorded);
}

// trace-replay's exit status tells a replay that ends in the recorded image
// from one that does not; a shorter replay (--frames) is not compared, and
// --out holds the front buffer, each channel widened by bit replication.
TEST_F(TraceReplay, TheToolNeverRecordsAndFailsOnLostOutputOrAnotherImage) {
  const std::vector<std::uint16_t> recorded = record();
  const std::string tool = std::string(TRACE_REPLAY_TOOL) + " " + path.string();
  const std::string text = path.string() + ".txt", png = path.string() + ".png";
  EXPECT_EQ(std::system((tool + " --frames 1 > " + text).c_str()), 0);
  const std::string printed{std::istreambuf_iterator<char>(std::ifstream(text).rdbuf()), {}};
  EXPECT_TRUE(printed.starts_with("1 frames in ")) << printed;
  const int status = std::system((tool + " --frames 2x > /dev/null 2>&1").c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
  ASSERT_EQ(std::system((tool + " --out " + png + " > /dev/null").c_str()), 0);
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgb = stbi_load(png.c_str(), &width, &height, &channels, 3);
  ASSERT_TRUE(rgb != nullptr && width == BOARD_WIDTH && height == BOARD_HEIGHT);
  int wrong = 0;
  for (std::size_t k = 0; k < recorded.size(); ++k) {
    const int r = recorded[k] >> 11, g = recorded[k] >> 5 & 63, b = recorded[k] & 31;
    wrong += rgb[3 * k] != (r << 3 | r >> 2) || rgb[3 * k + 1] != (g << 2 | g >> 4) ||
             rgb[3 * k + 2] != (b << 3 | b >> 2);
  }
  stbi_image_free(rgb);
  EXPECT_EQ(wrong, 0);
  fs::remove(text);
  fs::remove(png);

  const fs::path armed = path.string() + ".armed";
  EXPECT_EQ(std::system(("WILDSKY_TRACE=" + armed.string() + " " + tool + " > /dev/null").c_str()),
            0);
  EXPECT_FALSE(fs::exists(armed)) << "the replay recorded a trace";
  EXPECT_NE(std::system((tool + " --out /dev/full > /dev/null 2>&1").c_str()), 0);
  EXPECT_NE(std::system((tool + " > /dev/full 2> /dev/null").c_str()), 0);
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(-1, std::ios::end);  // the final image's last pixel
    const char high = char(file.get());
    file.seekp(-1, std::ios::end);
    file.put(char(high ^ 0x40));
  }
  EXPECT_NE(std::system((tool + " > /dev/null").c_str()), 0);
}

// The board ignores a triangle call without its three vertices; so must
// the replay of its trace.
TEST_F(TraceReplay, ATriangleWithoutItsVerticesIsLeftOut) {
  ASSERT_TRUE(boardStartTrace(path.c_str(), 1));
  grGlideInit();
  openWindow(GR_COLORFORMAT_ABGR);
  grBufferClear(0, 0, 0xffff);
  const GrVertex corners[2] = {vertexAt(100, 100), vertexAt(300, 120)};
  grDrawTriangle(&corners[0], &corners[1], nullptr);
  grBufferSwap(0);
  const std::vector<std::uint16_t> recorded = frontBuffer();
  ASSERT_TRUE(loadTrace(path.c_str(), &trace, &error)) << error;
  replayTrace(trace, 0);
  EXPECT_TRUE(frontBuffer() == recorded);
}

// A trace armed while the board holds textures would miss their
// allocations; it starts at the first opening after grGlideShutdown.
TEST_F(TraceReplay, ATraceArmedOverTexturesWaitsForShutdown) {
  std::mt19937 random(3);
  grGlideInit();
  openWindow(GR_COLORFORMAT_ABGR);
  makeRandomTextures(random);
  ASSERT_TRUE(boardStartTrace(path.c_str(), 1));
  openWindow(GR_COLORFORMAT_ABGR);
  EXPECT_FALSE(fs::exists(path));
  grGlideShutdown();
  grGlideInit();
  openWindow(GR_COLORFORMAT_ABGR);
  const std::vector<GrMipMapId_t> textures = makeRandomTextures(random);
  grBufferClear(0, 0, 0xffff);
  drawRandomTriangles(random, textures, 40);
  grBufferSwap(0);
  const std::vector<std::uint16_t> recorded = frontBuffer();
  ASSERT_TRUE(loadTrace(path.c_str(), &trace, &error)) << error;
  EXPECT_EQ(replayTrace(trace, 0).skipped, 0);
  EXPECT_TRUE(frontBuffer() == recorded);
}

TEST_F(TraceReplay, DamagedFilesAreRefusedOrReplayedSafely) {
  record();
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
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
  for (int trial = 0; trial < 30; ++trial) {
    std::vector<std::uint8_t> damaged = bytes;
    for (int k = 0; k < 4; ++k) {
      damaged[random() % (bytes.size() - 393216)] = std::uint8_t(random());  // not the image
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

// A download of 2 texels where the texture takes 87,381 is skipped; a write
// run past the buffer is refused.
TEST_F(TraceReplay, HostileCountsAndSizesNeverReachTheBoard) {
  std::vector<std::uint8_t> file(TRACE_MAGIC, TRACE_MAGIC + 8);
  for (std::uint32_t w : {TRACE_VERSION, 512u, 384u}) put32(file, w);
  appendRecord(file, TraceOp::SstWinOpen, {0, 3, 2, 0, 0, 2, 1});
  appendRecord(file, TraceOp::TexAllocateMemory,
               {0, 3, 256, 256, std::uint32_t(GR_TEXFMT_RGB_565), 1, 8, 0, 3, 0, 0, 1, 1, 0, 0});
  appendRecord(file, TraceOp::TexDownloadMipMap, {0, 1, 0, 2, 0x12345678});
  ASSERT_TRUE(parseTrace(file.data(), file.size(), &trace, &error)) << error;
  EXPECT_EQ(replayTrace(trace, 0).skipped, 1);
  appendRecord(file, TraceOp::LfbUnlock, {1, 1, 1, 512 * 384 - 1, 2, 0});
  EXPECT_FALSE(parseTrace(file.data(), file.size(), &trace, &error));
}

// The program's own frames, recorded, replay to the same image; once running
// they allocate nothing, neither tracked blocks nor other heap memory.
TEST_F(ProgramRun, FramesReplayToTheSameImageAndAllocateNothing) {
  const fs::path path = tracePath("wildsky-program-");
  ASSERT_TRUE(boardStartTrace(path.c_str(), 4));
  startWith();
  keys.waiting = {'V'};
  for (int frame = 0; frame < 4; ++frame) runFrame(state);
  EXPECT_FALSE(boardTraceRecording());
  const std::vector<std::uint16_t> recorded = frontBuffer();
  runFrame(state);
  const std::uint32_t tracked = getTotalMemAllocated();
  const std::size_t heap = mallinfo2().uordblks;
  for (int frame = 0; frame < 30; ++frame) runFrame(state);
  EXPECT_EQ(getTotalMemAllocated(), tracked);
  EXPECT_EQ(mallinfo2().uordblks, heap);

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

}  // namespace
