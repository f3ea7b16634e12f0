#include "render/texture_registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <string_view>
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

std::string joined(std::string_view first, std::string_view second) {
  std::string text;
  text.append(first).append(second);
  return text;
}

std::string texturePath(const std::string& name) { return joined(".\\TEXTURES\\", name); }

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

TEST_F(TextureRegistryTest, SharedNameLoadsOnceForEveryMaterialThatNamesIt) {
  addFakeTexture(texturePath("ROCK.3df"), 1000);
  MaterialScene first({"ROCK.3df", "", "ROCK.3df"});
  MaterialScene second({"ROCK.3df"});
  const std::int32_t texmemBefore = textureMemoryUsed();

  loadSceneTextures(first.scene);
  loadSceneTextures(second.scene);

  ASSERT_EQ(boardRecording.infoRequests, std::vector<std::string>{".\\TEXTURES\\ROCK.3df"});
  ASSERT_EQ(textureRegistry.count, 1);
  const TextureEntry& entry = textureRegistry.entries[0];
  EXPECT_STREQ(entry.name, "ROCK.3df");
  ASSERT_EQ(entry.userCount, 3);
  EXPECT_EQ(entry.users[0], &first.scene);
  EXPECT_EQ(entry.users[1], &first.scene);
  EXPECT_EQ(entry.users[2], &second.scene);
  EXPECT_EQ(first.materials[0].texture, entry.mipmapId);
  EXPECT_EQ(first.materials[2].texture, entry.mipmapId);
  EXPECT_EQ(second.materials[0].texture, entry.mipmapId);
  EXPECT_EQ(first.materials[1].texture, 12345u) << "a material without a file is untouched";
  EXPECT_EQ(textureMemoryUsed() - texmemBefore, 1000);
  EXPECT_EQ(boardRecording.downloads, std::vector<GrMipMapId_t>{entry.mipmapId});

  // Nearest-level mipmaps, bilinear, wrapping: the setting every texture gets.
  ASSERT_EQ(boardRecording.allocations.size(), 1u);
  const RecordedAllocation& allocation = boardRecording.allocations[0];
  EXPECT_EQ(allocation.largeLod, GR_LOD_8);
  EXPECT_EQ(
      std::vector<int>({allocation.mipmapMode, allocation.minFilter, allocation.magFilter,
                        allocation.sClamp, allocation.tClamp}),
      std::vector<int>({GR_MIPMAP_NEAREST, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR,
                        GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP}));

  // Released, the registry starts afresh but TEXMEM keeps its count.
  releaseTextures();
  EXPECT_EQ(textureRegistry.count, 0);
  EXPECT_EQ(textureMemoryUsed() - texmemBefore, 1000);
}

TEST_F(TextureRegistryTest, NamesDifferingInCaseAreDistinctFiles) {
  addFakeTexture(texturePath("ROCK.3df"), 300);
  addFakeTexture(texturePath("rock.3df"), 300);
  MaterialScene scene({"ROCK.3df", "rock.3df"});
  const std::int32_t texmemBefore = textureMemoryUsed();
  loadSceneTextures(scene.scene);
  EXPECT_EQ(textureRegistry.count, 2);
  EXPECT_NE(scene.materials[0].texture, scene.materials[1].texture);
  EXPECT_EQ(textureMemoryUsed() - texmemBefore, 600);
}

TEST_F(TextureRegistryTest, RegistryAndUserListsGrowByDoubling) {
  std::vector<std::string> names;
  for (int i = 0; i < 11; ++i) {
    names.push_back(joined(joined("T", std::to_string(i)), ".3df"));
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
  users.reserve(11);
  for (int i = 0; i < 11; ++i) users.emplace_back(std::vector<std::string>{"T3.3df"});
  for (MaterialScene& user : users) loadSceneTextures(user.scene);
  const TextureEntry& shared = textureRegistry.entries[3];
  ASSERT_EQ(shared.userCount, 12);
  EXPECT_EQ(shared.userCapacity, 20);
  EXPECT_EQ(shared.users[0], &distinct.scene);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(shared.users[i + 1], &users[i].scene);
  EXPECT_EQ(boardRecording.infoRequests.size(), 11u);
}

TEST_F(TextureRegistryTest, NamesLongerThanTheNameBufferAreKeptWhole) {
  const std::string stem(60, 'x');
  addFakeTexture(texturePath(joined(stem, "A.3df")), 10);
  addFakeTexture(texturePath(joined(stem, "B.3df")), 10);
  MaterialScene scene({joined(stem, "A.3df"), joined(stem, "B.3df"), joined(stem, "A.3df")});
  loadSceneTextures(scene.scene);
  ASSERT_EQ(textureRegistry.count, 2);
  EXPECT_EQ(std::string(textureRegistry.entries[1].name), joined(stem, "B.3df"));
  EXPECT_EQ(textureRegistry.entries[0].userCount, 2);
  EXPECT_EQ(boardRecording.infoRequests.size(), 2u);
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

TEST_F(TextureRegistryDeathTest, MissingFilePrintsTheVerseWithItsPathAndEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  MaterialScene scene({"GONE.3df"});
  EXPECT_EXIT(runFailingLoad([&] { loadSceneTextures(scene.scene); }),
              ::testing::ExitedWithCode(255),
              "\n[^\n]*\"\\.\\\\TEXTURES\\\\GONE\\.3df\"\n\\[board shut down\\]");
  const std::string tooLong(300, 'y');
  EXPECT_EXIT(runFailingLoad([&] {
                GrMipMapId_t id;
                loadTexture3df(&id, "%s\\%s", ".\\TEXTURES", tooLong.c_str());
              }),
              ::testing::ExitedWithCode(255), "yyyy\"\n\\[board shut down\\]");
}

TEST_F(TextureRegistryDeathTest, UnreadableFileAndFullTextureMemoryEndTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  addFakeTexture(texturePath("BAD.3df"), 10, true);
  addFakeTexture(texturePath("BIG.3df"), 10);
  GrMipMapId_t id = 0;
  EXPECT_EXIT(runFailingLoad([&] { acquireTexture(&id, nullptr, "BAD.3df"); }),
              ::testing::ExitedWithCode(255), "Cannot load texture file\n\\[board shut down\\]");
  boardRecording.textureMemoryFull = true;
  EXPECT_EXIT(runFailingLoad([&] { acquireTexture(&id, nullptr, "BIG.3df"); }),
              ::testing::ExitedWithCode(255),
              "[^\n]+\n[^\n]+\n[^\n]+\nCould not allocate memory for texture\n"
              "\\[board shut down\\]");
}

}  // namespace
