// Bulk memory as the system gives it, counted against the process's budget.
#include "platform/BulkMemory.h"

#include <atomic>

namespace tarnwick::platform {

namespace {

std::atomic<std::size_t> budget{0};
std::atomic<std::size_t> held{0};
std::atomic<std::size_t> refusals{0};

}  // namespace

void SetBulkMemoryBudget(std::size_t bytes) { budget = bytes; }

std::size_t BulkMemoryRefusals() { return refusals; }

void BulkMemoryRelease::operator()(void* memory) const {
  if (memory == nullptr) return;
  UnmapBulkMemory(memory, bytes);
  held -= bytes;
}

BulkMemory AllocateBulkMemory(std::size_t bytes) {
  if (bytes == 0) return BulkMemory(nullptr, BulkMemoryRelease{0});
  const std::size_t limit = budget;
  const std::size_t before = held.fetch_add(bytes);
  if (limit != 0 && (before + bytes > limit || before + bytes < before)) {
    held -= bytes;
    ++refusals;
    return BulkMemory(nullptr, BulkMemoryRelease{0});
  }
  void* memory = MapBulkMemory(bytes);
  if (memory == nullptr) {
    held -= bytes;
    return BulkMemory(nullptr, BulkMemoryRelease{0});
  }
  return BulkMemory(memory, BulkMemoryRelease{bytes});
}

}  // namespace tarnwick::platform
