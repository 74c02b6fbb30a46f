// Memory for many small records that live and die together (the records of an
// imported directory tree). It is asked of the system in large pieces which, where the
// system can, are backed by large pages: a tree of tens of thousands of records then
// costs a handful of page faults instead of thousands. Untouched memory costs nothing.
#pragma once

#include <cstddef>
#include <memory>

namespace tarnwick::platform {

struct BulkMemoryRelease {
  std::size_t bytes = 0;
  void operator()(void* memory) const;
};

using BulkMemory = std::unique_ptr<void, BulkMemoryRelease>;

// `bytes` of zero-filled memory aligned for any record; empty when the system has none
// or when it would take the bulk memory held at once past the budget.
BulkMemory AllocateBulkMemory(std::size_t bytes);

// A ceiling on the bulk memory the process holds at once; 0, the default, sets none.
// Bulk memory is taken from the system directly, where no allocator's count sees it:
// the budget lets a caller that limits memory (a fuzz run) limit this memory too.
void SetBulkMemoryBudget(std::size_t bytes);
// How many allocations the budget has refused since the process began.
std::size_t BulkMemoryRefusals();

// The system's side, one for each system: memory mapped for `bytes` (nullptr when
// there is none) and its release.
void* MapBulkMemory(std::size_t bytes);
void UnmapBulkMemory(void* memory, std::size_t bytes);

}  // namespace tarnwick::platform
