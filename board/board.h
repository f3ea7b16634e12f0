#pragma once
// The software board: a 3D accelerator in software behind render/glide.h.
//
// Conventions of the board, stated once:
// - Memory: two colour buffers of BOARD_WIDTH x BOARD_HEIGHT RGB565 pixels
//   (red in bits 15..11, green 10..5, blue 4..0) and one 16-bit depth buffer.
//   Buffers are stored with row 0 at the top of the displayed image.
// - y direction: vertex y follows the origin chosen at grSstWinOpen. With the
//   lower-left origin y grows upwards and screen row y is buffer row
//   BOARD_HEIGHT - 1 - y; with the upper-left origin y grows downwards.
// - Pixel centres: the pixel in column c and screen row r has its centre at
//   (c + 0.5, r + 0.5). Vertices are snapped to 1/16 pixel.
// - Fill rule: a pixel is drawn when its centre lies inside the triangle; a
//   centre exactly on an edge is drawn when that edge is a left edge, or a
//   horizontal edge at the top, of the triangle as displayed. Two triangles
//   sharing an edge therefore cover each pixel along it exactly once.
// - Depth: the 16-bit depth of a pixel is the interpolated ooz clamped to
//   0..65535. A vertex's ooz is first clamped to -65536..131071, so that
//   depth steps fit 32 bits: beyond that range the interior follows the
//   clamped vertices, not the line through the given ones. The depth test
//   compares the pixel's depth with the stored value as "incoming FUNCTION
//   stored". Every depth-buffer mode but "disable" tests and writes this
//   value; w-buffering is not emulated.
// - Colour: iterated r, g, b, a are clamped to 0..255 at the vertices;
//   combine products round to nearest (a * b / 255).
// - Blend: result = source * srcFactor + destination * dstFactor, each
//   channel clamped to 0..255; the destination is expanded from RGB565 by bit
//   replication and has no alpha buffer, so its alpha reads as 255.
// - Texture: s = sow / oow, t = tow / oow per pixel; the level of detail is
//   log2 of the larger screen-space footprint of (s, t) along x and y.
// - Output: 4x4 ordered dither (buffer row and column modulo 4) into RGB565,
//   or round to nearest with dithering off.

#include <cstddef>
#include <cstdint>

inline constexpr int BOARD_WIDTH = 512, BOARD_HEIGHT = 384;
inline constexpr std::size_t TEXTURE_MEMORY_BYTES = 4u << 20;

// Where the front buffer is shown: the SDL window, or a test's recorder.
class BoardDisplay {
 public:
  virtual ~BoardDisplay() = default;
  virtual bool open(int width, int height) = 0;  // false: run headless
  virtual void present(const std::uint16_t* rgb565, int width, int height) = 0;  // rows top->bottom
  virtual void close() = 0;
};

// The clock the 72 Hz retrace and grSstVideoLine are emulated from.
class BoardClock {
 public:
  virtual ~BoardClock() = default;
  virtual double now() = 0;  // seconds, monotonic
  virtual void sleepUntil(double time) = 0;
};

void boardSetDisplay(BoardDisplay* display);  // null (default): headless
void boardSetClock(BoardClock* clock);        // null (default): the steady clock
// Tests: grGlideShutdown, then every buffer cleared to 0 and all state to
// power-on: iterated colour and alpha, texel passed through, no blending,
// depth buffering off (function less, mask on), chroma key off, 4x4 dither,
// ARGB colours, upper-left origin, 72 Hz, headless, the steady clock.
void boardReset();

// Threads that draw: 0 one worker per hardware thread (the default, which
// WILDSKY_BOARD_THREADS overrides when set), 1 serial on the caller's thread.
// Takes effect at once when the window is open, else at grSstWinOpen;
// boardReset returns to the default.
void boardSetThreadCount(int count);
int boardThreadCount();  // the number the request resolves to, at least 1
