#pragma once
// Row loops that shade eight pixels at a time: with AVX2 where the
// processor has it (asked once, at run time), else with SSE4.2, else with
// SSE2. Each gives exactly the pixels of the scalar loop for the same kind
// and depth function.

#include "board/pipeline_state.h"
#include "board/span_kinds.h"

// The instruction sets of the span loops, narrowest first.
enum class SpanLanes { Scalar, Sse2, Sse42, Avx2 };

// Tests and benchmarks: draw with these lanes, or the widest the processor
// has below them. Set-up takes them at once, the span loops at the next
// state change.
void useSpanLanes(SpanLanes lanes);

namespace span_lanes_detail {
extern SpanLanes current;  // the setting spanLanes() returns
}

// The span loops' instruction set: the widest the processor has, unless
// WILDSKY_BOARD_SIMD in the environment asks for "0" (scalar), "sse2" or
// "sse4.2".
// Inline: set-up asks for every triangle.
inline SpanLanes spanLanes() { return span_lanes_detail::current; }

// Whether the AVX2 loops run here (set-up's first stage and the depth cull
// then use AVX2 too).
inline bool wideSpansEnabled() { return span_lanes_detail::current == SpanLanes::Avx2; }

// The wide loop over a triangle's rows for a kind and depth slot (a
// GrCmpFnc_t, or DEPTH_OFF); null when the kind has none. AVX2 lanes, then
// SSE4.2 and SSE2 lanes.
RowsFunction wideRowsFunction(SpanKind kind, int depthSlot);
RowsFunction sse42RowsFunction(SpanKind kind, int depthSlot);
RowsFunction sse2RowsFunction(SpanKind kind, int depthSlot);
