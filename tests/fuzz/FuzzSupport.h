// What both fuzz targets need: the input served as files held in memory, and the
// memory one input may use at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/BulkMemory.h"
#include "vdrive/ImageFile.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNWICK_FUZZ_COUNTS_MEMORY 1
#include <sanitizer/allocator_interface.h>
#endif
#endif

// The input as files held in memory, so that no file of the machine is opened: the
// input up to the first kDataMarker is the disc at kDiscPath (an image, or a sheet or
// description whose reader is fuzzed), and what follows the marker (the whole input
// when it has none) is every other file a sheet may name beside it, whatever its
// name. Paths elsewhere name no file.
inline constexpr const char* kDiscPath = "/fuzz/disc";
inline constexpr const char kDataMarker[] = "\n--data--\n";

class FuzzFiles final : public tarnwick::vdrive::MemoryFiles {
 public:
  // The files are views of `data`, which must outlive the set.
  FuzzFiles(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t marker = input.find(std::string_view(kDataMarker, sizeof kDataMarker - 1));
    disc_ = input.substr(0, marker);
    data_ = marker == std::string_view::npos ? disc_ : input.substr(marker + sizeof kDataMarker - 1);
    tarnwick::vdrive::UseMemoryFiles(this);
  }
  ~FuzzFiles() override { tarnwick::vdrive::UseMemoryFiles(nullptr); }
  FuzzFiles(const FuzzFiles&) = delete;
  FuzzFiles& operator=(const FuzzFiles&) = delete;

  std::optional<std::string_view> Find(const std::string& path) const override {
    if (path == kDiscPath) return disc_;
    constexpr std::string_view dir = "/fuzz/";
    if (path.size() > dir.size() && path.starts_with(dir) && path.find('/', dir.size()) == std::string::npos)
      return data_;
    return std::nullopt;
  }

  std::uint64_t DiscBytes() const { return disc_.size(); }

 private:
  std::string_view disc_, data_;
};

// In a sanitizer build every allocation and release is counted, and an input whose
// live allocations grow by more than the limit aborts as a finding (records that make
// the tool's memory grow with what they claim rather than with the disc's size).
// Without a sanitizer nothing is counted.
namespace fuzz_memory {

inline constexpr std::int64_t kLimitBytes = std::int64_t{256} << 20;

inline std::atomic<std::int64_t> live{0};
inline std::atomic<bool> counting{false};

#if defined(TARNWICK_FUZZ_COUNTS_MEMORY)
extern "C" inline void OnAllocate(const volatile void*, std::size_t size) {
  if (!counting.load(std::memory_order_relaxed)) return;
  if (live.fetch_add(static_cast<std::int64_t>(size), std::memory_order_relaxed) + static_cast<std::int64_t>(size) >
      kLimitBytes) {
    counting = false;
    std::fprintf(stderr, "fuzz input needs more than %lld MB at once\n", static_cast<long long>(kLimitBytes >> 20));
    std::abort();
  }
}
extern "C" inline void OnRelease(const volatile void* pointer) {
  if (!counting.load(std::memory_order_relaxed) || pointer == nullptr) return;
  live.fetch_sub(static_cast<std::int64_t>(__sanitizer_get_allocated_size(const_cast<const void*>(pointer))),
                 std::memory_order_relaxed);
}
#endif

}  // namespace fuzz_memory

// Counts from its construction to its end. Memory the tool maps from the system for
// its record pools and read-ahead windows passes no allocator: it is held to the same
// limit by the bulk memory budget, whose refusal (an out-of-memory failure for the
// tool, which ends with a message) is a finding here.
class FuzzMemoryLimit {
 public:
  FuzzMemoryLimit() : refusals_(tarnwick::platform::BulkMemoryRefusals()) {
    tarnwick::platform::SetBulkMemoryBudget(static_cast<std::size_t>(fuzz_memory::kLimitBytes));
#if defined(TARNWICK_FUZZ_COUNTS_MEMORY)
    static const bool installed =
        __sanitizer_install_malloc_and_free_hooks(fuzz_memory::OnAllocate, fuzz_memory::OnRelease) != 0;
    (void)installed;
    fuzz_memory::live = 0;
    fuzz_memory::counting = true;
#endif
  }
  ~FuzzMemoryLimit() {
    fuzz_memory::counting = false;
    if (tarnwick::platform::BulkMemoryRefusals() != refusals_) {
      std::fprintf(stderr, "fuzz input needs more than %lld MB of mapped memory at once\n",
                   static_cast<long long>(fuzz_memory::kLimitBytes >> 20));
      std::abort();
    }
  }
  FuzzMemoryLimit(const FuzzMemoryLimit&) = delete;
  FuzzMemoryLimit& operator=(const FuzzMemoryLimit&) = delete;

 private:
  std::size_t refusals_;
};
