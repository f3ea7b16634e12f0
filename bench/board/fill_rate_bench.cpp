// Fill and triangle rates of the board, headless: large Gouraud depth-tested
// triangles, large blended ones, large textured ones, 20-pixel triangles,
// and the wait of a swap for the retrace.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/support/board_setup.h"
#include "board/board.h"
#include "render/glide.h"

namespace {

constexpr float BIAS = 786432.0f;

GrVertex vertex(float x, float y, float r, float g, float b, float ooz, float s = 0, float t = 0,
                float oow = 1) {
  GrVertex v{};
  v.x = x + BIAS;
  v.y = y + BIAS;
  v.r = r;
  v.g = g;
  v.b = b;
  v.a = 255;
  v.ooz = ooz;
  v.oow = oow;
  v.tmuvtx[0].sow = s * oow + BIAS;
  v.tmuvtx[0].tow = t * oow + BIAS;
  return v;
}

void gouraud() {
  grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
}

void blended() {
  grConstantColorValue(128);
  grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                       GR_BLEND_ZERO);
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  grDepthMask(FXFALSE);
}

void textured() {
  selectModulatedTexture(randomTexels(modulatedTextureTexels(), 3), GR_TEXTUREFILTER_BILINEAR,
                         GR_MIPMAP_NEAREST);
  grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
}

// Two triangles covering the whole screen, depth-tested (always passing),
// so every pixel runs the full depth read and write.
void drawScreen(benchmark::State& state) {
  GrVertex a = vertex(0, 0, 255, 0, 0, 1000, 0, 0, 1.0f),
           b = vertex(512, 0, 0, 255, 0, 2000, 512, 0, 0.5f),
           c = vertex(512, 384, 0, 0, 255, 3000, 512, 384, 0.5f),
           d = vertex(0, 384, 255, 255, 0, 2000, 0, 384, 1.0f);
  for (auto _ : state) {
    grDrawTriangle(&a, &b, &c);
    grDrawTriangle(&a, &c, &d);
  }
  state.counters["megapixels/s"] = benchmark::Counter(
      double(state.iterations()) * BOARD_WIDTH * BOARD_HEIGHT / 1e6, benchmark::Counter::kIsRate);
}

void BM_FillGouraudDepthTested(benchmark::State& state) {
  openPipelineBoard();
  gouraud();
  drawScreen(state);
}
BENCHMARK(BM_FillGouraudDepthTested)->Unit(benchmark::kMillisecond);

void BM_FillBlended(benchmark::State& state) {
  openPipelineBoard();
  blended();
  drawScreen(state);
}
BENCHMARK(BM_FillBlended)->Unit(benchmark::kMillisecond);

void BM_FillTexturedDepthTested(benchmark::State& state) {
  openPipelineBoard();
  textured();
  drawScreen(state);
}
BENCHMARK(BM_FillTexturedDepthTested)->Unit(benchmark::kMillisecond);

// Right triangles with 6-pixel legs at random places: about 20 pixels each.
void smallTriangles(benchmark::State& state) {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> x(0, 500), y(0, 372), z(1000, 60000);
  std::vector<GrVertex> vertices;
  for (int i = 0; i < 4096; ++i) {
    float px = std::floor(x(random)), py = std::floor(y(random)), pz = z(random);
    vertices.push_back(vertex(px, py, 255, 0, 0, pz, 0, 0));
    vertices.push_back(vertex(px + 6.4f, py, 0, 255, 0, pz, 6, 0));
    vertices.push_back(vertex(px, py + 6.4f, 0, 0, 255, pz, 0, 6));
  }
  std::size_t next = 0;
  for (auto _ : state) {
    grDrawTriangle(&vertices[next], &vertices[next + 1], &vertices[next + 2]);
    next = next + 3 == vertices.size() ? 0 : next + 3;
  }
  state.counters["ktriangles/s"] =
      benchmark::Counter(double(state.iterations()) / 1e3, benchmark::Counter::kIsRate);
}

// The triangles come round again every 4096: "less or equal" lets each one
// draw again where it is the nearest, from a depth buffer cleared to the
// farthest. ("Less" over a buffer cleared to 0 would let the depth cull drop
// every triangle, and time nothing but that.)
void depthTestedFromFar() {
  grDepthBufferFunction(GR_CMP_LEQUAL);
  grBufferClear(0, 0, 0xffff);
}

void BM_SmallGouraudTriangles(benchmark::State& state) {
  openPipelineBoard();
  gouraud();
  depthTestedFromFar();
  smallTriangles(state);
}
BENCHMARK(BM_SmallGouraudTriangles);

void BM_SmallTexturedTriangles(benchmark::State& state) {
  openPipelineBoard();
  textured();
  depthTestedFromFar();
  smallTriangles(state);
}
BENCHMARK(BM_SmallTexturedTriangles);

// How long a swap with interval 1 waits on the steady clock: up to one
// refresh period of 1/72 s.
void BM_SwapWaitingForRetrace(benchmark::State& state) {
  openPipelineBoard();
  for (auto _ : state) grBufferSwap(1);
}
BENCHMARK(BM_SwapWaitingForRetrace)->Unit(benchmark::kMillisecond)->Iterations(36);

}  // namespace
