#pragma once
// The stages of the pixel pipeline as small inline functions. The general
// span loop calls them all; the specialised loops call the ones their state
// needs, so both give the same pixels.

#include <cstdint>

#include "board/pipeline_state.h"
#include "board/pixel_math.h"
#include "board/triangle_setup.h"

constexpr Rgba8 unpackArgb(std::uint32_t argb) {
  return {int(argb >> 16 & 255), int(argb >> 8 & 255), int(argb & 255), int(argb >> 24)};
}

// f * x / 255 for a signed difference x, rounded symmetrically.
constexpr int scaleSigned(int x, int f) { return x >= 0 ? mul8(x, f) : -mul8(-x, f); }

// The inputs one combine unit sees for one channel.
struct CombineInputs {
  int local, other;  // the channel's local and other value
  int localAlpha;    // the alpha unit's local alpha
  int otherAlpha;    // the alpha unit's other alpha
  int textureAlpha;  // the texel's alpha after the texture combine
};

constexpr int combineFactor(GrCombineFactor_t factor, const CombineInputs& in) {
  switch (factor) {
    case GR_COMBINE_FACTOR_LOCAL:
      return in.local;
    case GR_COMBINE_FACTOR_OTHER_ALPHA:
      return in.otherAlpha;
    case GR_COMBINE_FACTOR_LOCAL_ALPHA:
      return in.localAlpha;
    case GR_COMBINE_FACTOR_TEXTURE_ALPHA:
      return in.textureAlpha;
    case GR_COMBINE_FACTOR_ONE:
    case GR_COMBINE_FACTOR_ONE_MINUS_LOD_FRACTION:
      return 255;
    case GR_COMBINE_FACTOR_ONE_MINUS_LOCAL:
      return 255 - in.local;
    case GR_COMBINE_FACTOR_ONE_MINUS_OTHER_ALPHA:
      return 255 - in.otherAlpha;
    case GR_COMBINE_FACTOR_ONE_MINUS_LOCAL_ALPHA:
      return 255 - in.localAlpha;
    case GR_COMBINE_FACTOR_ONE_MINUS_TEXTURE_ALPHA:
      return 255 - in.textureAlpha;
    default:  // zero; the level-of-detail fraction is 0 without trilinear blending
      return 0;
  }
}

// One channel of a combine unit: function(factor, local, other), clamped, then inverted.
constexpr int combineChannel(const CombineUnit& unit, const CombineInputs& in) {
  int f = combineFactor(unit.factor, in);
  int v;
  switch (unit.function) {
    case GR_COMBINE_FUNCTION_LOCAL:
      v = in.local;
      break;
    case GR_COMBINE_FUNCTION_LOCAL_ALPHA:
      v = in.localAlpha;
      break;
    case GR_COMBINE_FUNCTION_SCALE_OTHER:
      v = mul8(in.other, f);
      break;
    case GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL:
      v = mul8(in.other, f) + in.local;
      break;
    case GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL_ALPHA:
      v = mul8(in.other, f) + in.localAlpha;
      break;
    case GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL:
      v = scaleSigned(in.other - in.local, f);
      break;
    case GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL:
      v = scaleSigned(in.other - in.local, f) + in.local;
      break;
    case GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL_ALPHA:
      v = scaleSigned(in.other - in.local, f) + in.localAlpha;
      break;
    case GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL:
      v = in.local - mul8(in.local, f);
      break;
    case GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL_ALPHA:
      v = in.localAlpha - mul8(in.local, f);
      break;
    default:  // zero
      v = 0;
      break;
  }
  v = clamp8(v);
  return unit.invert ? 255 - v : v;
}

// The texture unit: the texel through the texture combine. Unit 0 is the
// last unit, so its "other" input is zero.
inline Rgba8 textureCombine(const PipelineState& state, std::uint32_t texel) {
  Rgba8 t = unpackArgb(texel);
  CombineInputs in{0, 0, t.a, 0, t.a};
  Rgba8 out;
  in.local = t.r;
  out.r = combineChannel(state.texColorCombine, in);
  in.local = t.g;
  out.g = combineChannel(state.texColorCombine, in);
  in.local = t.b;
  out.b = combineChannel(state.texColorCombine, in);
  in.local = t.a;
  out.a = combineChannel(state.texAlphaCombine, in);
  return out;
}

template <GrCmpFnc_t kFunction>
constexpr bool depthPassesFixed(int incoming, int stored) {
  if constexpr (kFunction == GR_CMP_NEVER) return false;
  if constexpr (kFunction == GR_CMP_LESS) return incoming < stored;
  if constexpr (kFunction == GR_CMP_EQUAL) return incoming == stored;
  if constexpr (kFunction == GR_CMP_LEQUAL) return incoming <= stored;
  if constexpr (kFunction == GR_CMP_GREATER) return incoming > stored;
  if constexpr (kFunction == GR_CMP_NOTEQUAL) return incoming != stored;
  if constexpr (kFunction == GR_CMP_GEQUAL) return incoming >= stored;
  return true;
}

constexpr bool depthPasses(GrCmpFnc_t function, int incoming, int stored) {
  switch (function) {
    case GR_CMP_NEVER:
      return depthPassesFixed<GR_CMP_NEVER>(incoming, stored);
    case GR_CMP_LESS:
      return depthPassesFixed<GR_CMP_LESS>(incoming, stored);
    case GR_CMP_EQUAL:
      return depthPassesFixed<GR_CMP_EQUAL>(incoming, stored);
    case GR_CMP_LEQUAL:
      return depthPassesFixed<GR_CMP_LEQUAL>(incoming, stored);
    case GR_CMP_GREATER:
      return depthPassesFixed<GR_CMP_GREATER>(incoming, stored);
    case GR_CMP_NOTEQUAL:
      return depthPassesFixed<GR_CMP_NOTEQUAL>(incoming, stored);
    case GR_CMP_GEQUAL:
      return depthPassesFixed<GR_CMP_GEQUAL>(incoming, stored);
    default:
      return true;
  }
}

// Iterated values of a pixel from the fixed-point planes.
constexpr int iteratedColor(std::int32_t fixed) { return clamp8(fixed >> COLOR_FRACTION_BITS); }
constexpr int iteratedDepth(std::int32_t fixed) {
  int z = fixed >> DEPTH_FRACTION_BITS;
  return z < 0 ? 0 : (z > 65535 ? 65535 : z);
}

inline constexpr int DESTINATION_ALPHA = 255;  // no alpha buffer

// The factor a blend applies to one channel; source and destination factors
// share codes where one reads the other side's colour.
constexpr int blendFactor(GrAlphaBlendFnc_t factor, bool forSource, int sourceChannel,
                          int sourceAlpha, int destChannel) {
  switch (factor) {
    case GR_BLEND_SRC_ALPHA:
      return sourceAlpha;
    case GR_BLEND_DST_COLOR:  // GR_BLEND_SRC_COLOR for the destination
      return forSource ? destChannel : sourceChannel;
    case GR_BLEND_DST_ALPHA:
      return DESTINATION_ALPHA;
    case GR_BLEND_ONE:
      return 255;
    case GR_BLEND_ONE_MINUS_SRC_ALPHA:
      return 255 - sourceAlpha;
    case GR_BLEND_ONE_MINUS_DST_COLOR:  // GR_BLEND_ONE_MINUS_SRC_COLOR for the destination
      return 255 - (forSource ? destChannel : sourceChannel);
    case GR_BLEND_ONE_MINUS_DST_ALPHA:
      return 255 - DESTINATION_ALPHA;
    case GR_BLEND_ALPHA_SATURATE:  // GR_BLEND_PREFOG_COLOR for the destination
      if (forSource) {
        return sourceAlpha < 255 - DESTINATION_ALPHA ? sourceAlpha : 255 - DESTINATION_ALPHA;
      }
      return sourceChannel;  // no fog: the colour before fog is the source colour
    default:
      return 0;
  }
}

// source * sourceFactor + dest * destFactor, clamped to a byte.
constexpr int blendSum(int source, int sourceFactor, int dest, int destFactor) {
  int x = source * sourceFactor + dest * destFactor;
  return x >= 255 * 255 ? 255 : div255(x);
}

inline int blendChannel(const PipelineState& state, int source, int sourceAlpha, int dest) {
  int fs = blendFactor(state.blendSrc, true, source, sourceAlpha, dest);
  int fd = blendFactor(state.blendDst, false, source, sourceAlpha, dest);
  return blendSum(source, fs, dest, fd);
}

// The 16-bit colour written for 8-bit channels under the dither mode.
inline std::uint16_t outputRgb565(GrDitherMode_t mode, int r, int g, int b, int row, int column) {
  if (mode == GR_DITHER_4x4) return ditherRgb565(r, g, b, row, column);
  if (mode == GR_DITHER_2x2) return dither2x2Rgb565(r, g, b, row, column);
  return roundRgb565(r, g, b);
}
