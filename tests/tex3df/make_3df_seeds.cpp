// Writes one small 3DF file per texel format, and a few aspect ratios, into
// the folder given: the seed corpus of fuzz_3df.

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/tex3df/texture_encoder.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::filesystem::create_directories(argv[1]);
  const char* names[] = {"rgb332",   "yiq",    "a8",       "i8",       "ai44", "p8",  "argb8332",
                         "ayiq8422", "rgb565", "argb1555", "argb4444", "ai88", "ap88"};
  const int sizes[][2] = {{8, 8}, {16, 2}, {1, 4}};
  int count = 0;
  for (const char* name : names) {
    GrTextureFormat_t format;
    textureFormatFromName(name, &format);
    for (const auto& size : sizes) {
      RgbaImage image{size[0], size[1], {}};
      for (int k = 0; k < size[0] * size[1]; ++k) {
        image.pixels.insert(image.pixels.end(), {std::uint8_t(k * 37), std::uint8_t(k * 11),
                                                 std::uint8_t(255 - k * 5), std::uint8_t(k * 90)});
      }
      std::vector<std::uint8_t> bytes = encode3df(image, format);
      std::string path = std::string(argv[1]) + "/" + name + "_" + std::to_string(size[0]) + "x" +
                         std::to_string(size[1]) + ".3df";
      std::FILE* file = std::fopen(path.c_str(), "wb");
      if (!file) return 1;
      std::fwrite(bytes.data(), 1, bytes.size(), file);
      std::fclose(file);
      ++count;
    }
  }
  std::printf("%d seeds in %s\n", count, argv[1]);
  return 0;
}
