#pragma once
// Filling an image texel by texel from a colour function.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "tools/mkcontent/textures.h"
#include "tools/tex3df/texture_encoder.h"

struct Colour {
  float r, g, b, a = 1.0f;
};

inline Colour mix(const Colour& p, const Colour& q, float t) {
  return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t,
          p.a + (q.a - p.a) * t};
}

inline Colour scaled(const Colour& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

inline std::uint8_t toByte(float value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
}

// Lattice coordinate of texel x of a texture for noise that
// repeats `period` times across it.
inline float cells(int x, int period) {
  return (static_cast<float>(x) + 0.5f) * static_cast<float>(period) / TEXTURE_SIZE;
}

// colourAt(x, y) with x, y the texel's column and row (row 0 on top).
template <class ColourAt>
RgbaImage paint(int width, int height, ColourAt&& colourAt) {
  RgbaImage image{width, height, {}};
  image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  std::size_t k = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Colour c = colourAt(x, y);
      image.pixels[k++] = toByte(c.r);
      image.pixels[k++] = toByte(c.g);
      image.pixels[k++] = toByte(c.b);
      image.pixels[k++] = toByte(c.a);
    }
  return image;
}
