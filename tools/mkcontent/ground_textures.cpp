#include <cmath>
#include <numbers>

#include "tools/mkcontent/noise.h"
#include "tools/mkcontent/paint.h"
#include "tools/mkcontent/textures.h"

namespace {

constexpr float TWO_PI = 2.0f * std::numbers::pi_v<float>;

}  // namespace

RgbaImage makeGrassImage() {
  const GradientNoise noise(101);
  return paint(TEXTURE_SIZE, TEXTURE_SIZE, [&](int x, int y) {
    const float patches = noise.fractal(cells(x, 4), cells(y, 4), 4, 4);
    // Blades: noise stretched along y, fine across.
    const float blades = noise.fractal(cells(x, 64), cells(y, 16), 64, 2);
    const float speck = noise.at(cells(x, 32), cells(y, 32), 32);
    Colour c = mix({0.22f, 0.42f, 0.12f}, {0.45f, 0.60f, 0.20f}, 0.5f + 0.6f * patches);
    c = scaled(c, 0.85f + 0.3f * blades);
    if (speck > 0.62f) c = mix(c, {0.95f, 0.9f, 0.45f}, 0.7f);  // a few flowers
    return c;
  });
}

RgbaImage makeRockImage() {
  const GradientNoise noise(202);
  return paint(TEXTURE_SIZE, TEXTURE_SIZE, [&](int x, int y) {
    const float body = noise.fractal(cells(x, 4), cells(y, 4), 4, 5, 0.55f);
    // Cracks: thin dark lines where a second noise crosses zero.
    const float fissure = std::fabs(noise.fractal(cells(x, 3), cells(y, 3), 3, 4, 0.6f));
    const float crack = std::clamp(fissure * 14.0f, 0.0f, 1.0f);
    // Layers: bands across y, bent by the noise.
    const float strata =
        std::sin(TWO_PI * (5.0f * static_cast<float>(y) / TEXTURE_SIZE + 0.3f * body));
    const float grain = noise.at(cells(x, 64), cells(y, 64), 64);
    const Colour c = mix({0.34f, 0.31f, 0.28f}, {0.64f, 0.60f, 0.54f}, 0.5f + 0.7f * body);
    return scaled(c, (0.9f + 0.07f * strata + 0.06f * grain) * (0.5f + 0.5f * crack));
  });
}

RgbaImage makeSandImage() {
  const GradientNoise noise(303);
  return paint(TEXTURE_SIZE, TEXTURE_SIZE, [&](int x, int y) {
    const float drift = noise.fractal(cells(x, 4), cells(y, 4), 4, 3);
    // Ripples: a whole number of waves across the tile, so it wraps.
    const float ripple =
        std::sin(TWO_PI * (static_cast<float>(6 * x + 2 * y) / TEXTURE_SIZE + 0.4f * drift));
    const float grain = noise.at(cells(x, 128), cells(y, 128), 128);
    Colour c = mix({0.76f, 0.66f, 0.46f}, {0.90f, 0.82f, 0.62f}, 0.5f + 0.5f * drift);
    return scaled(c, 0.92f + 0.06f * ripple + 0.08f * grain);
  });
}

RgbaImage makeWaterImage() {
  const GradientNoise noise(404);
  return paint(TEXTURE_SIZE, TEXTURE_SIZE, [&](int x, int y) {
    const float swell = noise.fractal(cells(x, 4), cells(y, 4), 4, 3);
    const CellDistances cell = cellNoise(cells(x, 5) + 0.4f * swell, cells(y, 5), 5, 11);
    // Caustic lines where two cells meet.
    const float caustic =
        std::pow(std::clamp(1.0f - (cell.second - cell.nearest) * 4.0f, 0.0f, 1.0f), 3.0f);
    Colour c = mix({0.10f, 0.30f, 0.45f}, {0.20f, 0.50f, 0.60f}, 0.5f + 0.5f * swell);
    c = mix(c, {0.75f, 0.92f, 0.95f}, 0.7f * caustic);
    c.a = 0.6f + 0.3f * caustic;
    return c;
  });
}

RgbaImage makeMarbleImage() {
  const GradientNoise noise(505);
  return paint(TEXTURE_SIZE, TEXTURE_SIZE, [&](int x, int y) {
    const float turbulence = noise.fractal(cells(x, 4), cells(y, 4), 4, 5);
    // Veins: whole waves along the diagonal keep the tile seamless.
    const float phase = 3.0f * static_cast<float>(x + y) / TEXTURE_SIZE + 1.2f * turbulence;
    const float vein = std::pow(std::fabs(std::sin(TWO_PI * phase)), 0.25f);
    const Colour base = mix({0.92f, 0.88f, 0.84f}, {0.98f, 0.95f, 0.93f}, 0.5f + 0.5f * turbulence);
    return mix({0.45f, 0.35f, 0.40f}, base, vein);
  });
}
