// Writes the seed corpus of fuzz_load3ds into the folder given as argument.
#include <cstdio>
#include <filesystem>

#include "tools/writer3ds/chunk_writer.h"
#include "tools/writer3ds/scene_writer.h"

namespace {

WriterObject tetrahedron(const std::string& name, float s) {
  return {.name = name,
          .vertices = {{0, 0, 0}, {s, 0, 0}, {0, s, 0}, {0, 0, s}},
          .mappings = {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
          .faces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}},
          .faceMaterials = {}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds_3ds FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);

  WriterScene full{.materials = {{.name = "Rock", .textureMap = "ROCK.TGA"},
                                 {.name = "Glass", .transparencyPercent = 40},
                                 {.name = "Leaf", .twoSided = true}},
                   .objects = {tetrahedron("Tet01", 10), tetrahedron("Tet02", 3)},
                   .light = true,
                   .camera = true,
                   .keyframer = true};
  full.objects[0].faceMaterials = {{"Rock", {0, 1}}, {"Glass", {2, 3}}};
  full.objects[1].faceMaterials = {{"Leaf", {0, 1, 2}}};
  WriterScene bare{.materials = {},
                   .objects = {tetrahedron("Bare", 1), tetrahedron("Grey", 4)}};  // no materials
  bare.objects[0].mappings.clear();

  const std::pair<const char*, std::vector<std::uint8_t>> seeds[] = {{"full.3ds", write3ds(full)},
                                                                     {"bare.3ds", write3ds(bare)}};
  for (const auto& [name, bytes] : seeds) {
    if (!saveBytes((folder / name).string(), bytes)) {
      std::fprintf(stderr, "fuzz_seeds_3ds: can't write %s\n", name);
      return 1;
    }
  }
  return 0;
}
