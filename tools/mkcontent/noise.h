#pragma once
// Gradient noise for the procedural content. The 2D lookups wrap with a
// period given in lattice cells, so textures built from them tile without a
// seam; the 3D lookup serves shapes and the sky, which are sampled by
// direction and need no period.

#include <algorithm>
#include <array>
#include <cstdint>

class GradientNoise {
 public:
  explicit GradientNoise(std::uint64_t seed);

  // Roughly -1..1. x and y in lattice cells; the pattern repeats every
  // `period` cells along both axes.
  float at(float x, float y, int period) const;
  float at(float x, float y, float z) const;

  // Sum of `octaves` layers, each twice the frequency and `gain` times the
  // amplitude of the one before, normalised back to roughly -1..1.
  float fractal(float x, float y, int period, int octaves, float gain = 0.5f) const;
  float fractal(float x, float y, float z, int octaves, float gain = 0.5f) const;

 private:
  int hash(int x, int y) const;
  int hash(int x, int y, int z) const;

  std::array<std::uint8_t, 256> permutation_;
};

// Distance from (x, y) to the nearest of one random point per cell of a
// `period` x `period` grid that wraps, and to the second nearest; both in
// cell units. Builds cells, pebbles and leaf clusters.
struct CellDistances {
  float nearest, second;
};
CellDistances cellNoise(float x, float y, int period, std::uint64_t seed);

// 0 below edge0, 1 above edge1, a smooth S-curve between.
inline float smoothstep(float edge0, float edge1, float x) {
  const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}
