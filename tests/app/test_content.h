#pragma once
// Test content written on the fly: a temporary folder, the current one while
// the object lives, holding the OBJECTS and TEXTURES the program reads (two
// small scenes, their textures and a font in the cells drawText expects).

#include <cstdint>
#include <filesystem>
#include <vector>

// Glyph g (character g + 32) of the font shows fontGlyphTexel(g, i, j) at
// column i (left to right) and row j (top to bottom) of its 8 x 8 square.
bool fontGlyphTexel(int glyph, int i, int j);

class TestContent {
 public:
  TestContent();
  ~TestContent();
  TestContent(const TestContent&) = delete;
  TestContent& operator=(const TestContent&) = delete;

  const std::filesystem::path previous, folder;
};

// The whole file, or nothing when it cannot be read.
std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);
