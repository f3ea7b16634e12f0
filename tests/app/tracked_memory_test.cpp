#include "app/tracked_memory.h"

#include <gtest/gtest.h>

TEST(TrackedMemory, AllocateAndFreeBalanceTheCounter) {
  const auto before = getTotalMemAllocated();
  void* block = memAlloc(1);
  EXPECT_EQ(getTotalMemAllocated(), before + memBlockSize(block));
  EXPECT_GE(memBlockSize(block), 1u);
  memFree(block);
  EXPECT_EQ(getTotalMemAllocated(), before);
  EXPECT_GE(getTotalMemAllocatedMax(), before + 1);
}

TEST(TrackedMemory, ReallocCountsOnlyTheNewBlockAndFreeOfNullDoesNothing) {
  const auto before = getTotalMemAllocated();
  const auto peakBefore = getTotalMemAllocatedMax();
  memFree(nullptr);
  EXPECT_EQ(getTotalMemAllocated(), before);
  EXPECT_EQ(getTotalMemAllocatedMax(), peakBefore);

  void* block = memRealloc(nullptr, 100);
  EXPECT_EQ(getTotalMemAllocated(), before + memBlockSize(block));
  block = memRealloc(block, 100000);
  EXPECT_EQ(getTotalMemAllocated(), before + memBlockSize(block));
  const auto peakAfterGrowth = getTotalMemAllocatedMax();
  block = memRealloc(block, 10);
  EXPECT_EQ(getTotalMemAllocated(), before + memBlockSize(block));
  EXPECT_EQ(getTotalMemAllocatedMax(), peakAfterGrowth);
  EXPECT_GE(getTotalMemAllocatedMax(), getTotalMemAllocated());
  memFree(block);
  EXPECT_EQ(getTotalMemAllocated(), before);
}

TEST(TrackedMemory, InverseIndexMapsOldPositionToNewPositionAndKey) {
  const KeyPair pairs[] = {{2, 10.0f}, {0, 11.0f}, {1, 12.0f}};
  InverseIndexEntry* table = memAllocInverseIndex(pairs, 3);
  EXPECT_EQ(table[0].newPosition, 1);
  EXPECT_EQ(table[0].key, 11.0f);
  EXPECT_EQ(table[1].newPosition, 2);
  EXPECT_EQ(table[1].key, 12.0f);
  EXPECT_EQ(table[2].newPosition, 0);
  EXPECT_EQ(table[2].key, 10.0f);
  memFree(table);
}

TEST(TrackedMemoryDeathTest, ExhaustionPrintsTheReasonAndExitsMinusOne) {
  EXPECT_EXIT(memAlloc(SIZE_MAX / 2), testing::ExitedWithCode(255), "");
  EXPECT_EXIT(memRealloc(nullptr, SIZE_MAX / 2), testing::ExitedWithCode(255), "");
}
