#pragma once
// A triangle wholly behind what the depth buffer holds writes nothing;
// finding that from its corners' depths and a scan of the stored depths
// under its pixel box is cheaper than the rest of its set-up and walking
// its spans.

#include "board/pipeline_state.h"
#include "board/triangle_setup.h"

// True only when no pixel of the triangle's rows [rowBegin, rowEnd) can pass
// the depth test, so drawing them would change nothing. False whenever it
// cannot tell: no depth test, an equality test, or a plane too steep to
// bound. The triangle needs only its pixel box (setUpBox).
bool hiddenByDepth(const PipelineState& state, const TriangleSetup& triangle,
                   const SnappedCorners& corners, const SpanTarget& target, int rowBegin,
                   int rowEnd);

// Culling is on from the start; tests turn it off to compare.
void useDepthCull(bool enabled);
