#include "tests/reader3ds/reader_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "reader3ds/load3ds.h"
#include "tools/writer3ds/chunk_writer.h"

LoadedScene::~LoadedScene() { freeLoadedArrays(scene); }

std::string LoadedScene::materialName(std::int32_t face) const {
  return scene.materials[scene.faces[face].material].name;
}

std::int32_t LoadedScene::materialIndex(const std::string& name) const {
  std::int32_t found = -1;
  for (std::int32_t m = 0; m < scene.materialCount; ++m) {
    if (name == scene.materials[m].name) found = m;
  }
  return found;
}

std::string tempFilePath(const std::string& name) {
  return testing::TempDir() + "reader3ds_" + std::to_string(getpid()) + "_" + name;
}

std::unique_ptr<LoadedScene> loadFile(const std::string& path) {
  auto loaded = std::make_unique<LoadedScene>();
  EXPECT_EQ(load3ds(path.c_str(), &loaded->scene), 0);
  return loaded;
}

std::unique_ptr<LoadedScene> loadBytes(const std::vector<std::uint8_t>& bytes) {
  const std::string path = tempFilePath("scene.3ds");
  EXPECT_TRUE(saveBytes(path, bytes));
  auto loaded = loadFile(path);
  std::remove(path.c_str());
  return loaded;
}

WriterObject makeObject(const std::string& name, int vertexCount,
                        std::vector<std::array<std::uint16_t, 3>> faces) {
  WriterObject object;
  object.name = name;
  for (int i = 0; i < vertexCount; ++i) {
    const auto f = static_cast<float>(i);
    object.vertices.push_back({f, 2 * f, -f});
    object.mappings.push_back({f / 8, 1 - f / 8});
  }
  object.faces = std::move(faces);
  return object;
}
