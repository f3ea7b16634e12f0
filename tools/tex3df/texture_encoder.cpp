#include "tools/tex3df/texture_encoder.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "board/texel_decode.h"
#include "board/texture_memory.h"
#include "tools/tex3df/color_tables.h"
#include "tools/tex3df/image_resample.h"

namespace {

struct Shape {
  int width, height;
  GrLOD_t largeLod;
  GrAspectRatio_t aspect;
};

// Nearest in log2 for both the aspect (8:1 .. 1:8) and the larger side (1 .. 256).
Shape fitShape(int width, int height) {
  int ratio = std::clamp(int(std::lround(std::log2(double(width) / height))), -3, 3);
  int exponent = std::clamp(int(std::lround(std::log2(double(std::max(width, height))))), 0, 8);
  Shape shape{0, 0, GR_LOD_1 - exponent, GR_ASPECT_1x1 - ratio};
  levelSize(shape.largeLod, shape.aspect, &shape.width, &shape.height);
  return shape;
}

// The bit replication the board widens an n-bit channel with.
int widen(int value, int bits) {
  int result = 0;
  for (int shift = 8 - bits; shift > -bits; shift -= bits) {
    result |= shift >= 0 ? value << shift : value >> -shift;
  }
  return result & 255;
}

// The n-bit value that widens nearest to an 8-bit one.
std::uint32_t narrow(int value, int bits) {
  int top = (1 << bits) - 1;
  int low = value * top / 255;
  int high = std::min(low + 1, top);
  return std::uint32_t(
      std::abs(widen(high, bits) - value) < std::abs(widen(low, bits) - value) ? high : low);
}

std::uint32_t luminance(const std::uint8_t* p) {
  return std::uint32_t(std::lround(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]));
}

std::uint32_t rgb332(const std::uint8_t* p) {
  return narrow(p[0], 3) << 5 | narrow(p[1], 3) << 2 | narrow(p[2], 2);
}

// The colours of every texel byte of a table format, as the board decodes them.
std::array<Rgb, 256> decodedTable(GrTextureFormat_t format, const GuTexTable& table) {
  std::uint8_t codes[256];
  for (int k = 0; k < 256; ++k) codes[k] = std::uint8_t(k);
  std::uint32_t argb[256];
  decodeTexels(format, codes, 256, 1, &table, argb);
  std::array<Rgb, 256> colors;
  for (int k = 0; k < 256; ++k) {
    colors[k] = {std::uint8_t(argb[k] >> 16), std::uint8_t(argb[k] >> 8), std::uint8_t(argb[k])};
  }
  return colors;
}

std::uint32_t encodeTexel(GrTextureFormat_t format, const std::uint8_t* p,
                          std::optional<NearestCode>& code) {
  std::uint32_t alpha = p[3];
  auto tableCode = [&] { return std::uint32_t((*code)({p[0], p[1], p[2]})); };
  switch (format) {
    case GR_TEXFMT_RGB_332:
      return rgb332(p);
    case GR_TEXFMT_YIQ_422:
    case GR_TEXFMT_P_8:
      return tableCode();
    case GR_TEXFMT_ALPHA_8:
      return alpha;
    case GR_TEXFMT_INTENSITY_8:
      return luminance(p);
    case GR_TEXFMT_ALPHA_INTENSITY_44:
      return narrow(int(alpha), 4) << 4 | narrow(int(luminance(p)), 4);
    case GR_TEXFMT_ARGB_8332:
      return alpha << 8 | rgb332(p);
    case GR_TEXFMT_AYIQ_8422:
    case GR_TEXFMT_AP_88:
      return alpha << 8 | tableCode();
    case GR_TEXFMT_RGB_565:
      return narrow(p[0], 5) << 11 | narrow(p[1], 6) << 5 | narrow(p[2], 5);
    case GR_TEXFMT_ARGB_1555:
      return std::uint32_t(alpha >= 128) << 15 | narrow(p[0], 5) << 10 | narrow(p[1], 5) << 5 |
             narrow(p[2], 5);
    case GR_TEXFMT_ARGB_4444:
      return narrow(int(alpha), 4) << 12 | narrow(p[0], 4) << 8 | narrow(p[1], 4) << 4 |
             narrow(p[2], 4);
    case GR_TEXFMT_ALPHA_INTENSITY_88:
      return alpha << 8 | luminance(p);
    default:
      return 0;
  }
}

void putBigEndian16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(std::uint8_t(v >> 8));
  out.push_back(std::uint8_t(v));
}

void putTable(std::vector<std::uint8_t>& out, GrTextureFormat_t format, const GuTexTable& table) {
  if (format == GR_TEXFMT_YIQ_422 || format == GR_TEXFMT_AYIQ_8422) {
    for (FxU8 y : table.nccTable.yRGB) putBigEndian16(out, y);
    for (const auto* entries : {table.nccTable.iRGB, table.nccTable.qRGB}) {
      for (int k = 0; k < 4; ++k) {
        for (int c = 0; c < 3; ++c) putBigEndian16(out, std::uint16_t(entries[k][c]));
      }
    }
  } else if (format == GR_TEXFMT_P_8 || format == GR_TEXFMT_AP_88) {
    for (FxU32 entry : table.palette.data) {
      putBigEndian16(out, entry >> 16);
      putBigEndian16(out, entry & 0xffff);
    }
  }
}

}  // namespace

std::vector<std::uint8_t> encode3df(const RgbaImage& image, GrTextureFormat_t format) {
  if (image.width <= 0 || image.height <= 0 || texelBytes(format) == 0 ||
      image.pixels.size() != std::size_t(image.width) * std::size_t(image.height) * 4) {
    return {};
  }
  Shape shape = fitShape(image.width, image.height);
  std::vector<RgbaImage> levels{resampleBox(image, shape.width, shape.height)};
  while (levels.back().width > 1 || levels.back().height > 1) {
    const RgbaImage& last = levels.back();
    levels.push_back(resampleBox(last, std::max(1, last.width / 2), std::max(1, last.height / 2)));
  }

  GuTexTable table{};
  std::optional<NearestCode> code;
  if (texelFormatNeedsTable(format)) {
    std::vector<Rgb> colors;
    const std::vector<std::uint8_t>& px = levels[0].pixels;
    for (std::size_t k = 0; k < px.size(); k += 4) colors.push_back({px[k], px[k + 1], px[k + 2]});
    bool ncc = format == GR_TEXFMT_YIQ_422 || format == GR_TEXFMT_AYIQ_8422;
    if (ncc) {
      table.nccTable = computeNccTable(countColors(colors));
    } else {
      table.palette = computePalette(countColors(colors));
    }
    code.emplace(decodedTable(ncc ? GR_TEXFMT_YIQ_422 : GR_TEXFMT_P_8, table));
  }

  const char* ratios[] = {"8 1", "4 1", "2 1", "1 1", "1 2", "1 4", "1 8"};
  std::string header = "3df v1.0\n" + std::string(textureFormatName(format)) + "\nlod range: 1 " +
                       std::to_string(256 >> shape.largeLod) +
                       "\naspect ratio: " + ratios[shape.aspect] + "\n";
  std::vector<std::uint8_t> out(header.begin(), header.end());
  putTable(out, format, table);
  for (const RgbaImage& level : levels) {
    for (std::size_t k = 0; k < level.pixels.size(); k += 4) {
      std::uint32_t texel = encodeTexel(format, &level.pixels[k], code);
      if (texelBytes(format) == 2) {
        putBigEndian16(out, texel);
      } else {
        out.push_back(std::uint8_t(texel));
      }
    }
  }
  return out;
}
