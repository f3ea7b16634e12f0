#pragma once
// The back buffer written as an uncompressed 24-bit TGA 2.0 file: 18-byte
// header, rows top to bottom as blue, green, red, then the footer with the
// TGA signature. Failures are silent: a refused lock writes nothing, a file
// that cannot be created is skipped, a failed write leaves the file cut short.

#include <cstdint>

struct ScreenPixel {
  std::uint8_t red, green, blue;
};

// A 5-6-5 pixel widened to 8 bits per channel by shifting (low bits zero).
constexpr ScreenPixel screenPixelFromRgb565(std::uint16_t pixel) {
  return {static_cast<std::uint8_t>((pixel >> 11) * 8),
          static_cast<std::uint8_t>(((pixel >> 5) & 0x3F) * 4),
          static_cast<std::uint8_t>((pixel & 0x1F) * 8)};
}

// Writes width x height pixels of the back buffer from its top-left corner.
// A size larger than the board's screen writes nothing.
void saveScreenshot(const char* fileName, int width, int height);
