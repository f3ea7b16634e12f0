#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/texel_decode.h"
#include "board/texture_file.h"
#include "tools/tex3df/texture_encoder.h"

namespace {

// A smooth 64x32 image with every channel varying, alpha included.
RgbaImage testImage() {
  RgbaImage image{64, 32, {}};
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      image.pixels.insert(
          image.pixels.end(),
          {std::uint8_t(x * 4), std::uint8_t(y * 8),
           std::uint8_t(128 + 100 * std::sin(x * 0.1 + y * 0.05)), std::uint8_t(255 - x * 3)});
    }
  }
  return image;
}

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

int luminance(const std::uint8_t* p) {
  return int(std::lround(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]));
}

// Largest error allowed for a channel of n bits: half a step, rounded up.
int halfStep(int bits) { return int(std::ceil(255.0 / ((1 << bits) - 1) / 2)); }

struct Precision {
  const char* name;
  int rgb[3];  // bits of R, G, B; 0: the luminance with lumaBits; -1: table format
  int lumaBits;
  int alphaBits;  // 8 exact, 0 opaque, -1: alpha copied to RGB (a8)
};

}  // namespace

// Every format encoded, read back by the board and decoded: each texel of the
// largest level is the image's within the format's precision; the table
// formats stay within an average error a viewer would not notice on this image.
TEST(Tex3dfRoundTrip, EveryFormatGivesTheImageBack) {
  const Precision formats[] = {
      {"rgb332", {3, 3, 2}, 0, 0},   {"yiq", {-1, -1, -1}, 0, 0},      {"a8", {0, 0, 0}, 0, -1},
      {"i8", {0, 0, 0}, 8, 0},       {"ai44", {0, 0, 0}, 4, 4},        {"p8", {-1, -1, -1}, 0, 0},
      {"argb8332", {3, 3, 2}, 0, 8}, {"ayiq8422", {-1, -1, -1}, 0, 8}, {"rgb565", {5, 6, 5}, 0, 0},
      {"argb1555", {5, 5, 5}, 0, 1}, {"argb4444", {4, 4, 4}, 0, 4},    {"ai88", {0, 0, 0}, 8, 8},
      {"ap88", {-1, -1, -1}, 0, 8}};
  RgbaImage image = testImage();
  for (const Precision& p : formats) {
    SCOPED_TRACE(p.name);
    GrTextureFormat_t format;
    ASSERT_TRUE(textureFormatFromName(p.name, &format));
    Decoded d = decodeFile(encode3df(image, format));
    ASSERT_EQ(d.header.width, 64u);
    ASSERT_EQ(d.header.height, 32u);
    ASSERT_EQ(d.header.aspect_ratio, GR_ASPECT_2x1);
    ASSERT_EQ(d.levels.size(), 7u);
    double tableError = 0;
    int worst = 0;
    for (std::size_t k = 0; k < d.levels[0].size(); ++k) {
      const std::uint8_t* in = &image.pixels[k * 4];
      std::uint32_t out = d.levels[0][k];
      int got[4] = {int(out >> 16 & 255), int(out >> 8 & 255), int(out & 255), int(out >> 24)};
      for (int c = 0; c < 3; ++c) {
        int error;
        if (p.alphaBits == -1) {
          error = std::abs(got[c] - in[3]);
          worst = std::max(worst, error);
        } else if (p.rgb[c] == -1) {
          tableError += std::abs(got[c] - in[c]);
          continue;
        } else if (p.rgb[c] == 0) {
          error = std::abs(got[c] - luminance(in)) - halfStep(p.lumaBits);
        } else {
          error = std::abs(got[c] - in[c]) - halfStep(p.rgb[c]);
        }
        ASSERT_LE(error, 0) << "texel " << k << " channel " << c;
      }
      int alpha = p.alphaBits == 0 ? 255 : p.alphaBits == 1 ? (in[3] >= 128 ? 255 : 0) : in[3];
      int alphaSlack = p.alphaBits > 1 ? halfStep(p.alphaBits) : 0;
      ASSERT_LE(std::abs(got[3] - alpha), alphaSlack) << "texel " << k;
    }
    EXPECT_LE(worst, 0);
    // This image's hues cover most of the colour cube: 16 chroma pairs of an
    // NCC table leave more error than a 256-colour palette.
    if (p.rgb[0] == -1) {
      bool ncc = format == GR_TEXFMT_YIQ_422 || format == GR_TEXFMT_AYIQ_8422;
      EXPECT_LT(tableError / (3.0 * d.levels[0].size()), ncc ? 13.0 : 5.0);
    }
  }
}

// A palette format keeps an image of at most 256 colours exactly.
TEST(Tex3dfRoundTrip, FewColoursKeepThePaletteExact) {
  RgbaImage image{16, 16, {}};
  for (int k = 0; k < 256; ++k) {
    image.pixels.insert(image.pixels.end(),
                        {std::uint8_t(k * 7), std::uint8_t(k * 13), std::uint8_t(k / 3), 255});
  }
  Decoded d = decodeFile(encode3df(image, GR_TEXFMT_P_8));
  for (std::size_t k = 0; k < 256; ++k) {
    const std::uint8_t* in = &image.pixels[k * 4];
    EXPECT_EQ(d.levels[0][k], 0xff000000u | in[0] << 16 | in[1] << 8 | in[2]) << k;
  }
}

// An image of one material (luminance detail, little change of hue), as
// textures usually are: the NCC table keeps it closely.
TEST(Tex3dfRoundTrip, NccTableFitsAnEarthyImage) {
  RgbaImage image{64, 64, {}};
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      double v = 90 + 60 * std::sin(x * 0.7) * std::cos(y * 0.3) + (x * 7 + y * 13) % 23;
      double warm = 20 + x * 0.5;
      image.pixels.insert(image.pixels.end(), {std::uint8_t(v + warm), std::uint8_t(v + warm / 3),
                                               std::uint8_t(v - warm / 2), 255});
    }
  }
  Decoded d = decodeFile(encode3df(image, GR_TEXFMT_YIQ_422));
  double error = 0;
  for (std::size_t k = 0; k < d.levels[0].size(); ++k) {
    for (int c = 0; c < 3; ++c) {
      error += std::abs(int(d.levels[0][k] >> (16 - 8 * c) & 255) - image.pixels[k * 4 + c]);
    }
  }
  EXPECT_LT(error / (3.0 * d.levels[0].size()), 2.0);
}

// Shapes are fitted to the board's sizes and each level is the box filter of
// the one above.
TEST(Tex3dfRoundTrip, ShapeAndMipmapChain) {
  struct Fit {
    int width, height;
    unsigned texWidth, texHeight;
    GrAspectRatio_t aspect;
  };
  const Fit fits[] = {{300, 100, 256, 64, GR_ASPECT_4x1}, {1000, 10, 256, 32, GR_ASPECT_8x1},
                      {1, 1, 1, 1, GR_ASPECT_1x1},        {90, 200, 128, 256, GR_ASPECT_1x2},
                      {40, 40, 32, 32, GR_ASPECT_1x1},    {3, 17, 2, 16, GR_ASPECT_1x8}};
  for (const Fit& f : fits) {
    RgbaImage image{f.width, f.height,
                    std::vector<std::uint8_t>(std::size_t(f.width) * f.height * 4, 200)};
    Decoded d = decodeFile(encode3df(image, GR_TEXFMT_ARGB_8332));
    EXPECT_EQ(d.header.width, f.texWidth) << f.width << "x" << f.height;
    EXPECT_EQ(d.header.height, f.texHeight) << f.width << "x" << f.height;
    EXPECT_EQ(d.header.aspect_ratio, f.aspect) << f.width << "x" << f.height;
    EXPECT_EQ(d.header.small_lod, GR_LOD_1);
  }

  // 4x4 of black and white 2x2 blocks (white half transparent): level 1 the
  // block colours, level 2 their mean, the colour weighted by alpha.
  RgbaImage blocks{4, 4, {}};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      bool white = (x / 2 + y / 2) % 2 == 1;
      std::uint8_t v = white ? 255 : 0;
      blocks.pixels.insert(blocks.pixels.end(), {v, v, v, std::uint8_t(white ? 0 : 255)});
    }
  }
  Decoded d = decodeFile(encode3df(blocks, GR_TEXFMT_ARGB_8332));
  ASSERT_EQ(d.levels.size(), 3u);
  EXPECT_EQ(d.levels[1],
            (std::vector<std::uint32_t>{0xff000000, 0x00ffffff, 0x00ffffff, 0xff000000}));
  EXPECT_EQ(d.levels[2][0], 0x80000000u);
  EXPECT_TRUE(encode3df(RgbaImage{}, GR_TEXFMT_RGB_565).empty());
  EXPECT_TRUE(encode3df(blocks, GR_TEXFMT_RSVD2).empty());
}

// The tool itself: convert a PNG, describe it, export it again.
TEST(Tex3dfTool, ConvertInfoExport) {
  std::filesystem::path dir = WILDSKY_TEST_OUTPUT_DIR;
  std::filesystem::create_directories(dir);
  RgbaImage image = testImage();
  std::string png = (dir / "in.png").string(), tex = (dir / "out.3df").string(),
              back = (dir / "back.png").string(), text = (dir / "info.txt").string();
  ASSERT_TRUE(stbi_write_png(png.c_str(), 64, 32, 4, image.pixels.data(), 64 * 4));
  std::string tool = TEX3DF_TOOL;
  ASSERT_EQ(std::system((tool + " convert " + png + " " + tex + " --format argb4444").c_str()), 0);
  ASSERT_EQ(std::system((tool + " info " + tex + " > " + text).c_str()), 0);
  ASSERT_EQ(std::system((tool + " export " + tex + " " + back).c_str()), 0);

  std::stringstream info;
  info << std::ifstream(text).rdbuf();
  EXPECT_NE(info.str().find("format: argb4444\n"), std::string::npos) << info.str();
  EXPECT_NE(info.str().find("size: 64 x 32\n"), std::string::npos) << info.str();
  EXPECT_NE(info.str().find("levels: 64x32 32x16 16x8 8x4 4x2 2x1 1x1\n"), std::string::npos);
  EXPECT_NE(info.str().find("texel bytes: 5462\n"), std::string::npos) << info.str();

  int width, height, channels;
  stbi_uc* pixels = stbi_load(back.c_str(), &width, &height, &channels, 4);
  ASSERT_NE(pixels, nullptr);
  ASSERT_EQ(width, 64);
  ASSERT_EQ(height, 32);
  int worst = 0;
  for (std::size_t k = 0; k < image.pixels.size(); ++k) {
    worst = std::max(worst, std::abs(int(pixels[k]) - int(image.pixels[k])));
  }
  stbi_image_free(pixels);
  EXPECT_LE(worst, 9);

  EXPECT_NE(std::system((tool + " convert " + (dir / "missing.png").string() + " " + tex +
                         " --format rgb565 > /dev/null")
                            .c_str()),
            0);
  EXPECT_NE(
      std::system((tool + " convert " + png + " " + tex + " --format rgb888 > /dev/null").c_str()),
      0);
  EXPECT_NE(std::system((tool + " info " + png + " > /dev/null").c_str()), 0);
}
