#include <gtest/gtest.h>
#include <stb_image.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/text_overlay.h"
#include "board/board.h"
#include "board/texture_file.h"
#include "reader3ds/load3ds.h"
#include "render/glide.h"
#include "render/texture_registry.h"
#include "scene/scene_loader.h"
#include "tests/app/program_fixture.h"
#include "tests/board/board_test_support.h"
#include "tests/file_contents.h"
#include "tools/mkcontent/content_files.h"
#include "tools/mkcontent/scenes.h"
#include "tools/writer3ds/scene_writer.h"

namespace fs = std::filesystem;

namespace {

// The content is made once per test process into a folder of its own (ctest
// runs tests side by side), removed when the process ends; every test reads
// those files as the program would.
const fs::path& scratchDir() {
  static const struct Scratch {
    fs::path path = fs::path(WILDSKY_TEST_OUTPUT_DIR) / ("run-" + std::to_string(getpid()));
    Scratch() { fs::remove_all(path); }
    ~Scratch() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } scratch;
  return scratch.path;
}

const std::string& contentDir() {
  static const std::string dir = (scratchDir() / "content").string(), none;
  static const bool written = writeContent(dir);
  return written ? dir : none;
}

// The texture the program loads for a map file name.
std::string textureFileOf(const std::string& map) {
  return map.empty() ? "" : map.substr(0, map.size() - 3) + "3df";
}

const Material* findMaterial(const Scene& scene, const std::string& name) {
  for (int m = 0; m < scene.materialCount; ++m)
    if (scene.materials[m].name == name) return &scene.materials[m];
  return nullptr;
}

// The loaded scene is exactly the written one: no face dropped or given a
// fallback material, every vertex and mapping pair as written, and every
// material with its own texture map's file, whatever other maps it has.
void expectLoadedAsWritten(const Scene& scene, const WriterScene& written) {
  ASSERT_EQ(scene.materialCount, static_cast<int>(written.materials.size()))
      << "a fallback material";
  for (const WriterMaterial& w : written.materials) {
    const Material* material = findMaterial(scene, w.name);
    ASSERT_NE(material, nullptr) << w.name;
    EXPECT_EQ(material->textureFile ? material->textureFile : "", textureFileOf(w.textureMap))
        << w.name;
    EXPECT_EQ(material->twoSided, w.twoSided) << w.name;
    EXPECT_FLOAT_EQ(material->transparency, w.transparencyPercent * 255.0f / 100.0f) << w.name;
    for (int c = 0; c < 3; ++c) EXPECT_EQ(material->diffuse[c], w.diffuse[c]) << w.name;
  }
  std::map<std::array<int, 3>, std::string> faces;  // by scene-wide corners
  int v = 0;
  for (const WriterObject& object : written.objects) {
    for (const auto& [name, list] : object.faceMaterials)
      for (std::uint16_t f : list)
        faces[{v + object.faces[f][0], v + object.faces[f][1], v + object.faces[f][2]}] = name;
    ASSERT_EQ(object.mappings.size(), object.vertices.size()) << object.name;
    for (std::size_t k = 0; k < object.vertices.size(); ++k, ++v) {
      const SceneVertex& p = scene.vertices[v];
      ASSERT_EQ((std::array{p.x, p.y, p.z}), object.vertices[k]);
      ASSERT_EQ((std::array{scene.mappings[v].s / 256.0f, scene.mappings[v].t / 256.0f}),
                object.mappings[k]);
    }
  }
  ASSERT_EQ(scene.vertexCount, v);
  ASSERT_EQ(scene.faceCount, static_cast<int>(faces.size()));
  for (int f = 0; f < scene.faceCount; ++f) {
    const SceneFace& face = scene.faces[f];
    const auto found = faces.find({face.vertex[0], face.vertex[1], face.vertex[2]});
    ASSERT_NE(found, faces.end()) << "face " << f;
    ASSERT_STREQ(scene.materials[face.material].name, found->second.c_str());
    for (int k = 0; k < 3; ++k) ASSERT_EQ(face.mapping[k], face.vertex[k]);
  }
}

// The wild scene shows every kind of material the renderer draws
// differently: several textured ones, plain ones, two-sided textured plants,
// transparent textured water, and plain transparent ones at several levels.
void expectEveryMaterialKind(const Scene& scene) {
  int textured = 0, plain = 0, twoSidedTextured = 0, transparentTextured = 0;
  std::set<float> plainTransparencies;
  for (int m = 0; m < scene.materialCount; ++m) {
    const Material& material = scene.materials[m];
    const bool hasTexture = material.textureFile != nullptr;
    (hasTexture ? textured : plain)++;
    twoSidedTextured += hasTexture && material.twoSided;
    transparentTextured += hasTexture && material.transparency > 0;
    if (!hasTexture && material.transparency > 0) plainTransparencies.insert(material.transparency);
  }
  EXPECT_GE(textured, 3);
  EXPECT_GE(plain, 1);
  EXPECT_GE(twoSidedTextured, 1);
  EXPECT_GE(transparentTextured, 1);
  EXPECT_GE(plainTransparencies.size(), 2u);
  EXPECT_GE(scene.materialCount, 8);
}

// Runs the program in `folder` as its working directory, as it is started,
// from a board and overlay as they are at process start.
struct InFolder {
  static void resetProgramParts() {
    boardReset();
    resetTextOverlay();
    resetReaderState();
  }
  fs::path previous = (resetProgramParts(), fs::current_path());
  explicit InFolder(const fs::path& folder) { fs::current_path(folder); }
  ~InFolder() {
    fs::current_path(previous);
    resetProgramParts();
  }
};

}  // namespace

TEST(Scenes, BothLoadAsWrittenWithTheMaterialsAsked) {
  ASSERT_FALSE(contentDir().empty());
  const WriterScene written = makeWildScene();
  // In the program's order: what one load leaves pending meets the next.
  Scene* scene = loadScene("%s/OBJECTS/qxwild.3ds", contentDir().c_str());
  expectLoadedAsWritten(*scene, written);
  expectEveryMaterialKind(*scene);
  EXPECT_GE(scene->faceCount, 15000);
  EXPECT_LE(scene->faceCount, 40000);
  freeScene(scene);

  scene = loadScene("%s/OBJECTS/ballsky.3ds", contentDir().c_str());
  expectLoadedAsWritten(*scene, makeSkyScene());
  freeScene(scene);
}

// Two runs write the same bytes; every texture a material names is there
// under that name (the program asks for it so); and all fit together.
TEST(Content, TwoRunsWriteIdenticalBytesWithEveryTextureNamed) {
  ASSERT_FALSE(contentDir().empty());
  const fs::path again = scratchDir() / "content_again";
  ASSERT_TRUE(writeContent(again.string()));
  std::size_t textureBytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(contentDir())) {
    if (!entry.is_regular_file()) continue;
    const auto relative = fs::relative(entry.path(), contentDir());
    const std::vector<std::uint8_t> bytes = fileBytes(entry.path());
    EXPECT_EQ(bytes, fileBytes(again / relative)) << relative;
    if (relative.parent_path() == "TEXTURES") {
      Parsed3df parsed{};
      EXPECT_TRUE(parse3df(bytes.data(), bytes.size(), &parsed)) << relative;
      textureBytes += parsed.memRequired;
    }
  }
  EXPECT_LT(textureBytes, TEXTURE_MEMORY_BYTES / 2);
  for (const WriterScene& scene : {makeWildScene(), makeSkyScene()})
    for (const WriterMaterial& material : scene.materials)
      EXPECT_TRUE(material.textureMap.empty() || fs::exists(fs::path(contentDir()) / "TEXTURES" /
                                                            textureFileOf(material.textureMap)))
          << material.textureMap;
}

TEST(SkyBall, CoversEveryPixelOfTheFirstHundredFrames) {
  ASSERT_FALSE(contentDir().empty());
  // The real sky ball and its textures with a wild scene that holds nothing,
  // so every pixel a frame shows comes from the sky (or the overlay).
  const fs::path folder = scratchDir() / "sky_only", content(contentDir());
  fs::create_directories(folder / "OBJECTS");
  fs::copy(content / "TEXTURES", folder / "TEXTURES");
  fs::copy_file(content / "OBJECTS/ballsky.3ds", folder / "OBJECTS/ballsky.3ds");
  const auto empty = write3ds(WriterScene{.materials = {{.name = "Nothing"}}, .objects = {}});
  std::ofstream(folder / "OBJECTS/qxwild.3ds", std::ios::binary)
      .write(reinterpret_cast<const char*>(empty.data()), std::streamsize(empty.size()));
  InFolder inFolder(folder);
  TestClocks clocks;
  ProgramState state;
  startProgram(state, {.clock = &clocks, .boardClock = &clocks});
  // No buffer is cleared between frames: a pixel the sky missed would keep
  // the colour of the start-up clear, black, or of a frame before.
  for (int frame = 1; frame <= 100; ++frame) {
    runFrame(state);
    ASSERT_EQ(std::ranges::count(readBuffer(GR_BUFFER_FRONTBUFFER), 0), 0)
        << "black pixels in frame " << frame;
  }
  shutdownProgram(state);
}

// Every character, three lines of 32, drawn as the overlay draws its
// statistics; then again with the high bit set on every character, a 0x80
// taking a cell, a return redrawing the last line's first character, and
// returns padding the text to the 255 characters the buffer holds, so that a
// fourth line is cut: the same image, from the font loaded once.
TEST(Font, OverlayTextMatchesTheReferenceImage) {
  ASSERT_FALSE(contentDir().empty());
  InFolder inFolder(contentDir());
  grGlideInit();
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
               2, 0);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_GREATER);
  std::string text, marked;
  for (int code = 32; code < 128; ++code) {
    const std::string newline(code % 32 == 0 && code > 32, '\n');
    text += newline + static_cast<char>(code);
    marked += newline + static_cast<char>(code | 0x80);
  }
  marked += "\x80\r`";
  marked += std::string(254 - marked.size(), '\r');
  const std::string reference = std::string(WILDSKY_TEST_DATA_DIR) + "/overlay_text.png";
  int width = 0, height = 0, channels = 0;
  stbi_uc* expected = stbi_load(reference.c_str(), &width, &height, &channels, 3);
  ASSERT_TRUE(expected && width == SCREEN_WIDTH && height == SCREEN_HEIGHT) << reference;
  std::int32_t afterFirst = -1;
  for (const std::string& format : {std::string("%s"), std::string("%s\nE")}) {
    grBufferClear(0, 0, 0);
    drawText(1, 10, 100, format.c_str(), format == "%s" ? text.c_str() : marked.c_str());
    if (afterFirst < 0) afterFirst = textureMemoryUsed();
    EXPECT_EQ(textureMemoryUsed(), afterFirst);
    grBufferSwap(0);
    std::vector<std::uint8_t> actual;
    for (std::uint16_t p : readBuffer(GR_BUFFER_FRONTBUFFER))
      actual.insert(actual.end(), {static_cast<std::uint8_t>((p >> 11) * 255 / 31),
                                   static_cast<std::uint8_t>(((p >> 5) & 63) * 255 / 63),
                                   static_cast<std::uint8_t>((p & 31) * 255 / 31)});
    EXPECT_TRUE(std::equal(actual.begin(), actual.end(), expected))
        << "the overlay of \"" << format << "\" differs from " << reference;
  }
  stbi_image_free(expected);
  grGlideShutdown();
}
