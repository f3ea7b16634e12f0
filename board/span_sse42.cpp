// The wide span loops on SSE4.2, for processors with it but without AVX2.

#include "board/wide_code.h"

#if defined(WILDSKY_WIDE_CODE)
#define WILDSKY_SSE42_LANES 1
#include "board/lanes_sse2.h"
#include "board/wide_span_loops.h"
#endif

#include "board/span_wide.h"

RowsFunction sse42RowsFunction([[maybe_unused]] SpanKind kind, [[maybe_unused]] int depthSlot) {
#if defined(WILDSKY_LANES)
  return wideRowsOf(kind, depthSlot);
#else
  return nullptr;
#endif
}
