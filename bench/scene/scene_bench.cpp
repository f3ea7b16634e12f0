#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "reader3ds/load3ds.h"
#include "scene/frame_lists.h"
#include "scene/scene_loader.h"
#include "tools/writer3ds/scene_writer.h"

namespace {

// One rolling terrain tile of 2 * 158^2 = 49,928 faces (the most a 16-bit
// face list can index comfortably), its faces spread over three materials.
WriterObject terrainTile(int tile) {
  constexpr int n = 158;
  WriterObject object;
  object.name = "Tile" + std::to_string(tile);
  const float originX = 200.0f * static_cast<float>(tile);
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      const float x = originX + static_cast<float>(i);
      const float y = static_cast<float>(j);
      object.vertices.push_back({x, y, 4.0f * std::sin(0.11f * x) * std::cos(0.07f * y)});
      object.mappings.push_back({static_cast<float>(i) / n, static_cast<float>(j) / n});
    }
  }
  object.faceMaterials = {{"Grass", {}}, {"Rock", {}}, {"Water", {}}};
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const auto v = static_cast<std::uint16_t>(j * (n + 1) + i);
      const auto up = static_cast<std::uint16_t>(v + n + 1);
      const auto face = static_cast<std::uint16_t>(object.faces.size());
      object.faces.push_back({v, static_cast<std::uint16_t>(v + 1), up});
      object.faces.push_back(
          {static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(up + 1), up});
      // Bands of rock and a strip of water, the rest grass.
      const std::size_t group = i > 140 ? 2 : (j / 16) % 3 == 1 ? 1 : 0;
      object.faceMaterials[group].second.push_back(face);
      object.faceMaterials[group].second.push_back(static_cast<std::uint16_t>(face + 1));
    }
  }
  return object;
}

// The generated files, removed when the benchmark ends.
struct TemporaryFiles {
  std::map<int, std::string> paths;
  ~TemporaryFiles() {
    for (const auto& [tiles, path] : paths) std::filesystem::remove(path);
  }
};

const std::string& terrainFile(int tiles) {
  static TemporaryFiles files;
  auto found = files.paths.find(tiles);
  if (found != files.paths.end()) return found->second;
  WriterScene scene;
  scene.materials = {
      {.name = "Grass"}, {.name = "Rock"}, {.name = "Water", .transparencyPercent = 40}};
  for (int t = 0; t < tiles; ++t) scene.objects.push_back(terrainTile(t));
  const auto path =
      std::filesystem::temp_directory_path() /
      ("wildsky_bench_" + std::to_string(::getpid()) + "_" + std::to_string(tiles) + ".3ds");
  const auto bytes = write3ds(scene);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return files.paths.emplace(tiles, path.string()).first->second;
}

// Reading, normals, both reorderings and the face nodes.
void loadAndPrepare(benchmark::State& state) {
  const std::string& path = terrainFile(static_cast<int>(state.range(0)));
  std::int32_t faces = 0;
  for (auto _ : state) {
    resetReaderState();
    Scene* scene = loadScene("%s", path.c_str());
    faces = scene->faceCount;
    freeScene(scene);
  }
  state.counters["faces"] = faces;
  state.SetItemsProcessed(state.iterations() * faces);
}
BENCHMARK(loadAndPrepare)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// One frame's list building and back-to-front sort, with the depths moving
// a little every frame as the camera turns.
void frameListsAndTransparentSort(benchmark::State& state) {
  resetReaderState();
  Scene* scene = loadScene("%s", terrainFile(static_cast<int>(state.range(0))).c_str());
  clearSceneRegistry();
  registerScene(scene);
  float phase = 0.0f;
  for (auto _ : state) {
    for (std::int32_t v = 0; v < scene->vertexCount; ++v) {
      scene->vertices[v].viewZ = scene->vertices[v].x * std::sin(phase) - scene->vertices[v].y;
    }
    phase += 0.01f;
    beginFrameLists();
    addSceneToFrame(scene);
    sortTransparentFaces();
    benchmark::DoNotOptimize(frameTransparentFirst);
  }
  state.counters["transparent"] = frameTransparentCount;
  clearSceneRegistry();
  freeScene(scene);
}
BENCHMARK(frameListsAndTransparentSort)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
