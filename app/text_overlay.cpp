#include "app/text_overlay.h"

#include <cstdarg>
#include <cstdio>

#include "render/glide.h"
#include "render/texture_registry.h"

namespace {

// A glyph triangle's corner: texture coordinates and offset from the pen.
struct GlyphCorner {
  float t, s, dx, dy;
};

constexpr int GLYPH_COUNT = 256;
constexpr int FONT_COLUMNS = 16;
constexpr int FONT_ROWS = 8;
constexpr int CELL_SIZE = 16;
// Snapping bias the board removes from x and y (3 * 2^18).
constexpr long double SNAP_BIAS = 786432.0L;
constexpr float FRONT_DEPTH_GREATER = 65535.0f;
constexpr float FRONT_DEPTH_LESS = 0.0f;

bool fontLoaded = false;
GrMipMapId_t fontTexture = GR_NULL_MIPMAP_HANDLE;
char textBuffer[TEXT_BUFFER_SIZE];
GlyphCorner glyphTable[GLYPH_COUNT][3];
GrVertex glyphVertices[3];

void buildGlyphTable() {
  for (int row = 0; row < FONT_ROWS; ++row) {
    for (int column = 0; column < FONT_COLUMNS; ++column) {
      const int k = FONT_COLUMNS * row + column;
      const float o = static_cast<float>(CELL_SIZE * column);
      const float d = static_cast<float>(CELL_SIZE * row);
      GlyphCorner(&even)[3] = glyphTable[2 * k];
      even[0] = {d + 15, o + 15, 19, 1};
      even[1] = {d + 15, o, 4, 1};
      even[2] = {d, o, 4, 16};
      GlyphCorner(&odd)[3] = glyphTable[2 * k + 1];
      odd[0] = {d + 15, o + 15, 11, -7};
      odd[1] = {d, o + 15, 11, 8};
      odd[2] = {d, o, -4, 8};
    }
  }
}

void loadFont() {
  loadTexture3df(&fontTexture, "%s\\%s", ".\\TEXTURES", "micro.3df");
  fontLoaded = true;
  buildGlyphTable();
}

void setTextState() {
  grChromakeyMode(GR_CHROMAKEY_ENABLE);
  grChromakeyValue(0);
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, GR_COMBINE_FUNCTION_LOCAL,
               GR_COMBINE_FACTOR_ONE, FXFALSE, FXFALSE);
  guTexSource(fontTexture);
}

void drawGlyph(int glyph, int penX, int penY, float depth) {
  for (int corner = 0; corner < 3; ++corner) {
    const GlyphCorner& from = glyphTable[glyph][corner];
    GrVertex& vertex = glyphVertices[corner];
    vertex.x = static_cast<float>(from.dx + penX + SNAP_BIAS);
    vertex.y = static_cast<float>(from.dy + penY + SNAP_BIAS);
    vertex.ooz = depth;
    vertex.oow = 1.0f;
    vertex.tmuvtx[0].sow = from.s;
    vertex.tmuvtx[0].tow = from.t;
  }
  grDrawTriangle(&glyphVertices[0], &glyphVertices[1], &glyphVertices[2]);
}

}  // namespace

void drawText(int depthParity, int x, int y, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(textBuffer, sizeof textBuffer, format, arguments);
  va_end(arguments);

  if (!fontLoaded) loadFont();
  setTextState();
  const float depth = depthParity != 0 ? FRONT_DEPTH_GREATER : FRONT_DEPTH_LESS;

  int penX = x;
  int penY = y;
  for (const char* character = textBuffer; *character != '\0'; ++character) {
    const int code = *character & 0x7F;
    if (code == '\n') {
      penX = x;
      penY -= LINE_ADVANCE;
    } else if (code == '\r') {
      penX = x;
    } else if (code == ' ') {
      penX += GLYPH_ADVANCE;
    } else if (code > ' ') {
      drawGlyph(code - ' ', penX, penY, depth);
      penX += GLYPH_ADVANCE;
    } else {
      // Other control codes have no glyph; they take a cell like a space.
      penX += GLYPH_ADVANCE;
    }
  }
  grChromakeyMode(GR_CHROMAKEY_DISABLE);
}

void resetTextOverlay() {
  fontLoaded = false;
  fontTexture = GR_NULL_MIPMAP_HANDLE;
}
