#include "drive/SectorRescue.h"

#include <algorithm>

#include "platform/Platform.h"

namespace tarnwick {

namespace {
constexpr std::uint8_t kIllegalRequest = 0x05;
}  // namespace

bool TSectorRescue::TimeUp() const {
  return policy_.deadlineMs != 0 && platform::Clock().NowMs() >= policy_.deadlineMs;
}

void TSectorRescue::Add(std::vector<TSectorSpan>& list, std::uint32_t first, std::uint32_t count) {
  if (count == 0) return;
  if (!list.empty() && list.back().end() == first) {
    list.back().count += count;
    return;
  }
  list.push_back({first, count});
}

void TSectorRescue::AddBad(std::uint32_t lba) {
  if (bad_.empty()) firstError_ = drive_.LastErrorText;
  Add(bad_, lba, 1);
}

TSectorRescue::Outcome TSectorRescue::Failed(std::uint32_t lba, std::uint32_t events) {
  // A drive that reports a changed medium (or one not ready) may hold another disc
  // now: reading on would take that disc's sectors for these.
  if (drive_.MediumEvents() != events) {
    end_ = TRescueEnd::MediumChanged;
  } else if ((drive_.LastSense[2] & 0x0F) == kIllegalRequest) {
    // The drive says the address holds no data it could read (beyond the disc, between
    // sessions, an audio track): no scratch, and nothing retries would bring back.
    end_ = TRescueEnd::NotOnDisc;
  } else {
    return Outcome::Bad;
  }
  endLba_ = lba;
  return Outcome::End;
}

TSectorRescue::Outcome TSectorRescue::ReadRun(std::uint32_t lba, std::uint16_t count) {
  const std::uint32_t events = drive_.MediumEvents();
  if (drive_.ReadSectorsInto(lba, count, buffer_)) return Outcome::Good;
  // A run the drive refuses as not on the disc may begin with sectors that are: read
  // one by one, the refusal is pinned to its first sector.
  if (count > 1 && drive_.MediumEvents() == events && (drive_.LastSense[2] & 0x0F) == kIllegalRequest)
    return Outcome::Bad;
  return Failed(lba, events);
}

TSectorRescue::Outcome TSectorRescue::ReadOne(std::uint32_t lba) {
  for (unsigned attempt = 0; attempt <= policy_.retries; ++attempt) {
    if (attempt > 0 && TimeUp()) break;
    const Outcome outcome = ReadRun(lba, 1);
    if (outcome != Outcome::Bad) return outcome;
  }
  AddBad(lba);
  if (policy_.stopAtBad) {
    end_ = TRescueEnd::BadSector;
    endLba_ = lba;
    return Outcome::End;
  }
  return Outcome::Bad;
}

TRescueEnd TSectorRescue::Forward(TSectorSpan span, const TDeliver& deliver) {
  const TRescueEnd end = ForwardPass(span, deliver);
  // Work that ends early never comes back: what it skipped stays untried.
  if (end != TRescueEnd::Complete) {
    for (const TSectorSpan& s : skipped_) Add(untried_, s.first, s.count);
    skipped_.clear();
  }
  return end;
}

TRescueEnd TSectorRescue::ForwardPass(TSectorSpan span, const TDeliver& deliver) {
  end_ = TRescueEnd::Complete;
  std::uint64_t pos = span.first;
  const std::uint64_t end = span.end();
  std::uint32_t skip = kRunSectors;
  bool lastBad = false;     // the sector before pos stayed unreadable
  bool afterSkip = false;   // pos is where a skip landed
  // Hands sectors on that are not read now; skipped ones are kept for Return.
  auto pass = [&](std::uint64_t count, std::vector<TSectorSpan>* keep) {
    if (keep) Add(*keep, static_cast<std::uint32_t>(pos), static_cast<std::uint32_t>(count));
    const bool go = deliver(static_cast<std::uint32_t>(pos), nullptr, static_cast<std::uint32_t>(count));
    pos += count;
    return go;
  };
  auto skipAhead = [&](std::uint64_t rest) {
    const std::uint64_t count = std::min<std::uint64_t>(rest + skip, end - pos);
    skip = std::min(skip * 2, kMaxSkip);
    afterSkip = true;
    return pass(count, &skipped_);
  };

  while (pos < end) {
    if (TimeUp()) {
      pass(end - pos, &untried_);
      return end_ = TRescueEnd::TimeUp;
    }
    const auto count = static_cast<std::uint16_t>(std::min<std::uint64_t>(kRunSectors, end - pos));
    const Outcome run = ReadRun(static_cast<std::uint32_t>(pos), count);
    if (run == Outcome::End) return end_;
    if (run == Outcome::Good) {
      if (!deliver(static_cast<std::uint32_t>(pos), buffer_.data(), count)) return end_ = TRescueEnd::Stopped;
      pos += count;
      lastBad = afterSkip = false;
      skip = kRunSectors;
      continue;
    }
    // Still in a bad area after a skip: skip further rather than read sector by sector.
    if (afterSkip && policy_.skipAhead) {
      if (!skipAhead(0)) return end_ = TRescueEnd::Stopped;
      continue;
    }
    const std::uint64_t runEnd = pos + count;
    while (pos < runEnd) {
      const Outcome one = ReadOne(static_cast<std::uint32_t>(pos));
      if (one == Outcome::End) return end_;
      if (one == Outcome::Good) {
        if (!deliver(static_cast<std::uint32_t>(pos), buffer_.data(), 1)) return end_ = TRescueEnd::Stopped;
        ++pos;
        lastBad = afterSkip = false;
        continue;
      }
      if (!pass(1, nullptr)) return end_ = TRescueEnd::Stopped;
      if (lastBad && policy_.skipAhead) {
        if (!skipAhead(runEnd - pos)) return end_ = TRescueEnd::Stopped;
        break;
      }
      lastBad = true;
    }
  }
  return end_;
}

TRescueEnd TSectorRescue::Return(const TDeliver& recovered) {
  end_ = TRescueEnd::Complete;
  std::vector<TSectorSpan> areas;
  areas.swap(skipped_);
  for (std::size_t i = 0; i < areas.size(); ++i) {
    const TSectorSpan area = areas[i];
    std::uint64_t hi = area.end();
    // The sectors of this area and the areas after it that were never read.
    auto leave = [&] {
      Add(untried_, area.first, static_cast<std::uint32_t>(hi - area.first));
      for (std::size_t j = i + 1; j < areas.size(); ++j) Add(untried_, areas[j].first, areas[j].count);
    };
    // Past a bad area's edge the reader skips backwards as it skipped forwards, so a
    // second bad area inside the skipped stretch does not hide the good data before it.
    std::uint32_t skip = kRunSectors;
    bool lastBad = false, afterSkip = false;
    auto skipBack = [&] {
      const std::uint64_t count = std::min<std::uint64_t>(skip, hi - area.first);
      hi -= count;
      Add(untried_, static_cast<std::uint32_t>(hi), static_cast<std::uint32_t>(count));
      skip = std::min(skip * 2, kMaxSkip);
      afterSkip = true;
      lastBad = false;
    };
    while (hi > area.first) {
      if (TimeUp()) {
        leave();
        return end_ = TRescueEnd::TimeUp;
      }
      const auto count = static_cast<std::uint16_t>(std::min<std::uint64_t>(kRunSectors, hi - area.first));
      const std::uint64_t lo = hi - count;
      const Outcome run = ReadRun(static_cast<std::uint32_t>(lo), count);
      if (run == Outcome::End) {
        leave();
        return end_;
      }
      if (run == Outcome::Good) {
        if (!recovered(static_cast<std::uint32_t>(lo), buffer_.data(), count)) {
          leave();
          return end_ = TRescueEnd::Stopped;
        }
        hi = lo;
        lastBad = afterSkip = false;
        skip = kRunSectors;
        continue;
      }
      if (afterSkip) {
        skipBack();
        continue;
      }
      // Backwards one sector at a time, until the bad area's other edge.
      bool edge = false;
      while (hi > lo && !edge) {
        const auto lba = static_cast<std::uint32_t>(hi - 1);
        const Outcome one = ReadOne(lba);
        if (one == Outcome::End) {
          if (end_ != TRescueEnd::BadSector) leave();
          return end_;
        }
        --hi;
        if (one == Outcome::Good) {
          if (!recovered(lba, buffer_.data(), 1)) {
            leave();
            return end_ = TRescueEnd::Stopped;
          }
          lastBad = false;
        } else {
          edge = lastBad;
          lastBad = true;
        }
      }
      if (edge) skipBack();
    }
  }
  return end_;
}

}  // namespace tarnwick
