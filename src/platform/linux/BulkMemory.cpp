#include "platform/BulkMemory.h"

#include <sys/mman.h>

#include <cstdint>

namespace tarnwick::platform {

namespace {
// The size of a large page on the systems this runs on; a large page needs memory
// aligned to it.
constexpr std::size_t kLargePage = std::size_t{2} << 20;
}  // namespace

void UnmapBulkMemory(void* memory, std::size_t bytes) { ::munmap(memory, bytes); }

void* MapBulkMemory(std::size_t bytes) {
  const bool large = bytes >= kLargePage;
  // A large piece is mapped with room to spare and cut to a large-page boundary.
  const std::size_t mapped = large ? bytes + kLargePage : bytes;
  void* memory = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  if (!large) return memory;

  auto* start = static_cast<std::uint8_t*>(memory);
  const std::size_t head = (kLargePage - reinterpret_cast<std::uintptr_t>(start) % kLargePage) % kLargePage;
  if (head > 0) ::munmap(start, head);
  if (mapped - head > bytes) ::munmap(start + head + bytes, mapped - head - bytes);
  // Large pages where the system offers them on request; a refusal changes nothing
  // but the number of page faults.
#ifdef MADV_HUGEPAGE
  ::madvise(start + head, bytes, MADV_HUGEPAGE);
#endif
  return start + head;
}

}  // namespace tarnwick::platform
