// The real wildsky binary as a user runs it: in a folder with its content,
// without a display, keys on standard input.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/test_content.h"

namespace {

// Runs wildsky in the current folder with keys on its standard input and
// expects a normal end: status 0 and exactly the exit report. With terminate,
// the input's end is followed by SIGTERM once "dump.tga" shows the frames
// running (status 99: it had ended).
void runWildsky(const std::string& keys, bool terminate = false) {
  std::string command = "printf '" + keys +
                        "' | env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " WILDSKY_BINARY;
  if (terminate) {
    command +=
        " & for i in $(seq 600); do [ -e dump.tga ] && break; sleep 0.1; done; sleep 0.3; "
        "kill -0 $! || exit 99; kill -TERM $!; wait $!";
  }
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  const int status = pclose(pipe);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
  const std::regex report(
      "qxTotalMemAllocated = (\\d+)\nqxTotalMemAllocated_MAX = (\\d+)\nGlobal statistics while "
      "running:\nFPS: \\d+\\.\\d\\d  TPS: \\d+\\.\\d\\d\nTEXMEM: [1-9]\\d*   RASPOS: ( {2}\\d| "
      "\\d\\d|\\d{3})\n");
  std::smatch figures;
  ASSERT_TRUE(std::regex_match(output, figures, report)) << output;
  EXPECT_LE(std::stol(figures[1]), std::stol(figures[2]));
}

// "dump.tga": a 512 x 384 TGA with its header and footer, showing the stored
// image name.png (WILDSKY_UPDATE_REFERENCE stores the dump as that image).
void expectDump(const std::string& name) {
  const std::vector<std::uint8_t> tga = readFileBytes("dump.tga");
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
  const bool same = w == width && h == height && std::equal(rgb.begin(), rgb.end(), expected);
  stbi_image_free(expected);
  if (!same) {
    const auto actual = std::filesystem::temp_directory_path() / (name + "-actual.png");
    stbi_write_png(actual.c_str(), width, height, 3, rgb.data(), width * 3);
    ADD_FAILURE() << "the dump differs from " << reference << "; see " << actual;
  }
}

TEST(WildskyRun, DumpsTheFirstFrameAndReportsAtExit) {
  TestContent content;
  runWildsky("DQ");
  // The first frame is drawn under the start-up depth test "greater" against
  // a depth buffer cleared to 0 with the near-is-smaller range: the farthest
  // surface wins and the overlay, at depth 0, is hidden. Only the sky shows.
  expectDump("frame1");
}

TEST(WildskyRun, KeysFromAPipeActOnConsecutiveFramesAndItsEndIsNotAQuit) {
  TestContent content;
  // S, D, Q in three frames: the dump is the second frame, without overlay,
  // the wall, the pane and the sky in their depth order.
  runWildsky("sdq");
  expectDump("frame2");
  std::filesystem::remove("dump.tga");
  runWildsky("VD", true);  // SIGTERM ends the run like Q
}

}  // namespace
