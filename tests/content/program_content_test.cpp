#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/text_overlay.h"
#include "board/board.h"
#include "reader3ds/load3ds.h"
#include "render/glide.h"
#include "tests/content/content_fixture.h"
#include "tools/mkcontent/font.h"
#include "tools/writer3ds/scene_writer.h"

namespace {

// Time stands still for the program; the board's retrace waits end at once.
class StillClock : public ProgramClock {
 public:
  double readClock() override { return 0.0; }
};

class JumpingBoardClock : public BoardClock {
 public:
  double now() override { return time += 0.001; }
  void sleepUntil(double until) override { time = std::max(time, until); }

 private:
  double time = 0.0;
};

// Runs the program in `folder` as its working directory, as it is started.
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~InFolder() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

using Screen = std::vector<std::uint16_t>;  // rgb565, rows top to bottom

Screen readBuffer(GrBuffer_t buffer) {
  GrLfbInfo_t info{};
  info.size = sizeof info;
  Screen screen;
  if (!grLfbLock(GR_LFB_READ_ONLY, buffer, GR_LFBWRITEMODE_ANY, GR_ORIGIN_UPPER_LEFT, FXFALSE,
                 &info))
    return screen;
  const auto* pixels = static_cast<const std::uint16_t*>(info.lfbPtr);
  for (int row = 0; row < SCREEN_HEIGHT; ++row)
    for (int column = 0; column < SCREEN_WIDTH; ++column)
      screen.push_back(pixels[column + row * static_cast<int>(info.strideInBytes / 2)]);
  grLfbUnlock(GR_LFB_READ_ONLY, buffer);
  return screen;
}

void resetProgramParts() {
  boardReset();
  resetTextOverlay();
  resetReaderState();
}

// The real sky ball and its texture with a wild scene that holds nothing, so
// every pixel a frame shows comes from the sky (or the overlay).
std::filesystem::path skyOnlyFolder() {
  const std::filesystem::path folder = scratchDir() / "sky_only";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "OBJECTS");
  const std::filesystem::path content(contentDir());
  std::filesystem::copy(content / "TEXTURES", folder / "TEXTURES");
  std::filesystem::copy_file(content / "OBJECTS" / "ballsky.3ds",
                             folder / "OBJECTS" / "ballsky.3ds");
  WriterScene empty;
  empty.materials.push_back({.name = "Nothing"});
  const auto bytes = write3ds(empty);
  std::ofstream(folder / "OBJECTS" / "qxwild.3ds", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return folder;
}

std::vector<std::uint8_t> toRgb(const Screen& screen) {
  std::vector<std::uint8_t> rgb;
  for (std::uint16_t p : screen)
    rgb.insert(rgb.end(), {static_cast<std::uint8_t>((p >> 11) * 255 / 31),
                           static_cast<std::uint8_t>(((p >> 5) & 63) * 255 / 63),
                           static_cast<std::uint8_t>((p & 31) * 255 / 31)});
  return rgb;
}

void savePng(const std::filesystem::path& path, const std::vector<std::uint8_t>& rgb) {
  std::filesystem::create_directories(path.parent_path());
  stbi_write_png(path.string().c_str(), SCREEN_WIDTH, SCREEN_HEIGHT, 3, rgb.data(),
                 SCREEN_WIDTH * 3);
}

}  // namespace

TEST(SkyBall, CoversEveryPixelOfTheFirstHundredFrames) {
  ASSERT_FALSE(contentDir().empty());
  resetProgramParts();
  const std::filesystem::path folder = skyOnlyFolder();
  InFolder inFolder(folder);
  StillClock clock;
  JumpingBoardClock boardClock;
  Platform platform;
  platform.clock = &clock;
  platform.boardClock = &boardClock;
  ProgramState state;
  startProgram(state, platform);
  // No buffer is cleared between frames: a pixel the sky missed would keep
  // the colour of the start-up clear, black, or of a frame before.
  int uncovered = 0, firstFrame = 0;
  for (int frame = 1; frame <= 100 && uncovered == 0; ++frame) {
    runFrame(state);
    const Screen screen = readBuffer(GR_BUFFER_FRONTBUFFER);
    ASSERT_EQ(screen.size(), static_cast<std::size_t>(SCREEN_WIDTH * SCREEN_HEIGHT));
    for (std::uint16_t pixel : screen) uncovered += pixel == 0;
    if (uncovered) {
      firstFrame = frame;
      savePng(std::string(WILDSKY_TEST_OUTPUT_DIR) + "/uncovered_sky.png", toRgb(screen));
    }
  }
  EXPECT_EQ(uncovered, 0) << "black pixels in frame " << firstFrame;
  state.quitRequested = 1;
  ::testing::internal::CaptureStdout();
  shutdownProgram(state);
  ::testing::internal::GetCapturedStdout();
  resetProgramParts();
}

TEST(Font, OverlayTextMatchesTheReferenceImage) {
  ASSERT_FALSE(contentDir().empty());
  resetProgramParts();
  InFolder inFolder(contentDir());
  grGlideInit();
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
               2, 0);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_GREATER);
  grBufferClear(0, 0, 0);
  // Every character, three lines of 32, as the overlay draws its statistics.
  std::string text;
  for (int code = 32; code < 128; ++code) {
    text += static_cast<char>(code);
    if (code % 32 == 31 && code < 127) text += '\n';
  }
  const int penX = 10, penY = 100;
  drawText(1, penX, penY, "%s", text.c_str());
  const Screen screen = readBuffer(GR_BUFFER_BACKBUFFER);
  ASSERT_EQ(screen.size(), static_cast<std::size_t>(SCREEN_WIDTH * SCREEN_HEIGHT));
  const std::vector<std::uint8_t> actual = toRgb(screen);

  // Drawn independently from the glyph bitmaps: character i of line l has its
  // 8 x 8 square from pen x + 4 across and from pen y up, top row highest.
  int wrong = 0;
  for (int code = 32; code < 128; ++code) {
    const int line = (code - 32) / 32, column = (code - 32) % 32;
    const auto rows = glyphRows(code);
    for (int gy = 0; gy < 8; ++gy)
      for (int gx = 0; gx < 8; ++gx) {
        const int x = penX + 8 * column + 4 + gx;
        const int y = penY - 8 * line + 7 - gy;  // lower-left origin
        const bool lit = rows[static_cast<std::size_t>(gy)] & (0x80u >> gx);
        const std::uint16_t pixel =
            screen[static_cast<std::size_t>((SCREEN_HEIGHT - 1 - y) * SCREEN_WIDTH + x)];
        wrong += pixel != (lit ? 0xFFFF : 0x0000);
      }
  }
  EXPECT_EQ(wrong, 0) << "pixels unlike the glyph bitmaps";

  const std::filesystem::path reference = std::string(WILDSKY_TEST_DATA_DIR) + "/overlay_text.png";
  int width = 0, height = 0, channels = 0;
  stbi_uc* expected = stbi_load(reference.string().c_str(), &width, &height, &channels, 3);
  const bool same = expected && width == SCREEN_WIDTH && height == SCREEN_HEIGHT &&
                    std::equal(actual.begin(), actual.end(), expected);
  if (!same) savePng(std::string(WILDSKY_TEST_OUTPUT_DIR) + "/overlay_text_actual.png", actual);
  EXPECT_TRUE(same) << "the overlay differs from " << reference
                    << "; the actual image is in the test output folder";
  stbi_image_free(expected);
  grGlideShutdown();
  resetProgramParts();
}
