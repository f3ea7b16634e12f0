#include "scene/scene_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "reader3ds/load3ds.h"
#include "tests/scene/scene_fixtures.h"

namespace {

std::map<std::string, int> facesPerMaterialName(const Scene& scene) {
  std::map<std::string, int> counts;
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    ++counts[scene.materials[scene.faces[f].material].name];
  }
  return counts;
}

// Three objects over five materials, two of them transparent; the grid
// objects give every vertex up to six corners with differing normals.
WriterScene generatedScene() {
  WriterScene scene;
  scene.materials = {{.name = "Glass", .transparencyPercent = 50},
                     {.name = "Rock", .textureMap = "ROCK.TGA"},
                     {.name = "Mist", .transparencyPercent = 20, .twoSided = true},
                     {.name = "Grass"},
                     {.name = "Unused", .transparencyPercent = 90}};
  WriterObject hills = gridObject("Hills", 12, 40.0f, 0.0f, 0.0f);
  assignMaterialsInTurn(hills, {"Rock", "Grass", "Glass"});
  WriterObject lake = gridObject("Lake", 5, 10.0f, 50.0f, 0.0f);
  assignMaterialsInTurn(lake, {"Mist"});
  WriterObject cliff = gridObject("Cliff", 7, 20.0f, 0.0f, 50.0f);
  assignMaterialsInTurn(cliff, {"Grass", "Rock"});
  scene.objects = {hills, lake, cliff};
  scene.light = scene.camera = scene.keyframer = true;
  return scene;
}

// The "facesByMaterial" object of a NAME.json file: name -> face count.
std::map<std::string, int> expectedFacesByMaterial(const std::string& json) {
  std::map<std::string, int> counts;
  std::size_t at = json.find("\"facesByMaterial\"");
  if (at == std::string::npos) return counts;
  at = json.find('{', at) + 1;
  while (at < json.size() && json[at] != '}') {
    const std::size_t open = json.find('"', at);
    std::string name;
    std::size_t c = open + 1;
    for (; json[c] != '"'; ++c) name += json[c] == '\\' ? json[++c] : json[c];
    const std::size_t colon = json.find(':', c);
    counts[name] = std::stoi(json.substr(colon + 1));
    at = json.find_first_of(",}", colon);
    if (json[at] == ',') ++at;
  }
  return counts;
}

}  // namespace

TEST(LoadScene, GeneratedSceneIsPreparedAndFreedWithoutALeak) {
  const WriterScene written = generatedScene();
  const std::string path = writeTemp3ds(written, "generated.3ds");
  const std::filesystem::path file(path);
  const std::uint32_t before = getTotalMemAllocated();

  resetReaderState();
  Scene* scene = loadScene("%s/%s", file.parent_path().c_str(), file.filename().c_str());
  expectSceneInvariants(*scene);
  EXPECT_EQ(scene->faceCount, 2 * (144 + 25 + 49));
  EXPECT_EQ(scene->vertexCount, 169 + 36 + 64);
  EXPECT_EQ(facesPerMaterialName(*scene),
            (std::map<std::string, int>{
                {"Rock", 96 + 49}, {"Grass", 96 + 49}, {"Glass", 96}, {"Mist", 50}}));
  EXPECT_EQ(scene->opaqueFaceCount, 2 * (96 + 49));
  EXPECT_STREQ(scene->materials[scene->materialCount - 1].name, "Unused");
  ASSERT_NE(scene->viewNormals, nullptr);
  // Only a handful of distinct directions on the flat parts, far fewer than corners.
  EXPECT_LT(scene->normalCount, 4 * scene->faceCount);

  freeScene(scene);
  EXPECT_EQ(getTotalMemAllocated(), before);
  std::filesystem::remove(path);
}

TEST(LoadScene, AllOpaqueAllTransparentAndEmptyScenes) {
  WriterScene opaque;
  opaque.materials = {{.name = "Stone"}};
  opaque.objects = {gridObject("Wall", 3, 1.0f, 0.0f, 0.0f)};
  assignMaterialsInTurn(opaque.objects[0], {"Stone"});
  WriterScene glass = opaque;
  glass.materials[0].transparencyPercent = 40;
  WriterScene empty;
  empty.materials = {{.name = "Lonely"}};

  const std::uint32_t before = getTotalMemAllocated();
  for (const WriterScene* written : {&opaque, &glass, &empty}) {
    const std::string path = writeTemp3ds(*written, "variant.3ds");
    resetReaderState();
    Scene* scene = loadScene("%s", path.c_str());
    expectSceneInvariants(*scene);
    if (written == &opaque) {
      EXPECT_EQ(scene->opaqueFaceCount, 18);
      EXPECT_EQ(scene->transparentNodes, nullptr);
    } else if (written == &glass) {
      EXPECT_EQ(scene->opaqueFaceCount, 0);
      EXPECT_EQ(scene->opaqueNodes, nullptr);
      EXPECT_EQ(scene->transparentNodes[17].face, &scene->faces[17]);
    } else {
      EXPECT_EQ(scene->faceCount, 0);
      EXPECT_EQ(scene->normalCount, 0);
      EXPECT_EQ(scene->opaqueNodes, nullptr);
      EXPECT_EQ(scene->transparentNodes, nullptr);
    }
    freeScene(scene);
    std::filesystem::remove(path);
  }
  EXPECT_EQ(getTotalMemAllocated(), before);
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
  const std::filesystem::path folder =
      std::filesystem::path(WILDSKY_SHARED_DIR) / "testdata" / "3ds";
  if (!std::filesystem::exists(folder / "lib3ds")) GTEST_SKIP() << "no shared test files";
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "lib3ds")) {
    const std::string jsonName = entry.path().filename().string();
    if (entry.path().extension() != ".json") continue;
    const std::string modelName = jsonName.substr(0, jsonName.size() - 5);
    std::ifstream in(entry.path());
    std::stringstream json;
    json << in.rdbuf();

    SCOPED_TRACE(modelName);
    resetReaderState();
    const std::uint32_t before = getTotalMemAllocated();
    Scene* scene = loadScene("%s/%s", folder.c_str(), modelName.c_str());
    expectSceneInvariants(*scene);
    EXPECT_EQ(facesPerMaterialName(*scene), expectedFacesByMaterial(json.str()));
    freeScene(scene);
    EXPECT_EQ(getTotalMemAllocated(), before);
    ++checked;
  }
  EXPECT_GT(checked, 0);
}
