#pragma once
// Board set-ups the benchmarks share.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/glide.h"

// Resets the board and opens it headless on the caller's thread, so that
// a benchmark measures the pixel pipeline itself: RGBA colours, origin at
// the lower left, depth buffering on and always passing, buffers cleared.
void openPipelineBoard();

// count texels of random colours, the same for a seed.
std::vector<std::uint16_t> randomTexels(std::size_t count, unsigned seed);

// Downloads a 256x256 rgb565 texture with its full chain (texels holds
// every level) and draws with it, modulated by the iterated colour, the
// iterated alpha passed on.
void selectModulatedTexture(const std::vector<std::uint16_t>& texels,
                            GrTextureFilterMode_t filter, GrMipMapMode_t mipmap);

// The texels selectModulatedTexture takes.
std::size_t modulatedTextureTexels();
