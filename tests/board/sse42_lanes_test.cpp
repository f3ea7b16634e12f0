// The SSE4.2 lanes' operations against the AVX2 instructions they stand
// for, on processors with SSE4.2.

#include <gtest/gtest.h>

#include "board/wide_code.h"

#if defined(WILDSKY_WIDE_CODE)
#define WILDSKY_SSE42_LANES 1
#include "board/lanes_sse2.h"
#include "tests/board/lane_set_checks.h"
#endif

#if defined(WILDSKY_LANES)

namespace {

class Sse42Lanes : public testing::Test {
 protected:
  void SetUp() override {
    if (!__builtin_cpu_supports("sse4.2")) GTEST_SKIP() << "the processor has no SSE4.2";
  }
};

TEST_F(Sse42Lanes, IntegerOperationsMatchTheirInstructions) { checkIntegerOperations(); }

TEST_F(Sse42Lanes, PacksSelectsAndHalvesMatchTheirInstructions) { checkPacksSelectsAndHalves(); }

TEST_F(Sse42Lanes, GathersReadOnlySelectedLanes) { checkGathersReadOnlySelectedLanes(); }

TEST_F(Sse42Lanes, DoubleOperationsMatchTheirInstructions) { checkDoubleOperations(); }

}  // namespace

#endif
