#include <gtest/gtest.h>

#include <string>

#include "reader3ds/load3ds.h"
#include "tests/reader3ds/reader_test_support.h"
#include "tools/writer3ds/chunk_ids.h"
#include "tools/writer3ds/chunk_writer.h"

namespace {

class MaterialHandlers : public testing::Test {
 protected:
  void SetUp() override { resetReaderState(); }
};

// A hand-built material chunk: name() opens it, the helpers add properties.
struct MaterialBuilder {
  ChunkWriter w;

  MaterialBuilder& name(const std::string& text) {
    w.begin(chunk_id::MATERIAL_NAME);
    w.str(text);
    w.end();
    return *this;
  }
  MaterialBuilder& rgbByte(std::uint16_t parent, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    w.begin(parent);
    w.begin(chunk_id::RGB_BYTE);
    for (std::uint8_t c : {r, g, b}) w.u8(c);
    w.end();
    w.end();
    return *this;
  }
  MaterialBuilder& rgbFloatOnly(std::uint16_t parent) {
    w.begin(parent);
    w.begin(chunk_id::RGB_FLOAT);
    for (int i = 0; i < 3; ++i) w.f32(1.0f);
    w.end();
    w.end();
    return *this;
  }
  MaterialBuilder& percent(std::uint16_t parent, std::uint16_t value) {
    w.begin(parent);
    w.begin(chunk_id::PERCENT_WORD);
    w.u16(value);
    w.end();
    w.end();
    return *this;
  }
  MaterialBuilder& empty(std::uint16_t parent) {
    w.begin(parent);
    w.end();
    return *this;
  }
  MaterialBuilder& map(std::uint16_t parent, const std::string& file) {
    w.begin(parent);
    w.begin(chunk_id::MAP_FILENAME);
    w.str(file);
    w.end();
    w.end();
    return *this;
  }
};

TEST_F(MaterialHandlers, ColoursFollowTheirSelector) {
  MaterialBuilder b;
  b.name("Plain");
  b.name("Lit")
      .rgbByte(chunk_id::DIFFUSE_COLOR, 255, 128, 0)
      .rgbByte(chunk_id::AMBIENT_COLOR, 1, 2, 3);
  // Only a float colour: the diffuse selector stays pending and takes the
  // next byte colour, here the one under "Specular color".
  b.name("Pending")
      .rgbFloatOnly(chunk_id::DIFFUSE_COLOR)
      .rgbByte(chunk_id::SPECULAR_COLOR, 9, 8, 7);
  b.name("Spare").rgbByte(chunk_id::SPECULAR_COLOR, 5, 5, 5);
  // A byte colour beside an unlisted sub-chunk (0x0012) is still stored.
  b.name("Gamma");
  b.w.begin(chunk_id::DIFFUSE_COLOR);
  b.w.begin(0x0012);
  b.w.raw("\x10\x20\x30", 3);
  b.w.end();
  b.w.begin(chunk_id::RGB_BYTE);
  b.w.raw("\x40\x50\x60", 3);
  b.w.end();
  b.w.end();
  auto loaded = loadBytes(b.w.bytes());
  const Scene& s = loaded->scene;
  ASSERT_EQ(s.materialCount, 5);
  const Material& plain = s.materials[0];
  EXPECT_EQ(plain.flags, 0u);
  EXPECT_EQ(plain.twoSided, 0);
  EXPECT_EQ(plain.transparency, 0.0f);
  EXPECT_EQ(plain.textureFile, nullptr);
  const Material& lit = s.materials[1];
  EXPECT_EQ(lit.flags, MATERIAL_HAS_DIFFUSE);
  EXPECT_EQ(lit.diffuse[0], 255.0f);
  EXPECT_EQ(lit.diffuse[1], 128.0f);
  EXPECT_EQ(lit.diffuse[2], 0.0f);
  EXPECT_EQ(lit.ambient[2], 3.0f);
  EXPECT_EQ(s.materials[2].flags, MATERIAL_HAS_DIFFUSE);
  EXPECT_EQ(s.materials[2].diffuse[0], 9.0f);
  EXPECT_EQ(s.materials[3].flags, 0u) << "no selector pending: a specular colour is dropped";
  EXPECT_EQ(s.materials[3].diffuse[0], 0.0f);
  EXPECT_EQ(s.materials[4].diffuse[2], 96.0f);
}

TEST_F(MaterialHandlers, TransparencyIsAFloatFractionTimes255) {
  MaterialBuilder b;
  b.name("Half").percent(chunk_id::TRANSPARENCY, 50);
  b.name("Seventeen").percent(chunk_id::TRANSPARENCY, 17);
  b.name("Zero").percent(chunk_id::TRANSPARENCY, 0);
  b.name("Shiny").percent(chunk_id::SHININESS, 80);
  // "Transparency" without its WORD: the next WORD anywhere applies.
  b.name("Late").empty(chunk_id::TRANSPARENCY).percent(0xA052, 25);  // "Transparency falloff"
  auto loaded = loadBytes(b.w.bytes());
  const Material* m = loaded->scene.materials;
  EXPECT_EQ(m[0].transparency, 127.5f);
  EXPECT_EQ(m[0].flags, MATERIAL_TRANSPARENT);
  EXPECT_EQ(m[1].transparency, 43.3500023f);
  EXPECT_NE(m[1].transparency, static_cast<float>(17 / 100.0 * 255.0)) << "a float fraction";
  EXPECT_EQ(m[2].transparency, 0.0f);
  EXPECT_EQ(m[2].flags, 0u);
  EXPECT_EQ(m[3].transparency, 0.0f);
  EXPECT_EQ(m[3].flags, 0u);
  EXPECT_EQ(m[4].transparency, 63.75f);
  EXPECT_EQ(m[4].flags, MATERIAL_TRANSPARENT);
}

TEST_F(MaterialHandlers, MapFileNamesFollowTheLatestMapSelector) {
  MaterialBuilder b;
  b.name("Sand").map(chunk_id::TEXTURE_MAP, "SAND.TGA");
  b.name("Shiny").map(chunk_id::REFLECTION_MAP, "chrome.gif");
  b.name("Replaced")
      .map(chunk_id::TEXTURE_MAP, "FIRST.TGA")
      .map(chunk_id::SPECULAR_MAP, "Second.bmp");
  b.name("Bumpy").map(chunk_id::BUMP_MAP, "BUMP.TGA").map(chunk_id::SPECULAR_MAP, "SHINE.TGA");
  b.name("Opaque").map(chunk_id::OPACITY_MAP, "HIDDEN.TGA");
  b.name("Short").map(chunk_id::TEXTURE_MAP, "AB").map(chunk_id::TEXTURE_MAP, "");
  b.name("Long").map(chunk_id::TEXTURE_MAP, std::string(60, 'x') + ".TGA");
  auto loaded = loadBytes(b.w.bytes());
  const Material* m = loaded->scene.materials;
  EXPECT_STREQ(m[0].textureFile, "SAND.3df");
  EXPECT_EQ(m[0].flags, MATERIAL_HAS_TEXTURE);
  EXPECT_STREQ(m[1].textureFile, "chrome.3df");
  EXPECT_STREQ(m[2].textureFile, "Second.3df");
  EXPECT_EQ(m[3].textureFile, nullptr);
  EXPECT_EQ(m[3].flags, 0u);
  EXPECT_EQ(m[4].textureFile, nullptr);
  EXPECT_EQ(m[5].textureFile, nullptr) << "names shorter than three characters are dropped";
  EXPECT_EQ(m[5].flags, 0u);
  EXPECT_STREQ(m[6].textureFile, (std::string(34, 'x') + "3df").c_str());
}

// percentTarget and mapKind stay pending into the next load; colorTarget
// does not.
TEST_F(MaterialHandlers, SelectorsOutliveALoadExceptTheColour) {
  MaterialBuilder first;
  first.name("One").map(chunk_id::TEXTURE_MAP, "ONE.TGA").empty(chunk_id::TRANSPARENCY);
  first.rgbFloatOnly(chunk_id::DIFFUSE_COLOR);
  auto one = loadBytes(first.w.bytes());
  EXPECT_EQ(one->scene.materials[0].transparency, 0.0f);

  MaterialBuilder second;
  // A property before the first material name of the load has no material: dropped.
  second.w.begin(chunk_id::TWO_SIDED);
  second.w.end();
  second.name("Two").map(chunk_id::SPECULAR_MAP, "two.png").percent(chunk_id::SHININESS, 40);
  second.rgbByte(chunk_id::SPECULAR_COLOR, 7, 7, 7);
  auto two = loadBytes(second.w.bytes());
  ASSERT_EQ(two->scene.materialCount, 1);
  const Material& m = two->scene.materials[0];
  EXPECT_STREQ(m.textureFile, "two.3df");
  EXPECT_EQ(m.transparency, 102.0f);
  EXPECT_EQ(m.flags, MATERIAL_HAS_TEXTURE | MATERIAL_TRANSPARENT);
  EXPECT_EQ(m.twoSided, 0);
  EXPECT_EQ(m.diffuse[0], 0.0f) << "the colour selector was reset by the load";

  resetReaderState();
  MaterialBuilder third;
  third.name("Three").map(chunk_id::SPECULAR_MAP, "three.png").percent(chunk_id::SHININESS, 40);
  auto three = loadBytes(third.w.bytes());
  EXPECT_EQ(three->scene.materials[0].textureFile, nullptr);
  EXPECT_EQ(three->scene.materials[0].flags, 0u);
}

TEST_F(MaterialHandlers, LongNamesAreCutAndStillMatchTheirFaces) {
  const std::string longName = "A material name much longer than the thirty-seven characters";
  WriterScene file;
  file.materials = {{.name = longName, .twoSided = true}, {.name = "Other"}};
  file.objects.push_back(makeObject("A", 3, {{0, 1, 2}}));
  file.objects[0].faceMaterials = {{longName, {0}}};
  auto loaded = loadBytes(write3ds(file));
  const Scene& s = loaded->scene;
  ASSERT_EQ(s.materialCount, 2);
  EXPECT_EQ(std::string(s.materials[0].name), longName.substr(0, 37));
  EXPECT_EQ(s.materials[0].twoSided, 1);
  EXPECT_EQ(s.faces[0].material, 0);
  EXPECT_STREQ(s.materials[1].name, "Other") << "the rest of the long name was read and dropped";
}

}  // namespace
