// The wide span loops on AVX2, and the choice of the loops' instruction set.

#include "board/span_wide.h"

#include <cstdlib>
#include <cstring>

#include "board/lanes_avx2.h"
#include "board/wide_span_loops.h"

namespace {

// The widest lanes the processor has.
SpanLanes widestLanes() {
#if defined(WILDSKY_WIDE_CODE)
  if (__builtin_cpu_supports("avx2")) return SpanLanes::Avx2;
  if (__builtin_cpu_supports("sse4.2")) return SpanLanes::Sse42;
#endif
#if defined(__SSE2__)
  return SpanLanes::Sse2;
#else
  return SpanLanes::Scalar;
#endif
}

// The lanes asked for, or the widest the processor has below them.
SpanLanes availableLanes(SpanLanes asked) {
  const SpanLanes widest = widestLanes();
  return int(asked) <= int(widest) ? asked : widest;
}

// The widest lanes, narrowed by WILDSKY_BOARD_SIMD: "0" for the scalar
// loops, "sse2" or "sse4.2" for those lanes.
SpanLanes lanesFromEnvironment() {
  const char* setting = std::getenv("WILDSKY_BOARD_SIMD");
  if (setting == nullptr) return widestLanes();
  if (std::strcmp(setting, "0") == 0) return SpanLanes::Scalar;
  if (std::strcmp(setting, "sse2") == 0) return availableLanes(SpanLanes::Sse2);
  if (std::strcmp(setting, "sse4.2") == 0) return availableLanes(SpanLanes::Sse42);
  return widestLanes();
}

}  // namespace

// Read before this file's static initialisation (no board call runs
// then), the setting would be the scalar lanes, which give the same pixels.
SpanLanes span_lanes_detail::current = lanesFromEnvironment();

void useSpanLanes(SpanLanes lanes) { span_lanes_detail::current = availableLanes(lanes); }

RowsFunction wideRowsFunction([[maybe_unused]] SpanKind kind, [[maybe_unused]] int depthSlot) {
#if defined(WILDSKY_LANES)
  return wideRowsOf(kind, depthSlot);
#else
  return nullptr;
#endif
}
