#pragma once
// The content's one source of randomness: a seeded generator (SplitMix64),
// so every run of the tool draws the same numbers and writes the same bytes.

#include <cstdint>

class ContentRandom {
 public:
  explicit ContentRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform in [0, 1): the top 24 bits, exact in a float.
  float unit() { return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f); }

  float range(float low, float high) { return low + (high - low) * unit(); }

  // Uniform in [0, count).
  int below(int count) { return static_cast<int>(next() % static_cast<std::uint64_t>(count)); }

 private:
  std::uint64_t state_;
};
