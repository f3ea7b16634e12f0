#pragma once
// Helpers shared by the board tests: a freshly opened board, vertices in
// screen pixels, and pixel reads through the frame-buffer lock.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "board/board.h"
#include "render/glide.h"

inline constexpr float SNAP_BIAS = 786432.0f;

// A board opened as the renderer opens it: lower-left origin, RGBA colours.
class BoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    boardReset();
    grGlideInit();
    grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA,
                 GR_ORIGIN_LOWER_LEFT, 2, 0);
    grDitherMode(GR_DITHER_DISABLE);
  }
  void TearDown() override { boardReset(); }
};

// A vertex at (x, y) screen pixels (y up), with colour and depth.
inline GrVertex vertexAt(float x, float y, float r = 255, float g = 255, float b = 255,
                         float ooz = 0, float a = 255) {
  GrVertex v{};
  v.x = x + SNAP_BIAS;
  v.y = y + SNAP_BIAS;
  v.r = r;
  v.g = g;
  v.b = b;
  v.ooz = ooz;
  v.a = a;
  v.oow = 1;
  v.tmuvtx[0].sow = SNAP_BIAS;
  v.tmuvtx[0].tow = SNAP_BIAS;
  v.tmuvtx[0].oow = 1;
  return v;
}

inline void drawTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c) {
  grDrawTriangle(&a, &b, &c);
}

// Every pixel of a buffer, rows from the top of the image down.
inline std::vector<std::uint16_t> readBuffer(GrBuffer_t buffer = GR_BUFFER_BACKBUFFER) {
  GrLfbInfo_t info{};
  info.size = sizeof info;
  std::vector<std::uint16_t> pixels;
  if (!grLfbLock(GR_LFB_READ_ONLY, buffer, GR_LFBWRITEMODE_ANY, GR_ORIGIN_UPPER_LEFT, FXFALSE,
                 &info)) {
    ADD_FAILURE() << "lock refused";
    return pixels;
  }
  const auto* base = static_cast<const std::uint8_t*>(info.lfbPtr);
  for (int row = 0; row < BOARD_HEIGHT; ++row) {
    const auto* line = reinterpret_cast<const std::uint16_t*>(base + row * info.strideInBytes);
    pixels.insert(pixels.end(), line, line + BOARD_WIDTH);
  }
  grLfbUnlock(GR_LFB_READ_ONLY, buffer);
  return pixels;
}

// The pixel in column x of screen row y (y up from the bottom).
inline std::uint16_t pixelAt(const std::vector<std::uint16_t>& pixels, int x, int y) {
  return pixels[std::size_t(BOARD_HEIGHT - 1 - y) * BOARD_WIDTH + std::size_t(x)];
}

inline std::uint16_t rgb565(int r, int g, int b) {
  return std::uint16_t((r * 31 + 127) / 255 << 11 | (g * 63 + 127) / 255 << 5 |
                       (b * 31 + 127) / 255);
}

// A size x size texture, one level, of 16-bit texels in `format` (rows top
// to bottom); wrap, point sampled unless bilinear.
inline GrMipMapId_t makeTexture(GrTextureFormat_t format, GrLOD_t lod,
                                const std::vector<std::uint16_t>& texels, bool bilinear = false) {
  GrTextureFilterMode_t filter =
      bilinear ? GR_TEXTUREFILTER_BILINEAR : GR_TEXTUREFILTER_POINT_SAMPLED;
  GrMipMapId_t id = guTexAllocateMemory(
      GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 256 >> lod, 256 >> lod, format, GR_MIPMAP_DISABLE, lod, lod,
      GR_ASPECT_1x1, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, filter, filter, 0.0f, FXFALSE);
  EXPECT_NE(id, GR_NULL_MIPMAP_HANDLE);
  EXPECT_TRUE(guTexDownloadMipMap(id, texels.data(), nullptr));
  return id;
}

// A flat triangle covering the screen rectangle [x0, x1) x [y0, y1) with
// its lower-left half; the full rectangle takes two.
inline void fillRect(float x0, float y0, float x1, float y1, const GrVertex& style) {
  GrVertex a = style, b = style, c = style, d = style;
  a.x = x0 + SNAP_BIAS, a.y = y0 + SNAP_BIAS;
  b.x = x1 + SNAP_BIAS, b.y = y0 + SNAP_BIAS;
  c.x = x1 + SNAP_BIAS, c.y = y1 + SNAP_BIAS;
  d.x = x0 + SNAP_BIAS, d.y = y1 + SNAP_BIAS;
  grDrawTriangle(&a, &b, &c);
  grDrawTriangle(&a, &c, &d);
}
