#include "tests/app/test_content.h"

#include <unistd.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "tools/output_files/output_files.h"
#include "tools/tex3df/texture_encoder.h"
#include "tools/writer3ds/scene_writer.h"

namespace fs = std::filesystem;

namespace {

using Colour = std::array<std::uint8_t, 3>;

// An opaque image with colour(x, y) at column x and row y (top row first).
template <typename ColourAt>
RgbaImage makeImage(int width, int height, ColourAt colour) {
  RgbaImage image{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Colour c = colour(x, y);
      image.pixels.insert(image.pixels.end(), {c[0], c[1], c[2], 255});
    }
  }
  return image;
}

WriterObject quad(const std::string& name, float x0, float x1, float z0, float z1, float y,
                  const std::string& material) {
  return {name,
          {{x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}},
          {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
          {{0, 1, 2}, {0, 2, 3}},
          {{material, {0, 1}}}};
}

fs::path temporaryFolder() {
  std::string pattern = (fs::temp_directory_path() / "wildsky-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
  return pattern;
}

}  // namespace

TestContent::TestContent() : previous(fs::current_path()), folder(temporaryFolder()) {
  fs::current_path(folder);
  // The wild scene: a wall of coloured and textured quads and a transparent
  // pane in front of the first frame's camera (model y is depth), all
  // two-sided; the sky: a large textured backdrop, drawn five times larger.
  WriterScene wild, sky;
  wild.materials = {{"CLAY", {200, 80, 40}, {50, 50, 50}, 0, true, ""},
                    {"ROCK", {200, 200, 200}, {50, 50, 50}, 0, true, "ROCK.TGA"},
                    {"GLASS", {40, 120, 255}, {50, 50, 50}, 50, true, ""}};
  wild.objects = {quad("left", -150, -10, -90, 90, 100, "ROCK"),
                  quad("right", 10, 150, -90, 90, 100, "CLAY"),
                  quad("pane", -60, 60, -40, 40, 60, "GLASS")};
  sky.materials = {{"SKY", {90, 140, 220}, {50, 50, 50}, 0, true, "SKY.TGA"}};
  sky.objects = {quad("backdrop", -400, 400, -300, 300, 300, "SKY")};
  fs::create_directories("OBJECTS");
  fs::create_directories("TEXTURES");
  saveBytes("OBJECTS/qxwild.3ds", write3ds(wild));
  saveBytes("OBJECTS/ballsky.3ds", write3ds(sky));
  // Lower-case names on disk: the materials ask for "ROCK.3df" and "SKY.3df".
  const auto texture = [](const char* name, const RgbaImage& image) {
    saveBytes(std::string("TEXTURES/") + name, encode3df(image, GR_TEXFMT_RGB_565));
  };
  const auto checks = [](int x, int y) {
    return (x / 8 + y / 8) % 2 == 0 ? Colour{220, 180, 90} : Colour{60, 40, 120};
  };
  texture("rock.3df", makeImage(64, 64, checks));
  texture("micro.3df", makeImage(256, 128, checks));  // the overlay's font, never compared
  texture("sky.3df", makeImage(64, 64, [](int x, int y) {
            return Colour{static_cast<std::uint8_t>(x * 2), static_cast<std::uint8_t>(60 + y),
                          static_cast<std::uint8_t>(160 + y)};
          }));
}

TestContent::~TestContent() {
  std::error_code ignored;
  fs::current_path(previous, ignored);
  fs::remove_all(folder, ignored);
}
