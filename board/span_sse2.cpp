// The wide span loops on SSE2, for processors without SSE4.2 or AVX2.

#include "board/lanes_sse2.h"
#include "board/span_wide.h"
#include "board/wide_span_loops.h"

RowsFunction sse2RowsFunction([[maybe_unused]] SpanKind kind, [[maybe_unused]] int depthSlot) {
#if defined(WILDSKY_LANES)
  return wideRowsOf(kind, depthSlot);
#else
  return nullptr;
#endif
}
