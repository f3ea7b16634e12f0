#include "board/pipeline_state.h"
#include "board/pixel_pipeline.h"
#include "board/span_iterators.h"
#include "board/texture_walk.h"

namespace {

struct Fragment {
  Rgba8 iterated;
  int depth;
  Rgba8 texture;  // after the texture combine
};

// Colour and alpha combine, chroma key, depth, blend and dither for one pixel.
void shadePixel(const PipelineState& s, const Fragment& f, std::uint16_t* color,
                std::uint16_t* depth, int row, int column) {
  const Rgba8& k = s.constantColor;
  int localAlpha = s.alphaCombine.local == GR_COMBINE_LOCAL_CONSTANT ? k.a
                   : s.alphaCombine.local == GR_COMBINE_LOCAL_DEPTH  ? f.depth >> 8
                                                                     : f.iterated.a;
  int otherAlpha = s.alphaCombine.other == GR_COMBINE_OTHER_TEXTURE    ? f.texture.a
                   : s.alphaCombine.other == GR_COMBINE_OTHER_CONSTANT ? k.a
                                                                       : f.iterated.a;
  const Rgba8& local = s.colorCombine.local == GR_COMBINE_LOCAL_CONSTANT ? k : f.iterated;
  const Rgba8& other = s.colorCombine.other == GR_COMBINE_OTHER_TEXTURE    ? f.texture
                       : s.colorCombine.other == GR_COMBINE_OTHER_CONSTANT ? k
                                                                           : f.iterated;

  if (s.chromaKey && other.r == s.chromaKeyColor.r && other.g == s.chromaKeyColor.g &&
      other.b == s.chromaKeyColor.b) {
    return;
  }

  if (s.depthMode != GR_DEPTHBUFFER_DISABLE) {
    if (!depthPasses(s.depthFunction, f.depth, *depth)) return;
    if (s.depthMask) *depth = static_cast<std::uint16_t>(f.depth);
  }

  CombineInputs in{0, 0, localAlpha, otherAlpha, f.texture.a};
  in.local = local.r;
  in.other = other.r;
  int r = combineChannel(s.colorCombine, in);
  in.local = local.g;
  in.other = other.g;
  int g = combineChannel(s.colorCombine, in);
  in.local = local.b;
  in.other = other.b;
  int b = combineChannel(s.colorCombine, in);
  int a =
      combineChannel(s.alphaCombine, {localAlpha, otherAlpha, localAlpha, otherAlpha, f.texture.a});

  if (s.blendSrc != GR_BLEND_ONE || s.blendDst != GR_BLEND_ZERO) {
    std::uint16_t d = *color;
    r = blendChannel(s, r, a, red8(d));
    g = blendChannel(s, g, a, green8(d));
    b = blendChannel(s, b, a, blue8(d));
  }
  *color = outputRgb565(s.ditherMode, r, g, b, row, column);
}

}  // namespace

void drawSpanGeneral(const PipelineState& state, const TriangleSetup& triangle,
                     const SpanTarget& target, int row, int c0, int c1) {
  SpanIterators it(triangle, row, c0);
  std::uint16_t* color = target.color + row * target.stride;
  std::uint16_t* depth = target.depth + row * target.stride;
  // An untextured span's walk is zeroed and never read.
  const TextureWalk walk =
      state.usesTexture ? TextureWalk(triangle, row, c0, state.texture) : TextureWalk{};
  for (int column = c0, k = 0; column <= c1; ++column, ++k, it.advance()) {
    Fragment f;
    f.iterated = {iteratedColor(it.red), iteratedColor(it.green), iteratedColor(it.blue),
                  iteratedColor(it.alpha)};
    f.depth = iteratedDepth(it.depth);
    f.texture = {0, 0, 0, 0};
    if (state.usesTexture) {
      f.texture = textureCombine(state, fetchTexel(state, walk, k));
    }
    shadePixel(state, f, color + column, depth + column, row, column);
  }
}
