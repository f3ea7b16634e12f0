// tex3df: brings images into 3DF texture files and back.
//   tex3df info FILE.3df
//   tex3df convert IN.{png,tga,bmp,jpg} OUT.3df --format F
//   tex3df export FILE.3df OUT.png

#include <stb_image.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board/texel_decode.h"
#include "board/texture_file.h"
#include "board/texture_memory.h"
#include "platform/file_names.h"
#include "tools/output_files/output_files.h"
#include "tools/tex3df/texture_encoder.h"

namespace {

constexpr const char* USAGE =
    "usage: tex3df info FILE.3df\n"
    "       tex3df convert IN.{png,tga,bmp,jpg} OUT.3df --format F\n"
    "       tex3df export FILE.3df OUT.png\n"
    "formats: rgb332 yiq a8 i8 ai44 p8 argb8332 ayiq8422 rgb565 argb1555 argb4444 ai88 ap88\n";

std::uint32_t crc32(const std::vector<std::uint8_t>& bytes) {
  std::uint32_t crc = 0xffffffffu;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xedb88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// The file the board's reader opens for path (letter case and separators
// matched as it matches them).
bool readFile(const char* path, std::vector<std::uint8_t>* bytes) {
  const OwnedFile file(openFile(path, "rb"));
  return file && readWholeFile(file.get(), UINT64_MAX, bytes) && !std::ferror(file.get());
}

// The file through the board's own reader: header, table and texels.
bool load(const char* path, Gu3dfInfo* info, std::vector<std::uint8_t>* texels) {
  if (!gu3dfGetInfo(path, info)) {
    std::fprintf(stderr, "tex3df: \"%s\" is not a readable 3DF file\n", path);
    return false;
  }
  texels->resize(info->mem_required);
  info->data = texels->data();
  if (!gu3dfLoad(path, info)) {
    std::fprintf(stderr, "tex3df: cannot load \"%s\"\n", path);
    return false;
  }
  return true;
}

int info(const char* path) {
  Gu3dfInfo info{};
  std::vector<std::uint8_t> texels, file;
  if (!load(path, &info, &texels)) return 1;
  if (!readFile(path, &file)) {
    std::fprintf(stderr, "tex3df: cannot read \"%s\"\n", path);
    return 1;
  }
  const Gu3dfHeader& h = info.header;
  std::printf("file: %s\n", path);
  std::printf("format: %s\n", std::string(textureFormatName(h.format)).c_str());
  std::printf("size: %u x %u\n", h.width, h.height);
  std::printf("lod range: %d %d\n", 256 >> h.small_lod, 256 >> h.large_lod);
  std::printf("levels:");
  for (GrLOD_t lod = h.large_lod; lod <= h.small_lod; ++lod) {
    int width = 0, height = 0;
    levelSize(lod, h.aspect_ratio, &width, &height);
    std::printf(" %dx%d", width, height);
  }
  std::printf("\ntable: %s\n", h.format == GR_TEXFMT_YIQ_422 || h.format == GR_TEXFMT_AYIQ_8422
                                   ? "NCC"
                               : texelFormatNeedsTable(h.format) ? "palette"
                                                                 : "none");
  std::printf("texel bytes: %u\n", info.mem_required);
  std::printf("file bytes: %zu\n", file.size());
  std::printf("crc32: %08x\n", crc32(file));
  if (!standardOutputWritten()) {
    std::fprintf(stderr, "tex3df: cannot write the description\n");
    return 1;
  }
  return 0;
}

int convert(const char* in, const char* out, const char* formatName) {
  GrTextureFormat_t format;
  if (!textureFormatFromName(formatName, &format)) {
    std::fprintf(stderr, "tex3df: unknown format \"%s\"\n%s", formatName, USAGE);
    return 2;
  }
  int width, height, channels;
  stbi_uc* pixels = stbi_load(in, &width, &height, &channels, 4);
  if (!pixels) {
    std::fprintf(stderr, "tex3df: cannot read image \"%s\": %s\n", in, stbi_failure_reason());
    return 1;
  }
  RgbaImage image{width, height,
                  std::vector<std::uint8_t>(pixels, pixels + std::size_t(width) * height * 4)};
  stbi_image_free(pixels);
  if (!saveBytes(out, encode3df(image, format))) {
    std::fprintf(stderr, "tex3df: cannot write \"%s\"\n", out);
    return 1;
  }
  return 0;
}

int exportLargest(const char* in, const char* out) {
  Gu3dfInfo info{};
  std::vector<std::uint8_t> texels;
  if (!load(in, &info, &texels)) return 1;
  int width = int(info.header.width), height = int(info.header.height);
  std::vector<std::uint32_t> argb(std::size_t(width) * height);
  decodeTexels(info.header.format, texels.data(), width, height, &info.table, argb.data());
  std::vector<std::uint8_t> rgba;
  for (std::uint32_t p : argb) {
    rgba.insert(rgba.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p),
                             std::uint8_t(p >> 24)});
  }
  if (!savePng(out, width, height, 4, rgba.data(), width * 4)) {
    std::fprintf(stderr, "tex3df: cannot write \"%s\"\n", out);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "info") == 0) return info(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "export") == 0) return exportLargest(argv[2], argv[3]);
  if (argc == 6 && std::strcmp(argv[1], "convert") == 0 && std::strcmp(argv[4], "--format") == 0) {
    return convert(argv[2], argv[3], argv[5]);
  }
  std::fputs(USAGE, stderr);
  return 2;
}
