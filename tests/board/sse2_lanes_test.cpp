// The SSE2 lanes' operations against the AVX2 instructions they stand for.

#include <gtest/gtest.h>

#include "board/lanes_sse2.h"
#include "tests/board/lane_set_checks.h"

#if defined(WILDSKY_LANES)

TEST(Sse2Lanes, IntegerOperationsMatchTheirInstructions) { checkIntegerOperations(); }

TEST(Sse2Lanes, PacksSelectsAndHalvesMatchTheirInstructions) { checkPacksSelectsAndHalves(); }

TEST(Sse2Lanes, GathersReadOnlySelectedLanes) { checkGathersReadOnlySelectedLanes(); }

TEST(Sse2Lanes, DoubleOperationsMatchTheirInstructions) { checkDoubleOperations(); }

#endif
