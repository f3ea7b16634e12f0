#include "board/texel_decode.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::uint32_t OPAQUE_BLACK = 0xff000000u;

constexpr std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

// Bit replication of an n-bit value to 8 bits.
constexpr std::uint32_t widen1(std::uint32_t v) { return v ? 0xffu : 0u; }
constexpr std::uint32_t widen2(std::uint32_t v) { return v * 0x55u; }
constexpr std::uint32_t widen3(std::uint32_t v) { return v << 5 | v << 2 | v >> 1; }
constexpr std::uint32_t widen4(std::uint32_t v) { return v * 0x11u; }
constexpr std::uint32_t widen5(std::uint32_t v) { return v << 3 | v >> 2; }
constexpr std::uint32_t widen6(std::uint32_t v) { return v << 2 | v >> 4; }

constexpr std::uint32_t rgb332(std::uint32_t v) {
  return widen3(v >> 5) << 16 | widen3(v >> 2 & 7) << 8 | widen2(v & 3);
}

using ColorTable = std::array<std::uint32_t, 256>;  // 0x00RRGGBB per 8-bit index

ColorTable nccColors(const GuNccTable& ncc) {
  ColorTable colors{};
  for (std::uint32_t texel = 0; texel < 256; ++texel) {
    int y = ncc.yRGB[texel >> 4];
    const FxI16* i = ncc.iRGB[texel >> 2 & 3];
    const FxI16* q = ncc.qRGB[texel & 3];
    std::uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) rgb = rgb << 8 | std::uint32_t(std::clamp(y + i[c] + q[c], 0, 255));
    colors[texel] = rgb;
  }
  return colors;
}

ColorTable paletteColors(const GuTexPalette& palette) {
  ColorTable colors{};
  for (int k = 0; k < 256; ++k) colors[k] = palette.data[k] & 0x00ffffffu;
  return colors;
}

template <typename Expand>
void decode8(const void* texels, std::size_t count, std::uint32_t* out, Expand expand) {
  const auto* bytes = static_cast<const std::uint8_t*>(texels);
  for (std::size_t k = 0; k < count; ++k) out[k] = expand(bytes[k]);
}

template <typename Expand>
void decode16(const void* texels, std::size_t count, std::uint32_t* out, Expand expand) {
  const auto* bytes = static_cast<const std::uint8_t*>(texels);
  for (std::size_t k = 0; k < count; ++k) {
    std::uint16_t word;
    std::memcpy(&word, bytes + 2 * k, 2);
    out[k] = expand(std::uint32_t(word));
  }
}

}  // namespace

int texelBytes(GrTextureFormat_t format) {
  switch (format) {
    case GR_TEXFMT_RGB_332:
    case GR_TEXFMT_YIQ_422:
    case GR_TEXFMT_ALPHA_8:
    case GR_TEXFMT_INTENSITY_8:
    case GR_TEXFMT_ALPHA_INTENSITY_44:
    case GR_TEXFMT_P_8:
      return 1;
    case GR_TEXFMT_ARGB_8332:
    case GR_TEXFMT_AYIQ_8422:
    case GR_TEXFMT_RGB_565:
    case GR_TEXFMT_ARGB_1555:
    case GR_TEXFMT_ARGB_4444:
    case GR_TEXFMT_ALPHA_INTENSITY_88:
    case GR_TEXFMT_AP_88:
      return 2;
    default:
      return 0;
  }
}

bool texelFormatNeedsTable(GrTextureFormat_t format) {
  return format == GR_TEXFMT_YIQ_422 || format == GR_TEXFMT_AYIQ_8422 || format == GR_TEXFMT_P_8 ||
         format == GR_TEXFMT_AP_88;
}

void decodeTexels(GrTextureFormat_t format, const void* texels, int width, int height,
                  const GuTexTable* table, std::uint32_t* out) {
  if (width <= 0 || height <= 0) return;
  std::size_t count = std::size_t(width) * std::size_t(height);
  if (texelBytes(format) == 0 || (texelFormatNeedsTable(format) && !table)) {
    std::fill(out, out + count, OPAQUE_BLACK);
    return;
  }
  ColorTable colors{};
  if (format == GR_TEXFMT_YIQ_422 || format == GR_TEXFMT_AYIQ_8422) {
    colors = nccColors(table->nccTable);
  } else if (format == GR_TEXFMT_P_8 || format == GR_TEXFMT_AP_88) {
    colors = paletteColors(table->palette);
  }
  switch (format) {
    case GR_TEXFMT_RGB_332:
      decode8(texels, count, out, [](std::uint32_t v) { return OPAQUE_BLACK | rgb332(v); });
      break;
    case GR_TEXFMT_YIQ_422:
    case GR_TEXFMT_P_8:
      decode8(texels, count, out, [&](std::uint32_t v) { return OPAQUE_BLACK | colors[v]; });
      break;
    case GR_TEXFMT_ALPHA_8:
      decode8(texels, count, out, [](std::uint32_t v) { return argb(v, v, v, v); });
      break;
    case GR_TEXFMT_INTENSITY_8:
      decode8(texels, count, out, [](std::uint32_t v) { return argb(255, v, v, v); });
      break;
    case GR_TEXFMT_ALPHA_INTENSITY_44:
      decode8(texels, count, out, [](std::uint32_t v) {
        std::uint32_t i = widen4(v & 15);
        return argb(widen4(v >> 4), i, i, i);
      });
      break;
    case GR_TEXFMT_ARGB_8332:
      decode16(texels, count, out,
               [](std::uint32_t v) { return (v >> 8) << 24 | rgb332(v & 255); });
      break;
    case GR_TEXFMT_AYIQ_8422:
    case GR_TEXFMT_AP_88:
      decode16(texels, count, out,
               [&](std::uint32_t v) { return (v >> 8) << 24 | colors[v & 255]; });
      break;
    case GR_TEXFMT_RGB_565:
      decode16(texels, count, out, [](std::uint32_t v) {
        return argb(255, widen5(v >> 11), widen6(v >> 5 & 63), widen5(v & 31));
      });
      break;
    case GR_TEXFMT_ARGB_1555:
      decode16(texels, count, out, [](std::uint32_t v) {
        return argb(widen1(v >> 15), widen5(v >> 10 & 31), widen5(v >> 5 & 31), widen5(v & 31));
      });
      break;
    case GR_TEXFMT_ARGB_4444:
      decode16(texels, count, out, [](std::uint32_t v) {
        return argb(widen4(v >> 12), widen4(v >> 8 & 15), widen4(v >> 4 & 15), widen4(v & 15));
      });
      break;
    case GR_TEXFMT_ALPHA_INTENSITY_88:
      decode16(texels, count, out, [](std::uint32_t v) {
        std::uint32_t i = v & 255;
        return argb(v >> 8, i, i, i);
      });
      break;
    default:
      break;
  }
}
