#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/texture_file.h"
#include "tests/content/content_fixture.h"
#include "tools/mkcontent/scenes.h"

namespace {

struct LoadedTexture {
  Gu3dfHeader header;
  FxU32 memRequired;
};

// Reads a 3DF file as the board's loader does; fails the test if it refuses it.
LoadedTexture load3df(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = readBytes(path);
  Parsed3df parsed{};
  EXPECT_TRUE(parse3df(bytes.data(), bytes.size(), &parsed)) << path;
  std::vector<std::uint8_t> texels(parsed.memRequired);
  Gu3dfInfo info{};
  info.data = texels.data();
  EXPECT_TRUE(load3dfTexels(bytes.data(), parsed, &info)) << path;
  return {parsed.header, parsed.memRequired};
}

std::vector<std::string> namedTextures() {
  std::vector<std::string> names;
  for (const WriterScene& scene : {makeWildScene(), makeSkyScene()})
    for (const WriterMaterial& material : scene.materials)
      if (!material.textureMap.empty())
        names.push_back(material.textureMap.substr(0, material.textureMap.size() - 3) + "3df");
  return names;
}

}  // namespace

TEST(Textures, EveryNamedTextureIsAFullMipmapChainAndAllFitTogether) {
  ASSERT_FALSE(contentDir().empty());
  const std::filesystem::path dir = std::filesystem::path(contentDir()) / "TEXTURES";
  std::set<GrTextureFormat_t> formats;
  std::size_t total = 0;
  std::vector<std::string> names = namedTextures();
  names.push_back("micro.3df");
  for (const std::string& name : std::set<std::string>(names.begin(), names.end())) {
    // Named exactly as the material names it: the program asks for that name.
    ASSERT_TRUE(std::filesystem::exists(dir / name)) << name;
    const LoadedTexture texture = load3df(dir / name);
    EXPECT_EQ(texture.header.small_lod, GR_LOD_1) << name << ": the chain runs down to 1 texel";
    EXPECT_EQ(texture.header.large_lod, GR_LOD_256) << name;
    formats.insert(texture.header.format);
    total += texture.memRequired;
  }
  for (GrTextureFormat_t format : {GR_TEXFMT_RGB_565, GR_TEXFMT_ARGB_1555, GR_TEXFMT_ARGB_4444,
                                   GR_TEXFMT_P_8, GR_TEXFMT_YIQ_422})
    EXPECT_TRUE(formats.count(format)) << textureFormatName(format);
  EXPECT_LT(total, TEXTURE_MEMORY_BYTES / 2);
}

TEST(Content, TwoRunsWriteIdenticalBytes) {
  ASSERT_FALSE(contentDir().empty());
  const std::filesystem::path again = scratchDir() / "content_again";
  std::filesystem::remove_all(again);
  ASSERT_TRUE(writeContent(again.string()));
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(contentDir())) {
    if (!entry.is_regular_file()) continue;
    const auto relative = std::filesystem::relative(entry.path(), contentDir());
    EXPECT_EQ(readBytes(entry.path()), readBytes(again / relative)) << relative;
    ++files;
  }
  EXPECT_EQ(files, 2 + 8 + 1);
  std::filesystem::remove_all(again);
}
