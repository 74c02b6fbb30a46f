#include "browse/ProgressPace.h"

#include <algorithm>
#include <cmath>

#include "browse/Formatting.h"

namespace tarnwick {

bool TProgressPace::Due(std::uint64_t done, std::uint64_t total) {
  const auto now = clock_();
  if (drawn_ && done < total && now - last_ < kInterval) return false;
  drawn_ = true;
  last_ = now;
  return true;
}

void TProgressRate::Add(std::uint64_t done) {
  const auto now = clock_();
  // A count that goes back belongs to another measure: start again.
  if (!started_ || done < lastBytes_) {
    started_ = true;
    start_ = spanStart_ = last_ = now;
    startBytes_ = spanBytes_ = lastBytes_ = done;
    rate_ = 0;
    return;
  }
  last_ = now;
  lastBytes_ = done;
  const std::chrono::duration<double> span = now - spanStart_;
  if (span < kSpan) return;
  const double spanRate = static_cast<double>(done - spanBytes_) / span.count();
  // The first span sets the rate; later ones move it by their weight.
  const double weight = rate_ == 0 ? 1.0 : 1.0 - std::exp(-span / std::chrono::duration<double>(kMemory));
  rate_ += weight * (spanRate - rate_);
  spanStart_ = now;
  spanBytes_ = done;
}

double TProgressRate::BytesPerSecond() const {
  if (!started_ || last_ - start_ < kSettle || lastBytes_ - startBytes_ < kLeastBytes) return 0;
  return rate_;
}

std::string TimeLeftText(std::uint64_t seconds) {
  if (seconds >= 100 * 3600) return "more than 99 h left";
  const std::uint64_t hours = seconds / 3600, minutes = seconds / 60 % 60, rest = seconds % 60;
  std::string text = "about ";
  if (hours > 0) {
    text += std::to_string(hours) + " h";
    if (minutes > 0) text += " " + std::to_string(minutes) + " min";
  } else if (minutes > 0) {
    text += std::to_string(minutes) + " min";
    if (rest > 0) text += " " + std::to_string(rest) + " s";
  } else {
    text += std::to_string(std::max<std::uint64_t>(rest, 1)) + " s";
  }
  return text + " left";
}

std::string PaceText(const TProgressRate& rate, std::uint64_t bytesLeft, const std::string& decimalSeparator) {
  const double perSecond = rate.BytesPerSecond();
  if (!(perSecond > 0)) return {};
  std::string text = ", " + RateText(perSecond, decimalSeparator);
  if (bytesLeft == 0) return text;
  // Rounded up: "about 0 s" would say it is over.
  const double seconds = std::ceil(static_cast<double>(bytesLeft) / perSecond);
  return text + ", " + TimeLeftText(seconds >= 1e9 ? std::uint64_t{1'000'000'000} : static_cast<std::uint64_t>(seconds));
}

}  // namespace tarnwick
