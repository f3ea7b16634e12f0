#pragma once
// Shared by the board, trace, render and program tests: a board opened as the renderer
// opens it, vertices in screen pixels, pixel reads, textures and random scenes.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "board/board.h"
#include "board/texture_memory.h"
#include "render/glide.h"

inline constexpr float SNAP_BIAS = 786432.0f;

inline void openWindow(GrColorFormat_t format) {
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, format, GR_ORIGIN_LOWER_LEFT, 2, 0);
}

// A freshly reset board drawing with the given number of threads on the
// display, its window open with ARGB colours.
inline void openBoard(int threads, BoardDisplay* display = nullptr) {
  boardReset();
  boardSetDisplay(display);
  boardSetThreadCount(threads);
  grGlideInit();
  openWindow(GR_COLORFORMAT_ARGB);
}

// Lower-left origin, RGBA colours, dithering off.
class BoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    boardReset();
    grGlideInit();
    openWindow(GR_COLORFORMAT_RGBA);
    grDitherMode(GR_DITHER_DISABLE);
  }
  void TearDown() override { boardReset(); }
};

// A vertex at (x, y) screen pixels (y up), with colour and depth.
inline GrVertex vertexAt(float x, float y, float r = 255, float g = 255, float b = 255,
                         float ooz = 0, float a = 255) {
  return {x + SNAP_BIAS, y + SNAP_BIAS, 0, r, g, b, ooz, a, 1, {{SNAP_BIAS, SNAP_BIAS, 1}, {}}};
}

// The vertex with texture coordinates s, t in the 256-unit space, seen at 1/w = oow.
inline GrVertex textured(GrVertex v, float s, float t, float oow = 1) {
  v.oow = oow;
  v.tmuvtx[0] = {s * oow + SNAP_BIAS, t * oow + SNAP_BIAS, oow};
  return v;
}

inline void drawTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c) {
  grDrawTriangle(&a, &b, &c);
}

inline void drawQuad(const GrVertex& a, const GrVertex& b, const GrVertex& c, const GrVertex& d) {
  drawTriangle(a, b, c);
  drawTriangle(a, c, d);
}

// The screen rectangle [x0, x1) x [y0, y1) in two flat triangles.
inline void fillRect(float x0, float y0, float x1, float y1, const GrVertex& style) {
  GrVertex a = style, b = style, c = style, d = style;
  a.x = d.x = x0 + SNAP_BIAS, b.x = c.x = x1 + SNAP_BIAS;
  a.y = b.y = y0 + SNAP_BIAS, c.y = d.y = y1 + SNAP_BIAS;
  drawQuad(a, b, c, d);
}

// Counts opens and closes, keeps every frame shown; shows nothing unless
// opened at the board's size.
struct TestDisplay : BoardDisplay {
  int opens = 0, closes = 0;
  std::vector<std::vector<std::uint16_t>> shown;
  bool open(int w, int h) override { return ++opens, w == BOARD_WIDTH && h == BOARD_HEIGHT; }
  void present(const std::uint16_t* p, int w, int h) override {
    shown.emplace_back(p, p + std::size_t(w) * std::size_t(h));
  }
  void close() override { ++closes; }
};

inline bool lockBuffer(GrLock_t type, GrBuffer_t buffer, GrOriginLocation_t origin,
                       GrLfbInfo_t* info) {
  info->size = sizeof *info;
  return grLfbLock(type, buffer, GR_LFBWRITEMODE_ANY, origin, FXFALSE, info) != FXFALSE;
}

// Every pixel of a buffer, rows from the top of the image down.
inline std::vector<std::uint16_t> readBuffer(GrBuffer_t buffer = GR_BUFFER_BACKBUFFER) {
  GrLfbInfo_t info{};
  bool locked = lockBuffer(GR_LFB_READ_ONLY, buffer, GR_ORIGIN_UPPER_LEFT, &info);
  EXPECT_TRUE(locked) << "lock refused";
  std::vector<std::uint16_t> pixels(locked ? BOARD_WIDTH * BOARD_HEIGHT : 0);
  for (std::size_t k = 0; k < pixels.size(); ++k) {
    pixels[k] = static_cast<const std::uint16_t*>(
        info.lfbPtr)[k / BOARD_WIDTH * (info.strideInBytes / 2) + k % BOARD_WIDTH];
  }
  if (locked) grLfbUnlock(GR_LFB_READ_ONLY, buffer);
  return pixels;
}

// The pixel in column x of screen row y (y up from the bottom).
inline std::uint16_t pixelAt(const std::vector<std::uint16_t>& pixels, int x, int y) {
  return pixels[std::size_t(BOARD_HEIGHT - 1 - y) * BOARD_WIDTH + std::size_t(x)];
}

inline std::uint16_t rgb565(int r, int g, int b) {
  return std::uint16_t((r * 31 + 127) / 255 << 11 | (g * 63 + 127) / 255 << 5 |
                       (b * 31 + 127) / 255);
}

struct TextureKind {
  GrTextureFormat_t format;
  int width, height;
  GrLOD_t smallLod, largeLod;
  GrAspectRatio_t aspect;
  GrMipMapMode_t mipmap;
  GrTextureClampMode_t clampS, clampT;
  GrTextureFilterMode_t minFilter, magFilter;
};

// A texture of the kind, with `texels` (level after level) when given.
inline GrMipMapId_t makeTexture(const TextureKind& k,
                                const std::vector<std::uint16_t>& texels = {}) {
  GrMipMapId_t id = guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, k.width, k.height,
                                        k.format, k.mipmap, k.smallLod, k.largeLod, k.aspect,
                                        k.clampS, k.clampT, k.minFilter, k.magFilter, 0, FXFALSE);
  EXPECT_NE(id, GR_NULL_MIPMAP_HANDLE);
  EXPECT_TRUE(texels.empty() || guTexDownloadMipMap(id, texels.data(), nullptr));
  return id;
}

// The states the renderer draws in: a texel scaled by the iterated colour,
// the iterated colour alone, either of them blended by the constant or the
// iterated alpha, and the overlay's chroma-keyed text.
enum class Scenario { OpaqueTextured, OpaqueColoured, BlendedTextured, BlendedColoured, Text };

inline void setState(Scenario s, bool iteratedAlpha) {
  bool blended = s == Scenario::BlendedTextured || s == Scenario::BlendedColoured;
  bool texel = s == Scenario::OpaqueTextured || s == Scenario::BlendedTextured;
  bool text = s == Scenario::Text;
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, GR_COMBINE_FUNCTION_LOCAL,
               GR_COMBINE_FACTOR_ONE, FXFALSE, FXFALSE);
  grConstantColorValue(150);
  grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO,
                 iteratedAlpha ? GR_COMBINE_LOCAL_ITERATED : GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  grAlphaBlendFunction(blended ? GR_BLEND_SRC_ALPHA : GR_BLEND_ONE,
                       blended ? GR_BLEND_ONE_MINUS_SRC_ALPHA : GR_BLEND_ZERO, GR_BLEND_ONE,
                       GR_BLEND_ZERO);
  grChromakeyMode(text ? GR_CHROMAKEY_ENABLE : GR_CHROMAKEY_DISABLE);
  grChromakeyValue(0);
  grColorCombine(texel || text ? GR_COMBINE_FUNCTION_SCALE_OTHER : GR_COMBINE_FUNCTION_LOCAL,
                 texel  ? GR_COMBINE_FACTOR_LOCAL
                 : text ? GR_COMBINE_FACTOR_ONE
                        : GR_COMBINE_FACTOR_ZERO,
                 text ? GR_COMBINE_LOCAL_CONSTANT : GR_COMBINE_LOCAL_ITERATED,
                 texel || text ? GR_COMBINE_OTHER_TEXTURE : GR_COMBINE_OTHER_CONSTANT, FXFALSE);
}

// Every combine function, most combine factors and most blend factors.
inline constexpr GrCombineFunction_t RANDOM_FUNCTIONS[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x10};
inline constexpr GrCombineFactor_t RANDOM_FACTORS[] = {0, 1, 2, 3, 4, 8, 9, 0xb, 0xc};
inline constexpr GrAlphaBlendFnc_t RANDOM_BLENDS[] = {0, 1, 2, 3, 4, 5, 6, 0xf};

template <typename T, std::size_t N>
T pick(std::mt19937& random, const T (&values)[N]) {
  return values[random() % N];
}

// Textures of the kinds the wide sampler treats apart: every level of a
// 256-texel chain (the ninth lives outside its level tables), non-square
// chains clamped on one axis with different filters for minification and
// magnification, and a paletted one, point sampled, without mipmaps.
inline constexpr TextureKind TEXTURE_KINDS[] = {
    {GR_TEXFMT_RGB_565, 256, 256, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1, GR_MIPMAP_NEAREST,
     GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR,
     GR_TEXTUREFILTER_BILINEAR},
    {GR_TEXFMT_ARGB_4444, 64, 16, GR_LOD_1, GR_LOD_64, GR_ASPECT_4x1, GR_MIPMAP_NEAREST,
     GR_TEXTURECLAMP_CLAMP, GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR,
     GR_TEXTUREFILTER_POINT_SAMPLED},
    {GR_TEXFMT_ARGB_1555, 32, 64, GR_LOD_2, GR_LOD_64, GR_ASPECT_1x2, GR_MIPMAP_NEAREST,
     GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_CLAMP, GR_TEXTUREFILTER_POINT_SAMPLED,
     GR_TEXTUREFILTER_BILINEAR},
    {GR_TEXFMT_P_8, 32, 32, GR_LOD_32, GR_LOD_32, GR_ASPECT_1x1, GR_MIPMAP_DISABLE,
     GR_TEXTURECLAMP_CLAMP, GR_TEXTURECLAMP_CLAMP, GR_TEXTUREFILTER_POINT_SAMPLED,
     GR_TEXTUREFILTER_POINT_SAMPLED},
};

// Texels for every level of a texture, and a palette.
struct TexelData {
  std::vector<std::uint16_t> texels;
  GuTexTable palette{};
};

// Random texels (and palette), a third of them black for the chroma key.
inline TexelData makeRandomTexels(const TextureKind& kind, std::mt19937& random) {
  TexelData data;
  data.texels.resize((mipMapBytes(kind.format, kind.smallLod, kind.largeLod, kind.aspect) + 1) / 2);
  for (auto& t : data.texels) t = random() % 3 == 0 ? 0 : std::uint16_t(random());
  for (auto& entry : data.palette.palette.data) entry = random();
  data.palette.palette.data[0] = 0;
  return data;
}

inline void downloadRandomTexels(GrMipMapId_t id, const TextureKind& kind, std::mt19937& random) {
  const TexelData data = makeRandomTexels(kind, random);
  EXPECT_TRUE(guTexDownloadMipMap(id, data.texels.data(), &data.palette));
}

inline GrMipMapId_t makeRandomTexture(const TextureKind& kind, std::mt19937& random) {
  GrMipMapId_t id = makeTexture(kind);
  downloadRandomTexels(id, kind, random);
  return id;
}

inline std::vector<GrMipMapId_t> makeRandomTextures(std::mt19937& random) {
  std::vector<GrMipMapId_t> ids;
  for (const TextureKind& kind : TEXTURE_KINDS) ids.push_back(makeRandomTexture(kind, random));
  return ids;
}

// Either a random state or one the renderer uses, so the specialised span
// loops are drawn as often as the general one. Here and in drawRandomTriangles
// no call takes two random draws among its arguments, whose order is
// unspecified: a seed makes the same scene under every compiler (the draws
// come last argument first, as the scenes were first made).
inline void setRandomState(std::mt19937& random, const std::vector<GrMipMapId_t>& textures) {
  if (random() % 2 == 0) {
    for (auto combine : {grColorCombine, grAlphaCombine}) {
      const bool invert = random() % 4 == 0;
      const auto other = GrCombineOther_t(random() % 3);
      const auto local = GrCombineLocal_t(random() % 3);
      const GrCombineFactor_t factor = pick(random, RANDOM_FACTORS);
      combine(pick(random, RANDOM_FUNCTIONS), factor, local, other, invert);
    }
    GrCombineFunction_t function = pick(random, RANDOM_FUNCTIONS);
    GrCombineFactor_t factor = pick(random, RANDOM_FACTORS);
    grTexCombine(GR_TMU0, function, factor, function, factor, random() % 4 == 0, FXFALSE);
    const GrAlphaBlendFnc_t destination = pick(random, RANDOM_BLENDS);
    grAlphaBlendFunction(pick(random, RANDOM_BLENDS), destination, GR_BLEND_ONE, GR_BLEND_ZERO);
  } else {
    const bool iteratedAlpha = random() % 2 != 0;
    setState(Scenario(random() % 5), iteratedAlpha);
  }
  grConstantColorValue(random());
  grDepthBufferMode(random() % 4 ? GR_DEPTHBUFFER_ZBUFFER : GR_DEPTHBUFFER_DISABLE);
  grDepthBufferFunction(GrCmpFnc_t(random() % 8));
  grDepthMask(random() % 4 ? FXTRUE : FXFALSE);
  grChromakeyMode(random() % 4 == 0 ? GR_CHROMAKEY_ENABLE : GR_CHROMAKEY_DISABLE);
  grChromakeyValue(random() % 2 ? 0 : 0xff00f0f0);
  grDitherMode(GrDitherMode_t(random() % 3));
  guTexSource(textures[random() % textures.size()]);
}

// Colour channels and depths reaching a little beyond their ranges, where the
// board clamps them.
struct ValueRange {
  float low, high;
};
inline constexpr ValueRange CHANNEL_BEYOND{-32, 287}, DEPTH_BEYOND{-8192, 73727};

// `count` random triangles, some over the screen's edges; with textures given,
// under a state that changes every few triangles, the first texture getting new
// texels halfway. Three quarters in the buffers are cleared unless `clearing` is off.
inline void drawRandomTriangles(std::mt19937& random, const std::vector<GrMipMapId_t>& textures,
                                int count, bool clearing = true) {
  std::uniform_real_distribution<float> x(-40, 552), y(-40, 424), unit(0, 1), st(-300, 600),
      far(-3e4f, 6e4f), channel(CHANNEL_BEYOND.low, CHANNEL_BEYOND.high),
      depth(DEPTH_BEYOND.low, DEPTH_BEYOND.high);
  for (int i = 0; i < count; ++i) {
    if (!textures.empty() && i % 7 == 0) setRandomState(random, textures);
    if (!textures.empty() && i == count / 2) {
      downloadRandomTexels(textures[0], TEXTURE_KINDS[0], random);
    }
    if (clearing && i == count * 3 / 4) {
      const auto clearDepth = FxU16(random());
      grBufferClear(GrColor_t(random()), 0, clearDepth);
    }
    float spread = i % 3 == 0 ? 300.0f : 12.0f, cx = x(random), cy = y(random);
    if (!textures.empty() && i % 61 == 60) spread = 1e5f;
    auto& coordinate = i % 4 == 0 ? far : st;
    GrVertex v[3];
    for (GrVertex& vertex : v) {
      float oow = 0.02f + unit(random);
      const float a = channel(random), ooz = depth(random), b = channel(random),
                  g = channel(random), r = channel(random);
      const float vy = cy + spread * (2 * unit(random) - 1);
      vertex = vertexAt(cx + spread * (2 * unit(random) - 1), vy, r, g, b, ooz, a);
      float s = coordinate(random), t = coordinate(random);
      vertex = textured(vertex, s, t, oow);
    }
    grDrawTriangle(&v[0], &v[1], &v[2]);
  }
}
