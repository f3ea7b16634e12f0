#include "scene/scene_loader.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "reader3ds/load3ds.h"
#include "tests/scene/scene_fixtures.h"

namespace {

using FacesPerName = std::map<std::string, int>;

FacesPerName facesPerMaterialName(const Scene& scene) {
  FacesPerName counts;
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    ++counts[scene.materials[scene.faces[f].material].name];
  }
  return counts;
}

// Loads, checks the invariants, hands the scene to `check`, frees it, and
// expects the tracked counter back where it started.
template <typename Check>
void loadCheckAndFree(const std::string& path, Check check) {
  const std::uint32_t before = getTotalMemAllocated();
  resetReaderState();
  Scene* scene = loadScene("%s", path.c_str());
  expectSceneInvariants(*scene);
  check(*scene);
  freeScene(scene);
  EXPECT_EQ(getTotalMemAllocated(), before);
}

// The same for a scene written to a temporary file, cut to `size` bytes.
template <typename Check>
void loadGenerated(const WriterScene& written, Check check, std::size_t size = SIZE_MAX) {
  const std::string path = writeTemp3ds(written, "generated.3ds");
  if (size != SIZE_MAX) std::filesystem::resize_file(path, size);
  loadCheckAndFree(path, check);
  std::filesystem::remove(path);
}

// The "facesByMaterial" object of a NAME.json file.
FacesPerName expectedFacesByMaterial(const std::string& json) {
  FacesPerName counts;
  std::size_t at = json.find('{', json.find("\"facesByMaterial\"")) + 1;
  while (json[at] == '"') {
    std::string name;
    for (++at; json[at] != '"'; ++at) name += json[at] == '\\' ? json[++at] : json[at];
    at = json.find(':', at) + 1;
    counts[name] = std::stoi(json.substr(at));
    at = json.find_first_of(",}", at);
    if (json[at] == ',') ++at;
  }
  return counts;
}

}  // namespace

TEST(LoadScene, GeneratedScenesArePreparedAndFreedWithoutALeak) {
  WriterScene world{.materials = {{.name = "Glass", .transparencyPercent = 50},
                                  {.name = "Rock", .textureMap = "ROCK.TGA"},
                                  {.name = "Mist", .transparencyPercent = 20, .twoSided = true},
                                  {.name = "Grass"},
                                  {.name = "Unused", .transparencyPercent = 90}},
                    .objects = {gridObject("Hills", 12, 0, {"Rock", "Grass", "Glass"}),
                                gridObject("Lake", 5, 20, {"Mist"}),
                                gridObject("Cliff", 7, 30, {"Grass", "Rock"})},
                    .light = true,
                    .camera = true,
                    .keyframer = true};
  loadGenerated(world, [](const Scene& scene) {
    EXPECT_EQ(scene.faceCount, 288 + 50 + 98);
    EXPECT_EQ(scene.vertexCount, 169 + 36 + 64);
    EXPECT_EQ(facesPerMaterialName(scene),
              (FacesPerName{{"Rock", 145}, {"Grass", 145}, {"Glass", 96}, {"Mist", 50}}));
    EXPECT_EQ(scene.opaqueFaceCount, 290);
    EXPECT_STREQ(scene.materials[scene.materialCount - 1].name, "Unused");
    EXPECT_NE(scene.viewNormals, nullptr);
  });

  // Cut short anywhere, the file still gives a scene the renderer can draw.
  const std::vector<std::uint8_t> bytes = write3ds(world);
  for (std::size_t cut = 7; cut < bytes.size(); cut += bytes.size() / 13) {
    loadGenerated(
        world, [](const Scene&) {}, cut);
  }

  WriterScene wall{.materials = {{.name = "Stone"}},
                   .objects = {gridObject("Wall", 3, 0, {"Stone"})}};
  loadGenerated(wall, [](const Scene& scene) {
    EXPECT_EQ(scene.opaqueFaceCount, 18);
    EXPECT_EQ(scene.transparentNodes, nullptr);
  });
  wall.materials[0].transparencyPercent = 40;
  loadGenerated(wall, [](const Scene& scene) {
    EXPECT_EQ(scene.opaqueFaceCount, 0);
    EXPECT_EQ(scene.opaqueNodes, nullptr);
    EXPECT_EQ(scene.lastTransparentNode->face, &scene.faces[17]);
  });
  wall.objects.clear();
  loadGenerated(wall, [](const Scene& scene) {
    EXPECT_TRUE(scene.faceCount == 0 && scene.normalCount == 0);
    EXPECT_TRUE(scene.opaqueNodes == nullptr && scene.transparentNodes == nullptr);
  });
}

TEST(LoadSceneDeathTest, MissingFileEndsTheProgramWithTheReadersMessage) {
  // The message goes to standard output; the death test watches standard error.
  EXPECT_EXIT(
      {
        dup2(2, 1);
        loadScene("%s\\%s", "no_such_folder", "qxwild.3ds");
      },
      ::testing::ExitedWithCode(1), "Can't open \"no_such_folder.qxwild\\.3ds\"!");
}

TEST(LoadScene, RealFilesKeepTheirFacesPerMaterial) {
  const auto folder = std::filesystem::path(WILDSKY_SHARED_DIR) / "testdata" / "3ds";
  if (!std::filesystem::exists(folder / "lib3ds")) GTEST_SKIP() << "no shared test files";
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "lib3ds")) {
    if (entry.path().extension() != ".json") continue;
    std::stringstream json;
    json << std::ifstream(entry.path()).rdbuf();
    SCOPED_TRACE(entry.path().stem().string());
    loadCheckAndFree((folder / entry.path().stem()).string(), [&](const Scene& scene) {
      EXPECT_EQ(facesPerMaterialName(scene), expectedFacesByMaterial(json.str()));
    });
    ++checked;
  }
  EXPECT_EQ(checked, 9);
}
