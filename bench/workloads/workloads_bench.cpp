// The four workloads, each with two worker threads and with one: fill rate
// of full-screen planes (opaque and blended), small-triangle rate, and the
// frame rate of an outdoor scene seen from a turning camera.
#include <benchmark/benchmark.h>

#include "bench/frame_timing.h"
#include "bench/workloads/workload_scenes.h"
#include "board/board.h"
#include "board/trace_threads.h"

namespace {

constexpr double PLANE_PIXELS = double(PLANE_COUNT) * BOARD_WIDTH * BOARD_HEIGHT;
constexpr int SMALL_TRIANGLES = 20000;

void open(benchmark::State& state) {
  openWorkloadBoard();
  traceSetThreadCount(int(state.range(0)));
}

void close() {
  traceSetThreadCount(0);
  boardReset();
}

template <bool blended>
void BM_Planes(benchmark::State& state) {
  open(state);
  const double seconds = timeFrames(state, [] { drawPlanesFrame(blended); });
  state.counters["pixels"] = ratePerSecond(state, PLANE_PIXELS, seconds);
  close();
}
BENCHMARK(BM_Planes<false>)->Name("workload_a")->ArgName("threads")->Arg(2)->Arg(1)->UseRealTime();
BENCHMARK(BM_Planes<true>)->Name("workload_b")->ArgName("threads")->Arg(2)->Arg(1)->UseRealTime();

void BM_SmallTriangles(benchmark::State& state) {
  static const std::vector<Triangle> triangles = smallTriangles(SMALL_TRIANGLES, 20.0f);
  open(state);
  const double seconds = timeFrames(state, [] { drawTrianglesFrame(triangles); });
  state.counters["triangles"] = ratePerSecond(state, SMALL_TRIANGLES, seconds);
  close();
}
BENCHMARK(BM_SmallTriangles)->Name("workload_c")->ArgName("threads")->Arg(2)->Arg(1)->UseRealTime();

void BM_Outdoor(benchmark::State& state) {
  static OutdoorScene scene;
  open(state);
  const double seconds = timeFrames(state, [] { scene.drawFrame(); });
  state.counters["frames"] = ratePerSecond(state, 1.0, seconds);
  close();
}
BENCHMARK(BM_Outdoor)->Name("workload_d")->ArgName("threads")->Arg(2)->Arg(1)->UseRealTime();

}  // namespace
