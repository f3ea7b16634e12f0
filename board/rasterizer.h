#pragma once
// Drawing a set-up triangle. A band of rows can be drawn on its own: the
// pixels of a row never depend on the rows drawn before it.

#include "board/pipeline_state.h"
#include "board/triangle_setup.h"

void drawTriangleRows(const PipelineState& state, const TriangleSetup& triangle,
                      const SpanTarget& target, int rowBegin, int rowEnd);
