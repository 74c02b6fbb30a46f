// Reading sectors from a disc that may hold unreadable ones, getting back every sector
// that can be read at a bounded cost.
//
// Good areas are read in runs of 31 sectors, as any other read of data. A run that
// fails is read again one sector per command, each failing sector up to `retries`
// times more, so one bad sector costs at most 1 + retries commands besides the run.
// Two bad sectors in a row mark a bad area: the rest of the run and a stretch after it
// are skipped, and while runs keep failing right after a skip, the stretch doubles (up
// to 1024 sectors), one command per skip. The skipped stretches are read at the end,
// backwards from their ends; where two bad sectors in a row meet again the reader
// skips backwards the same way, and what it skips over stays untried. A failure after
// which the drive reports a changed medium or one not ready is no data error: it ends
// the work.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "drive/SCSIDevice.h"

namespace tarnwick {

struct TRescuePolicy {
  // Reads of a single sector that failed, beyond the first.
  unsigned retries = 2;
  // Skip over bad areas and come back to them at the end; off when the data must be
  // handed on strictly in order (a stream that cannot go back).
  bool skipAhead = true;
  // End the work at the first sector that stays unreadable.
  bool stopAtBad = false;
  // Clock().NowMs() after which no more command is sent; 0: none.
  std::uint64_t deadlineMs = 0;
};

enum class TRescueEnd { Complete, Stopped, MediumChanged, NotOnDisc, BadSector, TimeUp };

struct TSectorSpan {
  std::uint32_t first = 0;
  std::uint32_t count = 0;
  std::uint64_t end() const { return std::uint64_t{first} + count; }
};

class TSectorRescue {
 public:
  static constexpr std::uint16_t kRunSectors = 31;
  static constexpr std::uint32_t kMaxSkip = 1024;

  // Receives `count` sectors from `lba` on: their data, or null for sectors not read
  // (bad, or skipped for now). Returns false to stop.
  using TDeliver = std::function<bool(std::uint32_t lba, const std::uint8_t* data, std::uint32_t count)>;

  TSectorRescue(TSCSIDevice& drive, const TRescuePolicy& policy) : drive_(drive), policy_(policy) {}

  // Reads the span forwards, handing every sector of it on once, in order.
  TRescueEnd Forward(TSectorSpan span, const TDeliver& deliver);
  // Reads the stretches skipped since the last call again, handing on the sectors that
  // read now (out of order); the sectors still unread become bad or untried.
  TRescueEnd Return(const TDeliver& recovered);

  // Sectors that failed every read, and sectors never tried (skipped, or left when the
  // work ended early); both in the order found.
  const std::vector<TSectorSpan>& Bad() const { return bad_; }
  const std::vector<TSectorSpan>& Untried() const { return untried_; }
  // The sector the work ended at (MediumChanged, NotOnDisc, BadSector), and the drive's
  // error text of the first sector that stayed bad.
  std::uint32_t EndLba() const { return endLba_; }
  const std::string& FirstError() const { return firstError_; }

 private:
  enum class Outcome { Good, Bad, End };
  TRescueEnd ForwardPass(TSectorSpan span, const TDeliver& deliver);
  Outcome ReadRun(std::uint32_t lba, std::uint16_t count);
  // One sector with its retries; End when the work must end (see end_).
  Outcome ReadOne(std::uint32_t lba);
  Outcome Failed(std::uint32_t lba, std::uint32_t events);
  bool TimeUp() const;
  void AddBad(std::uint32_t lba);
  static void Add(std::vector<TSectorSpan>& list, std::uint32_t first, std::uint32_t count);

  TSCSIDevice& drive_;
  TRescuePolicy policy_;
  std::vector<std::uint8_t> buffer_;
  std::vector<TSectorSpan> skipped_;
  std::vector<TSectorSpan> bad_;
  std::vector<TSectorSpan> untried_;
  TRescueEnd end_ = TRescueEnd::Complete;
  std::uint32_t endLba_ = 0;
  std::string firstError_;
};

}  // namespace tarnwick
