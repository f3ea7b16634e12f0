// The state operations: each records its values and lets the board choose
// the span loop again.

#include "board/board_context.h"
#include "board/texture_memory.h"
#include "board/trace_recorder.h"

namespace {

PipelineState& state() { return board().state; }

CombineUnit unit(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                 GrCombineOther_t other, FxBool invert) {
  return {function, factor, local, other, invert != FXFALSE};
}

}  // namespace

void grDepthBufferMode(GrDepthBufferMode_t mode) {
  traceCall(TraceOp::DepthBufferMode, mode);
  state().depthMode = mode;
  boardStateChanged();
}

void grDepthBufferFunction(GrCmpFnc_t function) {
  traceCall(TraceOp::DepthBufferFunction, function);
  state().depthFunction = function;
  boardStateChanged();
}

void grDepthMask(FxBool enable) {
  traceCall(TraceOp::DepthMask, enable);
  state().depthMask = enable != FXFALSE;
  boardStateChanged();
}

void grDitherMode(GrDitherMode_t mode) {
  traceCall(TraceOp::DitherMode, mode);
  state().ditherMode = mode;
  boardStateChanged();
}

void grColorCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                    GrCombineOther_t other, FxBool invert) {
  traceCall(TraceOp::ColorCombine, function, factor, local, other, invert);
  state().colorCombine = unit(function, factor, local, other, invert);
  boardStateChanged();
}

void grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                    GrCombineOther_t other, FxBool invert) {
  traceCall(TraceOp::AlphaCombine, function, factor, local, other, invert);
  state().alphaCombine = unit(function, factor, local, other, invert);
  boardStateChanged();
}

// Only unit 0 exists; settings for other units are ignored.
void grTexCombine(GrChipID_t tmu, GrCombineFunction_t rgbFunction, GrCombineFactor_t rgbFactor,
                  GrCombineFunction_t alphaFunction, GrCombineFactor_t alphaFactor,
                  FxBool rgbInvert, FxBool alphaInvert) {
  traceCall(TraceOp::TexCombine, tmu, rgbFunction, rgbFactor, alphaFunction, alphaFactor, rgbInvert,
            alphaInvert);
  if (tmu != GR_TMU0) return;
  state().texColorCombine =
      unit(rgbFunction, rgbFactor, GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_ITERATED, rgbInvert);
  state().texAlphaCombine = unit(alphaFunction, alphaFactor, GR_COMBINE_LOCAL_ITERATED,
                                 GR_COMBINE_OTHER_ITERATED, alphaInvert);
  boardStateChanged();
}

void grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst,
                          GrAlphaBlendFnc_t alphaSrc, GrAlphaBlendFnc_t alphaDst) {
  traceCall(TraceOp::AlphaBlendFunction, rgbSrc, rgbDst, alphaSrc, alphaDst);
  PipelineState& s = state();
  s.blendSrc = rgbSrc;
  s.blendDst = rgbDst;
  s.blendAlphaSrc = alphaSrc;
  s.blendAlphaDst = alphaDst;
  boardStateChanged();
}

void grConstantColorValue(GrColor_t value) {
  traceCall(TraceOp::ConstantColorValue, value);
  board().constantColorValue = value;
  boardStateChanged();
}

void grChromakeyMode(GrChromakeyMode_t mode) {
  traceCall(TraceOp::ChromakeyMode, mode);
  state().chromaKey = mode == GR_CHROMAKEY_ENABLE;
  boardStateChanged();
}

void grChromakeyValue(GrColor_t value) {
  traceCall(TraceOp::ChromakeyValue, value);
  board().chromaKeyValue = value;
  boardStateChanged();
}

void guTexSource(GrMipMapId_t id) {
  traceCall(TraceOp::TexSource, id);
  board().textureId = id;
  state().texture = boundTextureFor(id);
  boardStateChanged();
}
