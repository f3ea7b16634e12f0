// Writes the seed corpus of fuzz_spans into the folder given: random bytes,
// which that target reads as commands like any others, in a few lengths.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string folder = argv[1];
  std::filesystem::create_directories(folder);
  std::mt19937 random(9);
  int count = 0;
  for (std::size_t length : {40, 200, 600, 1500}) {
    for (int copy = 0; copy < 2; ++copy, ++count) {
      std::vector<char> bytes(length);
      for (char& b : bytes) b = char(random());
      std::ofstream file(folder + "/random_" + std::to_string(count), std::ios::binary);
      if (!file.write(bytes.data(), std::streamsize(bytes.size()))) {
        std::fprintf(stderr, "fuzz_spans_seeds: can't write the seeds in %s\n", folder.c_str());
        return 1;
      }
    }
  }
  std::printf("%d seeds in %s\n", count, folder.c_str());
  return 0;
}
