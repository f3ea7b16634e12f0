#pragma once
// Frame benchmarks time their frames themselves: a swap without the retrace
// wait leaves its frame drawing while the next one is queued, so the time
// counts until the last frame is finished, which the loop's own timing
// leaves out.

#include <benchmark/benchmark.h>

#include <chrono>

#include "render/glide.h"

// Runs drawFrame while the benchmark asks; the seconds the frames took,
// their drawing finished.
template <typename DrawFrame>
double timeFrames(benchmark::State& state, DrawFrame drawFrame) {
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) drawFrame();
  grSstIdle();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// count things a frame, as a rate over the frames' seconds.
inline double ratePerSecond(const benchmark::State& state, double count, double seconds) {
  return seconds > 0 ? count * double(state.iterations()) / seconds : 0.0;
}
