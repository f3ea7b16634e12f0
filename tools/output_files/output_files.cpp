#include "tools/output_files/output_files.h"

#include <stb_image_write.h>

#include <cstdio>

#include "platform/file_names.h"

bool saveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, file) == 1;
  if (std::fclose(file) == 0 && written) return true;
  removeHalfWrittenFile(path);
  return false;
}

bool savePng(const std::string& path, int width, int height, int channels,
             const std::uint8_t* pixels, int stride) {
  // The library's own file writer ignores failed writes: encode in memory.
  std::vector<std::uint8_t> png;
  auto append = [](void* context, void* data, int size) {
    auto& out = *static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
  };
  return stbi_write_png_to_func(append, &png, width, height, channels, pixels, stride) != 0 &&
         saveBytes(path, png);
}

bool standardOutputWritten() { return std::fflush(stdout) == 0 && !std::ferror(stdout); }
