#pragma once
// The content is made once per test process into a folder of its own (ctest
// runs tests side by side), removed when the process ends; every test reads
// those files as the program would.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "tools/mkcontent/content_files.h"

inline const std::filesystem::path& scratchDir() {
  struct Scratch {
    std::filesystem::path path = std::filesystem::path(WILDSKY_TEST_OUTPUT_DIR) /
                                 ("run-" + std::to_string(static_cast<long>(getpid())));
    Scratch() {
      std::filesystem::remove_all(path);
      std::filesystem::create_directories(path);
    }
    ~Scratch() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Scratch scratch;
  return scratch.path;
}

inline const std::string& contentDir() {
  static const std::string dir = [] {
    const std::string path = (scratchDir() / "content").string();
    if (!writeContent(path)) return std::string();
    return path;
  }();
  return dir;
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
