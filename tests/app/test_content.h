#pragma once
// Test content written on the fly: a temporary folder with the OBJECTS and
// TEXTURES the program reads, small scenes and textures made by the writers,
// and a font laid out in the glyph cells drawText expects.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/tex3df/texture_encoder.h"
#include "tools/writer3ds/scene_writer.h"

// The font image: glyph g (character g + 32) shows fontGlyphTexel(g, i, j)
// at column i (left to right) and row j (top to bottom) of its 8 x 8 square.
bool fontGlyphTexel(int glyph, int i, int j);
RgbaImage makeFontImage();

// A wall of coloured, textured and transparent quads in front of the camera
// of the first frame (angles 90, 0, 0), all two-sided.
WriterScene makeWildScene();
// A large textured backdrop, drawn five times larger by the program.
WriterScene makeSkyScene();

struct ContentParts {
  bool scenes = true;
  bool sceneTextures = true;
  bool font = true;
};

// A fresh temporary folder holding the content; removed again at the end.
class TestContent {
 public:
  explicit TestContent(ContentParts parts = {});
  ~TestContent();
  TestContent(const TestContent&) = delete;
  TestContent& operator=(const TestContent&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  void writeScene(const std::string& fileName, const WriterScene& scene) const;
  void writeTexture(const std::string& fileName, const RgbaImage& image) const;

 private:
  std::filesystem::path folder_;
};

// The whole file, or nothing when it cannot be read.
std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);

// The 18 header bytes of a 512 x 384 screenshot.
inline const std::vector<std::uint8_t> SCREENSHOT_HEADER{0, 0, 2, 0, 0,    0,    0,    0,  0,
                                                         0, 0, 0, 0, 0x02, 0x80, 0x01, 24, 0x20};

// Makes a folder the current one for the lifetime of the object.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& folder);
  ~CurrentFolder();
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::filesystem::path previous_;
};
