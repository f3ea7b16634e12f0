#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/clipper.h"
#include "render/view_transform.h"
#include "tests/render/recording_board.h"

namespace {

// Vertices scattered around the origin, a fair share of them beyond the
// screen edges or behind the near plane once turned.
std::vector<SceneVertex> scatteredVertices(int count) {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> coordinate(-400.0f, 400.0f);
  std::vector<SceneVertex> vertices(static_cast<std::size_t>(count));
  for (SceneVertex& vertex : vertices) {
    vertex.x = coordinate(random);
    vertex.y = coordinate(random);
    vertex.z = coordinate(random);
  }
  return vertices;
}

void turnView() {
  resetView();
  rotateViewX(std::cos(0.3), std::sin(0.3));
  rotateViewY(std::cos(1.2), std::sin(1.2));
  rotateViewZ(std::cos(-0.4), std::sin(-0.4));
}

void BM_TransformAndClipCodes(benchmark::State& state) {
  initViewVolume();
  turnView();
  std::vector<SceneVertex> vertices = scatteredVertices(4096);
  for (auto _ : state) {
    for (SceneVertex& vertex : vertices) {
      transformVertex(vertex);
      computeClipCodes(vertex);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(vertices.size()));
}
BENCHMARK(BM_TransformAndClipCodes);

// Small triangles over the scattered vertices, those wholly outside one plane
// skipped as the face passes skip them; state.range(0) is the per-mille share
// of triangles kept that cross a plane.
void BM_ClipTriangles(benchmark::State& state) {
  initViewVolume();
  turnView();
  resetBoardRecording();
  boardRecording.keepTriangles = false;
  std::vector<SceneVertex> vertices = scatteredVertices(3 * 8192);
  for (SceneVertex& vertex : vertices) {
    transformVertex(vertex);
    computeClipCodes(vertex);
  }
  std::vector<SceneVertex*> inside, crossing;
  for (std::size_t i = 0; i + 2 < vertices.size(); i += 3) {
    SceneVertex* corners[3] = {&vertices[i], &vertices[i + 1], &vertices[i + 2]};
    const std::uint32_t all = corners[0]->clipFlags & corners[1]->clipFlags & corners[2]->clipFlags;
    const std::uint32_t any = corners[0]->clipFlags | corners[1]->clipFlags | corners[2]->clipFlags;
    if (all != 0) continue;
    (any == 0 ? inside : crossing)
        .insert((any == 0 ? inside : crossing).end(), corners, corners + 3);
  }
  if (inside.empty() || crossing.empty()) {
    state.SkipWithError("the scattered vertices gave no inside or no crossing triangle");
    return;
  }
  const std::size_t crossingWanted = static_cast<std::size_t>(state.range(0));
  std::vector<SceneVertex*> mix;
  for (std::size_t k = 0; k < 1000; ++k) {
    const std::vector<SceneVertex*>& from = k < crossingWanted ? crossing : inside;
    const std::size_t triangle = (k * 7) % (from.size() / 3);
    mix.insert(mix.end(), from.begin() + 3 * triangle, from.begin() + 3 * triangle + 3);
  }
  for (auto _ : state) {
    for (SceneVertex* vertex : mix) vertex->projected = 0;
    for (std::size_t i = 0; i < mix.size(); i += 3)
      drawClippedTriangle(mix[i], mix[i + 1], mix[i + 2], 0);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
  state.counters["drawn_per_face"] =
      double(boardRecording.triangleCount) / double(state.iterations() * 1000);
}
BENCHMARK(BM_ClipTriangles)->Arg(0)->Arg(250)->Arg(1000);

}  // namespace
