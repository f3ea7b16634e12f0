#pragma once
// Text drawn into the frame with the bitmap font "micro.3df". The font
// texture is 16 x 8 cells of 16 x 16 texels; cell k = 16 * row + column holds
// glyph 2k in its lower-left quadrant (s 0-7, t 8-15) and glyph 2k + 1 in its
// upper-right quadrant (s 8-15, t 0-7); the other two quadrants are black.
// Glyph g shows the character g + 32. Each glyph is one triangle that puts
// its 8 x 8 texels one to one on the pixels pen x + 4 .. + 12, pen y .. + 8;
// black texels are keyed out.

#include <cstddef>

inline constexpr std::size_t TEXT_BUFFER_SIZE = 256;
inline constexpr int GLYPH_ADVANCE = 8;
inline constexpr int LINE_ADVANCE = 8;

// Formats the text (cut at TEXT_BUFFER_SIZE - 1 characters) and draws it with
// its first pen position at (x, y), origin lower left, in front of everything
// drawn under depthParity. The first call loads the font; a missing font ends
// the process as any texture failure does.
void drawText(int depthParity, int x, int y, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Forgets the font, whose texture goes with the board at its shutdown, so
// that the next drawText loads it again.
void resetTextOverlay();
