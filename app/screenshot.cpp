#include "app/screenshot.h"

#include <cstdio>

#include "board/board.h"
#include "platform/file_names.h"
#include "render/glide.h"

namespace {

constexpr char TGA_SIGNATURE[] = "TRUEVISION-XFILE.";  // written with its zero byte
constexpr std::uint8_t TGA_TRUE_COLOUR = 2;
constexpr std::uint8_t TGA_TOP_TO_BOTTOM = 0x20;

const std::uint16_t* lfbPixels = nullptr;
std::size_t lfbStride = 0;  // in pixels

ScreenPixel readScreenPixel(int column, int row) {
  return screenPixelFromRgb565(
      lfbPixels[static_cast<std::size_t>(column) + static_cast<std::size_t>(row) * lfbStride]);
}

// Writes through buffered output; each step reports whether it succeeded.
class TgaWriter {
 public:
  explicit TgaWriter(std::FILE* file) : file_(file) {}
  bool writeByte(std::uint8_t value) { return std::fputc(value, file_) != EOF; }
  bool writeWord(std::uint16_t value) {
    return writeByte(static_cast<std::uint8_t>(value & 0xFF)) &&
           writeByte(static_cast<std::uint8_t>(value >> 8));
  }
  bool writeZeros(int count) {
    for (int i = 0; i < count; ++i) {
      if (!writeByte(0)) return false;
    }
    return true;
  }

 private:
  std::FILE* file_;
};

bool writeHeader(TgaWriter& out, int width, int height) {
  return out.writeByte(0) && out.writeByte(0) && out.writeByte(TGA_TRUE_COLOUR) &&
         out.writeZeros(5) && out.writeWord(0) && out.writeWord(0) &&
         out.writeWord(static_cast<std::uint16_t>(width)) &&
         out.writeWord(static_cast<std::uint16_t>(height)) && out.writeByte(24) &&
         out.writeByte(TGA_TOP_TO_BOTTOM);
}

bool writePixels(TgaWriter& out, int width, int height) {
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const ScreenPixel pixel = readScreenPixel(column, row);
      if (!out.writeByte(pixel.blue) || !out.writeByte(pixel.green) || !out.writeByte(pixel.red)) {
        return false;
      }
    }
  }
  return true;
}

bool writeFooter(TgaWriter& out) {
  if (!out.writeZeros(8)) return false;
  for (std::size_t i = 0; i < sizeof TGA_SIGNATURE; ++i) {
    if (!out.writeByte(static_cast<std::uint8_t>(TGA_SIGNATURE[i]))) return false;
  }
  return true;
}

}  // namespace

void saveScreenshot(const char* fileName, int width, int height) {
  // The lock reports no buffer size: never read past the board's screen.
  if (width <= 0 || height <= 0 || width > BOARD_WIDTH || height > BOARD_HEIGHT) return;

  GrLfbInfo_t info{};
  info.size = sizeof info;
  if (!grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_ANY, GR_ORIGIN_UPPER_LEFT,
                 FXFALSE, &info)) {
    return;
  }
  lfbPixels = static_cast<const std::uint16_t*>(info.lfbPtr);
  lfbStride = info.strideInBytes / 2;

  if (std::FILE* file = openFile(fileName, "wb")) {
    TgaWriter out(file);
    if (writeHeader(out, width, height) && writePixels(out, width, height)) writeFooter(out);
    std::fclose(file);
  }

  grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER);
  lfbPixels = nullptr;
}
