#include "vdrive/ReadFaults.h"

#include <algorithm>

#include "vdrive/Commands.h"

namespace tarnwick::vdrive {

namespace {

// splitmix64: a well-mixed 64-bit value from the seed, the block and its read number,
// the same on every platform and in every run.
std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

bool RandomFailure(const ReadFault& fault, std::uint32_t lba, std::uint32_t attempt) {
  const std::uint64_t draw = Mix(Mix(fault.seed) ^ (std::uint64_t{lba} << 32 | attempt));
  return static_cast<double>(draw >> 11) * 0x1.0p-53 < fault.chance;
}

}  // namespace

std::optional<Sense> ReadFaultFor(DriveState& state, std::uint32_t lba, std::uint32_t count) {
  const std::uint64_t end = std::uint64_t{lba} + count;
  std::optional<Sense> failure;
  for (const ReadFault& fault : state.model.readFaults) {
    const std::uint64_t faultEnd = std::uint64_t{fault.start} + fault.count;
    if (fault.start >= end || lba >= faultEnd) continue;
    if (fault.Always()) {
      if (!failure) failure = fault.sense;
      continue;
    }
    const std::uint64_t first = std::max<std::uint64_t>(lba, fault.start);
    const std::uint64_t last = std::min(end, faultEnd);
    for (std::uint64_t block = first; block < last; ++block) {
      const std::uint32_t attempt = state.faultReads[static_cast<std::uint32_t>(block)]++;
      const bool fails = fault.failFirst ? attempt < fault.failFirst
                                         : RandomFailure(fault, static_cast<std::uint32_t>(block), attempt);
      if (fails && !failure) failure = fault.sense;
    }
  }
  return failure;
}

}  // namespace tarnwick::vdrive
