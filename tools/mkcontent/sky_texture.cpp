#include <cmath>
#include <numbers>

#include "tools/mkcontent/noise.h"
#include "tools/mkcontent/paint.h"
#include "tools/mkcontent/textures.h"

namespace {

constexpr float PI = std::numbers::pi_v<float>;

}  // namespace

RgbaImage makeSkyImage() {
  const GradientNoise noise(808);
  // The sun stands 35 degrees above the horizon.
  const float sunUp = std::sin(35.0f * PI / 180.0f), sunOut = std::cos(35.0f * PI / 180.0f);
  const float sun[3]{sunOut * std::cos(0.8f), sunOut * std::sin(0.8f), sunUp};
  return paint(TEXTURE_SIZE, TEXTURE_SIZE, [&](int x, int y) {
    const float longitude = 2.0f * PI * (static_cast<float>(x) + 0.5f) / TEXTURE_SIZE;
    const float polar = PI * static_cast<float>(y) / (TEXTURE_SIZE - 1);
    const float d[3]{std::sin(polar) * std::cos(longitude), std::sin(polar) * std::sin(longitude),
                     std::cos(polar)};
    const float up = d[2];
    // Gradient: deep blue overhead, pale at the horizon, a misty sea of blue below.
    Colour c = up >= 0.0f ? mix({0.62f, 0.78f, 0.92f}, {0.16f, 0.36f, 0.72f}, std::pow(up, 0.6f))
                          : mix({0.62f, 0.78f, 0.92f}, {0.30f, 0.45f, 0.68f}, std::pow(-up, 0.5f));
    // Clouds, sampled by direction so they have no seam; flattened near the horizon.
    const float density = noise.fractal(d[0] * 3.0f, d[1] * 3.0f, d[2] * 5.0f, 5);
    const float band = up >= 0.0f ? smoothstep(0.95f, 0.05f, up) * 0.5f + 0.5f : 0.8f;
    const float cloud = smoothstep(0.05f, 0.45f, density) * band;
    const float lit = 0.85f + 0.15f * smoothstep(-0.3f, 0.3f, density - 0.3f);
    c = mix(c, {lit, lit, lit * 0.98f}, cloud * (up >= 0.0f ? 0.9f : 0.6f));
    // The sun: a bright disc in a warm glow.
    const float toSun = d[0] * sun[0] + d[1] * sun[1] + d[2] * sun[2];
    const float glow = std::pow(std::max(toSun, 0.0f), 24.0f);
    c = mix(c, {1.0f, 0.92f, 0.7f}, 0.6f * glow);
    if (toSun > 0.9975f) c = {1.0f, 0.98f, 0.88f};
    return c;
  });
}
