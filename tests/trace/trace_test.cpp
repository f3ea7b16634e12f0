// Recorded frames, random ones and the program's own, replay pixel for pixel;
// traces hold the documented bytes; damaged and hostile files are refused or
// replayed safely. The program's frames allocate nothing.
#include <malloc.h>
#include <stb_image.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/tracked_memory.h"
#include "board/trace_reader.h"
#include "board/trace_recorder.h"
#include "board/trace_replay.h"
#include "board/trace_threads.h"
#include "tests/app/program_fixture.h"
#include "tests/board/board_test_support.h"
#include "tests/file_contents.h"

namespace fs = std::filesystem;

namespace {

constexpr int FRAMES = 3;

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
  // Random frames (every state the board has, four kinds of texture and the
  // two formats that read an NCC table or an alpha palette, one downloaded
  // without texels), each ending in a lower-left write lock, the first swap
  // waiting for the retrace; the last frame goes on with an upper-left lock
  // and, since the locks' triangles clear the buffers, random triangles and
  // the two table textures that the image keeps. Gives the front buffer.
  std::vector<std::uint16_t> record() {
    EXPECT_TRUE(boardStartTrace(path.c_str(), FRAMES));
    std::mt19937 random(11);
    grGlideInit();
    openWindow(GR_COLORFORMAT_ABGR);
    std::vector<GrMipMapId_t> textures = makeRandomTextures(random);
    TextureKind kind = TEXTURE_KINDS[3];  // 32 x 32, no mipmaps
    for (GrTextureFormat_t format : {GR_TEXFMT_YIQ_422, GR_TEXFMT_AP_88}) {
      kind.format = format;
      textures.push_back(makeRandomTexture(kind, random));
    }
    guTexDownloadMipMap(textures.back(), nullptr, nullptr);
    for (int frame = 0; frame < FRAMES; ++frame) {
      grBufferClear(0xff102030u + std::uint32_t(frame), 0, 0xffff);
      drawRandomTriangles(random, textures, 80);
      writeThroughLock(GR_ORIGIN_LOWER_LEFT, 5 + frame, random, textures);
      if (frame == FRAMES - 1) {
        writeThroughLock(GR_ORIGIN_UPPER_LEFT, 20, random, textures);
        drawRandomTriangles(random, textures, 40, false);
        showTableTextures(textures);
      }
      grBufferSwap(frame == 0 ? 1 : 0);
    }
    EXPECT_FALSE(boardTraceRecording());
    return readBuffer(GR_BUFFER_FRONTBUFFER);
  }

  // The two table textures side by side, whole, so that the image shows
  // their tables' every row (random triangles seldom do).
  void showTableTextures(const std::vector<GrMipMapId_t>& textures) {
    setState(Scenario::OpaqueTextured, false);
    grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
    grChromakeyMode(GR_CHROMAKEY_DISABLE);
    for (int k = 0; k < 2; ++k) {
      guTexSource(textures[textures.size() - 2 + k]);
      const float x = 20.0f + 140.0f * float(k), y = 20;
      drawQuad(textured(vertexAt(x, y), 0, 0), textured(vertexAt(x + 128, y), 256, 0),
               textured(vertexAt(x + 128, y + 128), 256, 256),
               textured(vertexAt(x, y + 128), 0, 256));
    }
  }

  // A write lock of the back buffer writing a row and the buffer's last
  // pixel. During the lock a second lock is refused, and triangles are
  // drawn and the buffers cleared before the writes, which the unlock keeps.
  // An unlock of another buffer is refused and leaves the lock as it was.
  void writeThroughLock(GrOriginLocation_t origin, int row, std::mt19937& random,
                        const std::vector<GrMipMapId_t>& textures) {
    GrLfbInfo_t info{}, refused{};
    EXPECT_TRUE(lockBuffer(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, origin, &info));
    EXPECT_FALSE(
        lockBuffer(GR_LFB_READ_ONLY, GR_BUFFER_FRONTBUFFER, GR_ORIGIN_UPPER_LEFT, &refused));
    drawRandomTriangles(random, textures, 5);
    auto* pixels = static_cast<std::uint16_t*>(info.lfbPtr);
    const int stride = info.strideInBytes / 2;
    for (int x = 10; x < 200; ++x) pixels[row * stride + x] = 0xf81f;
    pixels[(BOARD_HEIGHT - 1) * stride + BOARD_WIDTH - 1] = std::uint16_t(0x07e0 + row);
    EXPECT_FALSE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_FRONTBUFFER));
    EXPECT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
  }

  // Records `calls`, made on an opened board, as a trace of `frames`
  // frames, replays it and demands the same bytes in every buffer.
  template <class Calls>
  void expectReplayLeavesTheSameBuffers(int frames, Calls calls) {
    ASSERT_TRUE(boardStartTrace(path.c_str(), frames));
    grGlideInit();
    openWindow(GR_COLORFORMAT_ARGB);
    calls();
    ASSERT_FALSE(boardTraceRecording());
    const std::vector<std::uint16_t> recorded = everyBuffer();
    ASSERT_TRUE(loadTrace(path.c_str(), &trace, &error)) << error;
    EXPECT_TRUE(replayTrace(trace, 0).wholeTrace);
    EXPECT_TRUE(everyBuffer() == recorded);
  }

  static std::vector<std::uint16_t> everyBuffer() {
    std::vector<std::uint16_t> pixels;
    for (GrBuffer_t buffer : {GR_BUFFER_FRONTBUFFER, GR_BUFFER_BACKBUFFER, GR_BUFFER_AUXBUFFER}) {
      const std::vector<std::uint16_t> one = readBuffer(buffer);
      pixels.insert(pixels.end(), one.begin(), one.end());
    }
    return pixels;
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
    EXPECT_TRUE(readBuffer(GR_BUFFER_FRONTBUFFER) == recorded) << "threads " << threads;
    EXPECT_TRUE(result.wholeTrace);
  }
  const ReplayResult shorter = replayTrace(trace, 1);
  EXPECT_TRUE(shorter.frames == 1 && !shorter.wholeTrace)
      << "a shorter replay stops after its frames";
  EXPECT_FALSE(readBuffer(GR_BUFFER_FRONTBUFFER) == recorded);
  // A cut inside the final image is always caught.
  const std::vector<std::uint8_t> bytes = fileBytes(path);
  EXPECT_FALSE(parseTrace(bytes.data(), bytes.size() - 1, &trace, &error));
  EXPECT_NE(error.find("truncated"), std::string::npos);
  // Cut short anywhere in the header or the first records, and across the
  // rest: refused with a reason, or replayed safely.
  for (std::size_t size = 0; size < bytes.size(); size += size < 3000 ? 1 : 4999) {
    if (parseTrace(bytes.data(), size, &trace, &error)) {
      replayTrace(trace, 0);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

// A row of pixels written through a lock; rows count in the lock's origin.
void writeRow(const GrLfbInfo_t& info, int row, std::uint16_t value) {
  auto* pixels = static_cast<std::uint16_t*>(info.lfbPtr) + row * (info.strideInBytes / 2);
  std::fill_n(pixels, BOARD_WIDTH, value);
}

// A swap during a write lock shows the locked buffer and leaves the lock on
// it: the writes before and after the swap replay into that buffer, in
// either origin.
TEST_F(TraceReplay, WritesThroughALockHeldOverASwapReplayIntoTheLockedBuffer) {
  expectReplayLeavesTheSameBuffers(3, [] {
    for (GrOriginLocation_t origin : {GR_ORIGIN_UPPER_LEFT, GR_ORIGIN_LOWER_LEFT}) {
      grBufferClear(0xff0000ffu, 0, 0);
      GrLfbInfo_t info{};
      ASSERT_TRUE(lockBuffer(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, origin, &info));
      writeRow(info, 10, 0xf800);
      grBufferSwap(0);
      writeRow(info, 20, 0x07e0);
      EXPECT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
    }
    grBufferSwap(0);
  });
}

// Under an upper-left write lock triangles and clears draw over the pixels
// written so far, and later writes may put back what was there before
// them: the replay draws over the same pixels and keeps those writes.
TEST_F(TraceReplay, DrawingDuringAnUpperLeftWriteLockReplaysOverTheWritesBeforeIt) {
  expectReplayLeavesTheSameBuffers(2, [] {
    setState(Scenario::OpaqueColoured, false);
    grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grBufferClear(0, 0, 0xffff);
    GrLfbInfo_t info{};
    ASSERT_TRUE(lockBuffer(GR_LFB_WRITE_ONLY, GR_BUFFER_AUXBUFFER, GR_ORIGIN_UPPER_LEFT, &info));
    for (int row = 0; row < 100; ++row) writeRow(info, row, 0);  // nearest: hides the red
    fillRect(0, 0, BOARD_WIDTH, BOARD_HEIGHT, vertexAt(0, 0, 255, 0, 0, 1000));
    EXPECT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_AUXBUFFER));
    grBufferSwap(0);

    ASSERT_TRUE(lockBuffer(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_UPPER_LEFT, &info));
    grBufferClear(0xff808080u, 0, 0xffff);
    writeRow(info, 6, 0);  // black again, as before the clear
    fillRect(0, 84, BOARD_WIDTH, 234, vertexAt(0, 0, 0, 255, 0, 1000));  // rows 150 to 299
    writeRow(info, 250, rgb565(128, 128, 128));  // grey again, as before the triangles
    EXPECT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
    grBufferSwap(0);
  });
}

// trace-replay's --out holds the front buffer, each channel widened by bit
// replication, rows from the top; its exit status tells a replay that ends
// in the recorded image from one that does not; a shorter replay (--frames)
// is not compared; it says how many threads drew.
TEST_F(TraceReplay, TheToolWritesTheImageNeverRecordsAndFailsOnLostOutputOrAnotherImage) {
  const std::vector<std::uint16_t> recorded = record();
  const std::string tool = std::string(TRACE_REPLAY_TOOL) + " " + path.string();
  const std::string png = path.string() + ".png";
  ASSERT_EQ(std::system((tool + " --out " + png + " > /dev/null").c_str()), 0);
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgb = stbi_load(png.c_str(), &width, &height, &channels, 3);
  fs::remove(png);
  ASSERT_TRUE(rgb != nullptr && width == BOARD_WIDTH && height == BOARD_HEIGHT);
  int wrong = 0;
  for (std::size_t k = 0; k < recorded.size(); ++k) {
    const int r = recorded[k] >> 11, g = recorded[k] >> 5 & 63, b = recorded[k] & 31;
    wrong += rgb[3 * k] != (r << 3 | r >> 2) || rgb[3 * k + 1] != (g << 2 | g >> 4) ||
             rgb[3 * k + 2] != (b << 3 | b >> 2);
  }
  stbi_image_free(rgb);
  EXPECT_EQ(wrong, 0);
  const std::string printed = path.string() + ".txt";
  EXPECT_EQ(std::system((tool + " --frames 1 > " + printed).c_str()), 0);
  EXPECT_NE(fileText(printed).find("final image not compared: 1 of the trace's"),
            std::string::npos);
  // The threads that drew: --threads, else WILDSKY_BOARD_THREADS.
  for (const std::string& choice : {"WILDSKY_BOARD_THREADS=1 " + tool, tool + " --threads 3",
                                    "WILDSKY_BOARD_THREADS=1 " + tool + " --threads 3"}) {
    ASSERT_EQ(std::system((choice + " > " + printed).c_str()), 0);
    const std::string line = fileText(printed);
    EXPECT_NE(line.find(choice.ends_with("3") ? "(3 drawing threads)" : "(1 drawing thread)"),
              std::string::npos)
        << choice << ": " << line;
  }
  fs::remove(printed);
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

// A trace armed while the board holds textures would miss their
// allocations; it starts at the first opening after grGlideShutdown, which
// releases the textures but not the pixels: frames that draw over the colour
// and depth buffers the session before left, without a clear, must replay to
// the same image from a freshly reset board. A trace cut short by
// grGlideShutdown ends with the image on show and replays to it. The board
// ignores a triangle call without its three vertices; so must the replay.
TEST_F(TraceReplay, ATraceArmedOverTexturesWaitsForShutdownAndShutdownEndsIt) {
  std::mt19937 random(3);
  grGlideInit();
  openWindow(GR_COLORFORMAT_ABGR);
  makeRandomTextures(random);
  ASSERT_TRUE(boardStartTrace(path.c_str(), 5));
  openWindow(GR_COLORFORMAT_ABGR);
  EXPECT_FALSE(fs::exists(path));
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grBufferClear(0xff3060a0u, 0, 0x1000);
  grBufferSwap(0);
  grBufferClear(0xffa06030u, 0, 0x1000);
  grGlideShutdown();
  grGlideInit();
  openWindow(GR_COLORFORMAT_ABGR);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_LESS);
  fillRect(10, 10, 100, 100, vertexAt(0, 0, 255, 0, 0, 2000));   // nearer than the old depth
  fillRect(120, 10, 200, 100, vertexAt(0, 0, 0, 255, 0, 8000));  // farther: hidden
  grBufferSwap(0);
  fillRect(220, 10, 300, 100, vertexAt(0, 0, 0, 0, 255, 2000));
  const GrVertex corners[2] = {vertexAt(100, 100), vertexAt(300, 120)};
  grDrawTriangle(&corners[0], &corners[1], nullptr);
  grBufferSwap(0);
  drawRandomTriangles(random, makeRandomTextures(random), 40);  // on the back buffer
  const std::vector<std::uint16_t> shown = readBuffer(GR_BUFFER_FRONTBUFFER);
  grGlideShutdown();
  ASSERT_TRUE(loadTrace(path.c_str(), &trace, &error)) << error;
  EXPECT_TRUE(trace.finalImage == shown);
  const ReplayResult result = replayTrace(trace, 0);
  EXPECT_EQ(result.skipped, 0);
  EXPECT_TRUE(result.wholeTrace);
  EXPECT_TRUE(readBuffer(GR_BUFFER_FRONTBUFFER) == shown)
      << "the replay starts from other pixels than the recording";
}

// A trace the disk cannot hold is reported and removed, not left cut short
// for a replay to refuse.
TEST_F(TraceReplay, ATraceTheDiskCannotHoldIsRemoved) {
  rlimit fileSize{};
  getrlimit(RLIMIT_FSIZE, &fileSize);
  const rlimit small{4096, fileSize.rlim_max};
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not a killed process
  ASSERT_TRUE(boardStartTrace(path.c_str(), 1));
  grGlideInit();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  openWindow(GR_COLORFORMAT_ARGB);
  grBufferClear(0, 0, 0xffff);
  grBufferSwap(0);  // ends the trace with the final image, larger than the limit
  setrlimit(RLIMIT_FSIZE, &fileSize);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_FALSE(boardTraceRecording());
  EXPECT_FALSE(fs::exists(path));
}

// Little-endian words of a hand-made trace.
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t(v >> (8 * k)));
}
std::vector<std::uint8_t> traceHeader() {
  std::vector<std::uint8_t> file{'W', 'S', 'K', 'Y', 'T', 'R', 'C', '1'};
  for (std::uint32_t w : {1u, 512u, 384u}) put32(file, w);
  return file;
}
void appendRecord(std::vector<std::uint8_t>& out, TraceOp op, std::vector<std::uint32_t> words) {
  out.insert(out.end(), {std::uint8_t(op), std::uint8_t(unsigned(op) >> 8), 0, 0});
  put32(out, std::uint32_t(words.size() * 4));
  for (std::uint32_t w : words) put32(out, w);
}

// The recorder writes the bytes docs/trace-format.md gives, by the
// operation numbers printed there, so that other renderers can read them.
TEST_F(TraceReplay, RecordsAreTheDocumentedBytes) {
  const GrVertex corners[3] = {vertexAt(0, 0), vertexAt(100, 0, 10, 20, 30), vertexAt(0, 100)};
  ASSERT_TRUE(boardStartTrace(path.c_str(), 1));
  grGlideInit();
  openWindow(GR_COLORFORMAT_ARGB);
  grChromakeyMode(GR_CHROMAKEY_ENABLE);
  grChromakeyValue(0x123456);
  grDrawTriangle(&corners[0], &corners[1], &corners[2]);
  grBufferSwap(0);
  std::vector<std::uint8_t> expected = traceHeader();
  appendRecord(expected, TraceOp(4), {0, 3, 2, 0, 1, 2, 0});
  appendRecord(expected, TraceOp(18), {1});
  appendRecord(expected, TraceOp(19), {0x123456});
  std::vector<std::uint32_t> vertices;
  for (const GrVertex& c : corners) {
    for (float f :
         {c.x, c.y, c.z, c.r, c.g, c.b, c.ooz, c.a, c.oow, c.tmuvtx[0].sow, c.tmuvtx[0].tow,
          c.tmuvtx[0].oow, c.tmuvtx[1].sow, c.tmuvtx[1].tow, c.tmuvtx[1].oow}) {
      vertices.push_back(std::bit_cast<std::uint32_t>(f));
    }
  }
  appendRecord(expected, TraceOp(20), vertices);
  appendRecord(expected, TraceOp(11), {0});
  const std::vector<std::uint8_t> bytes = fileBytes(path);
  ASSERT_GT(bytes.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
  EXPECT_EQ(bytes[expected.size()], 28) << "the final image";
}

// A download of 2 texels where the texture takes 87,381 is skipped, and so
// is one with a byte a texel for a 16-bit format; a write run past the
// buffer and a screen of another size are refused.
TEST_F(TraceReplay, HostileCountsAndSizesNeverReachTheBoard) {
  std::vector<std::uint8_t> file = traceHeader();
  appendRecord(file, TraceOp::SstWinOpen, {0, 3, 2, 0, 0, 2, 1});
  appendRecord(file, TraceOp::TexAllocateMemory,
               {0, 3, 256, 256, std::uint32_t(GR_TEXFMT_RGB_565), 1, 8, 0, 3, 0, 0, 1, 1, 0, 0});
  appendRecord(file, TraceOp::TexDownloadMipMap, {0, 1, 0, 2, 0x12345678});
  appendRecord(file, TraceOp::TexAllocateMemory,
               {0, 3, 32, 32, std::uint32_t(GR_TEXFMT_RGB_565), 0, 3, 3, 3, 0, 0, 1, 1, 0, 0});
  std::vector<std::uint32_t> byteTexels = {1, 1, 0, 1024};
  byteTexels.resize(4 + 1024 / 4, 0x11223344);
  appendRecord(file, TraceOp::TexDownloadMipMap, byteTexels);
  ASSERT_TRUE(parseTrace(file.data(), file.size(), &trace, &error)) << error;
  EXPECT_EQ(replayTrace(trace, 0).skipped, 2);
  appendRecord(file, TraceOp::LfbUnlock, {1, 1, 1, 512 * 384 - 1, 2, 0});
  EXPECT_FALSE(parseTrace(file.data(), file.size(), &trace, &error));
  file[12] = 0x80, file[13] = 2;  // a screen 640 wide
  file.resize(20);
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
  const std::vector<std::uint16_t> recorded = readBuffer(GR_BUFFER_FRONTBUFFER);
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
  EXPECT_TRUE(readBuffer(GR_BUFFER_FRONTBUFFER) == recorded);
  EXPECT_EQ(trace.finalImage, recorded);
}

}  // namespace
