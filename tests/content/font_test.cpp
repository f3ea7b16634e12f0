#include "tools/mkcontent/font.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "board/texture_file.h"
#include "tests/content/content_fixture.h"

namespace {

constexpr int WIDTH = 256, HEIGHT = 128;

// Level 0 of micro.3df as 16-bit texels, rows top to bottom.
std::vector<std::uint16_t> fontTexels() {
  const auto bytes = readBytes(std::filesystem::path(contentDir()) / "TEXTURES" / "micro.3df");
  Parsed3df parsed{};
  if (!parse3df(bytes.data(), bytes.size(), &parsed)) return {};
  std::vector<std::uint16_t> texels(parsed.memRequired / 2);
  Gu3dfInfo info{};
  info.data = texels.data();
  if (!load3dfTexels(bytes.data(), parsed, &info) || parsed.header.format != GR_TEXFMT_RGB_565 ||
      parsed.header.width != WIDTH || parsed.header.height != HEIGHT)
    return {};
  texels.resize(WIDTH * HEIGHT);
  return texels;
}

// The quadrant that the overlay's triangle for glyph g shows: the even glyph
// of cell k at s 0-7, t 8-15, the odd one at s 8-15, t 0-7.
bool inQuadrantOf(int glyph, int s, int t) {
  const int cell = glyph / 2, o = 16 * (cell % 16), d = 16 * (cell / 16);
  const int ds = s - o, dt = t - d;
  if (ds < 0 || ds > 15 || dt < 0 || dt > 15) return false;
  return glyph % 2 == 0 ? (ds < 8 && dt >= 8) : (ds >= 8 && dt < 8);
}

}  // namespace

TEST(Font, EachGlyphLiesInItsQuadrantInPureBlackAndWhite) {
  ASSERT_FALSE(contentDir().empty());
  const std::vector<std::uint16_t> texels = fontTexels();
  ASSERT_EQ(texels.size(), static_cast<std::size_t>(WIDTH * HEIGHT))
      << "a 256 x 128 rgb565 texture";
  std::vector<int> lit(FONT_CHARACTER_COUNT, 0);
  for (int t = 0; t < HEIGHT; ++t)
    for (int s = 0; s < WIDTH; ++s) {
      const std::uint16_t texel = texels[t * WIDTH + s];
      ASSERT_TRUE(texel == 0 || texel == 0xFFFF) << "texel " << s << "," << t;
      if (texel == 0) continue;
      int owner = -1;
      for (int g = 0; g < FONT_CHARACTER_COUNT; ++g)
        if (inQuadrantOf(g, s, t)) owner = g;
      ASSERT_NE(owner, -1) << "lit texel " << s << "," << t << " outside every glyph's quadrant";
      ++lit[owner];
    }
  EXPECT_EQ(lit[0], 0) << "the space is empty";
  for (int g = 1; g < FONT_CHARACTER_COUNT; ++g) EXPECT_GT(lit[g], 0) << "character " << g + 32;
}

TEST(Font, EveryCharacterHasItsOwnShapeInsideTheShownSquare) {
  std::set<std::array<std::uint8_t, 8>> shapes;
  for (int code = 32; code < 128; ++code) {
    const auto rows = glyphRows(code);
    EXPECT_TRUE(shapes.insert(rows).second) << code;
    // The overlay's triangles show only the top seven rows of an even glyph
    // and the left seven columns of an odd one.
    EXPECT_EQ(rows[7], 0) << "character " << code << " uses the bottom row";
    for (std::uint8_t row : rows) EXPECT_EQ(row & 0x01, 0) << "character " << code;
  }
  // Spot checks of orientation: 'T' has its bar on top, 'L' at the bottom,
  // '/' leans right (its top row lit further right than its bottom).
  EXPECT_EQ(glyphRows('T')[0], 0x7C);
  EXPECT_EQ(glyphRows('L')[6], 0x7C);
  EXPECT_LT(glyphRows('/')[1], glyphRows('/')[5]) << "bit 7 is the left edge";
}
