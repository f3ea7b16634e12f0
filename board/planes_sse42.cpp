// Set-up's planes in SSE4.2 lanes, for processors with it but without AVX2.

#include "board/wide_code.h"

#if defined(WILDSKY_WIDE_CODE)
#define WILDSKY_SSE42_LANES 1
#include "board/lanes_sse2.h"
#include "board/plane_lanes.h"
#endif

#include "board/plane_builder.h"

const PlaneLaneForms* sse42PlaneForms() {
#if defined(WILDSKY_LANES)
  return &PLANE_LANE_FORMS;
#else
  return nullptr;
#endif
}
