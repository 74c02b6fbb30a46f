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

// `bytes` of zero-filled memory aligned for any record; empty when the system has none.
BulkMemory AllocateBulkMemory(std::size_t bytes);

}  // namespace tarnwick::platform
