// The real wildsky binary in a folder with its content, headless, keys on standard input;
// and its frames run in the test process for the keys, the screenshot and the exit report.
#include "app/program.h"

#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/screenshot.h"
#include "app/tracked_memory.h"
#include "tests/app/program_fixture.h"
#include "tests/board/board_test_support.h"
#include "tests/file_contents.h"
#include "tests/reader3ds/reader_test_support.h"

namespace {

// Runs wildsky in the current folder with keys on its standard input and expects a normal end:
// status 0 and exactly the exit report. With terminate, the input's end is followed by SIGTERM once
// "dump.tga" shows the frames running (status 99: it had ended).
void runWildsky(const std::string& keys, bool terminate = false) {
  const std::string command =
      "printf '" + keys +
      "' | env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " WILDSKY_BINARY +
      (terminate ? " & for i in $(seq 600); do [ -e dump.tga ] && break; sleep 0.1; done; "
                   "sleep 0.3; kill -0 $! || exit 99; kill -TERM $!; wait $!"
                 : "");
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  const int status = pclose(pipe);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
  // Exactly the exit report: its figures, read back and printed again, give it.
  double total = -1, highest = -1, fps = -1, tps = -1, texmem = 0, raspos = -1;
  std::sscanf(output.c_str(),
              "qxTotalMemAllocated = %lf qxTotalMemAllocated_MAX = %lf Global statistics while "
              "running: FPS: %lf TPS: %lf TEXMEM: %lf RASPOS: %lf",
              &total, &highest, &fps, &tps, &texmem, &raspos);
  char report[256];
  std::snprintf(report, sizeof report,
                "qxTotalMemAllocated = %.0f\nqxTotalMemAllocated_MAX = %.0f\nGlobal statistics "
                "while running:\nFPS: %.2f  TPS: %.2f\nTEXMEM: %.0f   RASPOS: %3.0f\n",
                total, highest, fps, tps, texmem, raspos);
  EXPECT_EQ(output, report);
  EXPECT_TRUE(total <= highest && highest > 0 && fps >= 0 && tps >= 0 && fps + tps < 1e30 &&
              texmem > 0 && raspos >= 0 && raspos < 1000);
}

// "dump.tga": a 512 x 384 TGA with its header and footer, showing the stored
// image name.png (WILDSKY_UPDATE_REFERENCE stores the dump as that image).
void expectDump(const std::string& name) {
  const std::vector<std::uint8_t> tga = fileBytes("dump.tga");
  ASSERT_EQ(tga.size(), 589868u);
  const std::vector<std::uint8_t> header{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0x80, 1, 24, 32};
  EXPECT_EQ(std::vector<std::uint8_t>(tga.begin(), tga.begin() + 18), header);
  EXPECT_EQ(std::string(tga.end() - 26, tga.end()),
            std::string(8, '\0') + "TRUEVISION-XFILE." + std::string(1, '\0'));
  constexpr int width = 512, height = 384;
  std::vector<std::uint8_t> rgb(tga.begin() + 18, tga.end() - 26);
  for (std::size_t i = 0; i < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
  const std::string reference = std::string(APP_TEST_DATA) + "/" + name + ".png";
  if (std::getenv("WILDSKY_UPDATE_REFERENCE") != nullptr) {
    stbi_write_png(reference.c_str(), width, height, 3, rgb.data(), width * 3);
  }
  int w = 0, h = 0, channels = 0;
  stbi_uc* expected = stbi_load(reference.c_str(), &w, &h, &channels, 3);
  ASSERT_NE(expected, nullptr) << "no reference image " << reference;
  EXPECT_TRUE(w == width && h == height && std::equal(rgb.begin(), rgb.end(), expected))
      << "the dump differs from " << reference << " (WILDSKY_UPDATE_REFERENCE=1 stores it there)";
  stbi_image_free(expected);
}

// The verse and the reason go to standard output, which the dying child
// sends to standard error, where the death test reads them.
void exhaustWithOutputOnStandardError(void* (*allocate)()) {
  std::fflush(stdout);
  dup2(STDERR_FILENO, STDOUT_FILENO);
  allocate();
}

TEST(TrackedMemoryDeathTest, ExhaustionPrintsTheReasonAndExitsMinusOne) {
  // Three lines, each ended by a line feed (after a sanitizer's warning, if any).
  const std::string verse = "([^\n]+\n){3}";
  // SIZE_MAX bytes no heap gives (a 32-bit process may well get half of them), and
  // arrays whose byte count a size_t cannot hold, not the few bytes it would wrap to.
  const std::int64_t wrapsToZero = std::int64_t{1} << 62;
  const std::pair<void* (*)(), std::string> exhaustions[] = {
      {[] { return memAlloc(SIZE_MAX); }, "Couldn't malloc memory!$"},
      {[] { return memRealloc(nullptr, SIZE_MAX); }, "Couldn't realloc memory!$"},
      {[] { return memAllocArray(wrapsToZero, 16); }, "Couldn't malloc memory!$"},
      {[] { return memReallocArray(nullptr, wrapsToZero, 16); }, "Couldn't realloc memory!$"}};
  for (const auto& [allocate, reason] : exhaustions) {
    EXPECT_EXIT(exhaustWithOutputOnStandardError(allocate), testing::ExitedWithCode(255),
                verse + reason);
  }
}

TEST(WildskyRun, DumpsTheFramesPipedKeysAskForAndReportsAtExit) {
  TestContent content;
  runWildsky("DQ");
  // The first frame is drawn under the start-up depth test "greater" against
  // a depth buffer cleared to 0 with the near-is-smaller range: the farthest
  // surface wins and the overlay, at depth 0, is hidden. Only the sky shows.
  expectDump("frame1");
  std::filesystem::remove("dump.tga");
  // S, D, Q in three frames: the dump is the second frame, without overlay,
  // the wall, the pane and the sky in their depth order.
  runWildsky("sdq");
  expectDump("frame2");
  std::filesystem::remove("dump.tga");
  runWildsky("VD", true);  // the pipe's end is not a quit; SIGTERM ends the run like Q
}

TEST_F(ProgramRun, KeysActOneAFrameAndAShortRunReportsZeroRatesAndReleasesEverything) {
  const std::uint32_t heapBefore = getTotalMemAllocated();
  startWith();
  keys.waiting = {'s', 'S', 'V', -1, 'v', 'D', -1, 'd'};
  std::vector<std::pair<int, int>> toggles;  // statistics shown, waiting for the retrace
  for (int frame = 1; frame <= 8; ++frame) {
    runFrame(state);
    toggles.push_back({state.showStatistics, state.waitForRetrace});
  }
  EXPECT_EQ(toggles, (std::vector<std::pair<int, int>>{
                         {0, 1}, {1, 1}, {1, 0}, {1, 0}, {1, 1}, {1, 1}, {1, 1}, {1, 1}}));
  EXPECT_EQ(state.quitRequested, 0);
  for (int key : {int{'q'}, int{' '}, 27, 0x100, 0x101}) {
    state.quitRequested = 0;
    keys.waiting = {key};
    runFrame(state);
    EXPECT_EQ(state.quitRequested, 1) << "key " << key;
  }
  // Nothing where no file can be created nor for a size beyond the screen;
  // the lock is given back each time, so a later screenshot still works.
  saveScreenshot("missing-folder/dump.tga", 512, 384);
  saveScreenshot("big.tga", 1024, 768);
  EXPECT_FALSE(std::filesystem::exists("missing-folder") || std::filesystem::exists("big.tga"));
  saveScreenshot("small.tga", 2, 1);
  EXPECT_EQ(std::filesystem::file_size("small.tga"), 18u + 6u + 26u);

  // The clock never moved: the rates are 0.00, not a division by zero.
  const std::string report = stop();
  EXPECT_EQ(getTotalMemAllocated(), heapBefore);
  EXPECT_EQ(report.rfind("qxTotalMemAllocated = " + std::to_string(heapBefore) + "\n", 0), 0u)
      << report;
  EXPECT_NE(report.find("\nFPS: 0.00  TPS: 0.00\nTEXMEM: "), std::string::npos) << report;
}

// A second run in the same process draws and reports as the first: the
// font comes back with the new board (the retrace mark "V" is drawn with
// it), and TEXMEM counts that run's textures. The statistics are switched
// off: PCMEM counts the heap's usable sizes, which depend on the heap's past.
//
// The map kind a file leaves pending carries over to the next file, but a
// run starts with none. The sky, read last, ends here with a "Texture map";
// the wild scene starts with a material that names its file under a
// "Specular map", which takes whatever kind is pending. SHINE has no texture
// in the first run, and must have none in the second.
TEST_F(ProgramRun, ASecondRunInTheSameProcessDrawsAndReportsAsTheFirst) {
  using namespace chunk_id;
  const std::string shine =
      chunk(MATERIAL, chunk(MATERIAL_NAME, text("SHINE")) +
                          chunk(SPECULAR_MAP, chunk(MAP_FILENAME, text("ROCK.TGA"))));
  std::vector<std::uint16_t> shown[2];
  std::string reports[2];
  for (int run = 0; run < 2; ++run) {
    content = std::make_unique<TestContent>();
    const std::string wild = fileText("OBJECTS/qxwild.3ds");
    std::ofstream("OBJECTS/qxwild.3ds", std::ios::binary) << shine << wild;
    std::ofstream("OBJECTS/ballsky.3ds", std::ios::binary | std::ios::app)
        << chunk(TEXTURE_MAP, "");
    start();
    const Scene& scene = *state.wildScene;
    const Material *begin = scene.materials, *end = begin + scene.materialCount;
    const Material* material = std::find_if(
        begin, end, [](const Material& m) { return std::strcmp(m.name, "SHINE") == 0; });
    ASSERT_NE(material, end);
    EXPECT_EQ(material->flags & MATERIAL_HAS_TEXTURE, 0u) << "run " << run + 1;
    keys.waiting = {'s', 'v'};
    for (int frame = 0; frame < 3; ++frame) runFrame(state);
    shown[run] = readBuffer(GR_BUFFER_FRONTBUFFER);
    reports[run] = stop();
  }
  EXPECT_TRUE(shown[0] == shown[1]);
  EXPECT_EQ(reports[0], reports[1]);
}

}  // namespace
