#include <gtest/gtest.h>

#include "platform/BulkMemory.h"

namespace tarnwick::platform {
namespace {

// Bulk memory held at once stays under the budget: a piece that would pass it is
// refused and counted, and a released piece makes room again.
TEST(BulkMemory, TheBudgetRefusesWhatWouldPassItAndCountsEachRefusal) {
  constexpr std::size_t kPiece = std::size_t{64} << 10;
  const std::size_t refusalsBefore = BulkMemoryRefusals();
  SetBulkMemoryBudget(2 * kPiece);
  BulkMemory first = AllocateBulkMemory(kPiece);
  BulkMemory second = AllocateBulkMemory(kPiece);
  ASSERT_TRUE(first && second);
  EXPECT_FALSE(AllocateBulkMemory(1));
  EXPECT_EQ(BulkMemoryRefusals(), refusalsBefore + 1);
  second.reset();
  EXPECT_TRUE(AllocateBulkMemory(kPiece));
  SetBulkMemoryBudget(0);
  EXPECT_TRUE(AllocateBulkMemory(4 * kPiece));
  EXPECT_EQ(BulkMemoryRefusals(), refusalsBefore + 1);
}

}  // namespace
}  // namespace tarnwick::platform
