#include "platform/BulkMemory.h"

#include "platform/win32/SystemHeaders.h"

namespace tarnwick::platform {

void UnmapBulkMemory(void* memory, std::size_t) { ::VirtualFree(memory, 0, MEM_RELEASE); }

void* MapBulkMemory(std::size_t bytes) {
  // Large pages need a privilege ordinary users lack; committed pages are zero-filled
  // and only backed when first touched.
  return ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

}  // namespace tarnwick::platform
