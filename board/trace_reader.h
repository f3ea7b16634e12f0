#pragma once
// Reading a call trace into commands ready to replay. The whole file is
// checked while it is read: a truncated or malformed file is refused with a
// message, and every size a command carries is one the replay can trust.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "board/trace_format.h"
#include "render/glide.h"

struct TraceCommand {
  TraceOp op;
  std::uint32_t args[15];   // integer arguments, and floats as their bits
  std::uint32_t first = 0;  // draw: first vertex; download: first texel word; unlock: first run
  std::uint32_t count = 0;  // download: texel bytes; unlock: runs
  std::int32_t table = -1;  // download: index into tables, -1 for none
};

struct TraceRun {
  std::uint32_t start, count, firstPixel;  // pixels start.. of the buffer, rows top to bottom
};

struct TraceFile {
  std::vector<TraceCommand> commands;
  std::vector<GrVertex> vertices;
  std::vector<std::uint16_t> texels;  // 16-bit texels as words, 8-bit texels packed as bytes
  std::vector<GuTexTable> tables;
  std::vector<TraceRun> runs;
  std::vector<std::uint16_t> runPixels;
  std::vector<double> framePixels;        // triangle area drawn in each frame
  std::vector<std::uint16_t> finalImage;  // empty when the trace has none
  int frameCount = 0;
  int allocationCount = 0;
};

// False with a message in *error for a file that is not a whole, well-formed
// trace.
bool parseTrace(const std::uint8_t* bytes, std::size_t size, TraceFile* trace, std::string* error);
bool loadTrace(const char* path, TraceFile* trace, std::string* error);
