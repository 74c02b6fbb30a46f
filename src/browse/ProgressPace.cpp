#include "browse/ProgressPace.h"

namespace tarnwick {

bool TProgressPace::Due(std::uint64_t done, std::uint64_t total) {
  const auto now = clock_();
  if (drawn_ && done < total && now - last_ < kInterval) return false;
  drawn_ = true;
  last_ = now;
  return true;
}

}  // namespace tarnwick
