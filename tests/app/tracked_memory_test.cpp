#include "app/tracked_memory.h"

#include <gtest/gtest.h>

TEST(TrackedMemory, CountersFollowTheHeapsBlockSizesSoEveryPairBalances) {
  const auto before = getTotalMemAllocated();
  void* block = memAlloc(1);
  EXPECT_GE(memBlockSize(block), 1u);
  EXPECT_EQ(getTotalMemAllocated(), before + memBlockSize(block));
  memFree(block);
  memFree(nullptr);
  EXPECT_EQ(getTotalMemAllocated(), before);
  for (std::size_t size : {100, 100000, 10}) {  // from null, growing, shrinking
    block = memRealloc(size == 100 ? nullptr : block, size);
    EXPECT_EQ(getTotalMemAllocated(), before + memBlockSize(block));
  }
  EXPECT_GE(getTotalMemAllocatedMax(), before + 100000);
  memFree(block);
  EXPECT_EQ(getTotalMemAllocated(), before);
}

TEST(TrackedMemoryDeathTest, ExhaustionPrintsTheReasonAndExitsMinusOne) {
  EXPECT_EXIT(memAlloc(SIZE_MAX / 2), testing::ExitedWithCode(255), "");
  EXPECT_EXIT(memRealloc(nullptr, SIZE_MAX / 2), testing::ExitedWithCode(255), "");
}
