// Writes the seed corpus of fuzz_load3ds into the folder given as argument.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/writer3ds/chunk_ids.h"
#include "tools/writer3ds/chunk_writer.h"
#include "tools/writer3ds/scene_writer.h"

namespace {

WriterObject box(const std::string& name, float size) {
  WriterObject object;
  object.name = name;
  for (int i = 0; i < 8; ++i) {
    object.vertices.push_back({i & 1 ? size : -size, i & 2 ? size : -size, i & 4 ? size : -size});
    object.mappings.push_back({static_cast<float>(i & 1), static_cast<float>(i >> 1 & 1)});
  }
  object.faces = {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                  {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
  return object;
}

WriterScene fullScene() {
  WriterScene scene;
  scene.materials = {{.name = "Rock", .textureMap = "ROCK.TGA"},
                     {.name = "Glass", .diffuse = {20, 60, 200}, .transparencyPercent = 40},
                     {.name = "Leaf", .twoSided = true}};
  scene.objects = {box("Box01", 10), box("Box02", 3)};
  scene.objects[0].faceMaterials = {{"Rock", {0, 1, 2, 3, 4, 5}}, {"Glass", {6, 7, 8, 9, 10, 11}}};
  scene.objects[1].faceMaterials = {{"Leaf", {0, 1, 2, 3}}};
  scene.light = scene.camera = scene.keyframer = true;
  return scene;
}

std::vector<std::uint8_t> materialSelectors() {
  ChunkWriter w;
  w.begin(chunk_id::MAIN);
  w.begin(chunk_id::OBJECT_MESH);
  w.begin(chunk_id::MATERIAL);
  w.begin(chunk_id::MATERIAL_NAME);
  w.str("Mixed");
  w.end();
  w.begin(chunk_id::DIFFUSE_COLOR);
  w.begin(chunk_id::RGB_FLOAT);
  for (int i = 0; i < 3; ++i) w.f32(0.5f);
  w.end();
  w.end();
  w.begin(chunk_id::SPECULAR_COLOR);
  w.begin(chunk_id::RGB_BYTE);
  for (std::uint8_t c : {1, 2, 3}) w.u8(c);
  w.end();
  w.end();
  w.begin(chunk_id::TRANSPARENCY);
  w.end();
  w.begin(chunk_id::SHININESS);
  w.begin(chunk_id::PERCENT_WORD);
  w.u16(17);
  w.end();
  w.end();
  for (std::uint16_t map : {chunk_id::BUMP_MAP, chunk_id::SPECULAR_MAP, chunk_id::OPACITY_MAP}) {
    w.begin(map);
    w.begin(chunk_id::MAP_FILENAME);
    w.str("MAP.TGA");
    w.end();
    w.end();
  }
  w.begin(chunk_id::TEXTURE_FLAGS);
  w.u8(1);
  w.u8(2);
  w.end();
  w.end();
  w.end();
  w.end();
  return w.bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds_3ds FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);

  WriterScene noMappings;
  noMappings.objects = {box("Bare", 1)};
  noMappings.objects[0].mappings.clear();
  WriterScene noMaterials;
  noMaterials.objects = {box("Grey", 2), box("Grey2", 4)};

  const std::pair<const char*, std::vector<std::uint8_t>> seeds[] = {
      {"full.3ds", write3ds(fullScene())},
      {"no_mappings.3ds", write3ds(noMappings)},
      {"no_materials.3ds", write3ds(noMaterials)},
      {"selectors.3ds", materialSelectors()},
  };
  for (const auto& [name, bytes] : seeds) {
    if (!saveBytes((folder / name).string(), bytes)) {
      std::fprintf(stderr, "fuzz_seeds_3ds: can't write %s\n", name);
      return 1;
    }
  }
  return 0;
}
