#pragma once
// Turning images into 3DF texture files.

#include <cstdint>
#include <string_view>
#include <vector>

#include "board/texture_file.h"
#include "render/glide.h"

struct RgbaImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;  // RGBA8, top row first
};

// Scales the largest side to a power of two up to 256, fits the aspect to the
// nearest allowed one, builds the box-filtered mipmap chain down to 1 and
// encodes every level in `format`; yiq and ayiq8422 get a computed NCC table,
// p8 and ap88 a computed palette. Empty for an empty image or unknown format.
//
// One-channel formats take: a8 the alpha, i8 the luminance (0.299 R + 0.587 G
// + 0.114 B), ai44 and ai88 both. p8 drops the alpha.
std::vector<std::uint8_t> encode3df(const RgbaImage& image, GrTextureFormat_t format);

// "rgb565", ... (case-insensitive); declared with the 3DF reader.
bool textureFormatFromName(std::string_view name, GrTextureFormat_t* format);
