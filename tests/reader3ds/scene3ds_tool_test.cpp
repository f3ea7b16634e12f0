// The scene3ds tool from the outside: what it prints for a scene, and its
// exit status when it cannot print.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/file_contents.h"
#include "tests/reader3ds/reader_test_support.h"

namespace {

// What the tool prints of a scene, in full: names escaped, counts in their
// own fields, every face counted for its material (transparent ones too),
// the bounding box over every vertex at full float precision.
constexpr const char* BOX_JSON = R"({
  "file": "box.3ds",
  "faceCount": 2,
  "materialCount": 2,
  "vertexCount": 4,
  "normalCount": 2,
  "opaqueFaceCount": 1,
  "mappingCount": 4,
  "materials": [
    {"name": "Q\"uote", "flags": 1, "diffuse": [200, 200, 200], "transparency": 0, "twoSided": 0, "textureFile": null, "faceCount": 1},
    {"name": "Glass", "flags": 17, "diffuse": [200, 200, 200], "transparency": 127.5, "twoSided": 0, "textureFile": null, "faceCount": 1}
  ],
  "boundingBox": {"min": [0, 0, 0], "max": [1234.56775, 1, 0]}
})";

// Two files print as one JSON array, read in sequence; lost output fails.
TEST(Scene3dsTool, PrintsEveryFileAsJsonAndFailsOnLostOutput) {
  const std::string dir = testing::TempDir() + "scene3ds_json_" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  const WriterScene scene{
      .materials = {{.name = "Q\"uote"}, {.name = "Glass", .transparencyPercent = 50}},
      .objects = {{"Box",
                   {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1234.5678f, 1, 0}},
                   {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
                   {{0, 1, 2}, {1, 3, 2}},
                   {{"Glass", {0}}, {"Q\"uote", {1}}}}}};
  const std::vector<std::uint8_t> bytes = write3ds(scene);
  std::ofstream(dir + "/box.3ds", std::ios::binary) << std::string(bytes.begin(), bytes.end());
  const std::string inDir = "cd " + dir + " && " + SCENE3DS_TOOL;
  const auto printed = [&] { return fileText(dir + "/scene3ds.out"); };
  ASSERT_EQ(std::system((inDir + " box.3ds box.3ds > scene3ds.out").c_str()), 0);
  EXPECT_EQ(printed(), "[\n" + std::string(BOX_JSON) + ",\n" + BOX_JSON + "\n]\n");
  EXPECT_NE(std::system((inDir + " box.3ds > /dev/full 2> /dev/null").c_str()), 0);

  // The files are read one after the other, as the program reads its two: a
  // specular map in the second takes the texture kind the first one set.
  using namespace chunk_id;
  const auto material = [&](const char* file, const char* name, std::uint16_t map, const char* to) {
    std::ofstream(dir + "/" + file, std::ios::binary)
        << chunk(MATERIAL_NAME, text(name)) + chunk(map, chunk(MAP_FILENAME, text(to)));
  };
  material("one.3ds", "One", TEXTURE_MAP, "ONE.TGA");
  material("two.3ds", "Two", SPECULAR_MAP, "two.png");
  ASSERT_EQ(std::system((inDir + " one.3ds two.3ds > scene3ds.out").c_str()), 0);
  EXPECT_NE(printed().find("\"two.3df\""), std::string::npos) << printed();
  std::filesystem::remove_all(dir);
}

}  // namespace
