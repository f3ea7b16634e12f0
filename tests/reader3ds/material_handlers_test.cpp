#include <gtest/gtest.h>

#include <string>

#include "tests/reader3ds/reader_test_support.h"

namespace {

using namespace chunk_id;
using namespace std::literals;

std::string name(const std::string& n) { return chunk(MATERIAL_NAME, text(n)); }
std::string rgb(std::uint16_t id, std::string_view c) { return chunk(id, chunk(RGB_BYTE, c)); }
std::string percent(std::uint16_t id, std::uint16_t v) {
  return chunk(id, chunk(PERCENT_WORD, u16s({v})));
}
std::string map(std::uint16_t id, const std::string& file) {
  return chunk(id, chunk(MAP_FILENAME, text(file)));
}
const std::string floatColour = chunk(DIFFUSE_COLOR, chunk(RGB_FLOAT, f32s({1, 1, 1})));

// One file of materials, each with the properties of its row, in this order:
// the pending selectors carry from row to row.
TEST(MaterialHandlers, PropertiesFollowTheirSelectors) {
  const std::string longMap = std::string(34, 'x') + "3df";
  constexpr std::uint32_t DIFFUSE = MATERIAL_HAS_DIFFUSE, TEXTURE = MATERIAL_HAS_TEXTURE;
  const struct {
    std::uint32_t flags;
    float transparency;
    const char* textureFile;
    std::string properties;
    std::uint32_t diffuse = 0;  // 0xRRGGBB
  } rows[] = {
      // Only a float colour: the diffuse selector stays pending and takes the
      // next byte colour, here the one under "Specular color".
      {DIFFUSE, 0, nullptr, floatColour + rgb(SPECULAR_COLOR, "\x9\x8\x7"), 0x090807},
      // A byte colour beside an unlisted sub-chunk is still stored.
      {DIFFUSE, 0, nullptr,
       chunk(DIFFUSE_COLOR, chunk(0x0012, "\x10\x20\x30") + chunk(RGB_BYTE, "\x40\x50\x60")),
       0x405060},
      // p / 100 as a 32-bit float, then scaled: not 43.3499985.
      {MATERIAL_TRANSPARENT, 43.3500023f, nullptr, percent(TRANSPARENCY, 17)},
      {0, 0, nullptr, percent(TRANSPARENCY, 0)},
      // "Transparency" without its WORD: the next WORD anywhere applies, here
      // the one under "Transparency falloff".
      {MATERIAL_TRANSPARENT, 63.75f, nullptr, chunk(TRANSPARENCY, "") + percent(0xA052, 25)},
      {TEXTURE, 0, "chrome.3df", map(REFLECTION_MAP, "chrome.gif")},
      // "Map filename" takes the kind of the latest texture, reflection, bump
      // or opacity map selector.
      {TEXTURE, 0, "Second.3df", map(TEXTURE_MAP, "FIRST.TGA") + map(SPECULAR_MAP, "Second.bmp")},
      {0, 0, nullptr,
       map(OPACITY_MAP, "HIDDEN.TGA") + map(BUMP_MAP, "BUMP.TGA") + map(SPECULAR_MAP, "SHINE.TGA")},
      // Names shorter than three characters are dropped.
      {0, 0, nullptr, map(TEXTURE_MAP, "AB") + map(TEXTURE_MAP, "")},
      {TEXTURE, 0, longMap.c_str(), map(TEXTURE_MAP, std::string(60, 'x') + ".TGA")},
      // A name of exactly three characters becomes "3df".
      {TEXTURE, 0, "3df", map(TEXTURE_MAP, "ABC")},
      // A byte colour clears its selector: a later byte colour under
      // "Specular color" is dropped, not stored as the diffuse colour.
      {DIFFUSE, 0, nullptr, rgb(DIFFUSE_COLOR, "\1\2\3") + rgb(SPECULAR_COLOR, "\7\7\7"), 0x010203},
  };
  std::string file;
  for (std::size_t m = 0; m < std::size(rows); ++m)
    file += name(std::to_string(m)) + rows[m].properties;
  const auto s = loadBytes(file);
  ASSERT_EQ(s->materialCount, static_cast<std::int32_t>(std::size(rows)));
  for (std::int32_t m = 0; m < s->materialCount; ++m) {
    const Material& got = s->materials[m];
    SCOPED_TRACE(got.name);
    EXPECT_EQ(got.flags, rows[m].flags);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(got.diffuse[c], rows[m].diffuse >> (16 - 8 * c) & 0xFF);
    EXPECT_EQ(got.transparency, rows[m].transparency);
    EXPECT_STREQ(got.textureFile, rows[m].textureFile);
    EXPECT_EQ(got.twoSided, 0);
  }
}

// percentTarget and mapKind stay pending into the next load; colorTarget
// does not. A property before the load's first material name is dropped.
TEST(MaterialHandlers, SelectorsOutliveALoadExceptTheColour) {
  const auto one =
      loadBytes(name("One") + map(TEXTURE_MAP, "ONE.TGA") + chunk(TRANSPARENCY, "") + floatColour);
  EXPECT_EQ(one->materials[0].transparency, 0.0f);
  const auto two = loadBytes(chunk(TWO_SIDED, "") + name("Two") + map(SPECULAR_MAP, "two.png") +
                                 percent(SHININESS, 40) + rgb(SPECULAR_COLOR, "\7\7\7"),
                             false);
  ASSERT_EQ(two->materialCount, 1);
  const Material& m = two->materials[0];
  EXPECT_STREQ(m.textureFile, "two.3df");
  EXPECT_TRUE(m.transparency == 102.0f && m.twoSided == 0 && m.diffuse[0] == 0.0f);
  EXPECT_EQ(m.flags, MATERIAL_HAS_TEXTURE | MATERIAL_TRANSPARENT);
}

}  // namespace
