#include "app/tracked_memory.h"

#include <gtest/gtest.h>

TEST(TrackedMemory, CountersFollowTheHeapsBlockSizesSoEveryPairBalances) {
  const auto before = getTotalMemAllocated();
  void* block = memRealloc(nullptr, 100000);
  EXPECT_EQ(getTotalMemAllocated(), before + memBlockSize(block));
  EXPECT_GE(getTotalMemAllocatedMax(), before + 100000);
  block = memRealloc(block, 10);  // shrinking
  EXPECT_EQ(getTotalMemAllocated(), before + memBlockSize(block));
  memFree(block);
  memFree(nullptr);
  EXPECT_EQ(getTotalMemAllocated(), before);
}

TEST(TrackedMemoryDeathTest, ExhaustionPrintsTheReasonAndExitsMinusOne) {
  EXPECT_EXIT(memAlloc(SIZE_MAX / 2), testing::ExitedWithCode(255), "");
  EXPECT_EXIT(memRealloc(nullptr, SIZE_MAX / 2), testing::ExitedWithCode(255), "");
}
