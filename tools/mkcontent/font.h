#pragma once
// The overlay font: an 8 x 8 bitmap for the characters 32 to 127, laid out
// for the overlay's glyph triangles. The texture is 16 x 8 cells of 16 x 16
// texels; cell k = 16 row + column holds glyph 2k (character 2k + 32) in its
// lower-left quadrant (s 0-7, t 8-15) and glyph 2k + 1 in its upper-right
// quadrant (s 8-15, t 0-7). Everything else is black, the colour the overlay
// keys out. Texel rows run down the screen. Each glyph keeps to the top seven
// rows and left seven columns of its square, the part both triangles show.

#include <array>
#include <cstdint>

#include "tools/tex3df/texture_encoder.h"

inline constexpr int FONT_WIDTH = 256, FONT_HEIGHT = 128;
inline constexpr int FONT_FIRST_CHARACTER = 32, FONT_CHARACTER_COUNT = 96;

// Row r (0 on top) of character `code`'s glyph; bit 7 is the leftmost pixel.
std::array<std::uint8_t, 8> glyphRows(int code);

// The texel (column, row) of the font texture where pixel (x, y) of glyph
// g's 8 x 8 square lies (y = 0 the top row).
struct FontTexel {
  int column, row;
};
FontTexel fontTexel(int glyph, int x, int y);

// White glyphs on black, every texel exactly black or exactly white.
RgbaImage makeFontImage();
