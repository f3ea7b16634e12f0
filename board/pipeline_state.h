#pragma once
// The state a span loop needs, in one small record: a snapshot of it can be
// queued with each set-up triangle.

#include "board/pixel_math.h"
#include "board/texture_sampler.h"
#include "render/glide.h"

struct CombineUnit {
  GrCombineFunction_t function;
  GrCombineFactor_t factor;
  GrCombineLocal_t local;
  GrCombineOther_t other;
  bool invert;
};

struct TriangleSetup;
struct PipelineState;
struct SpanTarget;

// Draws columns c0..c1 (inclusive, inside the screen) of one buffer row of a
// set-up triangle.
using SpanFunction = void (*)(const PipelineState& state, const TriangleSetup& triangle,
                              const SpanTarget& target, int row, int c0, int c1);

// Draws buffer rows rowBegin..rowEnd - 1 (inside the triangle's rows) of a
// set-up triangle, each row's covered span with what spans share prepared once.
using RowsFunction = void (*)(const PipelineState& state, const TriangleSetup& triangle,
                              const SpanTarget& target, int rowBegin, int rowEnd);

struct PipelineState {
  CombineUnit colorCombine;
  CombineUnit alphaCombine;
  CombineUnit texColorCombine;
  CombineUnit texAlphaCombine;
  Rgba8 constantColor;
  GrAlphaBlendFnc_t blendSrc, blendDst, blendAlphaSrc, blendAlphaDst;
  GrDepthBufferMode_t depthMode;
  GrCmpFnc_t depthFunction;
  bool depthMask;
  bool chromaKey;
  Rgba8 chromaKeyColor;
  GrDitherMode_t ditherMode;
  const BoundTexture* texture;  // null: a placeholder white texel
  bool usesTexture;             // some combine input reads the texel
  SpanFunction span;            // chosen when the state changes
  RowsFunction rows;            // null: the rows are drawn span by span
};

// Where spans draw: one colour buffer and the depth buffer, rows top to bottom.
struct SpanTarget {
  std::uint16_t* color;
  std::uint16_t* depth;
  int stride;  // pixels per row
};

PipelineState defaultPipelineState();

// Whether a combine input reads the texture unit's output.
bool combineReadsTexture(const PipelineState& state);

// Picks the span loop for the state: a specialised loop when one matches,
// else the general pipeline. Sets state.span, state.rows and state.usesTexture.
void chooseSpanFunction(PipelineState& state);

// The general pipeline, the reference every specialised loop must match.
void drawSpanGeneral(const PipelineState& state, const TriangleSetup& triangle,
                     const SpanTarget& target, int row, int c0, int c1);

// Tests: make chooseSpanFunction always pick the general pipeline.
void forceGeneralSpans(bool force);
