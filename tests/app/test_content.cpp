#include "tests/app/test_content.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr int FONT_WIDTH = 256, FONT_HEIGHT = 128;

void setPixel(RgbaImage& image, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::uint8_t* pixel = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
  pixel[0] = r;
  pixel[1] = g;
  pixel[2] = b;
  pixel[3] = 255;
}

RgbaImage blankImage(int width, int height) {
  RgbaImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
  for (std::size_t i = 3; i < image.pixels.size(); i += 4) image.pixels[i] = 255;
  return image;
}

RgbaImage checkerImage() {
  RgbaImage image = blankImage(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool light = ((x / 8) + (y / 8)) % 2 == 0;
      setPixel(image, x, y, light ? 220 : 60, light ? 180 : 40, light ? 90 : 120);
    }
  }
  return image;
}

RgbaImage gradientImage() {
  RgbaImage image = blankImage(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      setPixel(image, x, y, static_cast<std::uint8_t>(x * 2), static_cast<std::uint8_t>(60 + y),
               static_cast<std::uint8_t>(160 + y));
    }
  }
  return image;
}

WriterObject quad(const std::string& name, float x0, float x1, float z0, float z1, float y,
                  const std::string& material) {
  WriterObject object;
  object.name = name;
  object.vertices = {{x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}};
  object.mappings = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  object.faces = {{0, 1, 2}, {0, 2, 3}};
  object.faceMaterials = {{material, {0, 1}}};
  return object;
}

}  // namespace

bool fontGlyphTexel(int glyph, int i, int j) {
  // The last column and row stay dark: a glyph triangle does not reach the
  // last column of odd glyphs nor the last row of even ones.
  if (i == 7 || j == 7) return false;
  return (glyph * 37 + i * 11 + j * 5) % 7 < 3;
}

RgbaImage makeFontImage() {
  RgbaImage image = blankImage(FONT_WIDTH, FONT_HEIGHT);
  for (int glyph = 0; glyph < 96; ++glyph) {
    const int cell = glyph / 2;
    const int left = 16 * (cell % 16) + (glyph % 2 == 0 ? 0 : 8);
    const int top = 16 * (cell / 16) + (glyph % 2 == 0 ? 8 : 0);
    for (int j = 0; j < 8; ++j) {
      for (int i = 0; i < 8; ++i) {
        if (fontGlyphTexel(glyph, i, j)) setPixel(image, left + i, top + j, 255, 255, 255);
      }
    }
  }
  return image;
}

WriterScene makeWildScene() {
  WriterScene scene;
  scene.materials = {
      {"CLAY", {200, 80, 40}, {50, 50, 50}, 0, true, ""},
      {"ROCK", {200, 200, 200}, {50, 50, 50}, 0, true, "ROCK.TGA"},
      {"GLASS", {40, 120, 255}, {50, 50, 50}, 50, true, ""},
  };
  // Model y is depth for the first frame's camera: the wall at y = 100.
  scene.objects = {quad("left", -150, -10, -90, 90, 100, "ROCK"),
                   quad("right", 10, 150, -90, 90, 100, "CLAY"),
                   quad("pane", -60, 60, -40, 40, 60, "GLASS")};
  return scene;
}

WriterScene makeSkyScene() {
  WriterScene scene;
  scene.materials = {{"SKY", {90, 140, 220}, {50, 50, 50}, 0, true, "SKY.TGA"}};
  scene.objects = {quad("backdrop", -400, 400, -300, 300, 300, "SKY")};
  return scene;
}

TestContent::TestContent(ContentParts parts) {
  std::string pattern = (fs::temp_directory_path() / "wildsky-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
  folder_ = pattern;
  fs::create_directory(folder_ / "OBJECTS");
  fs::create_directory(folder_ / "TEXTURES");
  if (parts.scenes) {
    writeScene("qxwild.3ds", makeWildScene());
    writeScene("ballsky.3ds", makeSkyScene());
  }
  // Lower-case names on disk: the materials ask for "ROCK.3df" and "SKY.3df".
  if (parts.sceneTextures) {
    writeTexture("rock.3df", checkerImage());
    writeTexture("sky.3df", gradientImage());
  }
  if (parts.font) writeTexture("micro.3df", makeFontImage());
}

TestContent::~TestContent() {
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void TestContent::writeScene(const std::string& fileName, const WriterScene& scene) const {
  const std::vector<std::uint8_t> bytes = write3ds(scene);
  std::ofstream(folder_ / "OBJECTS" / fileName, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void TestContent::writeTexture(const std::string& fileName, const RgbaImage& image) const {
  const std::vector<std::uint8_t> bytes = encode3df(image, GR_TEXFMT_RGB_565);
  std::ofstream(folder_ / "TEXTURES" / fileName, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> readFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

CurrentFolder::CurrentFolder(const fs::path& folder) : previous_(fs::current_path()) {
  fs::current_path(folder);
}

CurrentFolder::~CurrentFolder() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
}
