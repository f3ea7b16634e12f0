#pragma once
// The call-trace file: a header, then one record per interface call, every
// number little-endian (docs/trace-format.md describes it in full).

#include <cstddef>
#include <cstdint>

#include "board/board.h"

inline constexpr char TRACE_MAGIC[8] = {'W', 'S', 'K', 'Y', 'T', 'R', 'C', '1'};
inline constexpr std::uint32_t TRACE_VERSION = 1;
inline constexpr std::size_t TRACE_HEADER_BYTES = 20;        // magic, version, width, height
inline constexpr std::size_t TRACE_RECORD_HEADER_BYTES = 8;  // op (u16), 0 (u16), payload bytes
inline constexpr std::size_t TRACE_VERTEX_BYTES = 15 * 4;
inline constexpr std::size_t TRACE_NCC_TABLE_BYTES = 16 + 12 * 2 + 12 * 2 + 12 * 4;
inline constexpr std::size_t TRACE_PALETTE_BYTES = 256 * 4;
// The final image's payload: width and height, then every pixel.
inline constexpr std::size_t TRACE_FINAL_IMAGE_PAYLOAD =
    8 + 2 * std::size_t(BOARD_WIDTH) * BOARD_HEIGHT;

enum class TraceOp : std::uint16_t {
  Init = 1,
  SstQueryHardware = 2,
  SstSelect = 3,
  SstWinOpen = 4,
  Shutdown = 5,
  DepthBufferMode = 6,
  DepthBufferFunction = 7,
  DepthMask = 8,
  DitherMode = 9,
  BufferClear = 10,
  BufferSwap = 11,
  SstVideoLine = 12,
  ColorCombine = 13,
  AlphaCombine = 14,
  TexCombine = 15,
  AlphaBlendFunction = 16,
  ConstantColorValue = 17,
  ChromakeyMode = 18,
  ChromakeyValue = 19,
  DrawTriangle = 20,
  Gu3dfGetInfo = 21,
  Gu3dfLoad = 22,
  TexAllocateMemory = 23,
  TexDownloadMipMap = 24,
  TexSource = 25,
  LfbLock = 26,
  LfbUnlock = 27,
  FinalImage = 28,
};
inline constexpr std::uint16_t TRACE_OP_LAST = 28;

// Tables carried by a mipmap download.
enum class TraceTable : std::uint32_t { None = 0, Ncc = 1, Palette = 2 };
