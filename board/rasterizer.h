#pragma once
// Drawing a triangle. A band of rows can be drawn on its own: the pixels of
// a row never depend on the rows drawn before it.

#include "board/pipeline_state.h"
#include "render/glide.h"

// Sets up the triangle and draws its rows within [rowBegin, rowEnd). One
// wholly behind the depth buffer there is dropped once its depth plane is
// known, before the rest of its set-up.
void drawTriangle(const PipelineState& state, const GrVertex& a, const GrVertex& b,
                  const GrVertex& c, bool originLowerLeft, const SpanTarget& target, int rowBegin,
                  int rowEnd);
