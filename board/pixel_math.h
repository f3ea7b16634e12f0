#pragma once
// Pixel arithmetic shared by every span loop, so that the specialised loops
// and the general pipeline produce identical pixels.

#include <array>
#include <cstdint>

#include "render/glide.h"

// round(x / 255) for 0 <= x <= 255 * 255.
constexpr int div255(int x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

// a * b / 255 rounded to nearest, for bytes a and b.
constexpr int mul8(int a, int b) { return div255(a * b); }

constexpr int clamp8(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

constexpr std::uint16_t packRgb565(int r5, int g6, int b5) {
  return static_cast<std::uint16_t>(r5 << 11 | g6 << 5 | b5);
}

// RGB565 channels expanded to 8 bits by bit replication.
constexpr int expand5(int v) { return v << 3 | v >> 2; }
constexpr int expand6(int v) { return v << 2 | v >> 4; }
constexpr int red8(std::uint16_t p) { return expand5(p >> 11); }
constexpr int green8(std::uint16_t p) { return expand6(p >> 5 & 63); }
constexpr int blue8(std::uint16_t p) { return expand5(p & 31); }

// 8-bit channels to RGB565, rounded to nearest (no dither).
constexpr std::uint16_t roundRgb565(int r, int g, int b) {
  return packRgb565((r * 31 + 127) / 255, (g * 63 + 127) / 255, (b * 31 + 127) / 255);
}

struct Rgba8 {
  int r, g, b, a;
};

// A GrColor_t read in the colour format chosen at window open.
constexpr Rgba8 decodeColor(GrColor_t value, GrColorFormat_t format) {
  int b3 = int(value >> 24 & 255), b2 = int(value >> 16 & 255), b1 = int(value >> 8 & 255),
      b0 = int(value & 255);
  switch (format) {
    case GR_COLORFORMAT_ABGR:
      return {b0, b1, b2, b3};
    case GR_COLORFORMAT_RGBA:
      return {b3, b2, b1, b0};
    case GR_COLORFORMAT_BGRA:
      return {b1, b2, b3, b0};
    default:
      return {b2, b1, b0, b3};
  }
}

// 4x4 ordered dither: each threshold d (0..15) adds (d + 0.5) / 16 of an
// output step before truncating, so a flat colour averages to its exact value.
struct DitherTables {
  std::uint8_t to5[16][256];
  std::uint8_t to6[16][256];
  std::uint8_t thresholdAt[4][4];  // [row & 3][column & 3]
};

constexpr DitherTables makeDitherTables() {
  constexpr int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  DitherTables t{};
  for (int d = 0; d < 16; ++d) {
    for (int c = 0; c < 256; ++c) {
      t.to5[d][c] = static_cast<std::uint8_t>((c * 31 * 32 + (2 * d + 1) * 255) / (255 * 32));
      t.to6[d][c] = static_cast<std::uint8_t>((c * 63 * 32 + (2 * d + 1) * 255) / (255 * 32));
    }
  }
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) t.thresholdAt[y][x] = static_cast<std::uint8_t>(bayer[y][x]);
  }
  return t;
}

inline constexpr DitherTables DITHER = makeDitherTables();

inline std::uint16_t ditherRgb565(int r, int g, int b, int row, int column) {
  int d = DITHER.thresholdAt[row & 3][column & 3];
  return packRgb565(DITHER.to5[d][r], DITHER.to6[d][g], DITHER.to5[d][b]);
}

// 2x2 ordered dither, for GR_DITHER_2x2: the corner thresholds of the 4x4 matrix.
inline std::uint16_t dither2x2Rgb565(int r, int g, int b, int row, int column) {
  constexpr int bayer2[2][2] = {{0, 8}, {12, 4}};
  int d = bayer2[row & 1][column & 1] + 2;
  return packRgb565(DITHER.to5[d][r], DITHER.to6[d][g], DITHER.to5[d][b]);
}
