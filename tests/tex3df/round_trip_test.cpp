#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "board/texel_decode.h"
#include "board/texture_file.h"
#include "tests/file_contents.h"
#include "tools/tex3df/texture_encoder.h"

namespace {

// An image whose pixel (x, y) is pixel(x, y) as {R, G, B, A}.
template <typename Pixel>
RgbaImage makeImage(int width, int height, Pixel pixel) {
  RgbaImage image{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::array<int, 4> p = pixel(x, y);
      image.pixels.insert(image.pixels.end(), p.begin(), p.end());
    }
  return image;
}

// A smooth 64x32 image with every channel varying, alpha included: from 254
// down to 128 on the even rows and to 127 on the odd ones, across the
// one-bit alpha's threshold.
const RgbaImage smooth = makeImage(64, 32, [](int x, int y) {
  return std::array{x * 4, y * 8, int(128 + 100 * std::sin(x * 0.1 + y * 0.05)),
                    254 - 2 * x - y % 2};
});

struct Decoded {
  Gu3dfHeader header;
  std::vector<std::vector<std::uint32_t>> levels;  // 0xAARRGGBB
};

// The file as the board reads and decodes it.
Decoded decodeFile(const std::vector<std::uint8_t>& bytes) {
  Parsed3df parsed;
  EXPECT_TRUE(parse3df(bytes.data(), bytes.size(), &parsed));
  std::vector<std::uint8_t> texels(parsed.memRequired);
  Gu3dfInfo info{};
  info.data = texels.data();
  EXPECT_TRUE(load3dfTexels(bytes.data(), parsed, &info));
  Decoded d{parsed.header, {}};
  int width = int(parsed.header.width), height = int(parsed.header.height);
  const std::uint8_t* src = texels.data();
  for (GrLOD_t lod = parsed.header.large_lod; lod <= parsed.header.small_lod; ++lod) {
    auto& level = d.levels.emplace_back(std::size_t(width) * height);
    decodeTexels(parsed.header.format, src, width, height, &info.table, level.data());
    src += level.size() * std::size_t(texelBytes(parsed.header.format));
    width = std::max(1, width / 2);
    height = std::max(1, height / 2);
  }
  return d;
}

}  // namespace

// Every format encoded, read back by the board and decoded: each texel of the
// largest level is the image's within the format's precision; the table
// formats stay within an average error a viewer would not notice on this
// image, whose hues cover most of the colour cube: 16 chroma pairs of an NCC
// table leave more error than a 256-colour palette.
TEST(Tex3dfRoundTrip, EveryFormatGivesTheImageBack) {
  struct Precision {
    const char* name;
    int rgb[3];  // bits of R, G, B; 0: the luminance with lumaBits; -1: table format
    int lumaBits;
    int alphaBits;     // 8 exact, 0 opaque, -1: alpha copied to RGB (a8)
    double meanError;  // of a table format
  };
  const Precision formats[] = {
      {"rgb332", {3, 3, 2}, 0, 0, 0},   {"yiq", {-1, -1, -1}, 0, 0, 13},
      {"a8", {0, 0, 0}, 0, -1, 0},      {"i8", {0, 0, 0}, 8, 0, 0},
      {"ai44", {0, 0, 0}, 4, 4, 0},     {"p8", {-1, -1, -1}, 0, 0, 5},
      {"argb8332", {3, 3, 2}, 0, 8, 0}, {"ayiq8422", {-1, -1, -1}, 0, 8, 13},
      {"rgb565", {5, 6, 5}, 0, 0, 0},   {"argb1555", {5, 5, 5}, 0, 1, 0},
      {"argb4444", {4, 4, 4}, 0, 4, 0}, {"ai88", {0, 0, 0}, 8, 8, 0},
      {"ap88", {-1, -1, -1}, 0, 8, 5}};
  // Largest error allowed for a channel of n bits: half a step, rounded up.
  const auto halfStep = [](int bits) { return int(std::ceil(255.0 / ((1 << bits) - 1) / 2)); };
  for (const Precision& p : formats) {
    SCOPED_TRACE(p.name);
    GrTextureFormat_t format;
    ASSERT_TRUE(textureFormatFromName(p.name, &format));
    const Decoded d = decodeFile(encode3df(smooth, format));
    ASSERT_EQ(d.header.width, 64u);
    ASSERT_EQ(d.header.height, 32u);
    ASSERT_EQ(d.header.aspect_ratio, GR_ASPECT_2x1);
    ASSERT_EQ(d.levels.size(), 7u);
    double tableError = 0;  // summed over R, G and B
    for (std::size_t k = 0; k < d.levels[0].size(); ++k) {
      const std::uint8_t* in = &smooth.pixels[k * 4];
      const std::uint32_t out = d.levels[0][k];
      const int luminance = int(std::lround(0.299 * in[0] + 0.587 * in[1] + 0.114 * in[2]));
      for (int c = 0; c < 3; ++c) {
        const int got = int(out >> (16 - 8 * c) & 255);
        if (p.rgb[c] == -1) {
          tableError += std::abs(got - in[c]);
          continue;
        }
        const int want = p.alphaBits == -1 ? in[3] : p.rgb[c] == 0 ? luminance : in[c];
        const int slack = p.alphaBits == -1 ? 0 : halfStep(p.rgb[c] ? p.rgb[c] : p.lumaBits);
        ASSERT_LE(std::abs(got - want), slack) << k << " " << c;
      }
      const int alpha = p.alphaBits == 0 ? 255 : p.alphaBits == 1 ? (in[3] >= 128) * 255 : in[3];
      ASSERT_LE(std::abs(int(out >> 24) - alpha), p.alphaBits > 1 ? halfStep(p.alphaBits) : 0) << k;
    }
    if (p.rgb[0] == -1) {
      EXPECT_LT(tableError / (3.0 * d.levels[0].size()), p.meanError);
    }
  }
}

// Shapes are fitted to the board's sizes and each level is the box filter of
// the one above.
TEST(Tex3dfRoundTrip, ShapeAndMipmapChain) {
  // Image width and height; the texture's width, height and aspect ratio.
  const int fits[][5] = {{300, 100, 256, 64, GR_ASPECT_4x1}, {1000, 10, 256, 32, GR_ASPECT_8x1},
                         {1, 1, 1, 1, GR_ASPECT_1x1},        {90, 200, 128, 256, GR_ASPECT_1x2},
                         {40, 40, 32, 32, GR_ASPECT_1x1},    {3, 17, 2, 16, GR_ASPECT_1x8}};
  for (const auto& [width, height, texWidth, texHeight, aspect] : fits) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const auto grey = [](int, int) { return std::array{200, 200, 200, 200}; };
    const Decoded d = decodeFile(encode3df(makeImage(width, height, grey), GR_TEXFMT_ARGB_8332));
    EXPECT_EQ(d.header.width, FxU32(texWidth));
    EXPECT_EQ(d.header.height, FxU32(texHeight));
    EXPECT_EQ(d.header.aspect_ratio, aspect);
    EXPECT_EQ(d.header.small_lod, GR_LOD_1);
  }

  // 4x4 of black and white 2x2 blocks (white fully transparent): level 1 the
  // block colours, level 2 their mean, the colour weighted by alpha.
  const RgbaImage blocks = makeImage(4, 4, [](int x, int y) {
    const int v = (x / 2 + y / 2) % 2 ? 255 : 0;
    return std::array{v, v, v, 255 - v};
  });
  const Decoded d = decodeFile(encode3df(blocks, GR_TEXFMT_ARGB_8332));
  ASSERT_EQ(d.levels.size(), 3u);
  EXPECT_EQ(d.levels[1],
            (std::vector<std::uint32_t>{0xff000000, 0x00ffffff, 0x00ffffff, 0xff000000}));
  EXPECT_EQ(d.levels[2][0], 0x80000000u);
  EXPECT_TRUE(encode3df(RgbaImage{}, GR_TEXFMT_RGB_565).empty());
  EXPECT_TRUE(encode3df(blocks, GR_TEXFMT_RSVD2).empty());
}

// The tool itself: convert a PNG, describe it, export it again; refuse a
// missing image, an unknown format and a file that is not 3DF.
TEST(Tex3dfTool, ConvertInfoExport) {
  const std::filesystem::path dir = WILDSKY_TEST_OUTPUT_DIR;
  std::filesystem::create_directories(dir);
  const std::string png = (dir / "in.png").string(), tex = (dir / "out.3df").string(),
                    back = (dir / "back.png").string();
  ASSERT_TRUE(stbi_write_png(png.c_str(), 64, 32, 4, smooth.pixels.data(), 64 * 4));
  const auto run = [](const std::string& args) {
    return std::system((std::string(TEX3DF_TOOL) + " " + args).c_str());
  };
  ASSERT_EQ(run("convert " + png + " " + tex + " --format argb4444"), 0);
  ASSERT_EQ(run("export " + tex + " " + back), 0);
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load(back.c_str(), &width, &height, &channels, 4);
  ASSERT_TRUE(pixels != nullptr && width == 64 && height == 32) << width << " x " << height;
  int worst = 0;
  for (std::size_t k = 0; k < smooth.pixels.size(); ++k)
    worst = std::max(worst, std::abs(int(pixels[k]) - int(smooth.pixels[k])));
  stbi_image_free(pixels);
  EXPECT_LE(worst, 9);

  for (const std::string& bad :
       {"convert " + (dir / "missing.png").string() + " " + tex + " --format rgb565",
        "convert " + png + " " + tex + " --format rgb888", "info " + png})
    EXPECT_NE(run(bad + " > /dev/null"), 0) << bad;
  // A name in other letter case, as the board's reader finds it.
  EXPECT_EQ(run("info " + (dir / "OUT.3DF").string() + " > /dev/null"), 0);
  // Output that cannot be written fails the tool.
  EXPECT_NE(run("export " + tex + " /dev/full 2> /dev/null"), 0);
  EXPECT_NE(run("info " + tex + " > /dev/full 2> /dev/null"), 0);
}

// info describes a file written by hand: a tall YIQ texture of three levels
// with its NCC table, the checksum the common CRC-32 gives its 148 bytes.
TEST(Tex3dfTool, InfoDescribesTheFile) {
  const std::filesystem::path dir = WILDSKY_TEST_OUTPUT_DIR;
  std::filesystem::create_directories(dir);
  const std::string tex = (dir / "tall.3df").string(), text = (dir / "tall.txt").string();
  std::string bytes = "3df v1.0\nyiq\nlod range: 2 8\naspect ratio: 1 4\n";
  for (char k = 0; k < 40; ++k) bytes += {0, k};  // the table's words, big-endian
  for (char k = 0; k < 22; ++k) bytes += k;       // the texels of 2x8, 1x4 and 1x2
  std::ofstream(tex, std::ios::binary) << bytes;
  ASSERT_EQ(std::system((std::string(TEX3DF_TOOL) + " info " + tex + " > " + text).c_str()), 0);
  EXPECT_EQ(fileText(text), "file: " + tex +
                                "\nformat: yiq\nsize: 2 x 8\nlod range: 2 8\nlevels: 2x8 1x4 1x2\n"
                                "table: NCC\ntexel bytes: 22\nfile bytes: 148\ncrc32: 4b41656b\n");
}
