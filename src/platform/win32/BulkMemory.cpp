#include "platform/BulkMemory.h"

#include "platform/win32/SystemHeaders.h"

namespace tarnwick::platform {

void BulkMemoryRelease::operator()(void* memory) const {
  if (memory != nullptr) ::VirtualFree(memory, 0, MEM_RELEASE);
}

BulkMemory AllocateBulkMemory(std::size_t bytes) {
  if (bytes == 0) return BulkMemory(nullptr, BulkMemoryRelease{0});
  // Large pages need a privilege ordinary users lack; committed pages are zero-filled
  // and only backed when first touched.
  void* memory = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  return BulkMemory(memory, BulkMemoryRelease{bytes});
}

}  // namespace tarnwick::platform
