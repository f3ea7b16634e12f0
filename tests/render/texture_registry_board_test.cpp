#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/texture_memory.h"
#include "render/texture_registry.h"
#include "tools/tex3df/texture_encoder.h"

namespace {

namespace fs = std::filesystem;

// A solid 16 x 16 image in one colour, as a 3DF file of `format`.
std::vector<std::uint8_t> solidTexture(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                       GrTextureFormat_t format) {
  RgbaImage image;
  image.width = image.height = 16;
  for (int i = 0; i < 16 * 16; ++i)
    image.pixels.insert(image.pixels.end(), {red, green, blue, 255});
  return encode3df(image, format);
}

// Runs each test in a fresh folder holding TEXTURES, as the program expects.
class TextureFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home = fs::current_path();
    folder = fs::temp_directory_path() /
             ("wildsky_render_textures_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder / "TEXTURES");
    fs::current_path(folder);
    boardReset();
    grGlideInit();
    grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA,
                 GR_ORIGIN_LOWER_LEFT, 2, 0);
  }
  void TearDown() override {
    releaseTextures();
    boardReset();
    fs::current_path(home);
    fs::remove_all(folder);
  }
  void writeTexture(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    ASSERT_FALSE(bytes.empty());
    std::ofstream(folder / "TEXTURES" / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  fs::path home, folder;
};

std::uint32_t firstTexel(GrMipMapId_t id) {
  const BoundTexture* texture = boundTextureFor(id);
  return texture == nullptr ? 0 : texture->levels[0].texels[0];
}

TEST_F(TextureFilesTest, EachFileLoadsOnceAndTexmemMatchesTheBoard) {
  writeTexture("ROCK.3df", solidTexture(255, 0, 0, GR_TEXFMT_RGB_565));
  writeTexture("rock.3df", solidTexture(0, 0, 255, GR_TEXFMT_ARGB_4444));
  char rock[] = "ROCK.3df", lowerRock[] = "rock.3df";
  Material materials[3] = {};
  materials[0].textureFile = rock;
  materials[1].textureFile = lowerRock;
  materials[2].textureFile = rock;
  Scene scene{};
  scene.materials = materials;
  scene.materialCount = 3;

  const std::int32_t texmemBefore = textureMemoryUsed();
  loadSceneTextures(scene);

  EXPECT_EQ(textureRegistry.count, 2);
  EXPECT_EQ(materials[0].texture, materials[2].texture);
  EXPECT_NE(materials[0].texture, materials[1].texture);
  EXPECT_EQ(firstTexel(materials[0].texture), 0xffff0000u);
  EXPECT_EQ(firstTexel(materials[1].texture), 0xff0000ffu);
  EXPECT_EQ(std::size_t(textureMemoryUsed() - texmemBefore), textureMemoryInUse());
  EXPECT_EQ(textureMemoryInUse(), (16 * 16 + 8 * 8 + 4 * 4 + 2 * 2 + 1) * 2u * 2u);
}

}  // namespace
