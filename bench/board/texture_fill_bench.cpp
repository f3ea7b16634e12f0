// Textured fill rates of the board, headless, full screen: bilinear and
// point sampled when magnified, mipmapped when minified, perspective-correct,
// depth-tested, and blended; then the sampler and the download decode alone.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "bench/support/board_setup.h"
#include "board/board.h"
#include "board/texel_decode.h"
#include "board/texture_memory.h"
#include "board/texture_sampler.h"
#include "render/glide.h"

namespace {

constexpr float BIAS = 786432.0f;

struct Corner {
  float x, y, s, t, oow;
};

GrVertex vertex(const Corner& c, float ooz) {
  GrVertex v{};
  v.x = c.x + BIAS;
  v.y = c.y + BIAS;
  v.r = v.g = v.b = 200;
  v.a = 160;
  v.ooz = ooz;
  v.oow = c.oow;
  v.tmuvtx[0].sow = c.s * c.oow + BIAS;
  v.tmuvtx[0].tow = c.t * c.oow + BIAS;
  v.tmuvtx[0].oow = c.oow;
  return v;
}

constexpr unsigned TEXEL_SEED = 7;

// The random texture, modulated by the iterated colour; depth buffering
// on, always passing, no blending.
void openTexturedBoard(GrTextureFilterMode_t filter, GrMipMapMode_t mipmap) {
  openPipelineBoard();
  selectModulatedTexture(randomTexels(modulatedTextureTexels(), TEXEL_SEED), filter, mipmap);
  grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
}

// The whole screen as two triangles, corners bottom-left, bottom-right,
// top-right, top-left.
void fillScreen(benchmark::State& state, const Corner (&c)[4]) {
  GrVertex a = vertex(c[0], 1000), b = vertex(c[1], 1000), d = vertex(c[2], 1000),
           e = vertex(c[3], 1000);
  for (auto _ : state) {
    grDrawTriangle(&a, &b, &d);
    grDrawTriangle(&a, &d, &e);
  }
  state.counters["megapixels/s"] = benchmark::Counter(
      double(state.iterations()) * BOARD_WIDTH * BOARD_HEIGHT / 1e6, benchmark::Counter::kIsRate);
}

// 256 texels across 512 pixels: magnified twice, level 0.
constexpr Corner MAGNIFIED[4] = {
    {0, 0, 0, 192, 1}, {512, 0, 256, 192, 1}, {512, 384, 256, 0, 1}, {0, 384, 0, 0, 1}};
// 2048 units across 512 pixels: 4 texels a pixel, level 2 when mipmapped.
constexpr Corner MINIFIED[4] = {
    {0, 0, 0, 1536, 1}, {512, 0, 2048, 1536, 1}, {512, 384, 2048, 0, 1}, {0, 384, 0, 0, 1}};
// A floor: the top edge four times as far as the bottom one, textured to
// match, so the level changes down the screen.
constexpr Corner PERSPECTIVE[4] = {
    {0, 0, 0, 2048, 1}, {512, 0, 1024, 2048, 1}, {512, 384, 1024, 0, 0.25f}, {0, 384, 0, 0, 0.25f}};

void BM_TexturedBilinear(benchmark::State& state) {
  openTexturedBoard(GR_TEXTUREFILTER_BILINEAR, GR_MIPMAP_DISABLE);
  fillScreen(state, MAGNIFIED);
}
BENCHMARK(BM_TexturedBilinear)->Unit(benchmark::kMillisecond);

void BM_TexturedPointSampled(benchmark::State& state) {
  openTexturedBoard(GR_TEXTUREFILTER_POINT_SAMPLED, GR_MIPMAP_DISABLE);
  fillScreen(state, MAGNIFIED);
}
BENCHMARK(BM_TexturedPointSampled)->Unit(benchmark::kMillisecond);

void BM_TexturedMipmapped(benchmark::State& state) {
  openTexturedBoard(GR_TEXTUREFILTER_BILINEAR, GR_MIPMAP_NEAREST);
  fillScreen(state, MINIFIED);
}
BENCHMARK(BM_TexturedMipmapped)->Unit(benchmark::kMillisecond);

void BM_TexturedPerspective(benchmark::State& state) {
  openTexturedBoard(GR_TEXTUREFILTER_BILINEAR, GR_MIPMAP_NEAREST);
  fillScreen(state, PERSPECTIVE);
}
BENCHMARK(BM_TexturedPerspective)->Unit(benchmark::kMillisecond);

// Every pixel passes (the depth buffer starts at the far end, then holds the
// same depth) and writes its depth.
void BM_TexturedPerspectiveDepthTested(benchmark::State& state) {
  openTexturedBoard(GR_TEXTUREFILTER_BILINEAR, GR_MIPMAP_NEAREST);
  grDepthBufferFunction(GR_CMP_LEQUAL);
  grDepthMask(FXTRUE);
  grBufferClear(0, 0, 0xffff);
  fillScreen(state, PERSPECTIVE);
}
BENCHMARK(BM_TexturedPerspectiveDepthTested)->Unit(benchmark::kMillisecond);

// As the transparent pass draws: blended by source alpha, depth-tested
// without depth writes.
void BM_TexturedPerspectiveBlended(benchmark::State& state) {
  openTexturedBoard(GR_TEXTUREFILTER_BILINEAR, GR_MIPMAP_NEAREST);
  grDepthBufferFunction(GR_CMP_LEQUAL);
  grDepthMask(FXFALSE);
  grBufferClear(0, 0, 0xffff);
  grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                       GR_BLEND_ZERO);
  fillScreen(state, PERSPECTIVE);
}
BENCHMARK(BM_TexturedPerspectiveBlended)->Unit(benchmark::kMillisecond);

// The sampler alone over a 256x256 level, along a slanted line of texels.
void sampleLine(benchmark::State& state, bool bilinear, float lod) {
  std::vector<std::uint32_t> texels(256 * 256 + 128 * 128);
  std::mt19937 random(9);
  for (auto& t : texels) t = random();
  BoundTexture texture{};
  texture.levels[0] = {256, 256, texels.data()};
  texture.levels[1] = {128, 128, texels.data() + 256 * 256};
  texture.levelCount = 2;
  texture.scale = 1.0f;
  texture.bilinearMin = texture.bilinearMag = bilinear;
  texture.mipmapped = true;
  std::uint32_t sum = 0;
  for (auto _ : state) {
    for (int k = 0; k < 4096; ++k) sum += sampleTexture(texture, k * 0.37f, k * 0.11f, lod);
    benchmark::DoNotOptimize(sum);
  }
  state.counters["msamples/s"] =
      benchmark::Counter(double(state.iterations()) * 4096 / 1e6, benchmark::Counter::kIsRate);
}

void BM_SampleBilinear(benchmark::State& state) { sampleLine(state, true, 0.0f); }
BENCHMARK(BM_SampleBilinear);

void BM_SamplePoint(benchmark::State& state) { sampleLine(state, false, 0.0f); }
BENCHMARK(BM_SamplePoint);

void BM_SampleBilinearLevel1(benchmark::State& state) { sampleLine(state, true, 1.0f); }
BENCHMARK(BM_SampleBilinearLevel1);

// Decoding a full 256x256 chain at download.
void decodeChain(benchmark::State& state, GrTextureFormat_t format) {
  std::size_t count = modulatedTextureTexels();
  std::vector<std::uint16_t> texels = randomTexels(count, TEXEL_SEED);
  std::vector<std::uint32_t> out(count);
  GuTexTable table{};
  for (auto _ : state) {
    decodeTexels(format, texels.data(), int(count), 1, &table, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["mtexels/s"] = benchmark::Counter(double(state.iterations()) * double(count) / 1e6,
                                                   benchmark::Counter::kIsRate);
}

void BM_DecodeRgb565(benchmark::State& state) { decodeChain(state, GR_TEXFMT_RGB_565); }
BENCHMARK(BM_DecodeRgb565);

void BM_DecodeAyiq8422(benchmark::State& state) { decodeChain(state, GR_TEXFMT_AYIQ_8422); }
BENCHMARK(BM_DecodeAyiq8422);

}  // namespace
