// Writes the seed corpus of fuzz_program into the folder given: the test
// content's two scenes.

#include <cstdio>
#include <filesystem>

#include "tests/app/test_content.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const fs::path folder = fs::absolute(argv[1]);
  fs::create_directories(folder);
  TestContent content;
  std::error_code error;
  for (const char* scene : {"qxwild.3ds", "ballsky.3ds"}) {
    if (!fs::copy_file(fs::path("OBJECTS") / scene, folder / scene,
                       fs::copy_options::overwrite_existing, error)) {
      std::fprintf(stderr, "fuzz_program_seeds: can't write %s\n", (folder / scene).c_str());
      return 1;
    }
  }
  return 0;
}
