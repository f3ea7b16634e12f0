// Writes one small 3DF file per texel format, and a few aspect ratios, into
// the folder given: the seed corpus of fuzz_3df.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "tools/tex3df/texture_encoder.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::filesystem::create_directories(argv[1]);
  int count = 0;
  for (GrTextureFormat_t format = GR_TEXFMT_RGB_332; format <= GR_TEXFMT_AP_88; ++format)
    for (const auto& [width, height] : {std::pair{8, 8}, std::pair{16, 2}, std::pair{1, 4}}) {
      RgbaImage image{width, height, {}};
      for (int k = 0; k < width * height; ++k)
        image.pixels.insert(image.pixels.end(), {std::uint8_t(k * 37), std::uint8_t(k * 11),
                                                 std::uint8_t(255 - k * 5), std::uint8_t(k * 90)});
      const std::vector<std::uint8_t> bytes = encode3df(image, format);
      if (bytes.empty()) continue;  // a reserved format
      std::ofstream file(std::string(argv[1]) + "/" + std::string(textureFormatName(format)) + "_" +
                             std::to_string(width) + "x" + std::to_string(height) + ".3df",
                         std::ios::binary);
      if (!file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())))
        return 1;
      ++count;
    }
  std::printf("%d seeds in %s\n", count, argv[1]);
  return 0;
}
