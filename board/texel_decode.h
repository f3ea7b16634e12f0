#pragma once
// Texel formats of texture files and texture memory, expanded to 0xAARRGGBB.
//
// Every channel narrower than 8 bits is widened by bit replication (a 5-bit
// 0b10110 becomes 0b10110101), so 0 stays 0 and the largest value becomes 255.
// Formats without alpha decode with A = 255. The one-channel formats expand as
// follows:
// - a8:   A = RGB = texel (the alpha also drives the colour channels);
// - i8:   RGB = texel, A = 255;
// - ai44: A = high nibble, RGB = low nibble, each replicated to 8 bits;
// - ai88: A = high byte, RGB = low byte.
// yiq and ayiq8422 look up the NCC table: each channel is Y[y] + I[i][c] +
// Q[q][c] clamped to 0..255. p8 and ap88 look up the palette (its top byte is
// ignored; p8 has A = 255, ap88 takes A from the texel's high byte).

#include <cstdint>

#include "render/glide.h"

// 1 or 2; 0 for an unknown format.
int texelBytes(GrTextureFormat_t format);

// True for the formats that need a table (NCC table or palette) to decode.
bool texelFormatNeedsTable(GrTextureFormat_t format);

// Decodes width*height texels of one level (8-bit texels as bytes, 16-bit as
// host-order words) to 0xAARRGGBB, rows top to bottom. table: the NCC table or
// palette (may be null for formats that need none; a format that needs one and
// gets none decodes as opaque black). An unknown format decodes as opaque black.
void decodeTexels(GrTextureFormat_t format, const void* texels, int width, int height,
                  const GuTexTable* table, std::uint32_t* out);
