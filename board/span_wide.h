#pragma once
// Row loops that shade eight pixels at a time with AVX2, for machines that
// have it (asked once, at run time). Each gives exactly the pixels of the
// scalar loop for the same kind and depth function.

#include "board/pipeline_state.h"
#include "board/span_kinds.h"

// Whether the wide loops run here: the processor has AVX2 and they are not
// switched off (WILDSKY_BOARD_SIMD=0 in the environment, or useWideSpans).
bool wideSpansEnabled();

// Tests and benchmarks: switch the wide loops on (where the processor has
// them) or off, so that both paths can be compared. Takes effect at the
// next state change.
void useWideSpans(bool enabled);

// The wide loop over a triangle's rows for a kind and depth slot (a
// GrCmpFnc_t, or DEPTH_OFF); null when the kind has none.
RowsFunction wideRowsFunction(SpanKind kind, int depthSlot);
