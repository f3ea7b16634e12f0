// The state operations: each records its values and lets the board choose
// the span loop again.

#include "board/board_context.h"
#include "board/texture_memory.h"

namespace {

PipelineState& state() { return board().state; }

CombineUnit unit(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                 GrCombineOther_t other, FxBool invert) {
  return {function, factor, local, other, invert != FXFALSE};
}

}  // namespace

void grDepthBufferMode(GrDepthBufferMode_t mode) {
  state().depthMode = mode;
  boardStateChanged();
}

void grDepthBufferFunction(GrCmpFnc_t function) {
  state().depthFunction = function;
  boardStateChanged();
}

void grDepthMask(FxBool enable) {
  state().depthMask = enable != FXFALSE;
  boardStateChanged();
}

void grDitherMode(GrDitherMode_t mode) {
  state().ditherMode = mode;
  boardStateChanged();
}

void grColorCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                    GrCombineOther_t other, FxBool invert) {
  state().colorCombine = unit(function, factor, local, other, invert);
  boardStateChanged();
}

void grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                    GrCombineOther_t other, FxBool invert) {
  state().alphaCombine = unit(function, factor, local, other, invert);
  boardStateChanged();
}

// Only unit 0 exists; settings for other units are ignored.
void grTexCombine(GrChipID_t tmu, GrCombineFunction_t rgbFunction, GrCombineFactor_t rgbFactor,
                  GrCombineFunction_t alphaFunction, GrCombineFactor_t alphaFactor,
                  FxBool rgbInvert, FxBool alphaInvert) {
  if (tmu != GR_TMU0) return;
  state().texColorCombine =
      unit(rgbFunction, rgbFactor, GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_ITERATED, rgbInvert);
  state().texAlphaCombine = unit(alphaFunction, alphaFactor, GR_COMBINE_LOCAL_ITERATED,
                                 GR_COMBINE_OTHER_ITERATED, alphaInvert);
  boardStateChanged();
}

void grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst,
                          GrAlphaBlendFnc_t alphaSrc, GrAlphaBlendFnc_t alphaDst) {
  PipelineState& s = state();
  s.blendSrc = rgbSrc;
  s.blendDst = rgbDst;
  s.blendAlphaSrc = alphaSrc;
  s.blendAlphaDst = alphaDst;
  boardStateChanged();
}

void grConstantColorValue(GrColor_t value) {
  board().constantColorValue = value;
  boardStateChanged();
}

void grChromakeyMode(GrChromakeyMode_t mode) {
  state().chromaKey = mode == GR_CHROMAKEY_ENABLE;
  boardStateChanged();
}

void grChromakeyValue(GrColor_t value) {
  board().chromaKeyValue = value;
  boardStateChanged();
}

void guTexSource(GrMipMapId_t id) {
  board().textureId = id;
  state().texture = boundTextureFor(id);
  boardStateChanged();
}
