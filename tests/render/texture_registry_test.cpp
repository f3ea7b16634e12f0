#include "render/texture_registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "app/tracked_memory.h"
#include "tests/render/recording_board.h"

namespace {

// A scene holding only materials, each naming the given file (empty: none).
struct MaterialScene {
  std::vector<std::string> files;
  std::vector<Material> materials;
  Scene scene{};

  explicit MaterialScene(std::vector<std::string> names)
      : files(std::move(names)), materials(files.size()) {
    for (std::size_t i = 0; i < files.size(); ++i) {
      materials[i].texture = 12345;
      materials[i].textureFile = files[i].empty() ? nullptr : files[i].data();
    }
    scene.materials = materials.data();
    scene.materialCount = static_cast<std::int32_t>(materials.size());
  }
};

class TextureRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { resetBoardRecording(); }
  void TearDown() override {
    releaseTextures();
    EXPECT_EQ(textureRegistry.entries, nullptr);
    EXPECT_EQ(getTotalMemAllocated(), memoryBefore) << "every block of the registry is freed";
  }
  const std::uint32_t memoryBefore = getTotalMemAllocated();
};

// Eleven names (past the registry's first ten), one of them named twice by
// the same scene and by eleven more (past its first ten users), and a twelfth
// differing from it only in case. All differ only past the 50-byte name
// buffer, so a name cut short would merge them.
TEST_F(TextureRegistryTest, EachExactNameLoadsOnceWhileTheListsGrow) {
  std::vector<std::string> names;
  for (int i = 0; i < 11; ++i) names.push_back(std::string(60, 'x') + std::to_string(i) + ".3df");
  names.push_back(std::string(60, 'X') + "3.3df");
  for (const std::string& name : names) boardRecording.files[".\\TEXTURES\\" + name] = {10, false};
  names.insert(names.end(), {"", names[3]});
  MaterialScene first(names);
  std::vector<MaterialScene> users;
  for (int i = 0; i < 11; ++i) users.emplace_back(std::vector<std::string>{names[3]});
  const std::int32_t texmemBefore = textureMemoryUsed();

  loadSceneTextures(first.scene);
  for (MaterialScene& user : users) loadSceneTextures(user.scene);

  ASSERT_EQ(textureRegistry.count, 12);
  // Filter and repeat show in the program's reference frames; the mipmap mode would not.
  EXPECT_EQ(boardRecording.allocatedMipmapModes,
            std::vector<GrMipMapMode_t>(12, GR_MIPMAP_NEAREST));
  for (int i = 0; i < 12; ++i) {
    EXPECT_STREQ(textureRegistry.entries[i].name, names[i].c_str());
    EXPECT_EQ(textureRegistry.entries[i].mipmapId, first.materials[i].texture);
  }
  EXPECT_EQ(first.materials[12].texture, 12345u) << "a material without a file is untouched";
  const TextureEntry& shared = textureRegistry.entries[3];
  EXPECT_EQ(first.materials[13].texture, shared.mipmapId);
  for (const MaterialScene& user : users) EXPECT_EQ(user.materials[0].texture, shared.mipmapId);
  EXPECT_EQ(textureMemoryUsed() - texmemBefore, 120);
}

// Failures end the process: stdout joins the stderr the death test matches.
template <typename Action>
void runFailingLoad(Action action) {
  dup2(STDERR_FILENO, STDOUT_FILENO);
  boardRecording.announceShutdown = true;
  action();
}

using TextureRegistryDeathTest = TextureRegistryTest;

TEST_F(TextureRegistryDeathTest, EveryLoadFailurePrintsItsMessageAndEndsWithMinusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  MaterialScene scene({"GONE.3df"});
  EXPECT_EXIT(runFailingLoad([&] { loadSceneTextures(scene.scene); }),
              ::testing::ExitedWithCode(255),
              "\n[^\n]*\"\\.\\\\TEXTURES\\\\GONE\\.3df\"\n\\[board shut down\\]");
  const std::string tooLong(300, 'y');
  GrMipMapId_t id = 0;
  EXPECT_EXIT(
      runFailingLoad([&] { loadTexture3df(&id, "%s\\%s", ".\\TEXTURES", tooLong.c_str()); }),
      ::testing::ExitedWithCode(255), "yyyy\"\n\\[board shut down\\]");
  boardRecording.files = {{".\\TEXTURES\\BAD.3df", {10, true}},
                          {".\\TEXTURES\\BIG.3df", {10, false}}};
  EXPECT_EXIT(runFailingLoad([&] { acquireTexture(&id, nullptr, "BAD.3df"); }),
              ::testing::ExitedWithCode(255), "Cannot load texture file\n\\[board shut down\\]");
  boardRecording.textureMemoryFull = true;
  EXPECT_EXIT(runFailingLoad([&] { acquireTexture(&id, nullptr, "BIG.3df"); }),
              ::testing::ExitedWithCode(255),
              "[^\n]+\n[^\n]+\n[^\n]+\nCould not allocate memory for texture\n"
              "\\[board shut down\\]");
}

}  // namespace
