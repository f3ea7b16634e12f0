#pragma once
// The procedural textures of the two scenes. Every texture but the sky tiles
// without a seam; the sky is painted by direction, so it wraps round the sky
// ball and closes at its poles.

#include <string>
#include <vector>

#include "render/glide.h"
#include "tools/tex3df/texture_encoder.h"

inline constexpr int TEXTURE_SIZE = 256;

RgbaImage makeGrassImage();
RgbaImage makeRockImage();
RgbaImage makeSandImage();
RgbaImage makeWaterImage();
RgbaImage makeBarkImage();
RgbaImage makeLeavesImage();
RgbaImage makeMarbleImage();
// Texel (x, y) shows the direction at longitude 2 pi (x + 0.5) / 256 and at
// pi y / 255 from the zenith (+z).
RgbaImage makeSkyImage();

struct ContentTexture {
  std::string fileName;  // as the materials name it, with the ".3df" ending
  GrTextureFormat_t format;
  RgbaImage (*make)();
};

// Every texture the scenes name, each in the format that suits it.
std::vector<ContentTexture> contentTextures();
