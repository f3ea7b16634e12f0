// Span loops specialised for the state combinations the renderer uses, and
// the choice among them. Each computes exactly what the general pipeline
// computes for its state, with the selection and the switches taken out of
// the pixel loop.

#include <array>
#include <utility>

#include "board/pipeline_state.h"
#include "board/pixel_pipeline.h"
#include "board/span_iterators.h"
#include "board/span_kinds.h"
#include "board/span_wide.h"
#include "board/texture_walk.h"

namespace {

bool forceGeneral = false;

// Spans shorter than this form each texel's coordinates when it is needed:
// a vectorised run would cost more than it saves.
inline constexpr int SHORTEST_RUN = 8;

// Samples the texel of pixel i of a run (pixel k of the span), white without a texture.
inline Rgba8 texelOf(const BoundTexture* texture, const TexelRun& run, bool useRun,
                     const TextureWalk& walk, int i, int k) {
  if (texture == nullptr) return unpackArgb(PLACEHOLDER_TEXEL);
  if (useRun) return unpackArgb(sampleTexture(*texture, run.s[i], run.t[i], run.lod[i]));
  TexelCoordinates c = coordinatesAt(walk, k);
  return unpackArgb(sampleTexture(*texture, c.s, c.t, c.lod));
}

template <SpanKind kKind, int kDepth>
void drawSpanFast(const PipelineState& state, const TriangleSetup& triangle,
                  const SpanTarget& target, int row, int c0, int c1) {
  SpanIterators it(triangle, row, c0);
  std::uint16_t* color = target.color + row * target.stride;
  std::uint16_t* depth = target.depth + row * target.stride;
  const bool depthMask = state.depthMask;
  const bool constantAlpha = state.alphaCombine.local == GR_COMBINE_LOCAL_CONSTANT;
  const int dither = row & 3;
  const BoundTexture* texture = state.texture;
  TextureWalk walk;
  TexelRun run;
  if constexpr (textured(kKind)) walk = TextureWalk(triangle, row, c0, texture);
  const int length = c1 - c0 + 1;
  const bool useRun = length >= SHORTEST_RUN;
  for (int k0 = 0; k0 < length; k0 += TEXEL_RUN) {
    const int count = length - k0 < TEXEL_RUN ? length - k0 : TEXEL_RUN;
    if (textured(kKind) && useRun) run.fill(walk, k0, count);
    for (int i = 0; i < count; ++i, it.advance()) {
      const int column = c0 + k0 + i;
      Rgba8 texel{255, 255, 255, 255};
      if constexpr (kKind == SpanKind::KeyedText) {
        // The key drops a pixel before the depth test sees it.
        texel = texelOf(texture, run, useRun, walk, i, k0 + i);
        if (texel.r == state.chromaKeyColor.r && texel.g == state.chromaKeyColor.g &&
            texel.b == state.chromaKeyColor.b) {
          continue;
        }
      }
      if constexpr (kDepth != DEPTH_OFF) {
        int z = iteratedDepth(it.depth);
        if (!depthPassesFixed<kDepth>(z, depth[column])) continue;
        if (depthMask) depth[column] = static_cast<std::uint16_t>(z);
      }
      int r, g, b;
      if constexpr (kKind == SpanKind::KeyedText) {
        r = texel.r;
        g = texel.g;
        b = texel.b;
      } else if constexpr (textured(kKind)) {
        // Without a chroma key nothing after the depth test can drop the
        // pixel, so hidden pixels are never sampled.
        texel = texelOf(texture, run, useRun, walk, i, k0 + i);
        r = mul8(texel.r, iteratedColor(it.red));
        g = mul8(texel.g, iteratedColor(it.green));
        b = mul8(texel.b, iteratedColor(it.blue));
      } else {
        r = iteratedColor(it.red);
        g = iteratedColor(it.green);
        b = iteratedColor(it.blue);
      }
      if constexpr (blended(kKind)) {
        int a = constantAlpha ? state.constantColor.a : iteratedColor(it.alpha);
        std::uint16_t d = color[column];
        r = blendSum(r, a, red8(d), 255 - a);
        g = blendSum(g, a, green8(d), 255 - a);
        b = blendSum(b, a, blue8(d), 255 - a);
      }
      int threshold = DITHER.thresholdAt[dither][column & 3];
      color[column] =
          packRgb565(DITHER.to5[threshold][r], DITHER.to6[threshold][g], DITHER.to5[threshold][b]);
    }
  }
}

template <SpanKind kKind, int... kDepth>
constexpr std::array<SpanFunction, sizeof...(kDepth)> depthVariants(
    std::integer_sequence<int, kDepth...>) {
  return {&drawSpanFast<kKind, kDepth>...};
}

template <SpanKind kKind>
constexpr auto variantsOf() {
  return depthVariants<kKind>(std::make_integer_sequence<int, DEPTH_OFF + 1>{});
}

constexpr std::array<std::array<SpanFunction, DEPTH_OFF + 1>, int(SpanKind::Count)> FAST_SPANS = {
    variantsOf<SpanKind::OpaqueGouraud>(), variantsOf<SpanKind::OpaqueTextured>(),
    variantsOf<SpanKind::BlendedGouraud>(), variantsOf<SpanKind::BlendedTextured>(),
    variantsOf<SpanKind::KeyedText>()};

bool passesTexel(const CombineUnit& unit) {
  return unit.function == GR_COMBINE_FUNCTION_LOCAL && !unit.invert;
}

bool isGouraud(const CombineUnit& c) {
  return c.function == GR_COMBINE_FUNCTION_LOCAL && c.local == GR_COMBINE_LOCAL_ITERATED &&
         !c.invert;
}

bool isModulatedTexture(const CombineUnit& c) {
  return c.function == GR_COMBINE_FUNCTION_SCALE_OTHER && c.factor == GR_COMBINE_FACTOR_LOCAL &&
         c.local == GR_COMBINE_LOCAL_ITERATED && c.other == GR_COMBINE_OTHER_TEXTURE && !c.invert;
}

bool isPlainTexture(const CombineUnit& c) {
  return c.function == GR_COMBINE_FUNCTION_SCALE_OTHER && c.factor == GR_COMBINE_FACTOR_ONE &&
         c.other == GR_COMBINE_OTHER_TEXTURE && !c.invert;
}

// Alpha from the iterated or the constant alpha, as the blended loops read it.
bool isSimpleAlpha(const CombineUnit& c) {
  return c.function == GR_COMBINE_FUNCTION_LOCAL && !c.invert &&
         (c.local == GR_COMBINE_LOCAL_ITERATED || c.local == GR_COMBINE_LOCAL_CONSTANT);
}

// The specialised kind for a state, or Count when only the general loop fits.
SpanKind kindFor(const PipelineState& s) {
  if (s.ditherMode != GR_DITHER_4x4) return SpanKind::Count;
  bool opaque = s.blendSrc == GR_BLEND_ONE && s.blendDst == GR_BLEND_ZERO;
  bool overBlend = s.blendSrc == GR_BLEND_SRC_ALPHA && s.blendDst == GR_BLEND_ONE_MINUS_SRC_ALPHA &&
                   isSimpleAlpha(s.alphaCombine);
  bool texelPassed = passesTexel(s.texColorCombine);
  if (s.chromaKey) {
    return opaque && texelPassed && isPlainTexture(s.colorCombine) ? SpanKind::KeyedText
                                                                   : SpanKind::Count;
  }
  if (isGouraud(s.colorCombine)) {
    if (opaque) return SpanKind::OpaqueGouraud;
    if (overBlend) return SpanKind::BlendedGouraud;
  }
  if (isModulatedTexture(s.colorCombine) && texelPassed) {
    if (opaque) return SpanKind::OpaqueTextured;
    if (overBlend) return SpanKind::BlendedTextured;
  }
  return SpanKind::Count;
}

bool usesTextureAlpha(const CombineUnit& c) {
  return c.factor == GR_COMBINE_FACTOR_TEXTURE_ALPHA ||
         c.factor == GR_COMBINE_FACTOR_ONE_MINUS_TEXTURE_ALPHA;
}

}  // namespace

PipelineState defaultPipelineState() {
  PipelineState s{};
  s.colorCombine = {GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                    GR_COMBINE_OTHER_ITERATED, false};
  s.alphaCombine = s.colorCombine;
  s.texColorCombine = {GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_ITERATED,
                       GR_COMBINE_OTHER_ITERATED, false};
  s.texAlphaCombine = s.texColorCombine;
  s.constantColor = {0, 0, 0, 0};
  s.blendSrc = s.blendAlphaSrc = GR_BLEND_ONE;
  s.blendDst = s.blendAlphaDst = GR_BLEND_ZERO;
  s.depthMode = GR_DEPTHBUFFER_DISABLE;
  s.depthFunction = GR_CMP_LESS;
  s.depthMask = true;
  s.chromaKey = false;
  s.chromaKeyColor = {0, 0, 0, 0};
  s.ditherMode = GR_DITHER_4x4;
  s.texture = nullptr;
  chooseSpanFunction(s);
  return s;
}

bool combineReadsTexture(const PipelineState& s) {
  return s.colorCombine.other == GR_COMBINE_OTHER_TEXTURE ||
         s.alphaCombine.other == GR_COMBINE_OTHER_TEXTURE || usesTextureAlpha(s.colorCombine) ||
         usesTextureAlpha(s.alphaCombine);
}

void chooseSpanFunction(PipelineState& state) {
  state.usesTexture = combineReadsTexture(state);
  SpanKind kind = forceGeneral ? SpanKind::Count : kindFor(state);
  state.rows = nullptr;
  if (kind == SpanKind::Count) {
    state.span = &drawSpanGeneral;
    return;
  }
  // Any function beyond the eight passes every pixel, as in the general
  // pipeline; the slot after them stands for depth buffering off.
  int depthSlot = state.depthFunction;
  if (depthSlot < GR_CMP_NEVER || depthSlot > GR_CMP_ALWAYS) depthSlot = GR_CMP_ALWAYS;
  if (state.depthMode == GR_DEPTHBUFFER_DISABLE) depthSlot = DEPTH_OFF;
  state.span = FAST_SPANS[int(kind)][depthSlot];
  // The wide sampler gathers every level from level 0's block.
  bool wideFits = state.texture == nullptr || state.texture->tables.inOneBlock;
  if (!wideFits) return;
  const SpanLanes lanes = spanLanes();
  if (lanes == SpanLanes::Avx2) state.rows = wideRowsFunction(kind, depthSlot);
  if (lanes == SpanLanes::Sse42) state.rows = sse42RowsFunction(kind, depthSlot);
  if (lanes == SpanLanes::Sse2) state.rows = sse2RowsFunction(kind, depthSlot);
}

void forceGeneralSpans(bool force) { forceGeneral = force; }
