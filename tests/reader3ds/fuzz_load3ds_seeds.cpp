// Writes the seed corpus of fuzz_load3ds into the folder given as argument.
#include <cstdio>
#include <filesystem>

#include "tools/output_files/output_files.h"
#include "tools/writer3ds/scene_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: fuzz_load3ds_seeds FOLDER\n"), 2;
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  const WriterObject tetrahedron{.name = "Tet01",
                                 .vertices = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}},
                                 .mappings = {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
                                 .faces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}},
                                 .faceMaterials = {{"Rock", {0, 1}}, {"Glass", {2, 3}}}};
  WriterScene full{.materials = {{.name = "Rock", .textureMap = "ROCK.TGA"},
                                 {.name = "Glass", .transparencyPercent = 40},
                                 {.name = "Leaf", .twoSided = true}},
                   .objects = {tetrahedron, tetrahedron}};
  full.light = full.camera = full.keyframer = true;
  full.objects[1].faceMaterials = {{"Leaf", {0, 1, 2}}};
  WriterScene bare{.materials = {}, .objects = {tetrahedron, tetrahedron}};  // no materials
  bare.objects[0].mappings.clear();
  for (const auto& [name, scene] : {std::pair{"full.3ds", full}, std::pair{"bare.3ds", bare}}) {
    if (!saveBytes((folder / name).string(), write3ds(scene)))
      return std::fprintf(stderr, "fuzz_load3ds_seeds: can't write %s\n", name), 1;
  }
  return 0;
}
