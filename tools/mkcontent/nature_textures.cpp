#include <cmath>

#include "tools/mkcontent/noise.h"
#include "tools/mkcontent/paint.h"
#include "tools/mkcontent/textures.h"

RgbaImage makeBarkImage() {
  const GradientNoise noise(606);
  return paint(TEXTURE_SIZE, TEXTURE_SIZE, [&](int x, int y) {
    // Furrows run along the trunk (v, the rows): fine across, long along.
    const float furrows = noise.fractal(cells(x, 16), cells(y, 2), 16, 4);
    const float knots = noise.fractal(cells(x, 4), cells(y, 4), 4, 3);
    const float groove = std::pow(std::clamp(0.5f + 0.9f * furrows, 0.0f, 1.0f), 0.7f);
    Colour c = mix({0.22f, 0.14f, 0.08f}, {0.50f, 0.36f, 0.22f}, groove);
    return scaled(c, 0.85f + 0.2f * knots);
  });
}

RgbaImage makeLeavesImage() {
  const GradientNoise noise(707);
  return paint(TEXTURE_SIZE, TEXTURE_SIZE, [&](int x, int y) {
    // Overlapping leaves: each cell one leaf, darker towards its edge.
    const CellDistances leaf = cellNoise(cells(x, 12), cells(y, 12), 12, 21);
    const float edge = std::clamp((leaf.second - leaf.nearest) * 3.0f, 0.0f, 1.0f);
    const float shade = noise.fractal(cells(x, 4), cells(y, 4), 4, 3);
    Colour c = mix({0.08f, 0.22f, 0.06f}, {0.30f, 0.55f, 0.16f}, std::sqrt(edge));
    c = scaled(c, 0.8f + 0.35f * shade);
    c.a = edge > 0.08f ? 1.0f : 0.0f;
    return c;
  });
}
