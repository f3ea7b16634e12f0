#include "app/tracked_memory.h"

#include <gtest/gtest.h>

TEST(TrackedMemoryDeathTest, ExhaustionPrintsTheReasonAndExitsMinusOne) {
  EXPECT_EXIT(memAlloc(SIZE_MAX / 2), testing::ExitedWithCode(255), "");
  EXPECT_EXIT(memRealloc(nullptr, SIZE_MAX / 2), testing::ExitedWithCode(255), "");
}
