// The whole frame, headless and without waiting for the retrace, on a
// generated scene of about 20,000 faces: the CPU part (lists, transform,
// sort) alone and the whole frame (with the passes, clipper and board).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/program.h"
#include "bench/bench_folder.h"
#include "bench/frame_timing.h"
#include "tools/tex3df/texture_encoder.h"
#include "tools/writer3ds/scene_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int GRID = 71;  // 70 x 70 cells, two faces each, per object

WriterObject waveGrid(const std::string& name, float lift, const std::string& material) {
  WriterObject object;
  object.name = name;
  for (int row = 0; row < GRID; ++row) {
    for (int column = 0; column < GRID; ++column) {
      const float x = -210.0f + 6.0f * column, z = -210.0f + 6.0f * row;
      object.vertices.push_back({x, lift + 25.0f * std::sin(x / 30.0f) * std::cos(z / 40.0f), z});
      object.mappings.push_back({column / 10.0f, row / 10.0f});
    }
  }
  std::vector<std::uint16_t> all;
  for (int row = 0; row + 1 < GRID; ++row) {
    for (int column = 0; column + 1 < GRID; ++column) {
      const auto at = [](int r, int c) { return static_cast<std::uint16_t>(r * GRID + c); };
      object.faces.push_back({at(row, column), at(row, column + 1), at(row + 1, column + 1)});
      object.faces.push_back({at(row, column), at(row + 1, column + 1), at(row + 1, column)});
    }
  }
  for (std::size_t i = 0; i < object.faces.size(); ++i)
    all.push_back(static_cast<std::uint16_t>(i));
  object.faceMaterials = {{material, all}};
  return object;
}

RgbaImage pattern(int size) {
  RgbaImage image{size, size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size * 4)};
  for (int i = 0; i < size * size; ++i) {
    image.pixels[i * 4] = static_cast<std::uint8_t>(i * 7);
    image.pixels[i * 4 + 1] = static_cast<std::uint8_t>(i / size * 3);
    image.pixels[i * 4 + 2] = static_cast<std::uint8_t>(128 + i % 97);
    image.pixels[i * 4 + 3] = 255;
  }
  return image;
}

void save(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

ProgramState& benchProgram() {
  static ProgramState state = [] {
    const fs::path folder = makeBenchFolder();
    fs::create_directory(folder / "OBJECTS");
    fs::create_directory(folder / "TEXTURES");
    WriterScene wild;
    wild.materials = {{"GROUND", {180, 160, 90}, {50, 50, 50}, 0, false, "GROUND.TGA"},
                      {"WATER", {40, 90, 200}, {50, 50, 50}, 40, true, ""}};
    wild.objects = {waveGrid("ground", 0, "GROUND"), waveGrid("water", 20, "WATER")};
    WriterScene sky;
    sky.materials = {{"SKY", {90, 140, 220}, {50, 50, 50}, 0, true, ""}};
    WriterObject dome = waveGrid("dome", 300, "SKY");
    dome.faces.resize(200);
    dome.faceMaterials = {{"SKY", {}}};
    for (std::uint16_t i = 0; i < 200; ++i) dome.faceMaterials[0].second.push_back(i);
    sky.objects = {dome};
    save(folder / "OBJECTS" / "qxwild.3ds", write3ds(wild));
    save(folder / "OBJECTS" / "ballsky.3ds", write3ds(sky));
    save(folder / "TEXTURES" / "GROUND.3df", encode3df(pattern(128), GR_TEXFMT_RGB_565));
    save(folder / "TEXTURES" / "micro.3df", encode3df(pattern(256), GR_TEXFMT_RGB_565));
    fs::current_path(folder);
    ProgramState started;
    startProgram(started, Platform{});
    started.waitForRetrace = 0;
    return started;
  }();
  return state;
}

std::int64_t frameFaces(const ProgramState& state) {
  return state.wildScene->faceCount + state.skyScene->faceCount;
}

// frameStep: prepareFrame for the CPU part alone, runFrame for the whole frame.
template <void (*frameStep)(ProgramState&)>
void BM_Frame(benchmark::State& run) {
  ProgramState& state = benchProgram();
  const double seconds = timeFrames(run, [&state] { frameStep(state); });
  run.counters["faces"] = static_cast<double>(frameFaces(state));
  run.counters["fps"] = ratePerSecond(run, 1.0, seconds);
}
BENCHMARK(BM_Frame<prepareFrame>)->Name("CpuPartOfFrame")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame<runFrame>)->Name("WholeFrame")->Unit(benchmark::kMillisecond);

}  // namespace
