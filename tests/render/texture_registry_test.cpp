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

  explicit MaterialScene(std::vector<std::string> names) : files(std::move(names)) {
    materials.resize(files.size(), Material{});
    for (std::size_t i = 0; i < files.size(); ++i) {
      materials[i].texture = 12345;
      materials[i].textureFile = files[i].empty() ? nullptr : files[i].data();
    }
    scene.materials = materials.data();
    scene.materialCount = static_cast<std::int32_t>(materials.size());
  }
};

std::string texturePath(const std::string& name) {
  return std::string(".\\TEXTURES\\").append(name);
}

class TextureRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetBoardRecording();
    memoryBefore = getTotalMemAllocated();
  }
  void TearDown() override {
    releaseTextures();
    EXPECT_EQ(textureRegistry.entries, nullptr);
    EXPECT_EQ(getTotalMemAllocated(), memoryBefore) << "every block of the registry is freed";
  }
  std::uint32_t memoryBefore = 0;
};

TEST_F(TextureRegistryTest, EachExactNameLoadsOnceForEveryMaterialThatNamesIt) {
  addFakeTexture(texturePath("ROCK.3df"), 1000);
  addFakeTexture(texturePath("rock.3df"), 300);
  MaterialScene first({"ROCK.3df", "", "ROCK.3df", "rock.3df"});
  MaterialScene second({"ROCK.3df"});
  const std::int32_t texmemBefore = textureMemoryUsed();

  loadSceneTextures(first.scene);
  loadSceneTextures(second.scene);

  ASSERT_EQ(boardRecording.infoRequests,
            (std::vector<std::string>{".\\TEXTURES\\ROCK.3df", ".\\TEXTURES\\rock.3df"}));
  ASSERT_EQ(textureRegistry.count, 2);
  const TextureEntry& entry = textureRegistry.entries[0];
  EXPECT_STREQ(entry.name, "ROCK.3df");
  ASSERT_EQ(entry.userCount, 3);
  EXPECT_EQ(entry.users[0], &first.scene);
  EXPECT_EQ(entry.users[1], &first.scene);
  EXPECT_EQ(entry.users[2], &second.scene);
  EXPECT_EQ(first.materials[0].texture, entry.mipmapId);
  EXPECT_EQ(first.materials[2].texture, entry.mipmapId);
  EXPECT_EQ(second.materials[0].texture, entry.mipmapId);
  EXPECT_EQ(first.materials[3].texture, textureRegistry.entries[1].mipmapId);
  EXPECT_NE(first.materials[3].texture, entry.mipmapId);
  EXPECT_EQ(first.materials[1].texture, 12345u) << "a material without a file is untouched";
  EXPECT_EQ(textureMemoryUsed() - texmemBefore, 1300);

  // Released, the registry starts afresh but TEXMEM keeps its count.
  releaseTextures();
  EXPECT_EQ(textureRegistry.count, 0);
  EXPECT_EQ(textureMemoryUsed() - texmemBefore, 1300);
}

// The names differ only past the 50-byte name buffer, so any cut merges them.
TEST_F(TextureRegistryTest, RegistryAndUserListsGrowByDoublingAndLongNamesAreKeptWhole) {
  std::vector<std::string> names;
  for (int i = 0; i < 11; ++i) {
    names.push_back(std::string(60, 'x').append(std::to_string(i)).append(".3df"));
    addFakeTexture(texturePath(names.back()), 10);
  }
  MaterialScene distinct(names);
  loadSceneTextures(distinct.scene);
  ASSERT_EQ(textureRegistry.count, 11);
  EXPECT_EQ(textureRegistry.capacity, 20);
  for (int i = 0; i < 11; ++i) {
    EXPECT_STREQ(textureRegistry.entries[i].name, names[i].c_str());
    EXPECT_EQ(textureRegistry.entries[i].mipmapId, distinct.materials[i].texture);
  }

  std::vector<MaterialScene> users;
  users.reserve(11);  // in place: the scenes' addresses are compared below
  for (int i = 0; i < 11; ++i) users.emplace_back(std::vector<std::string>{names[3]});
  for (MaterialScene& user : users) loadSceneTextures(user.scene);
  const TextureEntry& shared = textureRegistry.entries[3];
  ASSERT_EQ(shared.userCount, 12);
  EXPECT_EQ(shared.userCapacity, 20);
  EXPECT_EQ(shared.users[0], &distinct.scene);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(shared.users[i + 1], &users[i].scene);
  EXPECT_EQ(boardRecording.infoRequests.size(), 11u);
}

// The failures end the process: run in a child, with its standard output
// joined to the error stream the death test matches, and the board announcing
// its shutdown there.
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

  addFakeTexture(texturePath("BAD.3df"), 10, true);
  addFakeTexture(texturePath("BIG.3df"), 10);
  EXPECT_EXIT(runFailingLoad([&] { acquireTexture(&id, nullptr, "BAD.3df"); }),
              ::testing::ExitedWithCode(255), "Cannot load texture file\n\\[board shut down\\]");
  boardRecording.textureMemoryFull = true;
  EXPECT_EXIT(runFailingLoad([&] { acquireTexture(&id, nullptr, "BIG.3df"); }),
              ::testing::ExitedWithCode(255),
              "[^\n]+\n[^\n]+\n[^\n]+\nCould not allocate memory for texture\n"
              "\\[board shut down\\]");
}

}  // namespace
