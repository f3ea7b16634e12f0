#pragma once
// A whole file read into memory, for tests that check what a program wrote.
// A file that cannot be read gives nothing.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

template <class Contents>
Contents fileContents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
inline constexpr auto fileText = fileContents<std::string>;
inline constexpr auto fileBytes = fileContents<std::vector<std::uint8_t>>;
