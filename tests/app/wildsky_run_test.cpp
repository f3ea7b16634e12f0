// The real wildsky binary as a user runs it: in a folder with its content,
// without a display, keys on standard input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stb_image.h>
#include <stb_image_write.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/test_content.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int status = -1;
  std::string output;
  bool runningWhenSignalled = false;
};

// Starts wildsky in folder with input on its standard input (closed after
// it). With a signal given, sends it once the run has written "dump.tga",
// which shows that its frames are running, and a little later.
RunResult runWildsky(const fs::path& folder, const std::string& input, int signal = 0) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[1]);
    close(out[0]);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    if (chdir(folder.c_str()) != 0) _exit(120);
    execl(WILDSKY_BINARY, "wildsky", static_cast<char*>(nullptr));
    _exit(121);
  }
  close(in[0]);
  close(out[1]);
  if (!input.empty() && write(in[1], input.data(), input.size()) < 0) ADD_FAILURE();
  close(in[1]);
  RunResult result;
  int status = 0;
  bool reaped = false;
  if (signal != 0) {
    for (int wait = 0; wait < 600 && !fs::exists(folder / "dump.tga"); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    reaped = waitpid(child, &status, WNOHANG) == child;
    result.runningWhenSignalled = !reaped;
    kill(child, signal);
  }
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) result.output.append(buffer, n);
  close(out[0]);
  if (!reaped) waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  return result;
}

constexpr char EXIT_REPORT[] =
    "qxTotalMemAllocated = %d\nqxTotalMemAllocated_MAX = %d\nGlobal statistics while running:\n"
    "FPS: %.2f  TPS: %.2f\nTEXMEM: %d   RASPOS: %3d\n";

// The output is the exit report exactly: its figures read back and printed
// again give the same text.
bool isExitReport(const std::string& output) {
  int memory = 0, peak = 0, textureMemory = 0, rasterPosition = 0;
  double framesPerSecond = 0, facesPerSecond = 0;
  if (std::sscanf(output.c_str(),
                  "qxTotalMemAllocated = %d qxTotalMemAllocated_MAX = %d Global statistics while "
                  "running: FPS: %lf TPS: %lf TEXMEM: %d RASPOS: %d",
                  &memory, &peak, &framesPerSecond, &facesPerSecond, &textureMemory,
                  &rasterPosition) != 6) {
    return false;
  }
  char expected[512];
  std::snprintf(expected, sizeof expected, EXIT_REPORT, memory, peak, framesPerSecond,
                facesPerSecond, textureMemory, rasterPosition);
  return output == expected && peak >= memory && textureMemory > 0;
}

// The statistics' second line holds the heap size, which differs between
// builds: the band of that line right of "PCMEM: " is not compared.
bool inHeapFigure(int column, int rowFromTop) {
  const int y = 383 - rowFromTop;
  return y < 12 && column >= 14 + 7 * 8;
}

// Compares a screenshot with the stored image name.png; WILDSKY_UPDATE_REFERENCE
// stores the screenshot as the new reference instead.
void compareWithReference(const std::vector<std::uint8_t>& tga, const std::string& name) {
  const std::string reference = std::string(APP_TEST_DATA) + "/" + name + ".png";
  constexpr int width = 512, height = 384;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = tga[18 + i + 2];
    rgb[i + 1] = tga[18 + i + 1];
    rgb[i + 2] = tga[18 + i];
  }
  if (std::getenv("WILDSKY_UPDATE_REFERENCE") != nullptr) {
    stbi_write_png(reference.c_str(), width, height, 3, rgb.data(), width * 3);
  }
  int w = 0, h = 0, channels = 0;
  stbi_uc* expected = stbi_load(reference.c_str(), &w, &h, &channels, 3);
  ASSERT_NE(expected, nullptr) << "no reference image " << reference;
  ASSERT_EQ(w, width);
  ASSERT_EQ(h, height);
  int differing = 0;
  std::vector<std::uint8_t> difference(rgb.size(), 0);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      if (inHeapFigure(column, row)) continue;
      const std::size_t at = (static_cast<std::size_t>(row) * width + column) * 3;
      if (!std::equal(&rgb[at], &rgb[at + 3], &expected[at])) {
        ++differing;
        difference[at] = difference[at + 1] = difference[at + 2] = 255;
      }
    }
  }
  stbi_image_free(expected);
  if (differing > 0) {
    stbi_write_png((name + "-actual.png").c_str(), width, height, 3, rgb.data(), width * 3);
    stbi_write_png((name + "-difference.png").c_str(), width, height, 3, difference.data(),
                   width * 3);
  }
  EXPECT_EQ(differing, 0) << "pixels differ from " << reference << "; see " << name
                          << "-actual.png and " << name << "-difference.png";
}

// A normal end: status 0 and the exit report.
void expectNormalEnd(const RunResult& run) {
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(isExitReport(run.output)) << run.output;
}

// The dump in folder: a 512 x 384 TGA with its header and footer, showing
// the stored reference image.
void expectDump(const fs::path& folder, const std::string& reference) {
  const std::vector<std::uint8_t> tga = readFileBytes(folder / "dump.tga");
  ASSERT_EQ(tga.size(), 589868u);
  const std::vector<std::uint8_t> header(tga.begin(), tga.begin() + 18);
  EXPECT_EQ(header, SCREENSHOT_HEADER);
  EXPECT_EQ(std::string(tga.end() - 18, tga.end()), std::string("TRUEVISION-XFILE.", 18));
  compareWithReference(tga, reference);
}

TEST(WildskyRun, DumpsTheFirstFrameAndReportsAtExit) {
  TestContent content;
  expectNormalEnd(runWildsky(content.folder(), "DQ"));
  // The first frame is drawn under the start-up depth test "greater" against
  // a depth buffer cleared to 0 with the near-is-smaller range: the farthest
  // surface wins and the overlay, at depth 0, is hidden. Only the sky shows.
  expectDump(content.folder(), "frame1");
}

TEST(WildskyRun, KeysFromAPipeActOnConsecutiveFramesAndItsEndIsNotAQuit) {
  TestContent content;
  // S, D, Q in three frames: the dump is the second frame, without overlay,
  // the wall, the pane and the sky in their depth order.
  expectNormalEnd(runWildsky(content.folder(), "sdq"));
  expectDump(content.folder(), "frame2");

  // The end of the input leaves the program running; SIGTERM ends it like Q.
  fs::remove(content.folder() / "dump.tga");
  const RunResult terminated = runWildsky(content.folder(), "VD", SIGTERM);
  EXPECT_TRUE(terminated.runningWhenSignalled);
  expectNormalEnd(terminated);
}

TEST(WildskyRun, MissingFilesEndTheRunWithTheirMessages) {
  {
    TestContent content;
    fs::remove(content.folder() / "OBJECTS" / "qxwild.3ds");
    const RunResult run = runWildsky(content.folder(), "Q");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "Can't open \".\\OBJECTS\\qxwild.3ds\"!\n");
  }
  {
    TestContent content;
    fs::remove(content.folder() / "TEXTURES" / "rock.3df");
    const RunResult run = runWildsky(content.folder(), "Q");
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.output.find("\".\\TEXTURES\\ROCK.3df\""), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("qxTotalMemAllocated"), std::string::npos);
  }
  {
    TestContent content{ContentParts{true, true, false}};
    const RunResult run = runWildsky(content.folder(), "Q");
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.output.find("\".\\TEXTURES\\micro.3df\""), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(content.folder() / "dump.tga"));
  }
}

}  // namespace
