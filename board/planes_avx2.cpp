// Set-up's planes in AVX2 lanes.

#include "board/lanes_avx2.h"
#include "board/plane_lanes.h"

const PlaneLaneForms* avx2PlaneForms() {
#if defined(WILDSKY_LANES)
  return &PLANE_LANE_FORMS;
#else
  return nullptr;
#endif
}
