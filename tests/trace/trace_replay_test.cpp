// A stretch of frames drawn with every kind of call the program makes is
// recorded, replayed and compared pixel for pixel; damaged files are refused
// or replayed safely.
#include "board/trace_replay.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/trace_reader.h"
#include "board/trace_recorder.h"
#include "board/trace_threads.h"

namespace fs = std::filesystem;

namespace {

constexpr float BIAS = 786432.0f;
constexpr int FRAMES = 3;

class JumpingClock : public BoardClock {
 public:
  double time = 0;
  double now() override { return time += 0.001; }
  void sleepUntil(double until) override { time = until > time ? until : time; }
};

GrVertex randomVertex(std::mt19937& random) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  GrVertex v{};
  v.x = -20 + unit(random) * 552 + BIAS;
  v.y = -20 + unit(random) * 424 + BIAS;
  v.r = unit(random) * 255;
  v.g = unit(random) * 255;
  v.b = unit(random) * 255;
  v.a = unit(random) * 255;
  v.ooz = unit(random) * 65535;
  v.oow = 0.2f + unit(random);
  v.tmuvtx[0] = {unit(random) * 256 * v.oow + BIAS, unit(random) * 256 * v.oow + BIAS, v.oow};
  return v;
}

// Two textures (rgb565 with its chain, a paletted one with its table),
// depth-tested Gouraud triangles, blended and chroma-keyed ones, and a
// lower-left write lock into the back buffer every frame.
void drawFrames(std::uint32_t seed) {
  std::mt19937 random(seed);
  grGlideInit();
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_ABGR, GR_ORIGIN_LOWER_LEFT,
               2, 1);
  std::vector<std::uint16_t> words(64 * 64 * 4 / 3 + 1);
  for (auto& w : words) w = std::uint16_t(random());
  GrMipMapId_t rgb = guTexAllocateMemory(
      GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 64, 64, GR_TEXFMT_RGB_565, GR_MIPMAP_NEAREST, GR_LOD_1,
      GR_LOD_64, GR_ASPECT_1x1, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
      GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f, FXFALSE);
  guTexDownloadMipMap(rgb, words.data(), nullptr);
  std::vector<std::uint8_t> indices(32 * 16);
  for (auto& i : indices) i = std::uint8_t(random());
  GuTexTable palette{};
  for (auto& entry : palette.palette.data) entry = random();
  GrMipMapId_t paletted = guTexAllocateMemory(
      GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 32, 16, GR_TEXFMT_P_8, GR_MIPMAP_DISABLE, GR_LOD_32,
      GR_LOD_32, GR_ASPECT_2x1, GR_TEXTURECLAMP_CLAMP, GR_TEXTURECLAMP_WRAP,
      GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED, 0.0f, FXFALSE);
  guTexDownloadMipMap(paletted, indices.data(), &palette);
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE,
               GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
  for (int frame = 0; frame < FRAMES; ++frame) {
    grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grDepthMask(FXTRUE);
    grDitherMode(frame == 1 ? GR_DITHER_DISABLE : GR_DITHER_4x4);
    grBufferClear(0xff102030u + std::uint32_t(frame), 0, 0xffff);
    guTexSource(rgb);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL,
                   GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_NONE, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    for (int i = 0; i < 40; ++i) {
      GrVertex a = randomVertex(random), b = randomVertex(random), c = randomVertex(random);
      grDrawTriangle(&a, &b, &c);
    }
    guTexSource(paletted);
    grChromakeyValue(palette.palette.data[7]);
    grChromakeyMode(GR_CHROMAKEY_ENABLE);
    grConstantColorValue(0x80ff8040u);
    grDepthMask(FXFALSE);
    grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                         GR_BLEND_ZERO);
    for (int i = 0; i < 40; ++i) {
      GrVertex a = randomVertex(random), b = randomVertex(random), c = randomVertex(random);
      grDrawTriangle(&a, &b, &c);
    }
    grChromakeyMode(GR_CHROMAKEY_DISABLE);
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
    boardSetClock(&clock);
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
  JumpingClock clock;
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

TEST_F(TraceReplay, TracingIsArmedOnceAndStartsAtTheWindow) {
  EXPECT_FALSE(boardStartTrace(path.c_str(), 0));
  EXPECT_TRUE(boardStartTrace(path.c_str(), 1));
  EXPECT_FALSE(boardStartTrace(path.c_str(), 1));
  EXPECT_FALSE(fs::exists(path));
  grGlideInit();
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT,
               2, 1);
  EXPECT_TRUE(fs::exists(path));
  grGlideShutdown();  // ends the trace before its frame
  EXPECT_FALSE(boardTraceRecording());
  TraceFile trace;
  std::string error;
  ASSERT_TRUE(loadTrace(path.c_str(), &trace, &error)) << error;
  EXPECT_EQ(trace.frameCount, 0);
  EXPECT_EQ(trace.commands.size(), 1u);  // the window
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
  out.push_back(std::uint8_t(op));
  out.push_back(0);
  out.push_back(0);
  out.push_back(0);
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

  std::vector<std::uint8_t> bad = file;
  appendRecord(bad, TraceOp::LfbUnlock, {1, 1, 1, 512 * 384 - 1, 2, 0});  // a run past the buffer
  EXPECT_FALSE(parseTrace(bad.data(), bad.size(), &trace, &error));
  bad = file;
  appendRecord(bad, TraceOp::DepthMask, {1, 2});  // wrong size for its operation
  EXPECT_FALSE(parseTrace(bad.data(), bad.size(), &trace, &error));
  bad = file;
  appendRecord(bad, TraceOp(200), {});
  EXPECT_FALSE(parseTrace(bad.data(), bad.size(), &trace, &error));
  bad = file;
  bad.insert(bad.end(), {20, 0, 0, 0, 0xff, 0xff, 0xff, 0xff});  // a payload beyond the end
  EXPECT_FALSE(parseTrace(bad.data(), bad.size(), &trace, &error));
  bad[3] = 'X';
  EXPECT_FALSE(parseTrace(bad.data(), bad.size(), &trace, &error));
  EXPECT_FALSE(loadTrace("/nonexistent/x.trace", &trace, &error));
}

}  // namespace
