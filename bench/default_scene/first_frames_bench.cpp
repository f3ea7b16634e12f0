// Twenty frames of the default content from a given point of the camera's
// turn, headless and without waiting for the retrace. With WILDSKY_TRACE set
// the first repetition is recorded as a call trace, so that its replay (the
// board alone) and these frames (the board and the program's own work)
// split exactly the same work. Each repetition starts from the state
// start-up leaves, the camera moved on by the given number of frames:
// cleared buffers, the first depth function.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "app/program.h"
#include "bench/bench_folder.h"
#include "render/glide.h"
#include "tools/mkcontent/content_files.h"

namespace fs = std::filesystem;

namespace {

constexpr int FRAMES = 20;  // bench_table.py records as many in each trace

ProgramState& defaultSceneProgram() {
  static ProgramState state = [] {
    const fs::path folder = makeBenchFolder();
    if (!writeContent(folder.string())) std::abort();
    fs::current_path(folder);
    ProgramState started;
    startProgram(started, Platform{});
    return started;
  }();
  return state;
}

// What startProgram leaves, the camera moved on by cameraSteps frames.
void rewindTo(ProgramState& state, int cameraSteps) {
  const ProgramState fresh;
  state.angleX = fresh.angleX;
  state.angleY = fresh.angleY;
  state.angleZ = fresh.angleZ;
  for (int step = 0; step < cameraSteps; ++step) advanceCameraAngles(state);
  state.depthParity = fresh.depthParity;
  state.waitForRetrace = 0;
  setStartingBoardState();
  grSstIdle();
}

// The argument: the camera steps taken before the first frame.
void BM_DefaultSceneFrames(benchmark::State& run) {
  ProgramState& state = defaultSceneProgram();
  double seconds = 0;
  for (auto _ : run) {
    rewindTo(state, int(run.range(0)));
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < FRAMES; ++frame) runFrame(state);
    grSstIdle();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.SetIterationTime(seconds);
  }
  run.counters["fps"] = seconds > 0 ? FRAMES / seconds : 0.0;
}
// Four points of the turn; the fastest repetition counts, as the replay's
// fastest pass does (the first also pays for recording).
BENCHMARK(BM_DefaultSceneFrames)
    ->Name("DefaultSceneFrames")
    ->Arg(0)
    ->Arg(250)
    ->Arg(500)
    ->Arg(750)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(6)
    ->Unit(benchmark::kMillisecond);

}  // namespace
