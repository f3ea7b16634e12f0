#include "tools/mkcontent/noise.h"

#include <cmath>
#include <numeric>
#include <utility>

#include "tools/mkcontent/content_random.h"

namespace {

// Quintic fade: continuous second derivative, so no creases at cell borders.
float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

int wrap(int value, int period) { return ((value % period) + period) % period; }

constexpr std::array<std::array<float, 2>, 8> GRADIENTS_2D{{{1.0f, 0.0f},
                                                            {-1.0f, 0.0f},
                                                            {0.0f, 1.0f},
                                                            {0.0f, -1.0f},
                                                            {0.7071f, 0.7071f},
                                                            {-0.7071f, 0.7071f},
                                                            {0.7071f, -0.7071f},
                                                            {-0.7071f, -0.7071f}}};

constexpr std::array<std::array<float, 3>, 12> GRADIENTS_3D{{{1, 1, 0},
                                                             {-1, 1, 0},
                                                             {1, -1, 0},
                                                             {-1, -1, 0},
                                                             {1, 0, 1},
                                                             {-1, 0, 1},
                                                             {1, 0, -1},
                                                             {-1, 0, -1},
                                                             {0, 1, 1},
                                                             {0, -1, 1},
                                                             {0, 1, -1},
                                                             {0, -1, -1}}};

// Layers of doubling frequency and `gain` times the amplitude, normalised by
// the amplitudes' sum. octave(scale) samples one layer at that frequency.
template <class Octave>
float sumOctaves(int octaves, float gain, Octave&& octave) {
  float sum = 0.0f, amplitude = 1.0f, total = 0.0f, scale = 1.0f;
  for (int k = 0; k < octaves; ++k) {
    sum += amplitude * octave(scale);
    total += amplitude;
    scale *= 2.0f;
    amplitude *= gain;
  }
  return sum / total;
}

float dot2(int hash, float x, float y) {
  const auto& g = GRADIENTS_2D[static_cast<std::size_t>(hash & 7)];
  return g[0] * x + g[1] * y;
}

float dot3(int hash, float x, float y, float z) {
  const auto& g = GRADIENTS_3D[static_cast<std::size_t>(hash % 12)];
  return g[0] * x + g[1] * y + g[2] * z;
}

}  // namespace

GradientNoise::GradientNoise(std::uint64_t seed) {
  std::iota(permutation_.begin(), permutation_.end(), 0);
  ContentRandom random(seed);
  for (int i = 255; i > 0; --i) std::swap(permutation_[i], permutation_[random.below(i + 1)]);
}

int GradientNoise::hash(int x, int y) const {
  return permutation_[(permutation_[x & 255] + y) & 255];
}

int GradientNoise::hash(int x, int y, int z) const {
  return permutation_[(permutation_[(permutation_[x & 255] + y) & 255] + z) & 255];
}

float GradientNoise::at(float x, float y, int period) const {
  const float fx = std::floor(x), fy = std::floor(y);
  const int x0 = wrap(static_cast<int>(fx), period), y0 = wrap(static_cast<int>(fy), period);
  const int x1 = wrap(x0 + 1, period), y1 = wrap(y0 + 1, period);
  const float dx = x - fx, dy = y - fy;
  const float n00 = dot2(hash(x0, y0), dx, dy);
  const float n10 = dot2(hash(x1, y0), dx - 1.0f, dy);
  const float n01 = dot2(hash(x0, y1), dx, dy - 1.0f);
  const float n11 = dot2(hash(x1, y1), dx - 1.0f, dy - 1.0f);
  const float u = fade(dx), v = fade(dy);
  return 1.4f * lerp(lerp(n00, n10, u), lerp(n01, n11, u), v);
}

float GradientNoise::at(float x, float y, float z) const {
  const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy), z0 = static_cast<int>(fz);
  const float dx = x - fx, dy = y - fy, dz = z - fz;
  float corner[2][2][2];
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i)
        corner[k][j][i] = dot3(hash(x0 + i, y0 + j, z0 + k), dx - static_cast<float>(i),
                               dy - static_cast<float>(j), dz - static_cast<float>(k));
  const float u = fade(dx), v = fade(dy), w = fade(dz);
  const float near =
      lerp(lerp(corner[0][0][0], corner[0][0][1], u), lerp(corner[0][1][0], corner[0][1][1], u), v);
  const float far =
      lerp(lerp(corner[1][0][0], corner[1][0][1], u), lerp(corner[1][1][0], corner[1][1][1], u), v);
  return lerp(near, far, w);
}

float GradientNoise::fractal(float x, float y, int period, int octaves, float gain) const {
  return sumOctaves(octaves, gain, [&](float scale) {
    return at(x * scale, y * scale, static_cast<int>(static_cast<float>(period) * scale));
  });
}

float GradientNoise::fractal(float x, float y, float z, int octaves, float gain) const {
  return sumOctaves(octaves, gain,
                    [&](float scale) { return at(x * scale, y * scale, z * scale); });
}

CellDistances cellNoise(float x, float y, int period, std::uint64_t seed) {
  const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
  CellDistances result{1e9f, 1e9f};
  for (int j = -1; j <= 1; ++j) {
    for (int i = -1; i <= 1; ++i) {
      const int gx = cx + i, gy = cy + j;
      const auto cell = static_cast<std::uint64_t>(wrap(gy, period) * period + wrap(gx, period));
      ContentRandom random(seed * 1000003ull + cell);
      const float px = static_cast<float>(gx) + random.unit();
      const float py = static_cast<float>(gy) + random.unit();
      const float d = std::hypot(px - x, py - y);
      if (d < result.nearest) {
        result.second = result.nearest;
        result.nearest = d;
      } else if (d < result.second) {
        result.second = d;
      }
    }
  }
  return result;
}
