#pragma once
// Test content written on the fly: a temporary folder, the current one while the object lives,
// holding the OBJECTS and TEXTURES the program reads (two small scenes, their textures, a font).

#include <filesystem>

class TestContent {
 public:
  TestContent();
  ~TestContent();
  TestContent(const TestContent&) = delete;
  TestContent& operator=(const TestContent&) = delete;

  const std::filesystem::path previous, folder;
};
