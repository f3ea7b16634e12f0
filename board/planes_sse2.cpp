// Set-up's planes in SSE2 lanes, for processors without SSE4.2 or AVX2.

#include "board/lanes_sse2.h"
#include "board/plane_lanes.h"

const PlaneLaneForms* sse2PlaneForms() {
#if defined(WILDSKY_LANES)
  return &PLANE_LANE_FORMS;
#else
  return nullptr;
#endif
}
