#pragma once
// The content is made once per test run into the test output directory;
// every test reads those files as the program would.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/mkcontent/content_files.h"

inline const std::string& contentDir() {
  static const std::string dir = [] {
    const std::string path = std::string(WILDSKY_TEST_OUTPUT_DIR) + "/content";
    std::filesystem::remove_all(path);
    if (!writeContent(path)) return std::string();
    return path;
  }();
  return dir;
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
