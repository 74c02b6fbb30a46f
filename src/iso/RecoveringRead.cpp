#include "iso/RecoveringRead.h"

#include <algorithm>
#include <array>
#include <memory>

#include "platform/Plural.h"

namespace tarnwick {

namespace {

constexpr std::uint64_t kSector = 2048;
// Ranges named in one line of damage text; the rest are counted.
constexpr std::size_t kRangesShown = 8;

const std::uint8_t* Zeros() {
  static const std::array<std::uint8_t, TSectorRescue::kRunSectors * kSector> zeros{};
  return zeros.data();
}

// The spans in ascending order, those that touch joined.
std::vector<TSectorSpan> Merged(std::vector<TSectorSpan> spans) {
  std::sort(spans.begin(), spans.end(), [](const TSectorSpan& a, const TSectorSpan& b) { return a.first < b.first; });
  std::vector<TSectorSpan> out;
  for (const TSectorSpan& s : spans) {
    if (!out.empty() && s.first <= out.back().end()) {
      out.back().count = static_cast<std::uint32_t>(std::max(out.back().end(), s.end()) - out.back().first);
    } else {
      out.push_back(s);
    }
  }
  return out;
}

template <typename T>
std::string RangesText(const std::vector<std::pair<T, T>>& ranges) {
  std::string text;
  for (std::size_t i = 0; i < ranges.size() && i < kRangesShown; ++i) {
    if (i) text += ", ";
    text += std::to_string(ranges[i].first);
    if (ranges[i].second != ranges[i].first) text += "-" + std::to_string(ranges[i].second);
  }
  if (ranges.size() > kRangesShown) text += " and " + std::to_string(ranges.size() - kRangesShown) + " more";
  return text;
}

}  // namespace

TRecoverResult RecoverEntryData(TSCSIDevice& drive, const TFEntry& entry, const TReadPolicy& policy,
                                const TDataSink& sink, const TPatchSink& patch, TFileDamage& damage,
                                std::uint32_t* failedLba) {
  damage = {};
  damage.status = TFileStatus::Unreadable;
  TRescuePolicy rescuePolicy;
  rescuePolicy.retries = policy.retries;
  rescuePolicy.deadlineMs = policy.deadlineMs;
  rescuePolicy.stopAtBad = policy.onError == TOnError::Skip;
  rescuePolicy.skipAhead = policy.onError == TOnError::Fill && patch != nullptr;
  // Every extent is read forwards first, handing the file on in order; the returns to
  // skipped areas come after the last, so that no write out of order falls between.
  struct RunRead {
    TExtent run;
    std::uint64_t base;  // the file offset of the run's first byte
    std::unique_ptr<TSectorRescue> rescue;
    // The file's offset and length of `count` sectors from `lba`.
    std::pair<std::uint64_t, std::uint64_t> Piece(std::uint32_t lba, std::uint32_t count) const {
      const std::uint64_t offset = (lba - run.Lba) * kSector;
      return {base + offset, std::min<std::uint64_t>(count * kSector, run.Bytes - offset)};
    }
  };
  std::vector<RunRead> reads;
  bool timeUp = false;
  auto ended = [&](TRescueEnd end, const TSectorRescue& rescue) {
    if (failedLba) *failedLba = rescue.EndLba();
    damage.firstError = rescue.FirstError();
    if (end == TRescueEnd::BadSector) damage.status = TFileStatus::Skipped;
    switch (end) {
      case TRescueEnd::Stopped: return TRecoverResult::Stopped;
      case TRescueEnd::MediumChanged: return TRecoverResult::MediumChanged;
      case TRescueEnd::NotOnDisc: return TRecoverResult::NotOnDisc;
      default: return TRecoverResult::Skipped;
    }
  };

  std::uint64_t base = 0;
  for (const TExtent& run : EntryDataRuns(entry)) {
    const std::uint64_t sectors = (run.Bytes + kSector - 1) / kSector;
    if (sectors == 0) continue;
    if (run.Lba + sectors - 1 > UINT32_MAX || sectors > UINT32_MAX) {
      if (failedLba) *failedLba = run.Lba;
      return TRecoverResult::NotOnDisc;
    }
    reads.push_back({run, base, std::make_unique<TSectorRescue>(drive, rescuePolicy)});
    base += run.Bytes;
    const RunRead& read = reads.back();
    const TSectorRescue::TDeliver deliver = [&](std::uint32_t lba, const std::uint8_t* data, std::uint32_t count) {
      const std::uint64_t length = read.Piece(lba, count).second;
      if (data) return sink(data, static_cast<std::size_t>(length));
      for (std::uint64_t done = 0; done < length;) {
        const std::uint64_t n = std::min<std::uint64_t>(length - done, TSectorRescue::kRunSectors * kSector);
        if (!sink(Zeros(), static_cast<std::size_t>(n))) return false;
        done += n;
      }
      return true;
    };
    const TRescueEnd end = read.rescue->Forward({run.Lba, static_cast<std::uint32_t>(sectors)}, deliver);
    if (end == TRescueEnd::TimeUp) timeUp = true;  // the runs left are handed on as zeros, untried
    else if (end != TRescueEnd::Complete) return ended(end, *read.rescue);
  }

  for (const RunRead& read : reads) {
    if (!rescuePolicy.skipAhead) break;
    const TSectorRescue::TDeliver recovered = [&](std::uint32_t lba, const std::uint8_t* data, std::uint32_t count) {
      const auto [offset, length] = read.Piece(lba, count);
      return patch(offset, data, static_cast<std::size_t>(length));
    };
    const TRescueEnd end = read.rescue->Return(recovered);
    if (end == TRescueEnd::TimeUp) timeUp = true;
    else if (end != TRescueEnd::Complete) return ended(end, *read.rescue);
  }

  for (const RunRead& read : reads) {
    std::vector<TSectorSpan> lost = read.rescue->Bad();
    lost.insert(lost.end(), read.rescue->Untried().begin(), read.rescue->Untried().end());
    for (const TSectorSpan& span : Merged(std::move(lost))) {
      const auto [first, length] = read.Piece(span.first, span.count);
      const std::uint64_t last = first + length - 1;
      if (!damage.bytes.empty() && damage.bytes.back().second + 1 == first) damage.bytes.back().second = last;
      else damage.bytes.emplace_back(first, last);
      damage.sectors.emplace_back(span.first, static_cast<std::uint32_t>(span.end() - 1));
      damage.badSectors += span.count;
    }
    if (damage.firstError.empty()) damage.firstError = read.rescue->FirstError();
  }
  damage.timeUp = timeUp;
  damage.status = damage.Damaged() ? TFileStatus::Damaged : TFileStatus::Ok;
  return timeUp ? TRecoverResult::TimeUp : TRecoverResult::Complete;
}

std::string DamageText(const TFileDamage& damage) {
  std::uint64_t bytes = 0;
  for (const auto& [first, last] : damage.bytes) bytes += last - first + 1;
  return std::string(OneOrMany(bytes, "byte ", "bytes ")) + RangesText(damage.bytes) + " (" +
         std::string(OneOrMany(damage.badSectors, "sector ", "sectors ")) + RangesText(damage.sectors) + ")";
}

}  // namespace tarnwick
