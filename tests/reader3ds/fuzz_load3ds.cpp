// libFuzzer entry: every input is written to a file and loaded as a scene.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "reader3ds/load3ds.h"
#include "tests/reader3ds/loaded_arrays.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/fuzz_load3ds_" + std::to_string(getpid()) + ".3ds";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  const bool written = size == 0 || std::fwrite(data, size, 1, file) == 1;
  if (std::fclose(file) != 0 || !written) return 0;
  resetReaderState();  // each input starts from the same selectors, so a crash reproduces alone
  Scene scene{};
  load3ds(path.c_str(), &scene);
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    const SceneFace& face = scene.faces[f];
    for (int k = 0; k < 3; ++k) {
      if (face.vertex[k] < 0 || face.vertex[k] >= scene.vertexCount) __builtin_trap();
      if (face.mapping[k] != face.vertex[k]) __builtin_trap();
    }
    if (face.material < 0 || face.material >= scene.materialCount) __builtin_trap();
  }
  freeLoadedArrays(scene);
  return 0;
}
