// The overlay text and the screenshot, drawn and read back through the board.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/screenshot.h"
#include "app/text_overlay.h"
#include "render/glide.h"
#include "render/texture_registry.h"
#include "tests/app/program_fixture.h"

namespace {

using Pixel = std::pair<int, int>;  // column, row with the origin lower left

class BoardOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    content = std::make_unique<TestContent>(ContentParts{false, false, true});
    inContent = std::make_unique<CurrentFolder>(content->folder());
    grGlideInit();
    grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA,
                 GR_ORIGIN_LOWER_LEFT, 2, 0);
    grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
    grBufferClear(0, 0, 0);
  }
  void TearDown() override {
    resetProgramParts();
    inContent.reset();
    content.reset();
  }

  // Pixels of the back buffer that are not black.
  static std::set<Pixel> litPixels() {
    GrLfbInfo_t info{};
    info.size = sizeof info;
    EXPECT_TRUE(grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_ANY,
                          GR_ORIGIN_LOWER_LEFT, FXFALSE, &info));
    std::set<Pixel> lit;
    const auto* pixels = static_cast<const std::uint16_t*>(info.lfbPtr);
    for (int y = 0; y < 384; ++y) {
      for (int x = 0; x < 512; ++x) {
        if (pixels[x + y * info.strideInBytes / 2] != 0) lit.insert({x, y});
      }
    }
    grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER);
    return lit;
  }

  // Where the font puts a character drawn with its pen at (penX, penY).
  static void addGlyph(std::set<Pixel>& pixels, char character, int penX, int penY) {
    const int glyph = (character & 0x7F) - 32;
    for (int j = 0; j < 8; ++j) {
      for (int i = 0; i < 8; ++i) {
        if (fontGlyphTexel(glyph, i, j)) pixels.insert({penX + 4 + i, penY + 7 - j});
      }
    }
  }

  std::unique_ptr<TestContent> content;
  std::unique_ptr<CurrentFolder> inContent;
};

TEST_F(BoardOutput, TextLinesReturnsAndHighBitsLandOnTheFontsTexels) {
  const std::int32_t before = textureMemoryUsed();
  drawText(0, 10, 10, "A%c\n%s\x80", 'b', "C#\rD");
  const std::int32_t afterFirst = textureMemoryUsed();
  EXPECT_GT(afterFirst, before);

  std::set<Pixel> expected;
  addGlyph(expected, 'A', 10, 10);
  addGlyph(expected, 'b', 18, 10);
  addGlyph(expected, 'C', 10, 2);
  addGlyph(expected, '#', 18, 2);
  addGlyph(expected, 'D', 10, 2);    // the carriage return overdraws the line
  EXPECT_EQ(litPixels(), expected);  // 0x80 masks to the control code 0: nothing drawn

  // The font is loaded once; a text longer than the buffer is cut at 255.
  grBufferClear(0, 0, 0);
  const std::string returns(254, '\r');
  drawText(1, 100, 200, "%sEF", returns.c_str());
  EXPECT_EQ(textureMemoryUsed(), afterFirst);
  std::set<Pixel> onlyE;
  addGlyph(onlyE, 'E', 100, 200);
  EXPECT_EQ(litPixels(), onlyE);

  grBufferClear(0, 0, 0);
  drawText(0, 10, 364, "\xD6");  // 'V' with the high bit set
  std::set<Pixel> mark;
  addGlyph(mark, 'V', 10, 364);
  EXPECT_EQ(litPixels(), mark);
}

TEST_F(BoardOutput, ScreenshotIsAByteExactTgaOfTheBackBuffer) {
  const std::pair<GrColor_t, std::vector<std::uint8_t>> colours[] = {
      {0xFF0000FFu, {0x00, 0x00, 0xF8}},  // red, in the RGBA colour format
      {0x00FF00FFu, {0x00, 0xFC, 0x00}},
      {0x0000FFFFu, {0xF8, 0x00, 0x00}},
      {0xFFFFFFFFu, {0xF8, 0xFC, 0xF8}}};
  for (const auto& [colour, bgr] : colours) {
    grBufferClear(colour, 0, 0);
    saveScreenshot("dump.tga", 512, 384);
    const std::vector<std::uint8_t> file = readFileBytes("dump.tga");
    ASSERT_EQ(file.size(), 589868u);
    const std::vector<std::uint8_t> header(file.begin(), file.begin() + 18);
    EXPECT_EQ(header, SCREENSHOT_HEADER);
    const std::vector<std::uint8_t> first(file.begin() + 18, file.begin() + 21);
    const std::vector<std::uint8_t> last(file.end() - 29, file.end() - 26);
    EXPECT_EQ(first, bgr);
    EXPECT_EQ(last, bgr);
    const std::string footer(file.end() - 26, file.end());
    EXPECT_EQ(footer, std::string(8, '\0') + "TRUEVISION-XFILE." + std::string(1, '\0'));
  }

  // No file where none can be created, none for a size beyond the screen; the
  // lock is given back each time, so a later screenshot still works.
  saveScreenshot("missing-folder/dump.tga", 512, 384);
  saveScreenshot("big.tga", 1024, 768);
  EXPECT_FALSE(std::filesystem::exists("missing-folder"));
  EXPECT_FALSE(std::filesystem::exists("big.tga"));
  saveScreenshot("small.tga", 2, 1);
  EXPECT_EQ(readFileBytes("small.tga").size(), 18u + 6u + 26u);
}

}  // namespace
